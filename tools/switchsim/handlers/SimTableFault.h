// Faults a simulated switch can put into one command's table reply, for the
// decoders' failure paths.
#pragma once

#include "SimSwitch.h"

#include <map>
#include <memory>

namespace Sim {

enum class TTableFault {
    None,
    Short,         // a body below the command's minimum length
    OutOfRange,    // a row with a value out of range
    TooManyRows,   // more rows than the model has ports (or trunk groups)
    Conflict,      // a row that conflicts with an earlier one
    MissingNext,   // a table split over datagrams loses its last datagram
};

inline std::map<uint16_t, TTableFault>& TableFaults(TSimSwitch& sw)
{
    auto& slot = sw.Extra["table-faults"];
    if (!slot)
        slot = std::make_shared<std::map<uint16_t, TTableFault>>();
    return *std::static_pointer_cast<std::map<uint16_t, TTableFault>>(slot);
}

inline void SetTableFault(TSimSwitch& sw, uint16_t command, TTableFault fault) { TableFaults(sw)[command] = fault; }

inline TTableFault TableFault(TSimSwitch& sw, uint16_t command)
{
    auto& faults = TableFaults(sw);
    auto it = faults.find(command);
    return it == faults.end() ? TTableFault::None : it->second;
}

} // namespace Sim
