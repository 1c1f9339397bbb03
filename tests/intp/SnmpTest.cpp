// SNMP sessions: request bodies and the decoders' checks.
#include "IntpSnmp.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

std::string Zeros(size_t bytes) { return std::string(2 * bytes, '0'); }

void AppendText(std::vector<uint8_t>& body, const std::string& text, size_t width)
{
    std::vector<uint8_t> field(width, 0);
    PutFieldText(field.data(), width, text);
    body.insert(body.end(), field.begin(), field.end());
}

std::vector<uint8_t> CommunityRows(const std::vector<std::pair<std::string, uint8_t>>& rows)
{
    std::vector<uint8_t> body;
    for (const auto& [name, privilege] : rows) {
        AppendText(body, name, 32);
        body.push_back(privilege);
    }
    return body;
}

void AppendTrapRow(std::vector<uint8_t>& body, uint32_t server, const std::string& community, uint8_t version)
{
    uint8_t ip[4];
    PutBE32(ip, server);
    body.insert(body.end(), ip, ip + 4);
    AppendText(body, community, 32);
    body.push_back(version);
}

class Snmp : public LibraryTest {};

TEST_F(Snmp, AgentVersionSetAndGet)
{
    TDevice* d = AddDevice(1);
    auto* set = new TSessionSnmpSet;
    set->SetData(1);
    ASSERT_TRUE(StartSession(set, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "070100000001001122334401" "01");
    Deliver(d, 0x0701, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0700);   // the follow-up read

    Deliver(d, 0x0700, 0, {1});
    EXPECT_EQ(GetPropertySnmp(d).Valid, 1);
    EXPECT_EQ(GetPropertySnmp(d).Version, 1u);
    ASSERT_TRUE(StartSession(new TSessionSnmpGet, d, nullptr));
    Deliver(d, 0x0700, 0, {2, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(GetPropertySnmp(d).Valid, 0);
}

TEST_F(Snmp, CommunitySetCarriesTheWholeTable)
{
    TDevice* d = AddDevice(1);
    auto* set = new TSessionSnmpCommunitySet;
    ASSERT_TRUE(set->SetData({{"public", 0}, {std::string(40, 'w'), 1}, {"", 0}, {"x", 0}}));
    ASSERT_TRUE(StartSession(set, d, nullptr));
    const std::vector<uint8_t> body = LastSent().Body();
    EXPECT_EQ(Hex({LastSent().Bytes.begin(), LastSent().Bytes.begin() + 12}), "070300000084001122334401");
    ASSERT_EQ(body.size(), 132u);
    EXPECT_EQ(Hex({body.begin(), body.begin() + 33}), "7075626c6963" + Zeros(27));
    EXPECT_EQ(std::string(body.begin() + 33, body.begin() + 65), std::string(32, 'w'));   // cut, no terminator
    EXPECT_EQ(body[65], 1);

    TSessionSnmpCommunitySet three;
    ASSERT_TRUE(three.SetData({{"a", 0}, {"b", 0}, {"c", 0}}));
    EXPECT_FALSE(StartSession(&three, d, nullptr));
    EXPECT_FALSE(three.SetData({}));   // keeps the three rows
    EXPECT_EQ(three.Count(), 3);
}

TEST_F(Snmp, CommunityGetNeedsTheModelsCount)
{
    TDevice* d = AddDevice(1);
    auto rows = CommunityRows({{"public", 0}, {"private", 1}, {"c", 0}, {"d", 1}});
    rows.resize(rows.size() + 5, 0xEE);   // a remainder is ignored
    ASSERT_TRUE(StartSession(new TSessionSnmpCommunityGet, d, nullptr));
    Deliver(d, 0x0702, 0, rows);
    const auto& rec = GetPropertySnmpCommunity(d);
    EXPECT_EQ(LastReport().Status, StatusOk);
    EXPECT_EQ(rec.Valid, 1);
    ASSERT_EQ(rec.Entries.size(), 4u);
    EXPECT_EQ(rec.Entries[1].Name, "private");
    EXPECT_EQ(rec.Entries[1].Privilege, 1u);

    ASSERT_TRUE(StartSession(new TSessionSnmpCommunityGet, d, nullptr));
    Deliver(d, 0x0702, 0, CommunityRows({{"a", 0}, {"b", 0}, {"c", 0}}));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(rec.Entries[0].Name, "public");   // no row read
}

TEST_F(Snmp, CommunityPrivilegeOutOfRangeStopsTheRows)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionSnmpCommunityGet, d, nullptr));
    Deliver(d, 0x0702, 0, CommunityRows({{"r1", 0}, {"r2", 1}, {"r3", 2}, {"r4", 0}}));
    const auto& rec = GetPropertySnmpCommunity(d);
    EXPECT_EQ(LastReport().Status, StatusRangeError);
    EXPECT_EQ(rec.Valid, 0);
    ASSERT_EQ(rec.Entries.size(), 4u);
    EXPECT_EQ(rec.Entries[1].Name, "r2");
    EXPECT_EQ(rec.Entries[2].Name, "r3");
    EXPECT_EQ(rec.Entries[3].Name, "");
}

