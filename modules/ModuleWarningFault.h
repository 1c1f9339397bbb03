// "Fault Alarm": which power failures and which ports' link losses raise the
// switch's fault alarm.
#pragma once

#include "ModulePage.h"

#include <cstdint>

class TPageList;

class TModuleWarningFault final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleWarningFault(QWidget* parent);

    TPageList* SysList() const { return m_SysList; }
    TPageList* PortList() const { return m_PortList; }

private:
    TPageList* m_SysList;
    TPageList* m_PortList;
    // The masks as read: their bits that no item stands for go back as read.
    uint32_t m_ReadSystem = 0;
    uint32_t m_ReadPorts = 0;
};
