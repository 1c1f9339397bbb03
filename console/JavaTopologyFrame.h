// "Devices Topology": a page whose one button starts the outside topology
// viewer, a Java program in the current directory.
#pragma once

#include "ModuleFrame.h"

#include <QFrame>
#include <QStringList>

class QPushButton;

class TJavaTopologyFrame final : public QFrame, public TModule {
    Q_OBJECT
public:
    explicit TJavaTopologyFrame(QWidget* parent = nullptr);

    // The program and its arguments: java -jar TopologyView.jar.
    static QString Program();
    static QStringList Arguments();

    // TModule
    QString GetCaption() const override { return QStringLiteral("Devices Topology"); }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override;
    bool Leave(bool force) override;
    int Refresh(bool shown) override { return 0; }

    // "&Open": starts a viewer without waiting for it; each press starts one.
    // A viewer that cannot be started (its file is not in the current
    // folder, or the runtime cannot be started) is told in an error box.
    void EventOnOpenClick();
    // Why the viewer cannot be started because its file is missing, or
    // empty when the file is there.
    static QString MissingViewerText();

    QPushButton* m_Open = nullptr;
};
