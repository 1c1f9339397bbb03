// VLAN: mode, port-based table, 802.1Q settings and port membership. The
// membership table is answered 128 rows a datagram, the port-based table 32.
#include "SimTables.h"

#include <algorithm>
#include <map>

namespace {

constexpr size_t MemberRow = 10;
constexpr size_t PortRow = 22;
constexpr size_t MemberThreshold = 128;
constexpr size_t PortThreshold = 32;

uint32_t AllPorts(const Sim::TSimSwitch& sw)
{
    const uint32_t n = sw.LogicalPortCount();
    return n >= 32 ? 0xFFFFFFFFu : uint32_t((uint64_t(1) << n) - 1);
}

// The 802.1Q membership: per VLAN the untagged and tagged port masks, and
// the hybrid ports.
struct TMembership {
    std::map<uint16_t, std::pair<uint32_t, uint32_t>> Vlans;
    uint32_t Hybrid = 0;
};

TMembership& Membership(Sim::TSimSwitch& sw)
{
    auto& slot = sw.Extra["vlan8021q.membership"];
    if (!slot) {
        auto m = std::make_shared<TMembership>();
        m->Vlans[1] = {AllPorts(sw), 0};
        slot = m;
    }
    return *static_cast<TMembership*>(slot.get());
}

std::vector<uint8_t> MembershipRows(const TMembership& m)
{
    std::vector<uint8_t> rows;
    auto add = [&rows](uint16_t vid, uint32_t untagged, uint32_t tagged) {
        uint8_t r[MemberRow];
        Intp::PutBE16(r, vid);
        Intp::PutBE32(r + 2, untagged);
        Intp::PutBE32(r + 6, tagged);
        rows.insert(rows.end(), r, r + MemberRow);
    };
    if (m.Hybrid)
        add(0, m.Hybrid, 0);
    for (const auto& [vid, masks] : m.Vlans)
        add(vid, masks.first, masks.second);
    return rows;
}

struct TPortEntry {
    uint8_t Port, Type;
    uint16_t Untagged;
    std::vector<uint16_t> Tagged;
};

// Parses the membership list of a Vlan8021qPortSet; false when it is
// malformed or names a port or VLAN the switch does not have.
bool ParseMembership(const Sim::TSimSwitch& sw, const std::vector<uint8_t>& body, std::vector<TPortEntry>& out)
{
    if (body.empty() || body.size() % 2)
        return false;
    std::vector<uint16_t> items(body.size() / 2);
    for (size_t i = 0; i < items.size(); ++i)
        items[i] = Intp::GetBE16(&body[2 * i]);
    if (items.back() != 0)
        return false;
    auto vidOk = [](uint16_t v) { return v >= 1 && v <= 4094; };
    for (size_t i = 0; i < items.size();) {
        if (i + 2 >= items.size())
            return false;
        TPortEntry e{uint8_t(items[i] >> 8), uint8_t(items[i]), items[i + 1], {}};
        if (e.Port >= sw.LogicalPortCount() || e.Port >= 32 || e.Type > 2 || !vidOk(e.Untagged))
            return false;
        for (i += 2; items[i] != 0; ++i) {
            if (!vidOk(items[i]))
                return false;
            e.Tagged.push_back(items[i]);
        }
        ++i;
        out.push_back(std::move(e));
    }
    return true;
}

std::vector<uint8_t>& PortBasedRows(Sim::TSimSwitch& sw)
{
    auto [it, fresh] = sw.Store.try_emplace(0x0402);
    if (fresh) {
        it->second.assign(PortRow, 0);
        Intp::PutBE16(&it->second[0], 1);
        Intp::PutBE32(&it->second[2], AllPorts(sw));
        Intp::PutFieldText(&it->second[6], 16, "default");
    }
    return it->second;
}

} // namespace

SIM_HANDLER(0x0400) { return Sim::StoredGet(sw, 0x0400, {2}); }   // VlanGet

SIM_HANDLER(0x0402)   // VlanPortGet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    return Sim::SplitRows(PortBasedRows(sw), PortRow, PortThreshold);
}

SIM_HANDLER(0x0406) { return Sim::StoredGet(sw, 0x0406, {0, 0, 0}); }   // Vlan8021qGet

SIM_HANDLER(0x0407)   // Vlan8021qSet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != 3 || req.Body[0] > 1 || Intp::GetBE16(&req.Body[1]) > 4094)
        return {Sim::Reply(1)};
    sw.Store[0x0406] = req.Body;
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0408)   // Vlan8021qPortGet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    // Rows stored as they are (odd tables for tests) answer instead, until a Set.
    if (auto stored = sw.Store.find(0x0408); stored != sw.Store.end())
        return Sim::SplitRows(stored->second, MemberRow, MemberThreshold);
    return Sim::SplitRows(MembershipRows(Membership(sw)), MemberRow, MemberThreshold);
}

SIM_HANDLER(0x0409)   // Vlan8021qPortSet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    std::vector<TPortEntry> entries;
    if (!ParseMembership(sw, req.Body, entries))
        return {Sim::Reply(1)};
    sw.Store.erase(0x0408);
    TMembership& m = Membership(sw);
    for (const auto& e : entries) {
        const uint32_t bit = 1u << e.Port;
        for (auto& [vid, masks] : m.Vlans) {
            masks.first &= ~bit;
            masks.second &= ~bit;
        }
        m.Vlans[e.Untagged].first |= bit;
        for (uint16_t t : e.Tagged)
            m.Vlans[t].second |= bit;
        m.Hybrid = e.Type == 2 ? (m.Hybrid | bit) : (m.Hybrid & ~bit);
    }
    for (auto it = m.Vlans.begin(); it != m.Vlans.end();)
        it = it->first != 1 && it->second.first == 0 && it->second.second == 0 ? m.Vlans.erase(it) : std::next(it);
    return {Sim::Reply(0)};
}
