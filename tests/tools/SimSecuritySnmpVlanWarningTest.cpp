// Security, SNMP, VLAN and warning sessions against the switch simulator
// over loopback: a Get after a Set shows what was written, and long tables
// arrive in several datagrams.
#include "IntpProtocol.h"
#include "IntpSecurity.h"
#include "IntpSnmp.h"
#include "IntpVlan.h"
#include "IntpWarning.h"
#include "SimulatorFixture.h"

#include <gtest/gtest.h>

using namespace Intp;
using namespace TestSupport;

namespace {

class SimSecuritySnmpVlanWarning : public SimulatorTest {
protected:
    void SetUp() override
    {
        SimulatorTest::SetUp();
        Sim.AddSwitches(2, Loopback(2));
        ASSERT_NO_FATAL_FAILURE(StartSimulator());
        for (size_t i = 0; i < 2; ++i) {
            Dev[i] = SimDevice(i, uint32_t(i + 1));
            Dev[i]->SetLoggedIn(true);
            Sim.With(i, [](Sim::TSimSwitch& sw) { sw.LoggedIn = true; });
        }
    }

    TDevice* Dev[2] = {};
};

TEST_F(SimSecuritySnmpVlanWarning, SecuritySettingsAndLists)
{
    TPropertySecurity8021x radius;
    radius.Enabled = 1;
    radius.RadiusServer = 0xC0000201;
    radius.ServerPort = 1645;
    radius.SharedKey = std::string(32, 'k');
    auto* set = new TSessionSecurity8021xSet;
    set->SetData(radius);
    ASSERT_EQ(RunFor(set, Dev[0], 0x0808), 0u);   // the Set's follow-up read
    EXPECT_EQ(GetPropertySecurity8021x(Dev[0]).Valid, 1);
    EXPECT_EQ(GetPropertySecurity8021x(Dev[0]).RadiusServer, 0xC0000201u);
    EXPECT_EQ(GetPropertySecurity8021x(Dev[0]).SharedKey, std::string(32, 'k'));
    ASSERT_EQ(RunFor(new TSessionSecurity8021xGet, Dev[1], 0x0808), 0u);
    EXPECT_EQ(GetPropertySecurity8021x(Dev[1]).RadiusServer, 0u);   // per switch

    // 130 blacklisted addresses: a full datagram of 128, then 2.
    Sim.With(0, [](Sim::TSimSwitch& sw) {
        for (int i = 0; i < 130; ++i) {
            uint8_t mac[6] = {2, 0, 0, 0, uint8_t(i >> 8), uint8_t(i)};
            sw.Store[0x0805].insert(sw.Store[0x0805].end(), mac, mac + 6);
        }
    });
    ASSERT_EQ(RunFor(new TSessionSecurityMacGet, Dev[0], 0x0805), 0u);
    EXPECT_EQ(GetPropertySecurityMac(Dev[0]).Valid, 1);
    EXPECT_EQ(GetPropertySecurityMac(Dev[0]).Rows.size(), 130u);

    const uint8_t m[6] = {2, 9, 9, 9, 9, 9};
    auto* add = new TSessionSecurityPortAdd;
    add->SetData({11, TMacAddr(m)});
    ASSERT_EQ(RunFor(add, Dev[0], 0x0802), 0u);
    ASSERT_EQ(GetPropertySecurityPort(Dev[0]).Rows.size(), 1u);
    EXPECT_EQ(GetPropertySecurityPort(Dev[0]).Rows[0].Port, 11u);
    // A row naming a port the switch does not have spoils the table.
    Sim.With(0, [](Sim::TSimSwitch& sw) { sw.Store[0x0802][0] = 12; });
    EXPECT_EQ(RunFor(new TSessionSecurityPortGet, Dev[0], 0x0802), StatusTableError);
    EXPECT_TRUE(GetPropertySecurityPort(Dev[0]).Rows.empty());
}

TEST_F(SimSecuritySnmpVlanWarning, SnmpCommunitiesAndTraps)
{
    auto* set = new TSessionSnmpCommunitySet;
    ASSERT_TRUE(set->SetData({{"ro", 0}, {"rw", 1}, {"", 0}, {"x", 0}}));
    ASSERT_EQ(RunFor(set, Dev[0], 0x0702), 0u);
    const auto& communities = GetPropertySnmpCommunity(Dev[0]);
    ASSERT_EQ(communities.Entries.size(), 4u);
    EXPECT_EQ(communities.Entries[1].Name, "rw");
    EXPECT_EQ(communities.Entries[1].Privilege, 1u);

    auto* trap = new TSessionSnmpTrapAdd;
    trap->SetData({0xC0000205, "traps", SnmpTrapV2c});
    ASSERT_EQ(RunFor(trap, Dev[0], 0x0707), 0u);
    ASSERT_EQ(GetPropertySnmpTrap(Dev[0]).Rows.size(), 1u);
    EXPECT_EQ(GetPropertySnmpTrap(Dev[0]).Rows[0].Server, 0xC0000205u);

    auto* user = new TSessionSnmpUserAdd;
    user->SetData("v3user", "authpass", "");
    ASSERT_EQ(RunFor(user, Dev[0], 0x0704), 0u);
    ASSERT_EQ(GetPropertySnmpUser(Dev[0]).Rows.size(), 1u);
    EXPECT_TRUE(GetPropertySnmpUser(Dev[0]).Rows[0].Authentication);
    EXPECT_FALSE(GetPropertySnmpUser(Dev[0]).Rows[0].Privacy);
}

TEST_F(SimSecuritySnmpVlanWarning, VlanMembershipOverTwoDatagrams)
{
    auto* settings = new TSessionVlan8021qSet;
    settings->SetData(true, 100);
    ASSERT_EQ(RunFor(settings, Dev[0], 0x0406), 0u);
    EXPECT_EQ(GetPropertyVlan8021q(Dev[0]).ManagementVlan, 100u);

    // Port 3 tagged in VLANs 2..128 and port 5 hybrid: 128 VLAN rows plus
    // the hybrid row.
    std::vector<uint16_t> tagged;
    for (uint16_t v = 2; v <= 128; ++v)
        tagged.push_back(v);
    std::vector<uint16_t> items;
    AppendVlan8021qPortEntry(items, 3, VlanLink8021q, 1, tagged);
    AppendVlan8021qPortEntry(items, 5, VlanLinkHybrid, 1, {});
    auto* ports = new TSessionVlan8021qPortSet;
    ASSERT_TRUE(ports->SetData(items));
    ASSERT_EQ(RunFor(ports, Dev[0], 0x0408), 0u);
    const auto& rec = GetPropertyVlan8021qPort(Dev[0]);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.HybridMask, 1u << 5);
    ASSERT_EQ(rec.Rows.size(), 128u);
    EXPECT_EQ(rec.Rows[127].VlanId, 128u);
    EXPECT_EQ(rec.Rows[127].TaggedMask, 1u << 3);

