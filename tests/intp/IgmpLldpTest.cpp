// IGMP snooping, the IGMP table read over several datagrams, and LLDP.
#include "IntpIgmpLldp.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class IgmpLldp : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Dev = AddDevice(1);
    }
    // A table datagram: the 4-byte head, then `rows` rows numbered from `first`.
    static std::vector<uint8_t> TableFrame(size_t rows, uint32_t first = 0)
    {
        std::vector<uint8_t> body(4 + rows * 10, 0);
        for (size_t i = 0; i < rows; ++i) {
            uint8_t* row = body.data() + 4 + i * 10;
            PutBE32(row, 0x5u);
            PutBE32(row + 4, 0xE0000000u + first + uint32_t(i));
            PutBE16(row + 8, uint16_t(100 + first + i));
        }
        return body;
    }
    TDevice* Dev = nullptr;
};

TEST_F(IgmpLldp, SetRequestsAreByteExact)
{
    auto* igmp = new TSessionIgmpSet;
    igmp->SetValue({1, 2});
    ASSERT_TRUE(StartSession(igmp, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "060100000002001122334401" "0102") << "two bytes, not four";

    auto* lldp = new TSessionLldpSet;
    lldp->SetData({7, 0, 30});   // the flag goes out as 1
    ASSERT_TRUE(StartSession(lldp, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "0b0100000004001122334401" "0100001e");

    auto* wide = new TSessionLldpSet;
    wide->SetData({0, 0x55, 0x1234});
    ASSERT_TRUE(StartSession(wide, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Body()), "00001234") << "reserved byte always 0, interval big-endian";

    TSessionLldpSet unset;
    EXPECT_FALSE(StartSession(&unset, Dev, nullptr));
}

TEST_F(IgmpLldp, SettingsDecoders)
{
    ASSERT_TRUE(StartSession(new TSessionIgmpGet, Dev, nullptr));
    Deliver(Dev, 0x0600, 0, {9, 2});
    auto& igmp = Dev->GetProperty<TPropertyIgmp>();
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(igmp.Valid, 1);
    EXPECT_EQ(igmp.Snooping, 1);
    EXPECT_EQ(igmp.QueryMode, 2u);

    ASSERT_TRUE(StartSession(new TSessionIgmpGet, Dev, nullptr));
    Deliver(Dev, 0x0600, 0, {0, 3});
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(igmp.Valid, 0);
    EXPECT_EQ(igmp.Snooping, 0) << "the snooping flag is stored before the check";

    ASSERT_TRUE(StartSession(new TSessionIgmpGet, Dev, nullptr));
    Deliver(Dev, 0x0600, 0, {1});
    EXPECT_EQ(LastReport().Status, StatusShort);

    ASSERT_TRUE(StartSession(new TSessionLldpGet, Dev, nullptr));
    Deliver(Dev, 0x0B00, 0, {7, 0xAB, 0x00, 0x1E});
    auto& lldp = GetPropertyLldp(Dev);
    EXPECT_EQ(lldp.Valid, 1);
    EXPECT_EQ(lldp.Enabled, 1);
    EXPECT_EQ(lldp.Interval, 30u);

    ASSERT_TRUE(StartSession(new TSessionLldpGet, Dev, nullptr));
    Deliver(Dev, 0x0B00, 0, {1, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(lldp.Valid, 1);
    ASSERT_TRUE(StartSession(new TSessionLldpGet, Dev, nullptr));
    Deliver(Dev, 0x0B00, 0x20, {1, 0, 0, 5});
    EXPECT_EQ(LastReport().Status, 0x20u);
    EXPECT_EQ(lldp.Valid, 0);
}

TEST_F(IgmpLldp, TableFullThenShort)
{
    ASSERT_TRUE(StartSession(new TSessionIgmpTable, Dev, nullptr));
    auto& table = Dev->GetProperty<TPropertyIgmpTable>();
    EXPECT_EQ(Deliver(Dev, 0x0602, 0, TableFrame(64)), 0);
    EXPECT_TRUE(Transport->Reports.empty());
    EXPECT_EQ(table.Valid, 0);
    EXPECT_TRUE(Transport->TimerEnabled(SessionList().front())) << "a fresh wait for the next datagram";

    auto last = TableFrame(3, 64);
    last.push_back(0xEE);   // a partial trailing row is ignored
    Deliver(Dev, 0x0602, 0, last);
    ASSERT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(LastReport().Name, "IgmpTblGet");
    ASSERT_EQ(table.Rows.size(), 67u);
    EXPECT_EQ(table.Valid, 1);
    EXPECT_EQ(table.Rows[66].GroupIp, 0xE0000042u);
    EXPECT_EQ(table.Rows[66].VlanId, 166);
    EXPECT_EQ(table.Rows[0].PortMask, 5u);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(IgmpLldp, TableFullThenEmptyAndHeadOnly)
{
    ASSERT_TRUE(StartSession(new TSessionIgmpTable, Dev, nullptr));
    Deliver(Dev, 0x0602, 0, TableFrame(64));
    Deliver(Dev, 0x0602, 0, TableFrame(0));
    auto& table = Dev->GetProperty<TPropertyIgmpTable>();
    EXPECT_EQ(table.Rows.size(), 64u);
    EXPECT_EQ(table.Valid, 1);

    ASSERT_TRUE(StartSession(new TSessionIgmpTable, Dev, nullptr));
    EXPECT_TRUE(table.Rows.empty()) << "sending the Get empties the table";
    Deliver(Dev, 0x0602, 0, {0, 0, 0, 0});
    EXPECT_EQ(table.Valid, 1);
    EXPECT_TRUE(table.Rows.empty());
}

TEST_F(IgmpLldp, TableFailingStatusInTheMiddle)
{
    ASSERT_TRUE(StartSession(new TSessionIgmpTable, Dev, nullptr));
    Deliver(Dev, 0x0602, 0, TableFrame(64));
    Deliver(Dev, 0x0602, 0x31, TableFrame(64, 64));
    auto& table = Dev->GetProperty<TPropertyIgmpTable>();
    ASSERT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(LastReport().Status, 0x31u);
    EXPECT_EQ(table.Valid, 0);
    EXPECT_TRUE(table.Rows.empty());
    EXPECT_TRUE(SessionList().empty());
    EXPECT_EQ(Deliver(Dev, 0x0602, 0, TableFrame(3)), 2) << "a late datagram finds no session";
}

TEST_F(IgmpLldp, TableMissingContinuationTimesOut)
{
    ASSERT_TRUE(StartSession(new TSessionIgmpTable, Dev, nullptr));
    Transport->Advance(50000);
    Deliver(Dev, 0x0602, 0, TableFrame(64));
    Transport->Advance(59999);
    EXPECT_TRUE(Transport->Reports.empty()) << "each full datagram restarts the wait";
    Transport->Advance(1);
    ASSERT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(Dev->GetProperty<TPropertyIgmpTable>().Valid, 0);
}

} // namespace
