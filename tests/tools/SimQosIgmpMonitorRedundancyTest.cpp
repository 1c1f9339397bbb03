// QoS, IGMP/LLDP, monitoring and redundancy sessions against the switch
// simulator over loopback: a Get after a Set shows what was written, and
// tables arrive split at their thresholds.
#include "IntpIgmpLldp.h"
#include "IntpMonitor.h"
#include "IntpProtocol.h"
#include "IntpQos.h"
#include "IntpRedundancy.h"
#include "SimulatorFixture.h"
#include "handlers/SimTables.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Intp;
using namespace TestSupport;

namespace {

class SimFeatures : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        Sim.AddSwitches(2, Loopback(2));
        ASSERT_NO_FATAL_FAILURE(StartSimulator());
        for (uint32_t i = 0; i < 2; ++i) {
            Dev[i] = SimDevice(i, 1);
            ASSERT_EQ(RunFor(NewLogin("admin", "admin"), Dev[i], 2), 0u);
        }
    }
    // A Set, then the Get its reply starts.
    uint32_t SetThenGet(TSession* set, TDevice* device, uint16_t setCode, uint16_t getCode)
    {
        size_t before = Transport->Reports.size();
        uint32_t status = RunFor(set, device, setCode);
        if (status != 0)
            return status;
        return WaitFor(device, getCode, before);
    }

    TDevice* Dev[2] = {};
};

