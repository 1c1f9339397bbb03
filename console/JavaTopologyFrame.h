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
    // A viewer that cannot be started is told in an error box.
    void EventOnOpenClick();

    QPushButton* m_Open = nullptr;
};
