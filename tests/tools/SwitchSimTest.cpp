// The library's sessions against the switch simulator over loopback.
#include "IntpProtocol.h"
#include "SimulatorFixture.h"

#include <gtest/gtest.h>

using namespace Intp;
using namespace TestSupport;

namespace {

class SwitchSim : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        Sim.AddSwitches(3, Loopback(2));   // models 1, 2, 3 at 127.0.0.2..4
        ASSERT_NO_FATAL_FAILURE(StartSimulator());
    }
    // The device of simulated switch `i`, known by MAC and address.
    TDevice* Device(size_t i) { return SimDevice(i); }
    // Starts a session and pumps until it reported.
    const TReport* Run(TSession* session, TDevice* device, unsigned ms = 2000)
    {
        size_t before = Transport->Reports.size();
        if (!StartSession(session, device, nullptr)) {
            delete session;
            return nullptr;
        }
        if (!Transport->PumpUntil([&] { return Transport->Reports.size() > before; }, ms))
            return nullptr;
        return &Transport->Reports.back();
    }
    TSession* Login(const char* user, const char* password) { return NewLogin(user, password); }
};

TEST_F(SwitchSim, FindCreatesEveryDeviceWithItsModelAndAddress)
{
    TRecordingWizard hook;
    SendFind(&hook, Loopback(255));
    ASSERT_TRUE(Transport->PumpUntil([&] { return hook.Events.size() >= 3; }, 2000));
    Transport->Pump(50);
    ASSERT_EQ(DeviceMap().size(), 3u);
    for (uint32_t i = 0; i < 3; ++i) {
        TDevice* d = GetDevice(Sim::SimMac(i + 1), false);
        ASSERT_NE(d, nullptr);
        EXPECT_EQ(d->GetType(), i + 1);
        EXPECT_EQ(d->GetIp(), Loopback(uint8_t(2 + i)));
    }
    for (auto& e : hook.Events)
        EXPECT_EQ(e.Status, 0);
}

TEST_F(SwitchSim, FindToOneAddressReachesOneSwitchAndUnknownModelGivesZero)
{
    Sim::TSimSwitch odd;
    odd.Mac = Sim::SimMac(0xFFFF);
    odd.Ip = Loopback(9);
    odd.Model = 0;
    Sim.AddSwitch(odd);
    TRecordingWizard hook;
    SendFind(&hook, Loopback(9));
    ASSERT_TRUE(Transport->PumpUntil([&] { return !hook.Events.empty(); }, 2000));
    Transport->Pump(50);
    ASSERT_EQ(DeviceMap().size(), 1u);
    TDevice* d = GetDevice(odd.Mac, false);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetType(), 0u);
    EXPECT_EQ(d->GetIp(), Loopback(9));
}

TEST_F(SwitchSim, FindToAnotherNetworksBroadcastIsNotAnswered)
{
    TRecordingWizard hook;
    SendFind(&hook, 0x7F0001FFu);   // 127.0.1.255: the switches are in 127.0.0.0/24
    Transport->Pump(150);
    EXPECT_TRUE(hook.Events.empty());
    EXPECT_TRUE(Sim.WaitForRequests(1, std::chrono::milliseconds(2000)));
    EXPECT_EQ(Sim.RepliesSent(), 0u);
}

TEST_F(SwitchSim, TruncatedFindReplyReportsShortAndSetsNoModel)
{
    Sim.With(0, [](Sim::TSimSwitch& sw) { sw.Faults.TruncateBody = 7; });
    TRecordingWizard hook;
    SendFind(&hook, Loopback(2));
    ASSERT_TRUE(Transport->PumpUntil([&] { return !hook.Events.empty(); }, 2000));
    EXPECT_EQ(hook.Events[0].Status, StatusShort);
    EXPECT_EQ(hook.Events[0].Device->GetType(), 0u);
}

