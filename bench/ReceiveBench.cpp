// The receive dispatcher with many pending sessions, a stream of replies
// that each end a session and start the next, and building a Login.
#include "IntpProtocol.h"
#include "LibrarySetup.h"
#include "MainFormTimers.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <random>

namespace {

// Sends are dropped; timers are only counted.
class TBenchTransport : public Intp::TSessionCallback {
public:
    void CreateTimer(Intp::TSession*, unsigned) override { ++Timers; }
    void DeleteTimer(Intp::TSession*) override {}
    void EnableTimer(Intp::TSession*, bool) override {}
    void SendDatagram(uint32_t, const uint8_t*, size_t length) override { Bytes += length; }
    void Report(Intp::TDevice*, uint16_t, uint32_t, void*, Intp::TWizard*, const char*) override { ++Reports; }
    void SetTimeout(Intp::TSession*, unsigned) override {}
    size_t Timers = 0, Bytes = 0, Reports = 0;
};

Intp::TMacAddr BenchMac(uint32_t n)
{
    uint8_t b[6] = {0x02, 0x00, 0x00, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
    return Intp::TMacAddr(b);
}

// A Ping2 reader that takes every reply and keeps waiting (as a multi-datagram
// read does), so each iteration sees the same pending list.
class TWaitingPing2 final : public Intp::TSessionGeneral<6> {
public:
    const char* GetName() const override { return "Ping2"; }

protected:
    size_t MinReplyLength() const override { return 12; }
    int ParseReply(Intp::TDevice* device, const Intp::TPacketHeader&, Intp::TBody body) override
    {
        auto& rec = device->GetProperty<Intp::TPropertyIntpPing2>();
        rec.LinkMask = body.U32(8);
        rec.Valid = 1;
        return Intp::ReplyWaiting;
    }
};

// `pending` Ping2 sessions, each for its own switch; the reply is for the
// switch of the last-started one (a linear walk would pass every other
// session first). Goal: at most 100 ns per datagram at 10 000 pending.
void BM_ReceivePacket(benchmark::State& state)
{
    const auto pending = size_t(state.range(0));
    TBenchTransport transport;
    TestSupport::StartCleanLibrary(&transport);
    std::vector<Intp::TDevice*> switches;
    for (size_t i = 0; i < pending; ++i) {
        Intp::TDevice* d = TestSupport::AddSwitch(BenchMac(uint32_t(i + 1)), 1, 0xC0000000u + uint32_t(i + 1));
        switches.push_back(d);
        if (i + 1 < pending)
            Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpPing2>(1000), d, nullptr);
        else
            Intp::StartOwnedSession(std::make_unique<TWaitingPing2>(), d, nullptr);
    }
    Intp::TDevice* last = switches.back();
    std::vector<uint8_t> reply(24, 0);
    Intp::TPacketHeader{6, 0, 12, last->GetMac()}.Write(reply.data());
    Intp::PutBE32(reply.data() + 20, 0xFF);
    for (auto _ : state) {
        int r = Intp::ReceivePacket(last->GetIp(), reply.size(), reply.data());
        benchmark::DoNotOptimize(r);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    Intp::ReleaseLibrary();
}
BENCHMARK(BM_ReceivePacket)->Arg(1)->Arg(100)->Arg(1000)->Arg(10000);

// Keeps the session timers as the main window does, on a clock that moves
// 1 ms per reply, and starts the next read of a switch when one is reported.
class TTimedTransport final : public Intp::TSessionCallback {
public:
    void CreateTimer(Intp::TSession* s, unsigned ms) override { Timers.Create(s, ms, Now); }
    void DeleteTimer(Intp::TSession* s) override { Timers.Delete(s); }
    void EnableTimer(Intp::TSession* s, bool enable) override
    {
        Timers.Enable(s, enable, Now);
        int64_t deadline = 0;
        benchmark::DoNotOptimize(Timers.Earliest(deadline));
    }
    void SendDatagram(uint32_t, const uint8_t*, size_t length) override { Bytes += length; }
    void Report(Intp::TDevice* device, uint16_t, uint32_t, void*, Intp::TWizard*, const char*) override
    {
        Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpPing2>(1000), device, nullptr);
    }
    void SetTimeout(Intp::TSession* s, unsigned ms) override { Timers.SetInterval(s, ms, Now); }
    void PrefetchTimer(Intp::TSession* s, int step) override { Timers.Prefetch(s, step); }
    TSessionTimerQueue Timers;
    int64_t Now = 0;
    size_t Bytes = 0;
};

// One Ping2 pending per switch; the switches answer in a shuffled order and
// each reply ends its session, whose report starts the switch's next one
// (as the reads of a discovery follow each other), so every reply works on
// memory that the ones before it did not touch. The replies lie packed one
// after another, as the receiving thread hands a batch over, and are handed
// to the dispatcher as the window thread does: a slice at a time, each
// datagram announced a few ahead (Intp::PrefetchPacket).
void BM_ReplyChurn(benchmark::State& state)
{
    const auto count = size_t(state.range(0));
    constexpr size_t ReplyBytes = 24;
    TTimedTransport transport;
    transport.Timers.KeepPlaceInSessions();   // as the main window keeps them
    TestSupport::StartCleanLibrary(&transport);
    std::vector<uint32_t> order(count);
    for (size_t i = 0; i < count; ++i) {
        Intp::TDevice* d = TestSupport::AddSwitch(BenchMac(uint32_t(i + 1)), 1, 0xC0000000u + uint32_t(i + 1));
        Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpPing2>(1000), d, nullptr);
        order[i] = uint32_t(i);
    }
    std::shuffle(order.begin(), order.end(), std::mt19937(3));
    std::vector<uint8_t> replies(count * ReplyBytes, 0);
    for (size_t i = 0; i < count; ++i)
        Intp::TPacketHeader{6, 0, 12, BenchMac(order[i] + 1)}.Write(replies.data() + i * ReplyBytes);
    size_t next = 0;
    for (auto _ : state) {
        const size_t ahead = next + Intp::PrefetchDistance < count ? next + Intp::PrefetchDistance
                                                                  : next + Intp::PrefetchDistance - count;
        Intp::PrefetchPacket(ReplyBytes, replies.data() + ahead * ReplyBytes);
        ++transport.Now;
        int r = Intp::ReceivePacket(0xC0000001u, ReplyBytes, replies.data() + next * ReplyBytes);
        benchmark::DoNotOptimize(r);
        next = next + 1 == count ? 0 : next + 1;
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    Intp::ReleaseLibrary();
}
BENCHMARK(BM_ReplyChurn)->Arg(100)->Arg(1000)->Arg(10000)->Arg(100000);

// LoginDigest and Send of a Login request.
void BM_BuildLogin(benchmark::State& state)
{
    TBenchTransport transport;
    TestSupport::StartCleanLibrary(&transport);
    Intp::TDevice* d = Intp::GetDevice(BenchMac(1), true);
    d->SetIp(0xC0000201u);
    for (auto _ : state) {
        uint8_t digest[16];
        Intp::LoginDigest("admin", "admin", digest);
        Intp::TSessionIntpLogin login;
        login.SetDigest(digest);
        bool sent = login.Send(d);
        benchmark::DoNotOptimize(sent);
    }
    state.SetItemsProcessed(int64_t(state.iterations()));
    Intp::ReleaseLibrary();
}
BENCHMARK(BM_BuildLogin);

} // namespace

BENCHMARK_MAIN();
