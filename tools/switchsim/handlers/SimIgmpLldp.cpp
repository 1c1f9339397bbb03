// IGMP snooping settings and table, LLDP settings.
#include "SimTables.h"

using namespace Sim;

// Snooping flag, query mode.
SIM_HANDLER(0x0600) { return StoredGet(sw, 0x0600, {0, 0}); }

SIM_HANDLER(0x0601)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    if (req.Body.size() != 2 || req.Body[1] > 2) {
        out.push_back(Reply(SimStatusBadRequest));
        return out;
    }
    sw.Store[0x0600] = {uint8_t(req.Body[0] != 0), req.Body[1]};
    out.push_back(Reply(0));
    return out;
}

// The snooping table: Store[0x0602] holds its 10-byte rows (mask, group,
// VLAN); answered 64 rows to a datagram.
SIM_HANDLER(0x0602) { return StoredTableGet(sw, 0x0602, 10, 64); }

// LLDP: enabled, a byte not read, the interval big-endian.
SIM_HANDLER(0x0B00) { return StoredGet(sw, 0x0B00, {0, 0, 0, 30}); }

SIM_HANDLER(0x0B01)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    if (req.Body.size() != 4) {
        out.push_back(Reply(SimStatusBadRequest));
        return out;
    }
    sw.Store[0x0B00] = {uint8_t(req.Body[0] != 0), 0, req.Body[2], req.Body[3]};
    out.push_back(Reply(0));
    return out;
}
