// "Port and IP Binding": the address the switch's DHCP server hands out on
// each port.
#pragma once

#include "ModulePage.h"

class QLabel;
class TIpEdit;
class TPageList;
class TRowEditors;

class TModuleBasicsDhcpPortIp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsDhcpPortIp(QWidget* parent);

    TPageList* m_ListView;
    TIpEdit* m_IpAddress;

private:
    TRowEditors* m_Editors;
};
