// A set of simulated switches behind one UDP socket.
//
// The simulator receives every request on one socket (learning each
// datagram's destination address with IP_PKTINFO), decides which switches it
// is for, runs their handlers and sends each reply from the replying switch's
// own address. On loopback the switches live at 127.0.0.x; in a network
// namespace at addresses added to its interface.
//
// Which switches answer:
// - a Find (all-zero MAC address) sent to the limited broadcast address or
//   to 0.0.0.0: every switch; sent to a directed broadcast address: the
//   switches of that network; sent to a unicast address: the switch there;
// - any other request: the switch with the header's MAC address, when the
//   request was sent to its address or to a broadcast address.
#pragma once

#include "SimSwitch.h"

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

namespace Sim {

struct TSimLogEntry {
    std::chrono::system_clock::time_point Time;
    uint32_t SourceIp = 0;
    uint16_t SourcePort = 0;
    uint32_t DestIp = 0;
    uint16_t Command = 0;
    uint16_t Status = 0;
    Intp::TMacAddr Mac;
    std::vector<uint8_t> Body;
    size_t Length = 0;        // whole datagram
};

class TSimulator {
public:
    TSimulator();
    ~TSimulator();
    TSimulator(const TSimulator&) = delete;
    TSimulator& operator=(const TSimulator&) = delete;

    // Adds a switch; returns its index. Safe while running. A switch's MAC
    // address stays as it was added.
    size_t AddSwitch(const TSimSwitch& sw);
    // Adds `count` switches of model 1..6 (cycling from `firstModel`) at
    // consecutive addresses from `firstIp`, MAC 02:00:00:00:xx:yy.
    void AddSwitches(size_t count, uint32_t firstIp, uint32_t firstModel = 1);
    size_t SwitchCount() const;

    // Access to the switches: hold the lock while the simulator runs.
    std::unique_lock<std::mutex> Lock() const { return std::unique_lock<std::mutex>(m_Mutex); }
    TSimSwitch& Switch(size_t index) { return m_Switches.at(index); }
    // Runs `fn` on one switch with the lock held.
    template <class F>
    auto With(size_t index, F&& fn)
    {
        auto lock = Lock();
        return fn(m_Switches.at(index));
    }

    // Faults applied to every switch's replies, on top of each switch's own.
    void SetGlobalFaults(const TSimFaults& faults);
    void SetSeed(uint32_t seed);

    // Binds the socket (host-order address, port 0 = a free port) and starts
    // the thread. False (with a message in LastError) when the socket cannot
    // be bound.
    bool Start(uint32_t bindIp, uint16_t port);
    void Stop();
    bool Running() const { return m_Thread.joinable(); }
    uint16_t Port() const { return m_Port; }
    const std::string& LastError() const { return m_Error; }

    // Every request received, in order (a copy).
    std::vector<TSimLogEntry> Log() const;
    void ClearLog();
    // Waits until at least `count` requests were received.
    bool WaitForRequests(size_t count, std::chrono::milliseconds timeout) const;
    // Also appends each request to a text file (one line each).
    bool SetLogFile(const std::string& path);
    // Replies sent so far.
    size_t RepliesSent() const;

private:
    struct TPending {
        std::chrono::steady_clock::time_point Due;
        uint32_t FromIp;
        uint32_t ToIp;
        uint16_t ToPort;
        std::vector<uint8_t> Datagram;
    };

    void Run();
    void Handle(const uint8_t* data, size_t length, uint32_t srcIp, uint16_t srcPort, uint32_t dstIp);
    bool Addressed(const TSimSwitch& sw, const TSimRequest& req) const;
    void Queue(TSimSwitch& sw, uint32_t fromIp, const TSimRequest& req, TSimReply reply);
    bool TakeDrop(TSimFaults& faults);
    void SendDue();
    void SendNow(const TPending& p);
    // The switches with this MAC address, in index order.
    const std::vector<size_t>& SwitchesWithMac(const Intp::TMacAddr& mac);

    mutable std::mutex m_Mutex;
    mutable std::condition_variable m_LogChanged;
    std::vector<TSimSwitch> m_Switches;
    // Switch indices by MAC address, for m_Indexed switches.
    std::unordered_map<uint64_t, std::vector<size_t>> m_ByMac;
    size_t m_Indexed = 0;
    TSimFaults m_Global;
    std::mt19937 m_Random{1};
    std::vector<TSimLogEntry> m_Log;
    std::FILE* m_LogFile = nullptr;
    std::vector<TPending> m_Pending;
    size_t m_RepliesSent = 0;

    int m_Socket = -1;
    int m_WakePipe[2] = {-1, -1};
    uint16_t m_Port = 0;
    std::string m_Error;
    std::thread m_Thread;
    bool m_Stop = false;
};

// "02:00:00:00:xx:yy" for switch number n.
Intp::TMacAddr SimMac(uint32_t n);

} // namespace Sim
