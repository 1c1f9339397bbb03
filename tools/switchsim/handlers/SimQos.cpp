// QoS: queue policy, port based priority, COS and TOS settings.
#include "SimTables.h"

namespace {

using namespace Sim;

std::vector<TSimReply> Get(TSimSwitch& sw, uint16_t code, const std::vector<uint8_t>& initial)
{
    std::vector<TSimReply> out;
    if (RequireLogin(sw, out))
        out.push_back(Reply(0, Stored(sw, code, initial)));
    return out;
}

// Stores the Set body when it is exactly `size` bytes.
std::vector<TSimReply> Set(TSimSwitch& sw, const TSimRequest& req, uint16_t getCode, size_t size)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    if (req.Body.size() != size) {
        out.push_back(Reply(SimStatusBadRequest));
        return out;
    }
    sw.Store[getCode] = req.Body;
    out.push_back(Reply(0));
    return out;
}

} // namespace

// Policy: queue scheme, priority type.
SIM_HANDLER(0x0500) { return Get(sw, 0x0500, {0, 0}); }
SIM_HANDLER(0x0501) { return Set(sw, req, 0x0500, 2); }
// Port based priority: one queue level per port.
SIM_HANDLER(0x0502) { return Get(sw, 0x0502, std::vector<uint8_t>(sw.PortCount(), 0)); }
SIM_HANDLER(0x0503) { return Set(sw, req, 0x0502, sw.PortCount()); }
// COS: eight queue levels, then a default priority per port.
SIM_HANDLER(0x0504) { return Get(sw, 0x0504, std::vector<uint8_t>(8 + sw.PortCount(), 0)); }
SIM_HANDLER(0x0505) { return Set(sw, req, 0x0504, 8 + sw.PortCount()); }
// TOS: a queue level per DSCP value.
SIM_HANDLER(0x0506) { return Get(sw, 0x0506, std::vector<uint8_t>(64, 0)); }
SIM_HANDLER(0x0507) { return Set(sw, req, 0x0506, 64); }
