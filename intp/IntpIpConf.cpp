// IP configuration: "NetGet" and "NetSet".
#include "IntpIpConf.h"

namespace Intp {

namespace {
// Offsets in the "NetGet" reply body (the switch's address at 1 is not
// decoded: the reply's source address gives it).
constexpr size_t GetDhcp = 0;
constexpr size_t GetNetmask = 5;
constexpr size_t GetGateway = 9;
constexpr size_t GetDns1 = 13;
constexpr size_t GetDns2 = 17;

// Offsets in the "NetSet" request body.
constexpr size_t SetDigest = 0;
constexpr size_t SetDhcp = 16;
constexpr size_t SetIp = 17;
constexpr size_t SetNetmask = 21;
constexpr size_t SetGateway = 25;
constexpr size_t SetDns1 = 29;
constexpr size_t SetDns2 = 33;
static_assert(SetDns2 + 4 == IPConfSetLength);
} // namespace

uint32_t TSessionBasicsIPConfGet::Decode(TDevice*, TPropertyBasicsIPConf& record, TBody body)
{
    record.Dhcp = body.U8(GetDhcp) != 0;
    record.Netmask = body.U32(GetNetmask);
    record.Gateway = body.U32(GetGateway);
    record.Dns1 = body.U32(GetDns1);
    record.Dns2 = body.U32(GetDns2);
    return StatusOk;
}

void TSessionBasicsIPConfSet::SetValue(const TBasicsIPConfValue& value)
{
    m_Value = value;
    m_HasValue = true;
}

bool TSessionBasicsIPConfSet::FillBody(TDevice*, TBodyWriter& body)
{
    if (!m_HasValue)
        return false;
    body.Bytes(SetDigest, m_Value.Digest, sizeof m_Value.Digest);
    body.U8(SetDhcp, m_Value.Dhcp ? 1 : 0);
    body.U32(SetIp, m_Value.Ip);
    body.U32(SetNetmask, m_Value.Netmask);
    body.U32(SetGateway, m_Value.Gateway);
    body.U32(SetDns1, m_Value.Dns1);
    body.U32(SetDns2, m_Value.Dns2);
    return true;
}

bool TSessionBasicsIPConfSet::Send(TDevice* device)
{
    m_Target = device->GetMac();
    std::vector<uint8_t> frame = BuildRequest(Command, m_Target, IPConfSetLength);
    TBodyWriter writer(frame.data() + HeaderSize, IPConfSetLength);
    if (!FillBody(device, writer))
        return false;
    SendRaw(LimitedBroadcast, frame.data(), frame.size());
    return true;
}

} // namespace Intp
