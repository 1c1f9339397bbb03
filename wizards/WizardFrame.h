// "Wizards": the index of the group wizards, one button each.
#pragma once

#include "Module.h"

#include <QFrame>

class QPushButton;

class TWizardFrame final : public QFrame, public TModule {
    Q_OBJECT
public:
    explicit TWizardFrame(QWidget* parent);

    QString GetCaption() const override { return QStringLiteral("Wizards"); }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice*, uint16_t, uint16_t) override { show(); }
    bool Leave(bool) override
    {
        hide();
        return true;
    }
    int Refresh(bool) override { return 0; }

    QPushButton* GroupIpButton() const { return m_GroupIp; }
    QPushButton* GroupFwButton() const { return m_GroupFw; }

private:
    QPushButton* m_GroupIp;
    QPushButton* m_GroupFw;
};
