// Starting reads and writes on the host's current devices, and the port-name
// read that port-indexed pages run before their own.
#pragma once

#include <cstdint>
#include <functional>

namespace Intp {
class TDevice;
class TSession;
class TWizard;
}

// A session for one device; null when there is nothing to start for it.
using TSessionFactory = std::function<Intp::TSession*(Intp::TDevice* device)>;

// Starts one session from `make` on every current device, in the host's
// order, reporting to `observer`; a session that does not start is deleted.
// Returns the number started.
int StartOnCurrentDevices(const TSessionFactory& make, Intp::TWizard* observer = nullptr);

// Starts one session on `device`; deletes it when it does not start.
bool StartOnDevice(Intp::TSession* session, Intp::TDevice* device, Intp::TWizard* observer = nullptr);

// The port-name read ("PortName", 0x0200) on every current device.
int RequestPortNames();
// The port status read ("PortStatusGet", 0x0203) on every current device.
int RequestPortStatus();
// After a port-name report: starts the port configuration read (0x0201) on
// `device` when it exists and its port names are valid. True when started.
bool RequestPortConfigIfNamed(Intp::TDevice* device);
