// "802.1x": 802.1x on or off, the RADIUS server, its shared key and the NAS
// identifier, and the authentication timers.
#pragma once

#include "ModulePage.h"
#include "PageEditors.h"

#include <vector>

class QComboBox;
class TFixedTextEdit;
class TInetAddrEdit;
class TLimitSpin;
class TWideSpin;

namespace Intp {
struct TPropertySecurity8021x;
}

class TModuleSecurity8021x final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleSecurity8021x(QWidget* parent);

private:
    // The switch's values, or the page's defaults when its record is not
    // valid (the protocol choice then stays as it is). Values outside a
    // field's limits and the texts' bytes are kept as read.
    void FillValues(Intp::TDevice* device);
    Intp::TPropertySecurity8021x BuildRequest() const;
    // The protocol rule, then (with "Enable") the field rule.
    void EventOnProtocolChange();

    TChoice* m_Protocol;
    TInetAddrEdit* m_ServerIp;
    TLimitSpin* m_ServerPort;
    TLimitSpin* m_AccountingPort;
    TFixedTextEdit* m_SharedKey;
    TFixedTextEdit* m_NasId;
    TLimitSpin* m_Quiet;
    TLimitSpin* m_TX;
    TLimitSpin* m_Supplicant;
    TLimitSpin* m_ServerTimeout;
    TLimitSpin* m_MaxRequest;
    TWideSpin* m_ReAuth;   // four bytes on the wire
    std::vector<QWidget*> m_Sections;   // follow "Enable"
};