TEST_F(SwitchSim, LoginWithRightAndWrongPassword)
{
    TDevice* d = Device(0);
    const TReport* r = Run(Login("admin", "admin"), d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, 0u);
    EXPECT_TRUE(d->IsLoggedIn());
    EXPECT_TRUE(Sim.With(0, [](Sim::TSimSwitch& sw) { return sw.LoggedIn; }));

    r = Run(Login("admin", "wrong"), d);
    ASSERT_NE(r, nullptr);
    EXPECT_NE(r->Status, 0u);
    EXPECT_FALSE(d->IsLoggedIn());
    EXPECT_FALSE(Sim.With(0, [](Sim::TSimSwitch& sw) { return sw.LoggedIn; }));

    // A changed password on the switch is honoured.
    Sim.With(0, [](Sim::TSimSwitch& sw) { sw.Password = "s3cret"; });
    r = Run(Login("admin", "s3cret"), d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, 0u);
    EXPECT_TRUE(d->IsLoggedIn());

    // Logging out: status 0 and the mark cleared.
    uint8_t zero[16] = {};
    auto* logout = new TSessionIntpLogin;
    logout->SetDigest(zero);
    r = Run(logout, d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, 0u);
    EXPECT_FALSE(d->IsLoggedIn());
}

TEST_F(SwitchSim, RefusedReplyClearsLoggedIn)
{
    TDevice* d = Device(1);
    ASSERT_NE(Run(Login("admin", "admin"), d), nullptr);
    ASSERT_TRUE(d->IsLoggedIn());
    Sim.With(1, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 3; });
    const TReport* r = Run(new TSessionIntpSipGet, d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, StatusRefused);
    EXPECT_FALSE(d->IsLoggedIn());
}

TEST_F(SwitchSim, Ping2ReadsTheAlarmsAndLinks)
{
    Sim.With(2, [](Sim::TSimSwitch& sw) {
        sw.PowerAlarm = 2;
        sw.PortAlarm = 0x81;
        sw.LinkMask = 0xF0;
    });
    TDevice* d = Device(2);
    const TReport* r = Run(new TSessionIntpPing2(1000), d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, 0u);
    auto& rec = GetPropertyIntpPing2(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.PowerAlarm, 2u);
    EXPECT_EQ(rec.PortAlarm, 0x81u);
    EXPECT_EQ(rec.LinkMask, 0xF0u);
}

TEST_F(SwitchSim, IntpSipFollowsTheWarning)
{
    TDevice* d = Device(0);
    Sim.With(0, [](Sim::TSimSwitch& sw) {
        sw.SipFlag = 1;
        sw.SipWarning = 1;
        sw.SipValue = 0x1234;
    });
    ASSERT_NE(Run(new TSessionIntpSipGet, d), nullptr);
    EXPECT_TRUE(d->TestFlags(DeviceFlagWarning));
    EXPECT_EQ(GetPropertyIntpSip(d).Value, 0x1234u);
    EXPECT_EQ(GetPropertyIntpSip(d).Flag, 1);
    Sim.With(0, [](Sim::TSimSwitch& sw) { sw.SipWarning = 0; });
    ASSERT_NE(Run(new TSessionIntpSipGet, d), nullptr);
    EXPECT_FALSE(d->TestFlags(DeviceFlagWarning));
}

TEST_F(SwitchSim, DroppedReplyTimesOut)
{
    TDevice* d = Device(0);
    Sim.With(0, [](Sim::TSimSwitch& sw) { sw.Faults.DropNext = 1; });
    const TReport* r = Run(new TSessionIntpPing2(150), d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, StatusTimeout);
    EXPECT_TRUE(SessionList().empty());
    // The next request is answered again.
    r = Run(new TSessionIntpPing2(1000), d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, 0u);
}

TEST_F(SwitchSim, DelayedReplyStillArrivesAndRequestsAreLogged)
{
    Sim::TSimFaults slow;
    slow.DelayMs = 100;
    Sim.SetGlobalFaults(slow);
    TDevice* d = Device(1);
    auto start = std::chrono::steady_clock::now();
    const TReport* r = Run(new TSessionIntpPing2(2000), d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, 0u);
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(90));
    auto log = Sim.Log();
    ASSERT_EQ(log.size(), 1u);
    EXPECT_EQ(log[0].Command, 6);
    EXPECT_EQ(log[0].DestIp, Loopback(3));
    EXPECT_EQ(log[0].Mac, Sim::SimMac(2));
    EXPECT_EQ(log[0].Body, std::vector<uint8_t>(4, 0));
}

TEST_F(SwitchSim, RequestToAnotherSwitchesAddressIsNotAnswered)
{
    TDevice* d = Device(0);
    d->SetIp(Loopback(3));   // switch 1's MAC at switch 2's address
    const TReport* r = Run(new TSessionIntpPing2(200), d);
    ASSERT_NE(r, nullptr);
    EXPECT_EQ(r->Status, StatusTimeout);
}

} // namespace
