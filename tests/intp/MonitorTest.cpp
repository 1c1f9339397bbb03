// Monitoring: mirroring, port counters, and the event log and MAC table
// read over several datagrams.
#include "IntpMonitor.h"
#include "LibraryFixture.h"

#include <cstring>

using namespace Intp;
using namespace TestSupport;

namespace {

class Monitor : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Dev = AddDevice(1);   // 8 ports, 4 trunk groups
    }
    static std::vector<uint8_t> EventFrame(size_t rows)
    {
        std::vector<uint8_t> body(4 + rows * 256, 0);
        for (size_t i = 0; i < rows; ++i) {
            std::string a = "event " + std::to_string(i), b = "detail";
            std::memcpy(body.data() + 4 + i * 256, a.data(), a.size());
            std::memcpy(body.data() + 4 + i * 256 + 128, b.data(), b.size());
        }
        return body;
    }
    // MAC rows: port i % 8, address 02:00:00:00:hi:lo of the row number.
    static std::vector<uint8_t> MacFrame(size_t rows, size_t first = 0)
    {
        std::vector<uint8_t> body(4 + rows * 8, 0);
        for (size_t i = 0; i < rows; ++i) {
            uint8_t* row = body.data() + 4 + i * 8;
            size_t n = first + i;
            row[0] = uint8_t(n % 8);
            row[1] = 2;
            row[5] = uint8_t(n >> 8);
            row[6] = uint8_t(n);
            row[7] = n % 2;
        }
        return body;
    }
    TDevice* Dev = nullptr;
};

