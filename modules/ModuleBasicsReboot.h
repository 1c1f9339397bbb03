// "Reboot": restarts every current switch, without asking.
#pragma once

#include "ModulePage.h"

class TModuleBasicsReboot final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsReboot(QWidget* parent);

    QPushButton* RebootButton() const { return m_Reboot; }

private:
    QPushButton* m_Reboot;
};
