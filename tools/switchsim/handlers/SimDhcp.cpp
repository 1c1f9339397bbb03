// DHCP server settings (0x0110/0x0111), client table (0x0112) and port
// addresses (0x0113/0x0114).
#include "SimDhcp.h"
#include "SimTableFault.h"
#include "SimTables.h"

#include <algorithm>

namespace {

constexpr size_t EntryRow = 18;
constexpr size_t EntriesPerDatagram = 32;

std::vector<uint8_t>& Settings(Sim::TSimSwitch& sw)
{
    auto& s = sw.Store[0x0110];
    if (s.size() != 25) {
        s.assign(25, 0);
        Intp::PutBE32(s.data() + 1, 0xC0A80164);   // 192.168.1.100
        Intp::PutBE32(s.data() + 5, 0xC0A801C8);   // 192.168.1.200
        Intp::PutBE32(s.data() + 9, 0xFFFFFF00);
        Intp::PutBE32(s.data() + 21, 86400);
    }
    return s;
}

std::vector<uint8_t>& PortIps(Sim::TSimSwitch& sw) { return Sim::StoredSized(sw, 0x0113, 4 * sw.PortCount()); }

} // namespace

namespace Sim {

void SetDhcpEntryCount(TSimSwitch& sw, size_t count)
{
    auto& rows = sw.Store[0x0112];
    rows.assign(count * EntryRow, 0);
    for (size_t i = 0; i < count; ++i) {
        uint8_t* r = rows.data() + i * EntryRow;
        Intp::PutBE32(r, 0xC0A80001u + uint32_t(i));
        const uint8_t mac[6] = {0x02, 0xDC, 0, 0, uint8_t(i >> 8), uint8_t(i)};
        std::copy(mac, mac + 6, r + 4);
        Intp::PutBE16(r + 10, 2);
        Intp::PutBE16(r + 12, 3);
        Intp::PutBE32(r + 14, 3600);
    }
}

} // namespace Sim

// Settings: enabled flag and six addresses/values.
SIM_HANDLER(0x0110)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    std::vector<uint8_t> body = Settings(sw);
    if (Sim::TableFault(sw, req.Command) == Sim::TTableFault::Short)
        body.resize(24);
    return {Sim::Reply(0, body)};
}

SIM_HANDLER(0x0111)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() < 25 || req.Body[0] > 1)
        return {Sim::Reply(1)};
    Settings(sw).assign(req.Body.begin(), req.Body.begin() + 25);
    return {Sim::Reply(0)};
}

// Client table: datagrams of 32 rows while rows remain, then one shorter
// datagram (empty when the table fills its datagrams exactly).
SIM_HANDLER(0x0112)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    const Sim::TTableFault fault = Sim::TableFault(sw, req.Command);
    if (fault == Sim::TTableFault::Short)
        return {Sim::Reply(0, {0, 0, 0})};
    std::vector<uint8_t> rows = sw.Store[0x0112];
    const size_t count = rows.size() / EntryRow;
    if (fault == Sim::TTableFault::OutOfRange && count)
        Intp::PutBE16(rows.data() + (count - 1) * EntryRow + 10, 5);
    for (size_t first = 0;; first += EntriesPerDatagram) {
        const size_t n = std::min(EntriesPerDatagram, count - first);
        std::vector<uint8_t> body(4, 0);
        Intp::PutBE16(body.data() + 2, uint16_t(n));
        body.insert(body.end(), rows.begin() + std::ptrdiff_t(first * EntryRow),
                    rows.begin() + std::ptrdiff_t((first + n) * EntryRow));
        out.push_back(Sim::Reply(0, std::move(body)));
        if (n < EntriesPerDatagram)
            break;
    }
    if (fault == Sim::TTableFault::MissingNext && out.size() > 1)
        out.pop_back();
    return out;
}

// Port addresses: one u32 per port.
SIM_HANDLER(0x0113)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    std::vector<uint8_t> body = PortIps(sw);
    switch (Sim::TableFault(sw, req.Command)) {
    case Sim::TTableFault::Short: body.clear(); break;
    case Sim::TTableFault::TooManyRows: body.resize(body.size() + 4, 0); break;
    default: break;
    }
    return {Sim::Reply(0, body)};
}

SIM_HANDLER(0x0114) { return Sim::StoredSet(sw, req, 0x0113, 4 * sw.PortCount()); }
