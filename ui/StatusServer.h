// What pages need of the status monitor: the status bits of a device and
// the server interface the main window reaches through the module callback.
#pragma once

#include <cstdint>
#include <vector>

namespace Intp {
class TDevice;
}

namespace Status {

// Bits of a row's status word.
enum : uint32_t {
    StatusOffline = 1,
    StatusQueryFail = 2,
    StatusIpDifferent = 4,
    StatusAlarm = 8,
};

class TStatusServer {
public:
    virtual ~TStatusServer() = default;
    virtual void AddDevices(const std::vector<Intp::TDevice*>& devices) = 0;
    virtual void AddDevice(Intp::TDevice* device) = 0;
    virtual uint32_t GetStatusFlags(Intp::TDevice* device) = 0;
};

} // namespace Status
