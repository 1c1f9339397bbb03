// Security: 802.1x RADIUS settings and port modes, IP security, MAC
// blacklist and port security. Lists of more than 127 rows are answered in
// several datagrams of 128 rows.
#include "SimTables.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr size_t ListThreshold = 128;
constexpr size_t MacRow = 6;
constexpr size_t PortRow = 7;
constexpr size_t MaxListRows = 1024;   // what the switch's tables hold

size_t IpSecuritySize(const Sim::TSimSwitch& sw)
{
    return 5 + 4 * size_t(sw.ModelDesc().IpSecurityCount);
}

std::vector<uint8_t>& Radius(Sim::TSimSwitch& sw)
{
    auto [it, fresh] = sw.Store.try_emplace(0x0808, 86, 0);
    if (fresh) {
        Intp::PutBE16(&it->second[5], 1812);
        Intp::PutBE16(&it->second[7], 1813);
        Intp::PutBE16(&it->second[73], 60);
        Intp::PutBE16(&it->second[75], 30);
        Intp::PutBE16(&it->second[77], 30);
        Intp::PutBE16(&it->second[79], 30);
        it->second[81] = 2;
        Intp::PutBE32(&it->second[82], 3600);
    }
    return it->second;
}

std::vector<uint8_t>& PortModes(Sim::TSimSwitch& sw)
{
    return sw.Store.try_emplace(0x080A, sw.PortCount(), uint8_t(3)).first->second;
}

// Erases the rows whose bytes at `keyOffset` equal the 6-byte address.
bool EraseRowsWithMac(std::vector<uint8_t>& rows, size_t rowSize, size_t keyOffset, const uint8_t* mac)
{
    bool found = false;
    for (size_t i = 0; i + rowSize <= rows.size();) {
        if (std::memcmp(&rows[i + keyOffset], mac, 6) == 0) {
            rows.erase(rows.begin() + i, rows.begin() + i + rowSize);
            found = true;
        } else {
            i += rowSize;
        }
    }
    return found;
}

} // namespace

SIM_HANDLER(0x0808)   // RadiusGet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    return {Sim::Reply(0, Radius(sw))};
}

SIM_HANDLER(0x0809) { return Sim::StoredSet(sw, req, 0x0808, 86); }   // RadiusSet

SIM_HANDLER(0x080A)   // 8021xPortGet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    return {Sim::Reply(0, PortModes(sw))};
}

SIM_HANDLER(0x080B)   // 8021xPortSet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != sw.PortCount() ||
        std::any_of(req.Body.begin(), req.Body.end(), [](uint8_t m) { return m > 3; }))
        return {Sim::Reply(1)};
    PortModes(sw) = req.Body;
    return {Sim::Reply(0)};
}

// IP security: the flags, then one address per entry of the model.
SIM_HANDLER(0x0800) { return Sim::StoredGet(sw, 0x0800, std::vector<uint8_t>(IpSecuritySize(sw), 0)); }   // IPsecGet
SIM_HANDLER(0x0801) { return Sim::StoredSet(sw, req, 0x0800, IpSecuritySize(sw)); }                      // IPsecSet

SIM_HANDLER(0x0805)   // SecMacGet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    return Sim::SplitRows(sw.Store[0x0805], MacRow, ListThreshold);
}

SIM_HANDLER(0x0806)   // SecMacAdd
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    auto& rows = sw.Store[0x0805];
    if (req.Body.size() != MacRow || rows.size() / MacRow >= MaxListRows)
        return {Sim::Reply(1)};
    EraseRowsWithMac(rows, MacRow, 0, req.Body.data());
    rows.insert(rows.end(), req.Body.begin(), req.Body.end());
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0807)   // SecMacDel
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != MacRow || !EraseRowsWithMac(sw.Store[0x0805], MacRow, 0, req.Body.data()))
        return {Sim::Reply(1)};
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0802)   // SecurityPortGet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    return Sim::SplitRows(sw.Store[0x0802], PortRow, ListThreshold);
}

SIM_HANDLER(0x0803)   // SecurityPortAdd
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    auto& rows = sw.Store[0x0802];
    if (req.Body.size() != PortRow || req.Body[0] >= sw.LogicalPortCount() || rows.size() / PortRow >= MaxListRows)
        return {Sim::Reply(1)};
    EraseRowsWithMac(rows, PortRow, 1, req.Body.data() + 1);
    rows.insert(rows.end(), req.Body.begin(), req.Body.end());
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0804)   // SecurityPortDel
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != MacRow || !EraseRowsWithMac(sw.Store[0x0802], PortRow, 1, req.Body.data()))
        return {Sim::Reply(1)};
    return {Sim::Reply(0)};
}
