// SNMP: agent version, communities, trap receivers and SNMPv3 users.
#include "SimTables.h"

#include <cstring>

namespace {

constexpr size_t CommunityRow = 33;
constexpr size_t TrapRow = 37;
constexpr size_t UserRow = 34;
constexpr size_t MaxTraps = 6;
constexpr size_t MaxUsers = 8;

uint32_t CommunityCount(const Sim::TSimSwitch& sw) { return sw.ModelDesc().SnmpCommunityCount; }

std::vector<uint8_t>& Communities(Sim::TSimSwitch& sw)
{
    auto [it, fresh] = sw.Store.try_emplace(0x0702, CommunityRow * CommunityCount(sw), 0);
    if (fresh && CommunityCount(sw) >= 2) {
        Intp::PutFieldText(&it->second[0], 32, "public");
        Intp::PutFieldText(&it->second[CommunityRow], 32, "private");
        it->second[CommunityRow + 32] = 1;
    }
    return it->second;
}

// The index of the row whose first `keySize` bytes equal `key`, or -1.
long FindRow(const std::vector<uint8_t>& rows, size_t rowSize, const uint8_t* key, size_t keySize)
{
    for (size_t i = 0; i + rowSize <= rows.size(); i += rowSize)
        if (std::memcmp(&rows[i], key, keySize) == 0)
            return long(i);
    return -1;
}

// Writes `row` over the row with the same first `keySize` bytes, or appends
// it while the table holds fewer than `maxRows`; false when it is full.
bool PutRow(std::vector<uint8_t>& rows, const std::vector<uint8_t>& row, size_t keySize, size_t maxRows)
{
    long at = FindRow(rows, row.size(), row.data(), keySize);
    if (at >= 0) {
        std::copy(row.begin(), row.end(), rows.begin() + at);
        return true;
    }
    if (rows.size() / row.size() >= maxRows)
        return false;
    rows.insert(rows.end(), row.begin(), row.end());
    return true;
}

} // namespace

SIM_HANDLER(0x0700) { return Sim::StoredGet(sw, 0x0700, {0}); }   // SnmpGet

SIM_HANDLER(0x0701)   // SnmpSet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != 1 || req.Body[0] > 1)
        return {Sim::Reply(1)};
    sw.Store[0x0700] = req.Body;
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0702)   // SnmpCommunityGet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    return {Sim::Reply(0, Communities(sw))};
}

SIM_HANDLER(0x0703)   // SnmpCommunitySet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != CommunityRow * CommunityCount(sw))
        return {Sim::Reply(1)};
    for (size_t i = 0; i < req.Body.size(); i += CommunityRow)
        if (req.Body[i + 32] > 1)
            return {Sim::Reply(1)};
    Communities(sw) = req.Body;
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0707)   // SnmpTrapGet: one datagram, 4-byte head
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    std::vector<uint8_t> body(4, 0);
    const auto& rows = sw.Store[0x0707];
    body.insert(body.end(), rows.begin(), rows.end());
    return {Sim::Reply(0, std::move(body))};
}

SIM_HANDLER(0x0708)   // SnmpTrapAdd
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != TrapRow || Intp::GetBE32(req.Body.data()) == 0 || req.Body[4] == 0 || req.Body[36] > 1)
        return {Sim::Reply(1)};
    if (!PutRow(sw.Store[0x0707], req.Body, 4, MaxTraps))
        return {Sim::Reply(1)};
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0709)   // SnmpTrapDel
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    auto& rows = sw.Store[0x0707];
    long at = req.Body.size() == 4 ? FindRow(rows, TrapRow, req.Body.data(), 4) : -1;
    if (at < 0)
        return {Sim::Reply(1)};
    rows.erase(rows.begin() + at, rows.begin() + at + TrapRow);
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0704)   // SnmpUserGet: one datagram, no head
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    return {Sim::Reply(0, sw.Store[0x0704])};
}

SIM_HANDLER(0x0705)   // SnmpUserAdd
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != 96 || req.Body[0] == 0)
        return {Sim::Reply(1)};
    std::vector<uint8_t> row(req.Body.begin(), req.Body.begin() + 32);
    row.push_back(req.Body[32] != 0);   // a password is set
    row.push_back(req.Body[64] != 0);
    if (!PutRow(sw.Store[0x0704], row, 32, MaxUsers))
        return {Sim::Reply(1)};
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0706)   // SnmpUserDel
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    auto& rows = sw.Store[0x0704];
    long at = req.Body.size() == 96 ? FindRow(rows, UserRow, req.Body.data(), 32) : -1;
    if (at < 0)
        return {Sim::Reply(1)};
    rows.erase(rows.begin() + at, rows.begin() + at + UserRow);
    return {Sim::Reply(0)};
}
