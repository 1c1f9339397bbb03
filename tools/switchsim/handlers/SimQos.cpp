// QoS: queue policy, port based priority, COS and TOS settings.
#include "SimTables.h"

using namespace Sim;

// Policy: queue scheme, priority type.
SIM_HANDLER(0x0500) { return StoredGet(sw, 0x0500, {0, 0}); }
SIM_HANDLER(0x0501) { return StoredSet(sw, req, 0x0500, 2); }
// Port based priority: one queue level per port.
SIM_HANDLER(0x0502) { return StoredGet(sw, 0x0502, std::vector<uint8_t>(sw.PortCount(), 0)); }
SIM_HANDLER(0x0503) { return StoredSet(sw, req, 0x0502, sw.PortCount()); }
// COS: eight queue levels, then a default priority per port.
SIM_HANDLER(0x0504) { return StoredGet(sw, 0x0504, std::vector<uint8_t>(8 + sw.PortCount(), 0)); }
SIM_HANDLER(0x0505) { return StoredSet(sw, req, 0x0504, 8 + sw.PortCount()); }
// TOS: a queue level per DSCP value.
SIM_HANDLER(0x0506) { return StoredGet(sw, 0x0506, std::vector<uint8_t>(64, 0)); }
SIM_HANDLER(0x0507) { return StoredSet(sw, req, 0x0506, 64); }
