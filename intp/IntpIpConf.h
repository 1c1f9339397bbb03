// The switch's IP configuration: "NetGet" reads it, "NetSet" writes it by
// limited broadcast so that a switch whose address is unknown or unreachable
// still receives its new settings.
#pragma once

#include "Intp.h"

namespace Intp {

// The switch's own address is not kept here: it is the device's address,
// which every reply sets from its source address.
struct TPropertyBasicsIPConf {
    static constexpr uint16_t GetCommand = 0x0106;
    uint8_t Valid = 0;
    uint8_t Dhcp = 0;        // 1: the switch obtains its address by DHCP
    uint32_t Netmask = 0;    // host order
    uint32_t Gateway = 0;    // host order, 0 = none
    uint32_t Dns1 = 0;       // host order, 0 = none
    uint32_t Dns2 = 0;       // host order, 0 = none
};

inline TPropertyBasicsIPConf& GetPropertyBasicsIPConf(TDevice* device)
{
    return device->GetProperty<TPropertyBasicsIPConf>();
}

// What "NetSet" writes. Addresses are in host order; the request carries
// them big-endian.
struct TBasicsIPConfValue {
    uint8_t Digest[16] = {};   // LoginDigest of the switch's user name and password
    uint8_t Dhcp = 0;          // 1 = DHCP, 0 = static
    uint32_t Ip = 0;
    uint32_t Netmask = 0;
    uint32_t Gateway = 0;
    uint32_t Dns1 = 0;
    uint32_t Dns2 = 0;
};

constexpr size_t IPConfReplyLength = 21;
constexpr size_t IPConfSetLength = 37;
// Where "NetSet" goes: the limited broadcast address.
constexpr uint32_t LimitedBroadcast = 0xFFFFFFFFu;

class TSessionBasicsIPConfGet final : public TGetSession<0x0106, TPropertyBasicsIPConf, IPConfReplyLength> {
public:
    const char* GetName() const override { return "NetGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyBasicsIPConf& record, TBody body) override;
};

class TSessionBasicsIPConfSet final : public TSetSession<0x0107, TSessionBasicsIPConfGet, IPConfSetLength> {
public:
    const char* GetName() const override { return "NetSet"; }
    // The same value may be given to any number of sessions.
    void SetValue(const TBasicsIPConfValue& value);
    bool HasValue() const { return m_HasValue; }

    // Sends to 255.255.255.255 whatever the device's known address is; the
    // target MAC address in the header selects the switch. Nothing is sent
    // until a value was given.
    bool Send(TDevice* device) override;

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TBasicsIPConfValue m_Value;
    bool m_HasValue = false;
};

} // namespace Intp
