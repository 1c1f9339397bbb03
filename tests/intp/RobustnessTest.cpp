// Hostile and malformed datagrams, and releasing the library.
#include "IntpProtocol.h"
#include "LibraryFixture.h"
#include "TestSessions.h"

#include <algorithm>
#include <cstring>
#include <random>

using namespace Intp;
using namespace TestSupport;

namespace {

class Robustness : public LibraryTest {
protected:
    void StartMany(const std::vector<TDevice*>& devices, int perDevice)
    {
        for (TDevice* d : devices)
            for (int i = 0; i < perDevice; ++i) {
                auto* login = new TSessionIntpLogin;
                uint8_t digest[16] = {1};
                login->SetDigest(digest);
                ASSERT_TRUE(StartSession(login, d, nullptr));
                ASSERT_TRUE(StartSession(new TSessionIntpPing2(500 + 100 * i), d, nullptr));
                ASSERT_TRUE(StartSession(new TSessionIntpSipGet, d, nullptr));
                ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
                ASSERT_TRUE(StartSession(new TSessionTestGet, d, nullptr));
            }
    }
};

TEST_F(Robustness, RandomTruncatedAndOversizedDatagrams)
{
    std::vector<TDevice*> devices;
    for (uint8_t i = 1; i <= 4; ++i)
        devices.push_back(AddDevice(i, i));
    StartMany(devices, 5);
    SendFind(nullptr, 0xC00002FFu);
    const uint16_t commands[] = {0, 2, 6, 7, 0x7F01, 0x7F03, 0x7F04, 0x1234};
    std::mt19937 rng(12345);
    for (int round = 0; round < 20000; ++round) {
        size_t length = rng() % 8 == 0 ? rng() % 70000 : rng() % 80;
        // An exactly sized heap buffer: a read past its end is caught.
        std::vector<uint8_t> d(length);
        for (auto& b : d)
            b = uint8_t(rng());
        if (length >= 12 && rng() % 4 != 0) {
            PutBE16(d.data(), commands[rng() % 8]);
            PutBE16(d.data() + 2, uint16_t(rng() % 5));
            uint8_t mac[6] = {0x00, 0x11, 0x22, 0x33, 0x44, uint8_t(1 + rng() % 5)};
            std::memcpy(d.data() + 6, mac, 6);
        }
        if (length >= 14 && rng() % 3 == 0)
            PutBE16(d.data() + 12, uint16_t(rng() % 9));   // plausible row counts
        int r = ReceivePacket(uint32_t(rng()), d.size(), d.data());
        EXPECT_TRUE(r == 0 || r == 2);
        if (round % 1000 == 999) {
            Transport->Advance(400);
            std::vector<TDevice*> live;
            for (TDevice* dev : devices)
                if (GetDevice(dev->GetMac(), false) == dev)
                    live.push_back(dev);
            StartMany(live, 1);
        }
    }
    // Every pending session is listed once.
    std::vector<TSession*> list(SessionList().begin(), SessionList().end());
    std::sort(list.begin(), list.end());
    EXPECT_EQ(std::unique(list.begin(), list.end()), list.end());
    Transport->Advance(120000);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Robustness, EveryTruncationOfAGoodReply)
{
    TDevice* d = AddDevice(1);
    auto full = MakeReply(0x7F01, 0, d->GetMac(), RowsBody({1, 2, 3}));
    for (size_t n = 0; n <= full.size(); ++n) {
        ASSERT_TRUE(StartSession(new TSessionTestRows, d, nullptr));
        std::vector<uint8_t> cut(full.begin(), full.begin() + long(n));
        ReceivePacket(d->GetIp(), cut.size(), cut.data());
        if (n < 12)
            Transport->Advance(60000);   // dropped; the read times out
        EXPECT_TRUE(SessionList().empty()) << n;
        EXPECT_EQ(d->GetProperty<TPropertyTestRows>().Valid, n == full.size() ? 1 : 0) << n;
    }
}

// Device and session observers that must hear nothing once released.
struct TClosedDeviceObserver : TFakeDeviceObserver {
    bool Closed = false;
    int CallsAfterClose = 0;
    void OnDeviceRemove(TDevice* d) override { CallsAfterClose += Closed; }
    void OnDeviceFlagsChange(TDevice*, uint32_t) override { CallsAfterClose += Closed; }
};
struct TClosedTransport : TFakeTransport {
    bool Closed = false;
    int CallsAfterClose = 0;
    void DeleteTimer(TSession* s) override
    {
        CallsAfterClose += Closed;
        TFakeTransport::DeleteTimer(s);
    }
    void EnableTimer(TSession* s, bool e) override
    {
        CallsAfterClose += Closed;
        TFakeTransport::EnableTimer(s, e);
    }
    void Report(TDevice* d, uint16_t c, uint32_t s, void* data, TWizard* o, const char* n) override
    {
        CallsAfterClose += Closed;
        TFakeTransport::Report(d, c, s, data, o, n);
    }
};

TEST(ReleaseLibrary, NeverCallsBackIntoClosedObservers)
{
    ReleaseLibrary();
    RegisterBuiltinModels();
    TClosedTransport transport;
    TClosedDeviceObserver observer;
    TRecordingWizard wizard;
    TDevice* d = GetDevice(Mac(1), true);
    d->SetIp(0xC0000201u);
    d->SetLoggedIn(true);
    d->SetIp(0xC0000201u);   // requests need a known address
    ASSERT_TRUE(StartSession(new TSessionIntpPing2(1000), d, &wizard));
    ASSERT_TRUE(StartSession(new TSessionTestRows, d, &wizard));
    SendFind(&wizard, 0xC00002FFu);
    transport.Closed = observer.Closed = true;
    ReleaseLibrary();
    EXPECT_EQ(transport.CallsAfterClose, 0);
    EXPECT_EQ(observer.CallsAfterClose, 0);
    EXPECT_TRUE(wizard.Events.empty());
    EXPECT_TRUE(SessionList().empty());
    EXPECT_TRUE(DeviceMap().empty());
    EXPECT_TRUE(TypeVector().empty());
    EXPECT_EQ(GetSessionCallback(), nullptr);
    EXPECT_EQ(GetDeviceCallback(), nullptr);
    // A Find reply after release reaches no old observer.
    RegisterBuiltinModels();
    auto reply = MakeReply(0, 0, Mac(2), std::vector<uint8_t>(8, 0));
    EXPECT_EQ(ReceivePacket(1, reply.size(), reply.data()), 0);
    EXPECT_TRUE(wizard.Events.empty());
    ReleaseLibrary();
}

} // namespace
