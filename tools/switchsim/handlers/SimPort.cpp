// Port names (0x0200), configuration (0x0201/0x0202), status (0x0203), rate
// limits (0x0204/0x0205) and trunks (0x0206/0x0207). Each table is kept in
// its Get reply's wire form, so a Get after a Set shows what was written.
#include "SimTableFault.h"
#include "SimTables.h"

#include <algorithm>
#include <string>

namespace {

uint32_t Trunks(const Sim::TSimSwitch& sw) { return sw.LogicalPortCount() - sw.PortCount(); }

std::vector<uint8_t>& Names(Sim::TSimSwitch& sw)
{
    auto& s = sw.Store[0x0200];
    if (s.size() != 8 * sw.LogicalPortCount()) {
        s.assign(8 * sw.LogicalPortCount(), 0);
        for (uint32_t i = 0; i < sw.LogicalPortCount(); ++i) {
            std::string name = i < sw.PortCount() ? "Port" + std::to_string(i + 1)
                                                  : "Trunk" + std::to_string(i - sw.PortCount() + 1);
            Intp::PutFieldText(s.data() + 8 * i, 8, name);
        }
    }
    return s;
}

// Head of 4 bytes, then per logical port {port, type, state, speed, flow, security}.
std::vector<uint8_t>& Config(Sim::TSimSwitch& sw)
{
    auto& s = sw.Store[0x0201];
    if (s.size() != 4 + 6 * sw.LogicalPortCount()) {
        s.assign(4 + 6 * sw.LogicalPortCount(), 0);
        for (uint32_t i = 0; i < sw.LogicalPortCount(); ++i) {
            uint8_t* r = s.data() + 4 + 6 * i;
            r[0] = uint8_t(i);
            r[1] = i < sw.PortCount() ? 4 : 0;   // 100TX; trunks N/A
            r[2] = 1;
        }
    }
    return s;
}

std::vector<uint8_t>& Limits(Sim::TSimSwitch& sw) { return Sim::StoredSized(sw, 0x0204, 9 * sw.PortCount()); }

std::vector<uint8_t>& TrunkTable(Sim::TSimSwitch& sw) { return Sim::StoredSized(sw, 0x0206, 5 * Trunks(sw)); }

// Status rows from the configuration and the link mask.
std::vector<uint8_t> Status(Sim::TSimSwitch& sw)
{
    const auto& config = Config(sw);
    std::vector<uint8_t> body(5 * sw.PortCount(), 0);
    for (uint32_t i = 0; i < sw.PortCount(); ++i) {
        const uint8_t* c = config.data() + 4 + 6 * i;
        uint8_t* r = body.data() + 5 * i;
        const bool link = (sw.LinkMask >> i) & 1;
        r[0] = c[1];
        r[1] = link;
        r[2] = c[2];
        r[3] = link ? (c[3] ? c[3] : 3) : 0;
        r[4] = link && c[4];
    }
    return body;
}

std::vector<Sim::TSimReply> Get(Sim::TSimSwitch& sw, const Sim::TSimRequest& req, std::vector<uint8_t> body,
                                size_t head, size_t row)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    switch (Sim::TableFault(sw, req.Command)) {
    case Sim::TTableFault::Short:
        body.assign(head ? head - 1 : 0, 0);
        break;
    case Sim::TTableFault::TooManyRows:
        body.resize(body.size() + row, 0);
        break;
    case Sim::TTableFault::OutOfRange:
        if (body.size() >= head + row) {
            uint8_t* last = body.data() + body.size() - row;
            switch (req.Command) {
            case 0x0201: last[3] = 8; break;                         // speed/duplex
            case 0x0203: last[0] = 10; break;                        // port type
            case 0x0204: last[0] = 4; break;                         // frame type
            case 0x0206: Intp::PutBE32(last, 1u << sw.PortCount()); break;   // beyond the ports
            default: break;
            }
        }
        break;
    case Sim::TTableFault::Conflict:
        if (req.Command == 0x0206 && body.size() >= 2 * row) {
            Intp::PutBE32(body.data(), 0x3);
            Intp::PutBE32(body.data() + row, 0x6);
        }
        break;
    default:
        break;
    }
    return {Sim::Reply(0, std::move(body))};
}

} // namespace

SIM_HANDLER(0x0200) { return Get(sw, req, Names(sw), 0, 8); }
SIM_HANDLER(0x0201) { return Get(sw, req, Config(sw), 4, 6); }
SIM_HANDLER(0x0203) { return Get(sw, req, Status(sw), 0, 5); }
SIM_HANDLER(0x0204) { return Get(sw, req, Limits(sw), 0, 9); }
SIM_HANDLER(0x0206) { return Get(sw, req, TrunkTable(sw), 0, 5); }

// Configuration rows {port, state, speed, flow, security} after a 4-byte head.
SIM_HANDLER(0x0202)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    const auto& b = req.Body;
    if (b.size() < 9 || (b.size() - 4) % 5)
        return {Sim::Reply(1)};
    const size_t n = (b.size() - 4) / 5;
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* r = b.data() + 4 + 5 * i;
        if (r[0] >= sw.LogicalPortCount() || r[1] > 1 || r[2] > 7 || r[3] > 2 || r[4] > 1)
            return {Sim::Reply(1)};
    }
    auto& config = Config(sw);
    for (size_t i = 0; i < n; ++i) {
        const uint8_t* r = b.data() + 4 + 5 * i;
        uint8_t* c = config.data() + 4 + 6 * r[0];
        c[2] = r[1];
        c[3] = r[2];
        c[4] = r[3];
        c[5] = r[4];
    }
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0205)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != 9 * sw.PortCount())
        return {Sim::Reply(1)};
    for (size_t i = 0; i < sw.PortCount(); ++i)
        if (req.Body[9 * i] > 3)
            return {Sim::Reply(1)};
    Limits(sw) = req.Body;
    return {Sim::Reply(0)};
}

SIM_HANDLER(0x0207)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() != 5 * Trunks(sw))
        return {Sim::Reply(1)};
    uint32_t seen = 0;
    for (size_t i = 0; i < Trunks(sw); ++i) {
        const uint32_t mask = Intp::GetBE32(req.Body.data() + 5 * i);
        if ((sw.PortCount() < 32 && (mask >> sw.PortCount())) || (mask & seen))
            return {Sim::Reply(1)};
        seen |= mask;
    }
    TrunkTable(sw) = req.Body;
    return {Sim::Reply(0)};
}