TEST_F(Monitor, MirrorSetIsTenBytesBigEndian)
{
    auto* set = new TSessionMonitorMirrorSet;
    set->SetData({7, 1, 0x00000005u, 0x00010080u});
    ASSERT_TRUE(StartSession(set, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "0a050000000a001122334401" "0701" "00000005" "00010080");
    Deliver(Dev, 0x0A05, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0A04) << "the Set reply starts the Get";
}

TEST_F(Monitor, ClearsCarryFourZeroBytesAndStartTheirGet)
{
    ASSERT_TRUE(StartSession(new TSessionMonitorMacClear, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "0a0100000004001122334401" "00000000");
    Deliver(Dev, 0x0A01, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0A00);
    EXPECT_EQ(LastReport().Name, "MacTableClear");
    ASSERT_TRUE(StartSession(new TSessionMonitorPortClear, Dev, nullptr));
    Deliver(Dev, 0x0A03, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0A02);
    EXPECT_EQ(LastReport().Name, "StatiticsClear");
    ASSERT_TRUE(StartSession(new TSessionMonitorEventClear, Dev, nullptr));
    Deliver(Dev, 0x0A07, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0A06);
}

TEST_F(Monitor, MirrorDecoder)
{
    ASSERT_TRUE(StartSession(new TSessionMonitorMirrorGet, Dev, nullptr));
    Deliver(Dev, 0x0A04, 0, {8, 0, 0, 0, 0, 1, 0, 0, 0, 2});
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(GetPropertyMonitorMirror(Dev).Valid, 0);

    ASSERT_TRUE(StartSession(new TSessionMonitorMirrorGet, Dev, nullptr));
    Deliver(Dev, 0x0A04, 0, {7, 0, 0x80, 0, 0, 1, 0, 0, 0, 2});
    auto& mirror = GetPropertyMonitorMirror(Dev);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(mirror.DestRx, 7u);
    EXPECT_EQ(mirror.SourceRxMask, 0x80000001u);
    EXPECT_EQ(mirror.SourceTxMask, 2u);

    ASSERT_TRUE(StartSession(new TSessionMonitorMirrorGet, Dev, nullptr));
    Deliver(Dev, 0x0A04, 0, {1, 1, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(mirror.Valid, 1);
}

TEST_F(Monitor, PortCountersDecoder)
{
    std::vector<uint8_t> body(192, 0);
    PutBE32(body.data() + 7 * 24 + 20, 0x01020304u);
    ASSERT_TRUE(StartSession(new TSessionMonitorPortGet, Dev, nullptr));
    Deliver(Dev, 0x0A02, 0, body);
    auto& stats = GetPropertyMonitorPort(Dev);
    EXPECT_EQ(LastReport().Status, 0u);
    ASSERT_EQ(stats.Rows.size(), 8u);
    EXPECT_EQ(stats.Rows[7].Collision, 0x01020304u);

    body.resize(191);   // 7 whole rows
    ASSERT_TRUE(StartSession(new TSessionMonitorPortGet, Dev, nullptr));
    Deliver(Dev, 0x0A02, 0, body);
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(stats.Valid, 0);
    EXPECT_EQ(stats.Rows.size(), 8u) << "the earlier counters are kept";

    ASSERT_TRUE(StartSession(new TSessionMonitorPortGet, Dev, nullptr));
    Deliver(Dev, 0x0A02, 0, {1});
    EXPECT_EQ(LastReport().Status, StatusTableError) << "no whole row";
}

TEST_F(Monitor, EventLogFullThenShortAndFullThenEmpty)
{
    ASSERT_TRUE(StartSession(new TSessionMonitorEventGet, Dev, nullptr));
    Deliver(Dev, 0x0A06, 0, EventFrame(4));
    auto& log = GetPropertyMonitorEvent(Dev);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(log.Rows.size(), 4u);
    EXPECT_EQ(log.Rows[3].First, "event 3");
    EXPECT_EQ(log.Rows[3].Second, "detail");

    ASSERT_TRUE(StartSession(new TSessionMonitorEventGet, Dev, nullptr));
    Transport->Reports.clear();
    Deliver(Dev, 0x0A06, 0, EventFrame(5));
    EXPECT_TRUE(Transport->Reports.empty()) << "five rows: more follow";
    Deliver(Dev, 0x0A06, 0, EventFrame(5));
    Deliver(Dev, 0x0A06, 0, EventFrame(0));
    ASSERT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(log.Valid, 1);
    EXPECT_EQ(log.Rows.size(), 10u);
}

TEST_F(Monitor, EventLogFailingStatusAndFullTextField)
{
    auto frame = EventFrame(1);
    std::memset(frame.data() + 4, 'x', 128);   // the first field has no terminator
    ASSERT_TRUE(StartSession(new TSessionMonitorEventGet, Dev, nullptr));
    Deliver(Dev, 0x0A06, 0, frame);
    auto& log = GetPropertyMonitorEvent(Dev);
    ASSERT_EQ(log.Rows.size(), 1u);
    EXPECT_EQ(log.Rows[0].First, std::string(128, 'x'));
    EXPECT_EQ(log.Rows[0].Second, "detail");

    ASSERT_TRUE(StartSession(new TSessionMonitorEventGet, Dev, nullptr));
    Deliver(Dev, 0x0A06, 0, EventFrame(5));
    Deliver(Dev, 0x0A06, 0x44, EventFrame(2));
    EXPECT_EQ(LastReport().Status, 0x44u);
    EXPECT_EQ(log.Valid, 0);
    EXPECT_TRUE(log.Rows.empty());
}

TEST_F(Monitor, MacTableOverThreeFrames)
{
    ASSERT_TRUE(StartSession(new TSessionMonitorMacGet, Dev, nullptr));
    Deliver(Dev, 0x0A00, 0, MacFrame(128));
    Deliver(Dev, 0x0A00, 0, MacFrame(128, 128));
    EXPECT_TRUE(Transport->Reports.empty());
    Deliver(Dev, 0x0A00, 0, MacFrame(0));
    ASSERT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(LastReport().Name, "MacTableGet");
    auto& mac = GetPropertyMonitorMac(Dev);
    EXPECT_EQ(mac.Valid, 1);
    EXPECT_EQ(mac.Entries.size(), 256u);

    // Lower ports first; one port's rows in arrival order (rows 0, 8, 16 ...).
    auto it = mac.Entries.begin();
    EXPECT_EQ(it->first, 0);
    EXPECT_EQ(it->second.Address[5], 0);
    ++it;
    EXPECT_EQ(it->second.Address[5], 8);
    auto range = mac.Entries.equal_range(3);
    EXPECT_EQ(std::distance(range.first, range.second), 32);
    EXPECT_EQ(range.first->second.Static, 1);
    EXPECT_EQ(MacToText(range.first->second.Address), "02:00:00:00:00:03");
}

TEST_F(Monitor, MacTableFullThenShort)
{
    ASSERT_TRUE(StartSession(new TSessionMonitorMacGet, Dev, nullptr));
    Deliver(Dev, 0x0A00, 0, MacFrame(128));
    Deliver(Dev, 0x0A00, 0, MacFrame(5, 128));
    EXPECT_EQ(GetPropertyMonitorMac(Dev).Entries.size(), 133u);
    EXPECT_EQ(LastReport().Status, 0u);
}

TEST_F(Monitor, MacTableBadPortEmptiesEverything)
{
    ASSERT_TRUE(StartSession(new TSessionMonitorMacGet, Dev, nullptr));
    Deliver(Dev, 0x0A00, 0, MacFrame(128));
    auto bad = MacFrame(10, 128);
    bad[4 + 4 * 8] = 12;   // the fifth row names port P + T
    Deliver(Dev, 0x0A00, 0, bad);
    auto& mac = GetPropertyMonitorMac(Dev);
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(mac.Valid, 0);
    EXPECT_TRUE(mac.Entries.empty());
    EXPECT_TRUE(SessionList().empty());

    auto trunk = MacFrame(1);
    trunk[4] = 11;   // the last trunk group is a valid index
    ASSERT_TRUE(StartSession(new TSessionMonitorMacGet, Dev, nullptr));
    Deliver(Dev, 0x0A00, 0, trunk);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(mac.Entries.count(11), 1u);
}

TEST_F(Monitor, MacTableFailingStatusInTheMiddle)
{
    ASSERT_TRUE(StartSession(new TSessionMonitorMacGet, Dev, nullptr));
    Deliver(Dev, 0x0A00, 0, MacFrame(128));
    Deliver(Dev, 0x0A00, 0x15, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Status, 0x15u);
    EXPECT_TRUE(GetPropertyMonitorMac(Dev).Entries.empty());
    EXPECT_EQ(GetPropertyMonitorMac(Dev).Valid, 0);
}

} // namespace
