// The switch simulator's model of one switch and its request handlers.
//
// A handler answers one command code for one simulated switch. Each feature
// family adds its handlers in its own file under handlers/, registering them
// with a static registrar:
//
//   SIM_HANDLER(0x0104) {          // `sw` is the switch, `req` the request
//       std::vector<Sim::TSimReply> out;
//       if (!Sim::RequireLogin(sw, out)) return out;
//       ...
//       return out;
//   }
//
// Handlers run on the simulator's thread with the simulator's lock held, so
// they may read and change the switch freely.
#pragma once

#include "Intp.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace Sim {

// Faults injected into one switch's replies (and, in TSimulator, into every
// switch's).
struct TSimFaults {
    double DropRate = 0;      // chance (0..1) that a reply is not sent
    uint32_t DropNext = 0;    // the next N replies are not sent
    uint32_t DelayMs = 0;     // every reply is sent this much later
    int ForceStatus = -1;     // >= 0: every reply carries this status
    int TruncateBody = -1;    // >= 0: every reply body is cut to this many bytes
};

struct TSimSwitch {
    Intp::TMacAddr Mac;
    uint32_t Ip = 0;          // host order
    uint32_t Netmask = 0xFFFFFF00u;
    uint32_t Model = 1;       // 1..6; 0 announces an identifier no model has
    std::string User = "admin";
    std::string Password = "admin";
    bool LoggedIn = false;
    std::string Name;

    // Ping2
    uint32_t PowerAlarm = 0;
    uint32_t PortAlarm = 0;
    uint32_t LinkMask = 0;
    // IntpSip
    uint8_t SipFlag = 0;
    uint8_t SipWarning = 0;
    uint16_t SipValue = 0;

    // Per-feature state, keyed by the feature's Get code: handlers keep what a
    // Set wrote so that the next Get shows it.
    std::map<uint16_t, std::vector<uint8_t>> Store;
    // Anything else a handler family needs to keep.
    std::map<std::string, std::shared_ptr<void>> Extra;

    TSimFaults Faults;

    // A reboot keeps the switch silent for RebootMs: requests that arrive
    // before DownUntil are not answered.
    uint32_t RebootMs = 3000;
    std::chrono::steady_clock::time_point DownUntil{};

    // The product identifier this switch announces in its Find reply.
    uint32_t ProductId() const;
    // The model's sizes (ports, trunks, table entries); all zero for a
    // model the family does not have.
    const Intp::TDeviceTypeDesc& ModelDesc() const;
    uint32_t PortCount() const;
    uint32_t LogicalPortCount() const;
};

struct TSimRequest {
    uint16_t Command = 0;
    uint16_t Status = 0;
    uint16_t Length = 0;      // the header's body length field
    Intp::TMacAddr Mac;
    std::vector<uint8_t> Body;
    uint32_t SourceIp = 0;    // host order
    uint16_t SourcePort = 0;
    uint32_t DestIp = 0;      // host order: where the request was sent

    Intp::TBody View() const { return Intp::TBody(Body.data(), Body.size()); }
};

struct TSimReply {
    uint16_t Status = 0;
    std::vector<uint8_t> Body;
    uint32_t DelayMs = 0;
    uint32_t FromIp = 0;      // host order; 0: the switch's address when the request came
};

using THandler = std::function<std::vector<TSimReply>(TSimSwitch&, const TSimRequest&)>;

void RegisterHandler(uint16_t command, THandler handler);
// The handler of a command, or null.
const THandler* FindHandler(uint16_t command);

// True when the switch considers the console logged in; otherwise pushes a
// status-3 reply (4 zero bytes) to `out` and returns false.
bool RequireLogin(TSimSwitch& sw, std::vector<TSimReply>& out);

// A reply with a status and a body.
TSimReply Reply(uint16_t status, std::vector<uint8_t> body = std::vector<uint8_t>(4, 0));

struct TRegistrar {
    TRegistrar(uint16_t command, THandler handler) { RegisterHandler(command, std::move(handler)); }
};

} // namespace Sim

#define SIM_CONCAT_INNER(a, b) a##b
#define SIM_CONCAT(a, b) SIM_CONCAT_INNER(a, b)
#define SIM_HANDLER(command)                                                                                    \
    static std::vector<::Sim::TSimReply> SIM_CONCAT(SimHandler_, __LINE__)(::Sim::TSimSwitch & sw,             \
                                                                           const ::Sim::TSimRequest& req);      \
    static const ::Sim::TRegistrar SIM_CONCAT(SimRegistrar_, __LINE__)(command,                                 \
                                                                       &SIM_CONCAT(SimHandler_, __LINE__));     \
    static std::vector<::Sim::TSimReply> SIM_CONCAT(SimHandler_, __LINE__)(                                     \
        [[maybe_unused]] ::Sim::TSimSwitch & sw, [[maybe_unused]] const ::Sim::TSimRequest& req)
