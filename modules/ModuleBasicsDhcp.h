// "DHCP Server": turns the switch's DHCP server on or off and sets its
// address pool, the netmask, gateway and DNS server it hands out, and the
// lease time.
#pragma once

#include "ModulePage.h"

#include <cstdint>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class TIpEdit;
class TLimitSpin;

class TModuleBasicsDhcp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsDhcp(QWidget* parent);

    // Start, end and netmask are valid and the pool holds two addresses or
    // more.
    bool EntriesValid() const;
    // The netmask field's value: 0 unless it holds a valid netmask.
    uint32_t MaskValue() const;

    QComboBox* m_Server;
    TIpEdit* m_Start;
    TIpEdit* m_End;
    QLineEdit* m_Mask;   // rewritten from its value when editing ends
    TIpEdit* m_Gateway;
    TIpEdit* m_Dns;
    TLimitSpin* m_Lease;

private:
    // The record's values; no addresses when it could not be read.
    void ShowServer(Intp::TDevice* device);
    void ServerRule();

    QLabel* m_ServerLabel;
    std::vector<QWidget*> m_PoolControls;   // enabled with "Enable"
    bool m_HasDevice = false;
};
