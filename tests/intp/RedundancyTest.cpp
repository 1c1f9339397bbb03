// Redundancy: RSTP settings and information, the ring settings and the
// redundancy summary.
#include "IntpRedundancy.h"
#include "LibraryFixture.h"

#include <cstring>

using namespace Intp;
using namespace TestSupport;

namespace {

class Redundancy : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Dev = AddDevice(1);
    }
    // An RSTP Set buffer as a page builds it: native integers for the bridge
    // priority and the path costs.
    static std::vector<uint8_t> RstpBuffer(int n)
    {
        std::vector<uint8_t> b(size_t(n) * 8 + 6, 0);
        b[0] = 1;
        uint16_t priority = 0x8000;
        std::memcpy(b.data() + 1, &priority, 2);
        b[3] = 20, b[4] = 2, b[5] = 15;
        for (int i = 0; i < n; ++i) {
            uint32_t cost = 200000u + uint32_t(i);
            std::memcpy(b.data() + 6 + 8 * i, &cost, 4);
            b[10 + 8 * i] = 128;
            b[11 + 8 * i] = 2;
            b[12 + 8 * i] = 1;
        }
        return b;
    }
    TDevice* Dev = nullptr;
};

TEST_F(Redundancy, RstpSetConvertsToBigEndian)
{
    auto* set = new TSessionRedundancyRstpSet;
    ASSERT_TRUE(set->SetData(RstpBuffer(8), 8));
    ASSERT_TRUE(StartSession(set, Dev, nullptr));
    auto body = LastSent().Body();
    ASSERT_EQ(body.size(), 70u);
    EXPECT_EQ(Hex(LastSent().Bytes).substr(0, 24), "030300000046001122334401");
    EXPECT_EQ(Hex({body.begin(), body.begin() + 14}), "01800014020f" "00030d40" "80020100");
    EXPECT_EQ(Hex({body.begin() + 62, body.end()}), "00030d47" "80020100");
}

TEST_F(Redundancy, RstpSetRefusals)
{
    TSessionRedundancyRstpSet set;
    EXPECT_FALSE(set.SetData(RstpBuffer(8), 0));
    EXPECT_FALSE(StartSession(&set, Dev, nullptr)) << "n = 0 starts nothing";
    EXPECT_FALSE(set.SetData(RstpBuffer(7), 8)) << "buffer of the wrong size";
    EXPECT_FALSE(set.SetData(RstpBuffer(8), -2));
    ASSERT_TRUE(set.SetData(RstpBuffer(7), 7));
    EXPECT_FALSE(StartSession(&set, Dev, nullptr)) << "7 rows for an 8-port model";
    EXPECT_TRUE(Transport->Sent.empty());
    EXPECT_TRUE(Transport->Reports.empty());
}

