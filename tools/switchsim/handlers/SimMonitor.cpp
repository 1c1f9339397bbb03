// Monitoring: MAC address table, port counters, mirroring, event log, and
// the commands that clear them.
#include "SimTables.h"

namespace {

using namespace Sim;

std::vector<TSimReply> Clear(TSimSwitch& sw, uint16_t getCode)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    sw.Store.erase(getCode);
    out.push_back(Reply(0));
    return out;
}

} // namespace

// MAC table: Store[0x0A00] holds its 8-byte rows (port, address, type);
// answered 128 rows to a datagram.
SIM_HANDLER(0x0A00) { return StoredTableGet(sw, 0x0A00, 8, 128); }
SIM_HANDLER(0x0A01) { return Clear(sw, 0x0A00); }

// Port counters: six big-endian u32 per port; cleared to zero.
SIM_HANDLER(0x0A02) { return StoredGet(sw, 0x0A02, std::vector<uint8_t>(24 * sw.PortCount(), 0)); }
SIM_HANDLER(0x0A03) { return Clear(sw, 0x0A02); }

// Mirroring: destination RX and TX port, source RX and TX masks.
SIM_HANDLER(0x0A04) { return StoredGet(sw, 0x0A04, std::vector<uint8_t>(10, 0)); }

SIM_HANDLER(0x0A05)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    if (req.Body.size() != 10 || req.Body[0] >= sw.PortCount() || req.Body[1] >= sw.PortCount()) {
        out.push_back(Reply(SimStatusBadRequest));
        return out;
    }
    sw.Store[0x0A04] = req.Body;
    out.push_back(Reply(0));
    return out;
}

// Event log: Store[0x0A06] holds its 256-byte rows (two 128-byte texts);
// answered 5 rows to a datagram.
SIM_HANDLER(0x0A06) { return StoredTableGet(sw, 0x0A06, 256, 5); }
SIM_HANDLER(0x0A07) { return Clear(sw, 0x0A06); }
