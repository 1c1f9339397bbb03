// "DHCP Server": turns the switch's DHCP server on or off and sets its
// address pool, the netmask, gateway and DNS server it hands out, and the
// lease time.
#pragma once

#include "ModulePage.h"

#include <QLineEdit>

#include <cstdint>
#include <vector>

class QComboBox;
class QLabel;
class TIpEdit;
class TLimitSpin;

// A netmask field: parsed on every change (anything but a valid netmask
// reads as 0) and rewritten from the parsed value when it loses the focus.
class TNetmaskEdit final : public QLineEdit {
    Q_OBJECT
public:
    explicit TNetmaskEdit(QWidget* parent);
    uint32_t Value() const { return m_Value; }
    void SetValue(uint32_t mask);

protected:
    void focusOutEvent(QFocusEvent* event) override;

private:
    uint32_t m_Value = 0;
};

class TModuleBasicsDhcp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsDhcp(QWidget* parent);

    // Start, end and netmask are valid and the pool holds two addresses or
    // more.
    bool EntriesValid() const;

    QComboBox* m_Server;
    TIpEdit* m_Start;
    TIpEdit* m_End;
    TNetmaskEdit* m_Mask;
    TIpEdit* m_Gateway;
    TIpEdit* m_Dns;
    TLimitSpin* m_Lease;

protected:
    Intp::TSession* NewGetSession(Intp::TDevice* device, bool shown) override;
    void Fill(Intp::TDevice* device) override;
    Intp::TSession* NewSetSession(Intp::TDevice* device) override;
    void AfterReload(Intp::TDevice* device) override;

private:
    void ServerRule();

    QLabel* m_ServerLabel;
    std::vector<QWidget*> m_PoolControls;   // enabled with "Enable"
    bool m_HasDevice = false;
};