TEST_F(Redundancy, QloopSetAndGet)
{
    auto* set = new TSessionRedundancyQloopSet;
    set->SetData({1, 1, 0, 1, 1, 2, 3, 0, 0});
    ASSERT_TRUE(StartSession(set, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "030100000009001122334401" "010100010102030000");
    Deliver(Dev, 0x0301, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0300);

    // The follow-up Get: flags as 0/1, ports as received.
    Deliver(Dev, 0x0300, 0, {5, 0, 2, 9, 0, 0, 0, 3, 7});
    auto& ring = GetPropertyRedundancyQloop(Dev);
    EXPECT_EQ(ring.Valid, 1);
    EXPECT_EQ(ring.RingEnabled, 1);
    EXPECT_EQ(ring.HomingEnabled, 1);
    EXPECT_EQ(ring.SecondRingPort, 9u);
    EXPECT_TRUE(IsValidRingPort(Dev, ring.FirstRingPort));
    EXPECT_TRUE(IsValidRingPort(Dev, ring.HomingPort));
    EXPECT_FALSE(IsValidRingPort(Dev, ring.SecondRingPort)) << "port 9 of an 8-port model";
    EXPECT_FALSE(IsValidRingPort(Dev, 8));
    EXPECT_FALSE(IsValidRingPort(nullptr, 0));

    TSessionRedundancyQloopSet unset;
    EXPECT_FALSE(StartSession(&unset, Dev, nullptr));
}

TEST_F(Redundancy, RstpGetRowCountRule)
{
    std::vector<uint8_t> body(70, 0);
    body[0] = 3;
    PutBE16(body.data() + 1, 4096);
    body[3] = 20;
    PutBE32(body.data() + 6 + 8 * 7, 2000000u);
    body[6 + 8 * 7 + 6] = 9;
    ASSERT_TRUE(StartSession(new TSessionRedundancyRstpGet, Dev, nullptr));
    Deliver(Dev, 0x0302, 0, body);
    auto& rstp = GetPropertyRedundancyRstp(Dev);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(rstp.Enabled, 1);
    EXPECT_EQ(rstp.BridgePriority, 4096u);
    EXPECT_EQ(rstp.MaxAge, 20u);
    ASSERT_EQ(rstp.Ports.size(), 8u);
    EXPECT_EQ(rstp.Ports[7].PathCost, 2000000u);
    EXPECT_EQ(rstp.Ports[7].AdminEdge, 1);

    for (size_t size : {size_t(62), size_t(69), size_t(6)}) {
        ASSERT_TRUE(StartSession(new TSessionRedundancyRstpGet, Dev, nullptr));
        Deliver(Dev, 0x0302, 0, std::vector<uint8_t>(size, 0));
        EXPECT_EQ(LastReport().Status, StatusTableError) << size;
        EXPECT_EQ(rstp.Valid, 0);
    }
    ASSERT_TRUE(StartSession(new TSessionRedundancyRstpGet, Dev, nullptr));
    Deliver(Dev, 0x0302, 0, std::vector<uint8_t>(5, 0));
    EXPECT_EQ(LastReport().Status, StatusShort);
}

TEST_F(Redundancy, RstpInfoDecoder)
{
    std::vector<uint8_t> body(19 + 80, 0);
    body[0] = 1;
    for (int i = 0; i < 8; ++i)
        body[1 + i] = uint8_t(0xA0 + i);
    PutBE16(body.data() + 9, 32768);
    body[11] = 255;
    PutBE32(body.data() + 12, 0x00010000u);
    body[16] = 20, body[17] = 2, body[18] = 15;
    uint8_t* row1 = body.data() + 19 + 10;
    PutBE32(row1, 19);
    row1[4] = 128, row1[5] = 2, row1[6] = 7, row1[7] = 0, row1[8] = 3, row1[9] = 6;
    ASSERT_TRUE(StartSession(new TSessionRedundancyRstpInfoGet, Dev, nullptr));
    Deliver(Dev, 0x0304, 0, body);
    auto& info = GetPropertyRedundancyRstpInfo(Dev);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(info.RootPort, RstpRootPortSelf);
    EXPECT_EQ(info.BridgeId[7], 0xA7);
    EXPECT_EQ(info.RootPriority, 32768u);
    EXPECT_EQ(info.RootPathCost, 0x10000u);
    EXPECT_EQ(info.ForwardDelay, 15u);
    ASSERT_EQ(info.Ports.size(), 8u);
    EXPECT_EQ(info.Ports[1].PathCost, 19u);
    EXPECT_EQ(info.Ports[1].OperEdge, 1);
    EXPECT_EQ(info.Ports[1].Role, 6u);

    body.resize(19 + 79);
    ASSERT_TRUE(StartSession(new TSessionRedundancyRstpInfoGet, Dev, nullptr));
    Deliver(Dev, 0x0304, 0, body);
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(info.Valid, 0);
}

TEST_F(Redundancy, SummaryDecoder)
{
    ASSERT_TRUE(StartSession(new TSessionRedundancyGet, Dev, nullptr));
    Deliver(Dev, 0x0307, 0, {5, 2});
    auto& summary = GetPropertyRedundancy(Dev);
    EXPECT_EQ(summary.Enabled, 1);
    EXPECT_EQ(summary.Mode, RedundancyModeRstp);
    ASSERT_TRUE(StartSession(new TSessionRedundancyGet, Dev, nullptr));
    Deliver(Dev, 0x0307, 0x10, {5, 2});
    EXPECT_EQ(summary.Valid, 0);
    EXPECT_EQ(LastReport().Status, 0x10u);
    ASSERT_TRUE(StartSession(new TSessionRedundancyGet, Dev, nullptr));
    Deliver(Dev, 0x0307, 3, {5});
    EXPECT_EQ(LastReport().Status, StatusShort) << "length before refusal";
}

} // namespace
