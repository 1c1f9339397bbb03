// System settings, basic commands, IP configuration and SNTP against the
// switch simulator over loopback.
#include "IntpBasics.h"
#include "IntpIpConf.h"
#include "IntpProtocol.h"
#include "IntpSntp.h"
#include "SimulatorFixture.h"

#include <gtest/gtest.h>

using namespace Intp;
using namespace TestSupport;

namespace {

class BasicsSim : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        Sim.AddSwitches(2, Loopback(2));
        Sim.With(0, [](Sim::TSimSwitch& sw) { sw.RebootMs = 300; });
        ASSERT_NO_FATAL_FAILURE(StartSimulator());
        Dev = SimDevice(0);
    }
    // Starts a session and pumps until `reports` more reports came; returns
    // the status of the first of them, or -1.
    long Run(TSession* session, size_t reports = 1)
    {
        size_t before = Transport->Reports.size();
        if (!StartSession(session, Dev, nullptr)) {
            delete session;
            return -1;
        }
        if (!Transport->PumpUntil([&] { return Transport->Reports.size() >= before + reports; }, 2000))
            return -1;
        return long(Transport->Reports[before].Status);
    }
    long Login() { return Run(NewLogin("admin", "admin")); }

    TDevice* Dev = nullptr;
};

TEST_F(BasicsSim, SettingsReadBackWhatWasWritten)
{
    // Not logged in: GetSys answers and says so; SetSys is refused.
    EXPECT_EQ(Run(new TSessionBasicsSettingsGet), 0);
    EXPECT_EQ(Dev->GetName(), "Switch-1");
    EXPECT_FALSE(Dev->IsLoggedIn());
    auto* sys = new TSessionBasicsSettingsSet;
    sys->SetValue({"edge-7", "Rack 4", "Hall B", "ops"});
    EXPECT_EQ(Run(sys), StatusRefused);

    ASSERT_EQ(Login(), 0);
    sys = new TSessionBasicsSettingsSet;
    sys->SetValue({"edge-7", "Rack 4", "Hall B", "ops"});
    EXPECT_EQ(Run(sys, 2), 0);   // SetSys, then its GetSys
    EXPECT_EQ(Transport->Reports.back().Name, "GetSys");
    auto& rec = GetPropertyBasicsSettings(Dev);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(Dev->GetName(), "edge-7");
    EXPECT_EQ(rec.Location, "Hall B");
    EXPECT_EQ(VersionText(rec.KernelVersion), "v2.05");
    EXPECT_TRUE(Dev->IsLoggedIn());

    TBasicsSntpValue time;
    time.Enabled = 1;
    time.TimeZone = 40;
    time.Server = Loopback(50);
    time.DstOffset = 60;
    auto* sntp = new TSessionBasicsSntpSet;
    sntp->SetValue(time);
    EXPECT_EQ(Run(sntp, 2), 0);
    auto& clock = GetPropertyBasicsSntp(Dev);
    EXPECT_EQ(clock.Valid, 1);
    EXPECT_EQ(clock.TimeZone, 40u);
    EXPECT_EQ(clock.Server, Loopback(50));
    EXPECT_EQ(clock.DstOffset, 60u);
    EXPECT_NE(clock.SwitchTime, SntpTimeUnknown);
}

TEST_F(BasicsSim, NetSetMovesTheSwitchAndTheReadFollowsIt)
{
    TBasicsIPConfValue v;
    LoginDigest("admin", "wrong", v.Digest);
    v.Ip = Loopback(20);
    v.Netmask = 0xFFFFFF00u;
    v.Gateway = Loopback(1);
    auto* set = new TSessionBasicsIPConfSet;
    set->SetValue(v);
    EXPECT_EQ(Run(set, 2), 1);   // wrong digest: refused, read back unchanged
    EXPECT_EQ(Dev->GetIp(), Loopback(2));

    LoginDigest("admin", "admin", v.Digest);
    Dev->SetIp(0);   // an unknown address is no obstacle: the request is broadcast
    set = new TSessionBasicsIPConfSet;
    set->SetValue(v);
    EXPECT_EQ(Run(set, 2), 0);
    EXPECT_EQ(Transport->Sent.back().Ip, Loopback(20));   // the follow-up NetGet
    EXPECT_EQ(Dev->GetIp(), Loopback(20));
    auto& rec = GetPropertyBasicsIPConf(Dev);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Gateway, Loopback(1));
    EXPECT_EQ(Sim.With(0, [](Sim::TSimSwitch& sw) { return sw.Ip; }), Loopback(20));
}

TEST_F(BasicsSim, DefaultWithRebootSilencesTheSwitchForAWhile)
{
    ASSERT_EQ(Login(), 0);
    auto* def = new TSessionBasicsDefault;
    def->SetKeepFlags(DefaultKeepIp);
    def->SetReboot(1);
    EXPECT_EQ(Run(def, 2), 0);   // Default, then Reboot
    EXPECT_EQ(Transport->Reports.back().Name, "Reboot");
    EXPECT_EQ(Transport->Reports.back().Status, 0u);
    EXPECT_EQ(Dev->GetIp(), 0u);
    EXPECT_EQ(Run(new TSessionBasicsSettingsGet), -1);   // refused: no address

    // While rebooting the switch answers nothing, afterwards it does.
    TRecordingWizard hook;
    SendFind(&hook, Loopback(2));
    Transport->Pump(100);
    EXPECT_TRUE(hook.Events.empty());
    Transport->Pump(300);
    SendFind(&hook, Loopback(2));
    ASSERT_TRUE(Transport->PumpUntil([&] { return !hook.Events.empty(); }, 2000));
    EXPECT_EQ(Dev->GetIp(), Loopback(2));
    EXPECT_EQ(Run(new TSessionBasicsSettingsGet), 0);
    EXPECT_FALSE(Dev->IsLoggedIn());   // the reboot ended the login
}

} // namespace