TEST_F(Snmp, TrapAddAndDelAreBigEndian)
{
    TDevice* d = AddDevice(1);
    auto* add = new TSessionSnmpTrapAdd;
    add->SetData({0xC0000209, "public", SnmpTrapV2c});
    ASSERT_TRUE(StartSession(add, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "070800000025001122334401" "c0000209" "7075626c6963" + Zeros(26) + "01");
    auto* del = new TSessionSnmpTrapDel;
    del->SetData(0xC0000209);
    ASSERT_TRUE(StartSession(del, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "070900000004001122334401" "c0000209");
    Deliver(d, 0x0709, 5, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0707);
    EXPECT_EQ(LastReport().Status, 5u);
}

TEST_F(Snmp, TrapGetKeepsOnlyUsableRows)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionSnmpTrapGet, d, nullptr));
    Deliver(d, 0x0707, 0, {0, 0, 0, 0});
    EXPECT_EQ(GetPropertySnmpTrap(d).Valid, 1);
    EXPECT_TRUE(GetPropertySnmpTrap(d).Rows.empty());

    std::vector<uint8_t> body(4, 0);
    AppendTrapRow(body, 0xC0000201, std::string(32, 'c'), 0);
    AppendTrapRow(body, 0, "public", 0);            // no address
    AppendTrapRow(body, 0xC0000202, "", 1);         // no community
    AppendTrapRow(body, 0xC0000203, "public", 2);   // unknown version
    AppendTrapRow(body, 0xC0000204, "public", 1);
    ASSERT_TRUE(StartSession(new TSessionSnmpTrapGet, d, nullptr));
    Deliver(d, 0x0707, 0, body);
    const auto& rec = GetPropertySnmpTrap(d);
    EXPECT_EQ(LastReport().Status, StatusOk);
    EXPECT_EQ(rec.Valid, 1);
    ASSERT_EQ(rec.Rows.size(), 2u);
    EXPECT_EQ(rec.Rows[0].Community, std::string(32, 'c'));
    EXPECT_EQ(rec.Rows[1].Server, 0xC0000204u);
    EXPECT_EQ(rec.Rows[1].Version, 1u);
}

TEST_F(Snmp, TwoOutstandingTrapReadsDoNotDoubleTheList)
{
    TDevice* d = AddDevice(1);
    std::vector<uint8_t> body(4, 0);
    AppendTrapRow(body, 0xC0000201, "public", 0);
    ASSERT_TRUE(StartSession(new TSessionSnmpTrapGet, d, nullptr));
    ASSERT_TRUE(StartSession(new TSessionSnmpTrapGet, d, nullptr));
    Deliver(d, 0x0707, 0, body);
    Deliver(d, 0x0707, 0, body);
    EXPECT_EQ(Transport->Reports.size(), 2u);
    EXPECT_EQ(GetPropertySnmpTrap(d).Rows.size(), 1u);
}

TEST_F(Snmp, UserRequestsAndRows)
{
    TDevice* d = AddDevice(1);
    auto* add = new TSessionSnmpUserAdd;
    add->SetData("admin", "authpass", "");
    ASSERT_TRUE(StartSession(add, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "070500000060001122334401" "61646d696e" + Zeros(27) +
                                         "6175746870617373" + Zeros(24) + Zeros(32));
    auto* del = new TSessionSnmpUserDel;
    del->SetData("admin", "", "");
    ASSERT_TRUE(StartSession(del, d, nullptr));
    EXPECT_EQ(LastSent().Body().size(), 96u);
    EXPECT_EQ(LastSent().Command(), 0x0706);

    ASSERT_TRUE(StartSession(new TSessionSnmpUserGet, d, nullptr));
    Deliver(d, 0x0704, 0, std::vector<uint8_t>(33, 0x41));   // no whole row
    EXPECT_EQ(GetPropertySnmpUser(d).Valid, 1);
    EXPECT_TRUE(GetPropertySnmpUser(d).Rows.empty());

    std::vector<uint8_t> body;
    AppendText(body, "alice", 32);
    body.insert(body.end(), {1, 0});
    AppendText(body, "", 32);
    body.insert(body.end(), {0, 7});
    ASSERT_TRUE(StartSession(new TSessionSnmpUserGet, d, nullptr));
    Deliver(d, 0x0704, 0, body);
    const auto& rec = GetPropertySnmpUser(d);
    ASSERT_EQ(rec.Rows.size(), 2u);
    EXPECT_EQ(rec.Rows[0].Name, "alice");
    EXPECT_TRUE(rec.Rows[0].Authentication);
    EXPECT_FALSE(rec.Rows[0].Privacy);
    EXPECT_EQ(rec.Rows[1].Name, "");
    EXPECT_TRUE(rec.Rows[1].Privacy);

    ASSERT_TRUE(StartSession(new TSessionSnmpUserGet, d, nullptr));
    Deliver(d, 0x0704, 0x20, body);
    EXPECT_EQ(LastReport().Status, 0x20u);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_TRUE(rec.Rows.empty());
}

} // namespace
