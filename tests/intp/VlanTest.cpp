// VLAN sessions: request bodies, decoders and the multi-datagram tables.
#include "IntpVlan.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

struct TMemberRow {
    uint16_t Vid;
    uint32_t Untagged, Tagged;
};

std::vector<uint8_t> MemberRows(const std::vector<TMemberRow>& rows)
{
    std::vector<uint8_t> body(4, 0);
    for (const auto& r : rows) {
        uint8_t b[10];
        PutBE16(b, r.Vid);
        PutBE32(b + 2, r.Untagged);
        PutBE32(b + 6, r.Tagged);
        body.insert(body.end(), b, b + 10);
    }
    return body;
}

std::vector<uint8_t> ManyMemberRows(size_t n)
{
    std::vector<TMemberRow> rows;
    for (size_t i = 0; i < n; ++i)
        rows.push_back({uint16_t(i + 1), 1, 2});
    return MemberRows(rows);
}

struct TPortRow {
    uint16_t Vid;
    uint32_t Mask;
    std::string Name;
};

std::vector<uint8_t> PortRows(const std::vector<TPortRow>& rows)
{
    std::vector<uint8_t> body(4, 0);
    for (const auto& r : rows) {
        uint8_t b[22];
        PutBE16(b, r.Vid);
        PutBE32(b + 2, r.Mask);
        PutFieldText(b + 6, 16, r.Name);
        body.insert(body.end(), b, b + 22);
    }
    return body;
}

std::vector<uint8_t> ManyPortRows(size_t n)
{
    std::vector<TPortRow> rows;
    for (size_t i = 0; i < n; ++i)
        rows.push_back({uint16_t(i + 1), 0x0FFF, "v" + std::to_string(i + 1)});
    return PortRows(rows);
}

class Vlan : public LibraryTest {};

TEST_F(Vlan, ModeDecoder)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionVlanGet, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "040000000004001122334401" "00000000");
    Deliver(d, 0x0400, 0, {2});
    EXPECT_EQ(GetPropertyVlan(d).Valid, 1);
    EXPECT_EQ(GetPropertyVlan(d).Mode, VlanMode8021q);
    ASSERT_TRUE(StartSession(new TSessionVlanGet, d, nullptr));
    Deliver(d, 0x0400, 0, {3});
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(GetPropertyVlan(d).Valid, 0);
    ASSERT_TRUE(StartSession(new TSessionVlanGet, d, nullptr));
    Deliver(d, 0x0400, 0, {});
    EXPECT_EQ(LastReport().Status, StatusShort);
}

TEST_F(Vlan, Settings8021qSetAndGet)
{
    TDevice* d = AddDevice(1);
    auto* set = new TSessionVlan8021qSet;
    set->SetData(true, 100);
    ASSERT_TRUE(StartSession(set, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "040700000003001122334401" "010064");
    Deliver(d, 0x0407, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0406);
    Deliver(d, 0x0406, 0, FromHex("05 1001"));
    EXPECT_EQ(GetPropertyVlan8021q(d).Valid, 1);
    EXPECT_EQ(GetPropertyVlan8021q(d).Gvrp, 1);
    EXPECT_EQ(GetPropertyVlan8021q(d).ManagementVlan, 0x1001u);   // stored as received
}

TEST_F(Vlan, MembershipOverTwoDatagrams)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionVlan8021qPortGet, d, nullptr));
    TSession* get = SessionList().back();
    Deliver(d, 0x0408, 0, ManyMemberRows(128));
    EXPECT_TRUE(IsSessionPending(get));
    EXPECT_TRUE(Transport->TimerEnabled(get));
    EXPECT_EQ(GetPropertyVlan8021qPort(d).Valid, 0);
    Deliver(d, 0x0408, 0, MemberRows({}));
    const auto& rec = GetPropertyVlan8021qPort(d);
    EXPECT_EQ(LastReport().Status, StatusOk);
    EXPECT_EQ(rec.Valid, 1);
    ASSERT_EQ(rec.Rows.size(), 128u);
    EXPECT_EQ(rec.Rows[127].VlanId, 128u);
}

TEST_F(Vlan, HybridMaskIsReadAfreshWithEachTable)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionVlan8021qPortGet, d, nullptr));
    Deliver(d, 0x0408, 0, MemberRows({{0, 0x0C, 0xFFFF}}));
    auto& rec = GetPropertyVlan8021qPort(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.HybridMask, 0x0Cu);
    EXPECT_TRUE(rec.Rows.empty());

    // A hybrid row in the first of two datagrams still counts.
    ASSERT_TRUE(StartSession(new TSessionVlan8021qPortGet, d, nullptr));
    EXPECT_EQ(rec.HybridMask, 0u);
    auto first = ManyMemberRows(127);
    auto hybrid = MemberRows({{0, 0x30, 0}});
    first.insert(first.end(), hybrid.begin() + 4, hybrid.end());
    Deliver(d, 0x0408, 0, first);
    Deliver(d, 0x0408, 0, MemberRows({{7, 1, 0}}));
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.HybridMask, 0x30u);
    EXPECT_EQ(rec.Rows.size(), 128u);

    // A table without a hybrid row has no hybrid ports.
    ASSERT_TRUE(StartSession(new TSessionVlan8021qPortGet, d, nullptr));
    Deliver(d, 0x0408, 0, MemberRows({{1, 0xFFF, 0}}));
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.HybridMask, 0u);

    ASSERT_TRUE(StartSession(new TSessionVlan8021qPortGet, d, nullptr));
    Deliver(d, 0x0408, 0, MemberRows({{0, 0x0C, 0}}));
    ASSERT_TRUE(StartSession(new TSessionVlan8021qPortGet, d, nullptr));
    Deliver(d, 0x0408, 4, MemberRows({}));
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(rec.HybridMask, 0u);
}