    // Port 5 back to access: the next read has no hybrid row.
    items.clear();
    AppendVlan8021qPortEntry(items, 5, VlanLinkAccess, 1, {});
    ports = new TSessionVlan8021qPortSet;
    ASSERT_TRUE(ports->SetData(items));
    ASSERT_EQ(RunFor(ports, Dev[0], 0x0408), 0u);
    EXPECT_EQ(rec.HybridMask, 0u);

    // 32 port-based VLANs: a full datagram, then an empty one.
    Sim.With(0, [](Sim::TSimSwitch& sw) {
        auto& rows = sw.Store[0x0402];
        rows.assign(32 * 22, 0);
        for (int i = 0; i < 32; ++i) {
            PutBE16(&rows[22 * i], uint16_t(i + 1));
            PutBE32(&rows[22 * i + 2], 0x0FFF);
            PutFieldText(&rows[22 * i + 6], 16, "v" + std::to_string(i + 1));
        }
    });
    ASSERT_EQ(RunFor(new TSessionVlanPortGet, Dev[0], 0x0402), 0u);
    EXPECT_EQ(GetPropertyVlanPort(Dev[0]).Rows.size(), 32u);
}

TEST_F(SimSecuritySnmpVlanWarning, WarningSmtpAndSyslog)
{
    TPropertyWarningSmtp smtp;
    smtp.Enabled = 1;
    smtp.Server = 0xC0000219;
    smtp.Sender = std::string(64, 's');
    smtp.Account = "acct";
    smtp.Recipients = {"a@example.org", "", "", "", "", "f@example.org"};
    auto* set = new TSessionWarningSmtpSet;
    ASSERT_TRUE(set->SetData(smtp, "secret"));
    ASSERT_EQ(RunFor(set, Dev[0], 0x0904), 0u);
    const auto& rec = GetPropertyWarningSmtp(Dev[0]);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Server, 0xC0000219u);
    EXPECT_EQ(rec.Sender, std::string(64, 's'));
    EXPECT_EQ(rec.Recipients[5], "f@example.org");

    auto* syslog = new TSessionWarningSyslogSet;
    syslog->SetData({0, 2, 0xC0000207});
    ASSERT_EQ(RunFor(syslog, Dev[1], 0x0902), 0u);
    EXPECT_EQ(GetPropertyWarningSyslog(Dev[1]).Mode, 2u);
    EXPECT_EQ(GetPropertyWarningSyslog(Dev[1]).Server, 0xC0000207u);

    Sim.With(1, [](Sim::TSimSwitch& sw) { sw.LoggedIn = false; });
    syslog = new TSessionWarningSyslogSet;
    syslog->SetData({0, 1, 0xC0000207});
    EXPECT_EQ(RunFor(syslog, Dev[1], 0x0903), StatusRefused);
    EXPECT_FALSE(Dev[1]->IsLoggedIn());
}

} // namespace
