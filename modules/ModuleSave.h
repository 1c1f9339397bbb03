// "Save To Flash": asks every listed switch to save its running
// configuration to flash, all at once, and shows each one's result.
#pragma once

#include "ModuleDeviceList.h"

class TModuleSave final : public TModuleDeviceList {
    Q_OBJECT
public:
    explicit TModuleSave(QWidget* parent);

    void EventOnSaveClick();
    QPushButton* SaveButton() const { return m_Save; }

protected:
    void OnRunEvent(Intp::TDevice* device, int command, uint16_t status, void* data) override;

private:
    QPushButton* m_Save;
};
