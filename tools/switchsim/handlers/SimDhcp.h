// The simulated switch's DHCP server: settings, client table and port
// addresses.
#pragma once

#include "SimSwitch.h"

namespace Sim {

// Fills the client table with `count` entries (type 2, status 3, addresses
// from 192.168.0.1 on).
void SetDhcpEntryCount(TSimSwitch& sw, size_t count);

} // namespace Sim
