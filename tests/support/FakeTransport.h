// A session transport for tests: records every datagram and report, and runs
// the sessions' timers on a manual clock.
#pragma once

#include "Intp.h"

#include <cstdint>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace TestSupport {

struct TSentDatagram {
    uint32_t Ip;
    std::vector<uint8_t> Bytes;
    uint64_t Time;   // manual clock, ms
    uint16_t Command() const { return Bytes.size() >= 2 ? Intp::GetBE16(Bytes.data()) : 0; }
    // The body, after the 12-byte header.
    std::vector<uint8_t> Body() const
    {
        return Bytes.size() > 12 ? std::vector<uint8_t>(Bytes.begin() + 12, Bytes.end()) : std::vector<uint8_t>{};
    }
};

struct TReport {
    Intp::TDevice* Device;
    uint16_t Command;
    uint32_t Status;
    void* Data;
    Intp::TWizard* Observer;
    std::string Name;
};

class TFakeTransport : public Intp::TSessionCallback {
public:
    TFakeTransport();
    ~TFakeTransport() override;

    void CreateTimer(Intp::TSession* session, unsigned milliseconds) override;
    void DeleteTimer(Intp::TSession* session) override;
    void EnableTimer(Intp::TSession* session, bool enable) override;
    void SendDatagram(uint32_t ip, const uint8_t* data, size_t length) override;
    void Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data, Intp::TWizard* observer,
                const char* name) override;
    void SetTimeout(Intp::TSession* session, unsigned milliseconds) override;

    // Moves the clock forward, firing every timer that falls due on the way
    // in time order; a repeating timer fires again each interval.
    void Advance(uint64_t ms);
    uint64_t Now() const { return m_Now; }

    bool HasTimer(const Intp::TSession* session) const { return m_Timers.count(session) != 0; }
    bool TimerEnabled(const Intp::TSession* session) const;
    unsigned TimerInterval(const Intp::TSession* session) const;
    size_t TimerCount() const { return m_Timers.size(); }

    std::vector<TSentDatagram> Sent;
    std::vector<TReport> Reports;
    // Called after each report is recorded (may start or end sessions).
    std::function<void(const TReport&)> OnReport;

private:
    struct TTimer {
        unsigned Interval;
        bool Enabled;
        uint64_t Due;
    };
    std::map<const Intp::TSession*, TTimer> m_Timers;
    uint64_t m_Now = 0;
};

// Records device observer calls.
class TFakeDeviceObserver : public Intp::TDeviceCallback {
public:
    struct TEvent {
        std::string Kind;   // "add", "remove", "flags", "ip", "type", "name"
        Intp::TDevice* Device;
        uint32_t Changed;
    };
    TFakeDeviceObserver();
    ~TFakeDeviceObserver() override;
    void OnDeviceAdd(Intp::TDevice* d) override { Events.push_back({"add", d, 0}); }
    void OnDeviceRemove(Intp::TDevice* d) override { Events.push_back({"remove", d, 0}); }
    void OnDeviceFlagsChange(Intp::TDevice* d, uint32_t changed) override { Events.push_back({"flags", d, changed}); }
    void OnDeviceIpChange(Intp::TDevice* d) override { Events.push_back({"ip", d, 0}); }
    void OnDeviceTypeChange(Intp::TDevice* d) override { Events.push_back({"type", d, 0}); }
    void OnDeviceNameChange(Intp::TDevice* d) override { Events.push_back({"name", d, 0}); }
    size_t Count(const std::string& kind) const;
    std::vector<TEvent> Events;
};

// Records the events a session reports to its requester.
class TRecordingWizard : public Intp::TWizard {
public:
    struct TEvent {
        Intp::TDevice* Device;
        int Command;
        uint16_t Status;
    };
    void OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void*) override
    {
        Events.push_back({device, command, status});
    }
    std::vector<TEvent> Events;
};

// Builds a reply datagram: header (command, status, mac) and body.
std::vector<uint8_t> MakeReply(uint16_t command, uint16_t status, const Intp::TMacAddr& mac,
                               const std::vector<uint8_t>& body);
Intp::TMacAddr Mac(uint8_t last, uint8_t first = 0x00);
std::string Hex(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> FromHex(const std::string& hex);

} // namespace TestSupport