TEST_F(SimFeatures, SettingsRoundTripPerSwitchAndTablesSplitAtThresholds)
{
    // Settings written to switch 1 come back from it and not from switch 2.
    auto* cos = new TSessionQosCosSet;
    ASSERT_TRUE(cos->SetData(std::vector<uint8_t>{0, 0, 1, 1, 2, 2, 3, 3, 7, 6, 5, 4, 3, 2, 1, 0}, 8));
    ASSERT_EQ(SetThenGet(cos, Dev[0], 0x0505, 0x0504), 0u);
    EXPECT_EQ(GetPropertyQosCos(Dev[0]).DefaultPriority[0], 7u);
    ASSERT_EQ(RunFor(new TSessionQosCosGet, Dev[1], 0x0504), 0u);
    EXPECT_EQ(GetPropertyQosCos(Dev[1]).DefaultPriority[0], 0u);

    auto* lldp = new TSessionLldpSet;
    lldp->SetData({1, 0, 300});
    ASSERT_EQ(SetThenGet(lldp, Dev[0], 0x0B01, 0x0B00), 0u);
    EXPECT_EQ(GetPropertyLldp(Dev[0]).Interval, 300u);

    auto* mirror = new TSessionMonitorMirrorSet;
    mirror->SetData({3, 4, 0x81, 0x02});
    ASSERT_EQ(SetThenGet(mirror, Dev[0], 0x0A05, 0x0A04), 0u);
    EXPECT_EQ(GetPropertyMonitorMirror(Dev[0]).SourceRxMask, 0x81u);
    EXPECT_EQ(GetPropertyMonitorMirror(Dev[0]).DestTx, 4u);

    auto* ring = new TSessionRedundancyQloopSet;
    ring->SetData({1, 1, 6, 7, 0, 0, 0, 0, 0});
    ASSERT_EQ(SetThenGet(ring, Dev[0], 0x0301, 0x0300), 0u);
    EXPECT_EQ(GetPropertyRedundancyQloop(Dev[0]).SecondRingPort, 7u);
    ASSERT_EQ(RunFor(new TSessionRedundancyGet, Dev[0], 0x0307), 0u);
    EXPECT_EQ(GetPropertyRedundancy(Dev[0]).Mode, RedundancyModeRing);

    std::vector<uint8_t> rstp(70, 0);
    rstp[0] = 1;
    uint16_t priority = 4096;
    std::memcpy(rstp.data() + 1, &priority, 2);
    rstp[3] = 20, rstp[4] = 2, rstp[5] = 15;
    uint32_t cost = 123456;
    std::memcpy(rstp.data() + 6, &cost, 4);
    auto* rstpSet = new TSessionRedundancyRstpSet;
    ASSERT_TRUE(rstpSet->SetData(rstp, 8));
    ASSERT_EQ(SetThenGet(rstpSet, Dev[0], 0x0303, 0x0302), 0u);
    EXPECT_EQ(GetPropertyRedundancyRstp(Dev[0]).BridgePriority, 4096u);
    EXPECT_EQ(GetPropertyRedundancyRstp(Dev[0]).Ports[0].PathCost, 123456u);
    ASSERT_EQ(RunFor(new TSessionRedundancyRstpInfoGet, Dev[0], 0x0304), 0u);
    EXPECT_EQ(GetPropertyRedundancyRstpInfo(Dev[0]).RootPort, RstpRootPortSelf);

    // Tables: IGMP 64 + 64 + 2 rows, MAC 128 + 128 + 0, events 5 + 0.
    Sim.With(0, [](Sim::TSimSwitch& sw) {
        sw.Store[0x0602].assign(130 * 10, 0);
        for (size_t i = 0; i < 130; ++i)
            Intp::PutBE16(sw.Store[0x0602].data() + i * 10 + 8, uint16_t(i));
        sw.Store[0x0A00].assign(256 * 8, 0);
        for (size_t i = 0; i < 256; ++i)
            sw.Store[0x0A00][i * 8] = uint8_t(i % 12);
        sw.Store[0x0A06].assign(5 * 256, 'e');
    });
    ASSERT_EQ(RunFor(new TSessionIgmpTable, Dev[0], 0x0602), 0u);
    auto& igmp = Dev[0]->GetProperty<TPropertyIgmpTable>();
    ASSERT_EQ(igmp.Rows.size(), 130u);
    EXPECT_EQ(igmp.Rows[129].VlanId, 129);
    ASSERT_EQ(RunFor(new TSessionMonitorMacGet, Dev[0], 0x0A00), 0u);
    EXPECT_EQ(GetPropertyMonitorMac(Dev[0]).Entries.size(), 256u);
    ASSERT_EQ(RunFor(new TSessionMonitorEventGet, Dev[0], 0x0A06), 0u);
    ASSERT_EQ(GetPropertyMonitorEvent(Dev[0]).Rows.size(), 5u);
    EXPECT_EQ(GetPropertyMonitorEvent(Dev[0]).Rows[4].First, std::string(128, 'e'));

    // A failing status in the second IGMP datagram empties the table.
    Sim.With(0, [](Sim::TSimSwitch& sw) { Sim::SetRowListFault(sw, 0x0602, 1, 0x0042); });
    EXPECT_EQ(RunFor(new TSessionIgmpTable, Dev[0], 0x0602), 0x0042u);
    EXPECT_EQ(igmp.Valid, 0);
    EXPECT_TRUE(igmp.Rows.empty());

    // Clearing the MAC table leaves an empty, valid table.
    ASSERT_EQ(SetThenGet(new TSessionMonitorMacClear, Dev[0], 0x0A01, 0x0A00), 0u);
    EXPECT_EQ(GetPropertyMonitorMac(Dev[0]).Valid, 1);
    EXPECT_TRUE(GetPropertyMonitorMac(Dev[0]).Entries.empty());

    // A switch that forgot the login refuses; its 4-byte refusal is short
    // for a TOS reply, so that Get reports 2 and leaves the login alone.
    Sim.With(1, [](Sim::TSimSwitch& sw) { sw.LoggedIn = false; });
    EXPECT_EQ(RunFor(new TSessionQosTosGet, Dev[1], 0x0506), StatusShort);
    EXPECT_TRUE(Dev[1]->IsLoggedIn());
    EXPECT_EQ(RunFor(new TSessionLldpGet, Dev[1], 0x0B00), StatusRefused);
    EXPECT_FALSE(Dev[1]->IsLoggedIn());
}

} // namespace
