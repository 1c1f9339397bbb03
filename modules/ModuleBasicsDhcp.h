// "DHCP Server": turns the switch's DHCP server on or off and sets its
// address pool, the netmask, gateway and DNS server it hands out, and the
// lease time.
#pragma once

#include "ModulePage.h"

#include <cstdint>
#include <vector>

class QLabel;
class QLineEdit;
class TChoice;
class TIpEdit;
class TWideSpin;

class TModuleBasicsDhcp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsDhcp(QWidget* parent);

    // Start, end and netmask are valid and the pool holds two addresses or
    // more.
    bool EntriesValid() const;
    // The netmask field's value: 0 unless it holds a valid netmask.
    uint32_t MaskValue() const;
    // The netmask a request carries: the one read while the field shows it
    // unchanged, else MaskValue().
    uint32_t MaskSent() const;

    TChoice* m_Server;
    TIpEdit* m_Start;
    TIpEdit* m_End;
    QLineEdit* m_Mask;   // rewritten from its value when editing ends
    TIpEdit* m_Gateway;
    TIpEdit* m_Dns;
    TWideSpin* m_Lease;   // the record's whole unsigned range kept as read

private:
    // The record's values; no addresses when it could not be read.
    void ShowServer(Intp::TDevice* device);
    void ServerRule();

    QLabel* m_ServerLabel;
    std::vector<QWidget*> m_PoolControls;   // enabled with "Enable"
    bool m_HasDevice = false;
    // The netmask as read and the text that shows it (empty: none read).
    uint32_t m_ReadMask = 0;
    QString m_MaskShown;
};
