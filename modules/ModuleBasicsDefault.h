// "Factory Default": returns every current switch to its factory settings,
// optionally keeping its IP settings and administrator account, and
// optionally rebooting it afterwards.
#pragma once

#include "ModulePage.h"

class QCheckBox;

class TModuleBasicsDefault final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsDefault(QWidget* parent);

    QCheckBox* KeepNetBox() const { return m_KeepNet; }
    QCheckBox* KeepAuthBox() const { return m_KeepAuth; }
    QCheckBox* RebootBox() const { return m_Reboot; }

private:
    QCheckBox* m_KeepNet;
    QCheckBox* m_KeepAuth;
    QCheckBox* m_Reboot;
};
