// Starting reads and writes on the host's current devices, and the port-name
// read that port-indexed pages run before their own.
#pragma once

#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>
#include <optional>

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

// Starts one login (or logout, with an all-zero digest) per current device;
// returns how many started.
int StartLoginSessions(const uint8_t digest[16], Intp::TWizard* observer);
// Starts one reboot per current device; returns how many started.
int StartRebootSessions(Intp::TWizard* observer);

// The port-name read ("PortName", 0x0200) on every current device.
int RequestPortNames();
// The port status read ("PortStatusGet", 0x0203) on every current device.
int RequestPortStatus();
// After a port-name report: starts the port configuration read (0x0201) on
// `device` when it exists and its port names are valid. True when started.
bool RequestPortConfigIfNamed(Intp::TDevice* device);

// --- Read state -------------------------------------------------------------------
//
// What the console knows of its reads of a device: the status of the last
// report of each Get code a page noted, and whether the page last shown for
// the device could read it. Kept with the device itself (a device is found
// by its MAC address and owns its records), so it goes when the device goes
// and never follows a stale pointer.

// A failure status of a read that was never reported.
constexpr uint32_t ReadNotDone = 0xFFFFFFFFu;

// Notes the status of a report of the Get `code` for `device`.
void NoteReadStatus(Intp::TDevice* device, uint16_t code, uint32_t status);
// The status of the last noted report of `code`, if any.
std::optional<uint32_t> LastReadStatus(Intp::TDevice* device, uint16_t code);
// Notes whether the page shown for `device` could read it (0) or why not
// (a status, or ReadNotDone); tells ReadStates() listeners.
void NotePageReadState(Intp::TDevice* device, uint32_t failure);
// The last noted page read state of `device` (0 when none was noted).
uint32_t PageReadState(Intp::TDevice* device);

// The one line a page shows when its read failed: the reason in words and
// the status code.
QString ReadFailureText(uint32_t failure);

// Tells listeners (the banner's query light) that a device's page read
// state changed.
class TReadStates final : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
signals:
    void Changed();
};
TReadStates& ReadStates();
