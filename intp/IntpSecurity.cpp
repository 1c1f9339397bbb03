// Security features: 802.1x, IP security, MAC blacklist and port security.
#include "IntpSecurity.h"

namespace Intp {

namespace {

constexpr size_t RadiusLength = 86;
constexpr size_t RadiusTextWidth = 32;
constexpr size_t IpSecurityHead = 5;
constexpr size_t ListHead = 4;
constexpr size_t MacRowSize = 6;
constexpr size_t PortRowSize = 7;

bool FitsU8(uint32_t v) { return v <= 0xFF; }
bool FitsU16(uint32_t v) { return v <= 0xFFFF; }

} // namespace

// --- 802.1x RADIUS settings -------------------------------------------------

uint32_t TSessionSecurity8021xGet::Decode(TDevice*, TPropertySecurity8021x& r, TBody body)
{
    r.Enabled = body.U8(0) != 0;
    r.RadiusServer = body.U32(1);
    r.ServerPort = body.U16(5);
    r.AccountingPort = body.U16(7);
    r.SharedKey = body.Text(9, RadiusTextWidth);
    r.NasIdentifier = body.Text(41, RadiusTextWidth);
    r.QuietPeriod = body.U16(73);
    r.TxPeriod = body.U16(75);
    r.SupplicantTimeout = body.U16(77);
    r.ServerTimeout = body.U16(79);
    r.MaxRequests = body.U8(81);
    r.ReauthPeriod = body.U32(82);
    return StatusOk;
}

bool TSessionSecurity8021xSet::FillBody(TDevice*, TBodyWriter& body)
{
    const TPropertySecurity8021x& r = m_Request;
    // A value cut to its field would configure the switch with something
    // else than what was asked for.
    if (!FitsU16(r.ServerPort) || !FitsU16(r.AccountingPort) || !FitsU16(r.QuietPeriod) || !FitsU16(r.TxPeriod) ||
        !FitsU16(r.SupplicantTimeout) || !FitsU16(r.ServerTimeout) || !FitsU8(r.MaxRequests))
        return false;
    body.U8(0, r.Enabled ? 1 : 0);
    body.U32(1, r.RadiusServer);
    body.U16(5, uint16_t(r.ServerPort));
    body.U16(7, uint16_t(r.AccountingPort));
    body.Text(9, RadiusTextWidth, r.SharedKey);
    body.Text(41, RadiusTextWidth, r.NasIdentifier);
    body.U16(73, uint16_t(r.QuietPeriod));
    body.U16(75, uint16_t(r.TxPeriod));
    body.U16(77, uint16_t(r.SupplicantTimeout));
    body.U16(79, uint16_t(r.ServerTimeout));
    body.U8(81, uint8_t(r.MaxRequests));
    body.U32(82, r.ReauthPeriod);
    static_assert(RadiusLength == 86);
    return true;
}

// --- 802.1x port modes -------------------------------------------------------

uint32_t TSessionSecurity8021xPortGet::Decode(TDevice* device, TPropertySecurity8021xPort& r, TBody body)
{
    const size_t ports = device->GetPortCount();
    if (body.Size() != ports)
        return StatusRangeError;
    r.Modes.resize(ports);
    for (size_t i = 0; i < ports; ++i) {
        const uint8_t mode = body.U8(i);
        if (mode > Security8021xDisable)
            return StatusTableError;
        r.Modes[i] = mode;
    }
    return StatusOk;
}

bool TSessionSecurity8021xPortSet::SetData(const uint8_t* modes, int n)
{
    if (!modes || n <= 0)
        return false;
    TVarSetSession::SetData(modes, size_t(n), n);
    return true;
}

bool TSessionSecurity8021xPortSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetPortCount();
}

// --- IP security ---------------------------------------------------------------

uint32_t TSessionSecurityIpGet::Decode(TDevice* device, TPropertySecurityIp& r, TBody body)
{
    const size_t n = (body.Size() - IpSecurityHead) / 4;
    if (n == 0 || n != device->GetIpSecurityCount())
        return StatusTableError;
    r.Enabled = body.U8(0) != 0;
    r.Management = body.U32(1);
    r.Addresses.resize(n);
    for (size_t i = 0; i < n; ++i)
        r.Addresses[i] = body.U32(IpSecurityHead + 4 * i);
    return StatusOk;
}

bool TSessionSecurityIpSet::SetData(const TPropertySecurityIp& request)
{
    const size_t n = request.Addresses.size();
    if (n == 0 || n > (MaxBodyLength - IpSecurityHead) / 4)
        return false;
    std::vector<uint8_t> bytes(IpSecurityHead + 4 * n, 0);
    TBodyWriter w(bytes.data(), bytes.size());
    w.U8(0, request.Enabled ? 1 : 0);
    w.U32(1, request.Management);
    for (size_t i = 0; i < n; ++i)
        w.U32(IpSecurityHead + 4 * i, request.Addresses[i]);
    TVarSetSession::SetData(bytes.data(), bytes.size(), int(n));
    return true;
}

bool TSessionSecurityIpSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetIpSecurityCount();
}

// --- MAC blacklist -----------------------------------------------------------

uint32_t TSessionSecurityMacGet::DecodeRows(TDevice*, TBody body, std::vector<TMacAddr>& rows, size_t& count)
{
    TBody table = body.From(ListHead);
    count = table.Size() / MacRowSize;
    for (size_t i = 0; i < count; ++i) {
        uint8_t mac[6];
        table.Copy(i * MacRowSize, mac, 6);
        rows.emplace_back(mac);
    }
    return StatusOk;
}

bool TSessionSecurityMacAdd::FillBody(TDevice*, TBodyWriter& body)
{
    body.Bytes(0, m_Mac.Bytes(), 6);
    return true;
}

bool TSessionSecurityMacDel::FillBody(TDevice*, TBodyWriter& body)
{
    body.Bytes(0, m_Mac.Bytes(), 6);
    return true;
}

// --- Port security -----------------------------------------------------------

uint32_t TSessionSecurityPortGet::DecodeRows(TDevice* device, TBody body,
                                             std::vector<TPropertySecurityPortEntry>& rows, size_t& count)
{
    TBody table = body.From(ListHead);
    count = table.Size() / PortRowSize;
    const uint32_t logical = device->GetLogicalPortCount();
    for (size_t i = 0; i < count; ++i) {
        TPropertySecurityPortEntry e;
        e.Port = table.U8(i * PortRowSize);
        if (e.Port >= logical)
            return StatusTableError;
        uint8_t mac[6];
        table.Copy(i * PortRowSize + 1, mac, 6);
        e.Address = TMacAddr(mac);
        rows.push_back(e);
    }
    return StatusOk;
}

bool TSessionSecurityPortAdd::FillBody(TDevice* device, TBodyWriter& body)
{
    if (m_Entry.Port >= device->GetLogicalPortCount() || !FitsU8(m_Entry.Port))
        return false;
    body.U8(0, uint8_t(m_Entry.Port));
    body.Bytes(1, m_Entry.Address.Bytes(), 6);
    return true;
}

bool TSessionSecurityPortDel::FillBody(TDevice*, TBodyWriter& body)
{
    body.Bytes(0, m_Mac.Bytes(), 6);
    return true;
}

} // namespace Intp
