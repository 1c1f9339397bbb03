// DHCP and port features against the switch simulator over loopback.
#include "IntpDhcp.h"
#include "IntpPort.h"
#include "SimulatorFixture.h"
#include "handlers/SimDhcp.h"
#include "handlers/SimTableFault.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Intp;
using namespace TestSupport;

namespace {

class PortDhcpSim : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        Sim.AddSwitches(1, Loopback(2));
        Sim.With(0, [](Sim::TSimSwitch& sw) { sw.LoggedIn = true; });
        ASSERT_NO_FATAL_FAILURE(StartSimulator());
        Dev = SimDevice(0, 1);
    }
    // Starts a session and pumps until the pending list is empty; returns
    // the report of `command`.
    uint32_t Run(TSession* session, uint16_t command)
    {
        EXPECT_TRUE(StartSession(session, Dev, nullptr));
        EXPECT_TRUE(Transport->PumpUntil([] { return SessionList().empty(); }, 3000));
        // Datagrams of a table read that failed early may still be on the
        // way; they must not reach the next read.
        Transport->Pump(20);
        for (auto it = Transport->Reports.rbegin(); it != Transport->Reports.rend(); ++it)
            if (it->Command == command)
                return it->Status;
        return 0xDEAD;
    }
    void Fault(uint16_t command, Sim::TTableFault fault)
    {
        Sim.With(0, [&](Sim::TSimSwitch& sw) { Sim::SetTableFault(sw, command, fault); });
    }

    TDevice* Dev = nullptr;
};

TEST_F(PortDhcpSim, DhcpClientTableAtEachThreshold)
{
    auto& rec = GetPropertyBasicsDhcpEntry(Dev);
    for (size_t count : {0u, 31u, 32u, 40u, 64u}) {
        Sim.With(0, [&](Sim::TSimSwitch& sw) { Sim::SetDhcpEntryCount(sw, count); });
        EXPECT_EQ(Run(new TSessionBasicsDhcpEntry, 0x0112), 0u) << count;
        EXPECT_EQ(rec.Rows.size(), count);
        EXPECT_EQ(rec.Valid, 1);
    }
    EXPECT_EQ(rec.Rows[63].Ip, 0xC0A80040u);
    Fault(0x0112, Sim::TTableFault::OutOfRange);
    EXPECT_EQ(Run(new TSessionBasicsDhcpEntry, 0x0112), StatusTableError);
    EXPECT_TRUE(rec.Rows.empty());
    Fault(0x0112, Sim::TTableFault::Short);
    EXPECT_EQ(Run(new TSessionBasicsDhcpEntry, 0x0112), StatusShort);
}

TEST_F(PortDhcpSim, DhcpSetThenGet)
{
    auto* set = new TSessionBasicsDhcpSet;
    TBasicsDhcpRequest req;
    req.ServerEnabled = 1;
    req.StartIp = 0x0A000010;
    req.EndIp = 0x0A000020;
    req.Netmask = 0xFFFFFF00;
    req.LeaseTime = 600;
    set->SetValue(req);
    // The Set's reply starts the Get.
    EXPECT_EQ(Run(set, 0x0110), 0u);
    auto& rec = GetPropertyBasicsDhcp(Dev);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.ServerEnabled, 1);
    EXPECT_EQ(rec.EndIp, 0x0A000020u);
    EXPECT_EQ(rec.LeaseTime, 600u);

    uint32_t ips[8] = {1, 2, 3, 4, 5, 6, 7, 8};
    auto* portSet = new TSessionBasicsDhcpPortIpSet;
    portSet->SetValue(ips, 8);
    EXPECT_EQ(Run(portSet, 0x0113), 0u);
    EXPECT_EQ(GetPropertyBasicsDhcpPortIp(Dev).Addresses, std::vector<uint32_t>(ips, ips + 8));
    Fault(0x0113, Sim::TTableFault::TooManyRows);
    EXPECT_EQ(Run(new TSessionBasicsDhcpPortIpGet, 0x0113), StatusTableError);
}

TEST_F(PortDhcpSim, PortTablesAndTheirFaults)
{
    EXPECT_EQ(Run(new TSessionPortNameGet, 0x0200), 0u);
    EXPECT_EQ(GetPropertyPortName(Dev).Names[8], "Trunk1");

    uint8_t config[4 + 5] = {0, 0, 0, 0, 3, 0, 5, 1, 1};
    auto* set = new TSessionPortConfigSet;
    ASSERT_TRUE(set->SetData(config, sizeof config, 1));
    EXPECT_EQ(Run(set, 0x0201), 0u);
    auto& rec = GetPropertyPortConfig(Dev);
    EXPECT_EQ(rec.Count, 12u);
    EXPECT_EQ(rec.Rows[3].State, 0u);
    EXPECT_EQ(rec.Rows[3].Speed, 5u);
    EXPECT_EQ(rec.Rows[3].Security, 1u);

    Fault(0x0201, Sim::TTableFault::TooManyRows);
    EXPECT_EQ(Run(new TSessionPortConfigGet, 0x0201), StatusTableError);
    Fault(0x0201, Sim::TTableFault::OutOfRange);
    EXPECT_EQ(Run(new TSessionPortConfigGet, 0x0201), StatusRangeError);
    Fault(0x0201, Sim::TTableFault::Short);
    EXPECT_EQ(Run(new TSessionPortConfigGet, 0x0201), StatusShort);
    Fault(0x0203, Sim::TTableFault::TooManyRows);
    EXPECT_EQ(Run(new TSessionPortStatusGet, 0x0203), StatusTableError);
    Fault(0x0204, Sim::TTableFault::OutOfRange);
    EXPECT_EQ(Run(new TSessionPortLimitGet, 0x0204), StatusRangeError);

    uint8_t trunks[20] = {};
    uint32_t mask = 0x30;
    std::memcpy(trunks + 5, &mask, 4);
    trunks[9] = 1;
    auto* trunkSet = new TSessionPortTrunkSet;
    ASSERT_TRUE(trunkSet->SetData(trunks, sizeof trunks, 4));
    EXPECT_EQ(Run(trunkSet, 0x0206), 0u);
    EXPECT_EQ(GetPropertyPortTrunk(Dev).Rows[1].Mask, 0x30u);
    EXPECT_EQ(GetPropertyPortTrunk(Dev).Rows[1].Type, 1);
    Fault(0x0206, Sim::TTableFault::Conflict);
    EXPECT_EQ(Run(new TSessionPortTrunkGet, 0x0206), StatusConflict);
    Fault(0x0206, Sim::TTableFault::OutOfRange);
    EXPECT_EQ(Run(new TSessionPortTrunkGet, 0x0206), StatusRangeError);
}

} // namespace
