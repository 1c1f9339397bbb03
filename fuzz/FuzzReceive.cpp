// Feeds arbitrary datagrams to the receive dispatcher while sessions of every
// shape are pending. The input is split into datagrams at each "\xFF\xFE"
// pair; every datagram is copied into a buffer of its exact size so that a
// read past its end is caught.
#include "IntpProtocol.h"
#include "TestSessions.h"

#include <cstring>
#include <map>
#include <vector>

namespace {

// Timers on a manual clock; sends and reports are discarded.
class TFuzzTransport : public Intp::TSessionCallback {
public:
    void CreateTimer(Intp::TSession* s, unsigned ms) override
    {
        if (!Timers.count(s))
            Timers[s] = {ms ? ms : 60000, true, Now + (ms ? ms : 60000)};
    }
    void DeleteTimer(Intp::TSession* s) override { Timers.erase(s); }
    void EnableTimer(Intp::TSession* s, bool e) override
    {
        auto it = Timers.find(s);
        if (it == Timers.end())
            return;
        it->second.Enabled = e;
        if (e)
            it->second.Due = Now + it->second.Interval;
    }
    void SendDatagram(uint32_t, const uint8_t*, size_t) override {}
    void Report(Intp::TDevice*, uint16_t, uint32_t, void*, Intp::TWizard* observer, const char*) override {}
    void SetTimeout(Intp::TSession* s, unsigned ms) override
    {
        auto it = Timers.find(s);
        if (it != Timers.end())
            it->second.Interval = ms ? ms : 60000;
    }
    // Fires every timer due within `ms`.
    void Advance(uint64_t ms)
    {
        uint64_t end = Now + ms;
        for (;;) {
            Intp::TSession* next = nullptr;
            uint64_t due = end + 1;
            for (auto& [s, t] : Timers)
                if (t.Enabled && t.Due < due) {
                    due = t.Due;
                    next = s;
                }
            if (!next)
                break;
            Now = due;
            Timers[next].Due = Now + Timers[next].Interval;
            next->OnTimeout();
        }
        Now = end;
    }

    struct TTimer {
        unsigned Interval;
        bool Enabled;
        uint64_t Due;
    };
    std::map<Intp::TSession*, TTimer> Timers;
    uint64_t Now = 0;
};

class TNullDevices : public Intp::TDeviceCallback {
    void OnDeviceAdd(Intp::TDevice*) override {}
    void OnDeviceRemove(Intp::TDevice*) override {}
    void OnDeviceFlagsChange(Intp::TDevice*, uint32_t) override {}
    void OnDeviceIpChange(Intp::TDevice*) override {}
    void OnDeviceTypeChange(Intp::TDevice*) override {}
    void OnDeviceNameChange(Intp::TDevice*) override {}
};

Intp::TMacAddr FuzzMac(uint8_t last)
{
    uint8_t b[6] = {0x00, 0x11, 0x22, 0x33, 0x44, last};
    return Intp::TMacAddr(b);
}

void StartSessions(Intp::TDevice* d)
{
    auto* login = new Intp::TSessionIntpLogin;
    uint8_t digest[16];
    Intp::LoginDigest("admin", "admin", digest);
    login->SetDigest(digest);
    Intp::StartOwnedSession(std::unique_ptr<Intp::TSession>(login), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpPing2>(1000), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpSipGet>(), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<TestSupport::TSessionTestRows>(), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<TestSupport::TSessionTestGet>(), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<TestSupport::TSessionTestSet>(5), d, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TFuzzTransport transport;
    TNullDevices devices;
    Intp::SetSessionCallback(&transport);
    Intp::SetDeviceCallback(&devices);
    Intp::RegisterBuiltinModels();
    Intp::SendFind(nullptr, 0xC00002FFu);
    for (uint8_t i = 1; i <= 3; ++i) {
        Intp::TDevice* d = Intp::GetDevice(FuzzMac(i), true);
        d->SetType(i);
        d->SetIp(0xC0000200u + i);
        StartSessions(d);
        StartSessions(d);
    }

    size_t start = 0;
    int count = 0;
    for (size_t i = 0; i <= size; ++i) {
        bool cut = i == size || (i + 1 < size && data[i] == 0xFF && data[i + 1] == 0xFE);
        if (!cut)
            continue;
        std::vector<uint8_t> datagram(data + start, data + i);
        Intp::ReceivePacket(0xC0000201u + uint32_t(count % 4), datagram.size(), datagram.data());
        if (++count % 4 == 0)
            transport.Advance(700);   // some sessions time out between datagrams
        start = i + 2;
        if (i < size)
            ++i;
    }
    transport.Advance(120000);
    Intp::ReleaseLibrary();
    return 0;
}
