// A session transport over a real UDP socket on loopback, for tests against
// the switch simulator: datagrams go to a configurable port instead of 1638,
// timers run on the steady clock, and Pump() receives datagrams and fires
// due timers on the calling thread.
#pragma once

#include "FakeTransport.h"

#include <chrono>
#include <functional>
#include <map>
#include <vector>

namespace TestSupport {

class TUdpTransport : public Intp::TSessionCallback {
public:
    // Binds 127.0.0.1 on a free port; requests go to `destPort`.
    explicit TUdpTransport(uint16_t destPort);
    ~TUdpTransport() override;

    bool Ok() const { return m_Socket >= 0; }
    uint16_t LocalPort() const { return m_LocalPort; }

    void CreateTimer(Intp::TSession* session, unsigned milliseconds) override;
    void DeleteTimer(Intp::TSession* session) override;
    void EnableTimer(Intp::TSession* session, bool enable) override;
    void SendDatagram(uint32_t ip, const uint8_t* data, size_t length) override;
    void Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data, Intp::TWizard* observer,
                const char* name) override;
    void SetTimeout(Intp::TSession* session, unsigned milliseconds) override;

    // Receives and dispatches datagrams and fires due timers for `ms`.
    void Pump(unsigned ms);
    // Pumps until `done` is true or `ms` have passed; returns `done()`.
    bool PumpUntil(const std::function<bool()>& done, unsigned ms);

    // Non-zero: no session timer runs longer than this (a test of a time-out
    // need not wait the library's minute).
    unsigned MaxTimerMs = 0;

    std::vector<TSentDatagram> Sent;
    std::vector<TReport> Reports;
    size_t Received = 0;

private:
    using TClock = std::chrono::steady_clock;
    struct TTimer {
        unsigned Interval;
        bool Enabled;
        TClock::time_point Due;
    };
    bool PumpOnce(TClock::time_point deadline);
    void FireDueTimers();

    int m_Socket = -1;
    uint16_t m_DestPort;
    uint16_t m_LocalPort = 0;
    std::map<const Intp::TSession*, TTimer> m_Timers;
};

} // namespace TestSupport
