// "Reboot": restarts every current switch, without asking.
#pragma once

#include "ModulePage.h"

class TModuleBasicsReboot final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsReboot(QWidget* parent);

    QPushButton* RebootButton() const { return m_Reboot; }

protected:
    void Fill(Intp::TDevice*) override {}

private:
    QPushButton* m_Reboot;
};