TEST_F(Vlan, PortBasedTableThreshold)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionVlanPortGet, d, nullptr));
    Deliver(d, 0x0402, 0, ManyPortRows(31));
    EXPECT_EQ(LastReport().Status, StatusOk);
    EXPECT_EQ(GetPropertyVlanPort(d).Rows.size(), 31u);

    ASSERT_TRUE(StartSession(new TSessionVlanPortGet, d, nullptr));
    TSession* get = SessionList().back();
    Deliver(d, 0x0402, 0, ManyPortRows(32));
    EXPECT_TRUE(IsSessionPending(get));
    EXPECT_EQ(GetPropertyVlanPort(d).Valid, 0);
    Deliver(d, 0x0402, 0, PortRows({{4094, 1, "last"}}));
    const auto& rec = GetPropertyVlanPort(d);
    EXPECT_EQ(rec.Valid, 1);
    ASSERT_EQ(rec.Rows.size(), 33u);
    EXPECT_EQ(rec.Rows[32].Name, "last");
    EXPECT_EQ(rec.Rows[0].Mask, 0x0FFFu);
}

TEST_F(Vlan, PortBasedRowChecks)
{
    TDevice* d = AddDevice(1);   // 8 ports and 4 trunk groups
    struct {
        TPortRow Row;
        uint32_t Status;
    } cases[] = {
        {{1, 0x0FFF, "ok"}, StatusOk},
        {{1, 0x1000, "wide"}, StatusRangeError},
        {{1, 0, "none"}, StatusRangeError},
        {{0, 1, "zero"}, StatusTableError},
        {{4095, 1, "big"}, StatusTableError},
        {{2, 1, ""}, StatusConflict},
        {{2, 1, std::string(16, 'n')}, StatusOk},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(StartSession(new TSessionVlanPortGet, d, nullptr));
        Deliver(d, 0x0402, 0, PortRows({{3, 1, "before"}, c.Row}));
        EXPECT_EQ(LastReport().Status, c.Status) << c.Row.Name;
        EXPECT_EQ(GetPropertyVlanPort(d).Rows.size(), c.Status == StatusOk ? 2u : 0u) << c.Row.Name;
    }
    EXPECT_EQ(GetPropertyVlanPort(d).Rows[1].Name, std::string(16, 'n'));

    // A refused row empties what earlier datagrams brought too.
    ASSERT_TRUE(StartSession(new TSessionVlanPortGet, d, nullptr));
    Deliver(d, 0x0402, 0, ManyPortRows(32));
    Deliver(d, 0x0402, 0, PortRows({{5, 0x2000, "x"}}));
    EXPECT_EQ(LastReport().Status, StatusRangeError);
    EXPECT_TRUE(GetPropertyVlanPort(d).Rows.empty());
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Vlan, MaskLimitForThirtyTwoLogicalPorts)
{
    EXPECT_TRUE(MaskFitsPorts(0x0FFF, 12));
    EXPECT_FALSE(MaskFitsPorts(0x1000, 12));
    EXPECT_FALSE(MaskFitsPorts(0, 40));
    EXPECT_TRUE(MaskFitsPorts(0xFFFFFFFF, 32));
    EXPECT_FALSE(MaskFitsPorts(0x80000000, 31));

    const TDeviceTypeDesc desc{"32 port test switch", 24, 8, 6, 10, 4};
    const int model = RegisterDeviceType(&desc, {"TEST-32"});
    ASSERT_GT(model, 0);
    TDevice* d = AddDevice(9, uint32_t(model));
    ASSERT_EQ(d->GetLogicalPortCount(), 32u);
    ASSERT_TRUE(StartSession(new TSessionVlanPortGet, d, nullptr));
    Deliver(d, 0x0402, 0, PortRows({{1, 0xFFFFFFFF, "all"}}));
    EXPECT_EQ(LastReport().Status, StatusOk);
    EXPECT_EQ(GetPropertyVlanPort(d).Rows.size(), 1u);
}

TEST_F(Vlan, MembershipSetList)
{
    TDevice* d = AddDevice(1);
    std::vector<uint16_t> items;
    AppendVlan8021qPortEntry(items, 3, VlanLink8021q, 1, {2, 3});
    EXPECT_EQ(items, (std::vector<uint16_t>{0x0301, 1, 2, 3, 0}));
    AppendVlan8021qPortEntry(items, 11, VlanLinkHybrid, 4094, {});
    auto* set = new TSessionVlan8021qPortSet;
    ASSERT_TRUE(set->SetData(items));
    ASSERT_TRUE(StartSession(set, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "040900000010001122334401" "0301000100020003" "0000" "0b020ffe0000");
    Deliver(d, 0x0409, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0408);

    TSessionVlan8021qPortSet refused;
    EXPECT_FALSE(refused.SetData({}));
    EXPECT_FALSE(refused.SetData({0x0301, 1, 2}));   // no closing 0
    EXPECT_FALSE(StartSession(&refused, d, nullptr));
}

} // namespace
