// The monitoring pages against the switch simulator: the MAC table's read
// chain over several replies, per-port counts and sorting; the statistics
// chain and counter sorting; mirroring; the event log's pages.
#include "EditTable.h"
#include "IntpMonitor.h"
#include "ModuleMonitorEvent.h"
#include "ModuleMonitorMac.h"
#include "ModuleMonitorMirror.h"
#include "ModuleMonitorPort.h"
#include "PageFixture.h"
#include "handlers/SimTables.h"

#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace TestSupport;

namespace {

class MonitorPagesTest : public PageTest {
protected:
    static std::vector<uint8_t> MacRow(uint8_t port, uint32_t n, bool isStatic)
    {
        return {port, 0x00, 0x0a, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0xb0, uint8_t(isStatic)};
    }
    static std::vector<uint8_t> EventRows(size_t count)
    {
        std::vector<uint8_t> rows(256 * count, 0);
        for (size_t i = 0; i < count; ++i) {
            Intp::PutFieldText(rows.data() + 256 * i, 128, "t" + std::to_string(i));
            Intp::PutFieldText(rows.data() + 256 * i + 128, 128, "event " + std::to_string(i));
        }
        return rows;
    }
};

} // namespace

TEST_F(MonitorPagesTest, MacTableOverSeveralRepliesListsTheChosenPortWithItsCounts)
{
    auto* page = ShowOnOneSwitch<TModuleMonitorMac>([](Sim::TSimSwitch& sw) {
        // The port configuration lists the logical ports from the last to the
        // first, so port index 9 is not at position 9 of the port list.
        std::vector<uint8_t> config(4, 0);
        for (uint32_t i = sw.LogicalPortCount(); i-- > 0;)
            config.insert(config.end(), {uint8_t(i), 4, 1, 0, 0, 0});
        sw.Store[0x0201] = config;
        // 300 rows: three reply datagrams of at most 128.
        std::vector<uint8_t> rows;
        for (uint32_t n = 0; n < 300; ++n) {
            const auto row = n % 30 == 0 ? MacRow(9, n, n % 60 == 0) : MacRow(0, 299 - n, n % 7 == 0);
            rows.insert(rows.end(), row.begin(), row.end());
        }
        sw.Store[0x0A00] = rows;
    });
    ASSERT_EQ(Requests(0x0200).size(), 1u);
    ASSERT_EQ(Requests(0x0201).size(), 1u);
    ASSERT_EQ(Requests(0x0A00).size(), 1u);
    const int items = int(Device(0)->GetLogicalPortCount());
    ASSERT_EQ(page->Port()->count(), items);
    EXPECT_EQ(page->Port()->itemText(0), "Trunk4");
    EXPECT_EQ(page->Port()->currentData().toInt(), items - 1);
    EXPECT_EQ(page->List()->RowCount(), 0);

    page->Port()->setCurrentIndex(page->Port()->findData(9));   // "Trunk2"
    TPageList* list = page->List();
    ASSERT_EQ(list->RowCount(), 10);
    EXPECT_EQ(list->Text(0, 0) + " " + list->Text(0, 1) + " " + list->Text(0, 2), "1 00:0A:00:00:00:B0 Static");
    EXPECT_EQ(page->Dynamic()->text() + "/" + page->Static()->text(), "5/5");

    page->Port()->setCurrentIndex(page->Port()->findData(0));
    ASSERT_EQ(list->RowCount(), 290);
    int statics = 0;
    for (uint32_t n = 0; n < 300; ++n)
        statics += n % 30 != 0 && n % 7 == 0;
    EXPECT_EQ(page->Static()->text(), QString::number(statics));
    EXPECT_EQ(page->Dynamic()->text(), QString::number(290 - statics));

    // Neutral at first (record order: addresses falling); then rising by address.
    EXPECT_EQ(list->Text(0, 1), "00:0A:00:01:2A:B0");
    list->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(list->Text(0, 1), "00:0A:00:00:00:B0");
    list->horizontalHeader()->sectionClicked(0);   // its own first click: rising numbers
    EXPECT_EQ(list->Text(0, 0), "1");
    list->horizontalHeader()->sectionClicked(0);
    EXPECT_EQ(list->Text(0, 0), "290");
    // Listed again (another port and back): record order, the sort is not
    // applied again until a header is clicked.
    page->Port()->setCurrentIndex(page->Port()->findData(9));
    page->Port()->setCurrentIndex(page->Port()->findData(0));
    EXPECT_EQ(list->Text(0, 0) + " " + list->Text(0, 1), "1 00:0A:00:01:2A:B0");
    EXPECT_EQ(list->Text(289, 0), "290");

    QTest::mouseClick(page->ClearButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForReport(Device(0), 0x0A00), 0u);   // the Get after the Clear
    EXPECT_EQ(Requests(0x0A01).size(), 1u);
    EXPECT_EQ(list->RowCount(), 0);
    page->Leave(false);
    EXPECT_EQ(page->Port()->count(), 0);
}

TEST_F(MonitorPagesTest, AFailedMacTableReadShowsThePortsWithoutEntries)
{
    auto* page = ShowOnOneSwitch<TModuleMonitorMac>([](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> rows;
        for (uint32_t n = 0; n < 200; ++n) {
            const auto row = MacRow(0, n, false);
            rows.insert(rows.end(), row.begin(), row.end());
        }
        sw.Store[0x0A00] = rows;
        Sim::SetRowListFault(sw, 0x0A00, 1, 0x1100);   // the second datagram fails
    });
    EXPECT_EQ(page->Port()->count(), int(Device(0)->GetLogicalPortCount()));
    EXPECT_EQ(page->List()->RowCount(), 0);
    EXPECT_EQ(page->Dynamic()->text() + page->Static()->text(), "00");
}

TEST_F(MonitorPagesTest, StatisticsReadsPortStatusThenCountersAndSortsCountersAsNumbers)
{
    auto* page = ShowOnOneSwitch<TModuleMonitorPort>([](Sim::TSimSwitch& sw) {
        sw.LinkMask = 0b10;
        std::vector<uint8_t> counters(24 * sw.PortCount(), 0);
        for (uint32_t p = 0; p < sw.PortCount(); ++p)
            Intp::PutBE32(counters.data() + 24 * p + 12, p == 1 ? 9 : 10 + p);   // RX Bad
        sw.Store[0x0A02] = counters;
    });
    ASSERT_EQ(Requests(0x0203).size(), 1u);
    ASSERT_EQ(Requests(0x0A02).size(), 1u);
    TPageList* list = page->List();
    ASSERT_EQ(list->RowCount(), int(Device(0)->GetPortCount()));
    EXPECT_EQ(list->Text(0, 0) + "|" + list->Text(0, 1) + "|" + list->Text(0, 2) + "|" + list->Text(0, 7),
              "Port.01|100TX|Down|10");
    EXPECT_EQ(list->Text(1, 2) + list->Text(1, 3), "UpEnable");
    list->horizontalHeader()->sectionClicked(7);
    EXPECT_EQ(list->Text(0, 0), "Port.02");   // 9 before 10, not as text
    EXPECT_EQ(list->Text(1, 0), "Port.01");
}

TEST_F(MonitorPagesTest, MirroringHeaderFlipsAColumnAndApplySendsBigEndianMasks)
{
    auto* page = ShowOnOneSwitch<TModuleMonitorMirror>([](Sim::TSimSwitch& sw) {
        sw.Store[0x0A04] = {2, 3, 0, 0, 0, 0, 0, 0, 0, 0x01};   // RX to port 3, TX to port 4; port 1 TX
    });
    TPageList* list = page->Table()->List();
    ASSERT_EQ(list->RowCount(), int(Device(0)->GetPortCount()));
    EXPECT_EQ(page->DestTx()->currentText() + page->DestRx()->currentText(), "Port.04Port.03");
    EXPECT_EQ(list->Text(0, 1), "Yes");
    EXPECT_FALSE(page->SrcTx()->isEnabled());

    list->horizontalHeader()->sectionClicked(1);   // the first row is marked: all cleared
    EXPECT_EQ(list->Text(0, 1), "");
    list->horizontalHeader()->sectionClicked(1);   // all set
    EXPECT_EQ(list->Text(7, 1), "Yes");
    QTest::mouseClick(page->ClearButton(), Qt::LeftButton);   // marks on the page only
    EXPECT_EQ(list->Text(7, 1), "");
    list->SelectRow(0);
    page->SrcRx()->click();
    list->SelectRow(2);
    page->SrcRx()->click();
    EXPECT_EQ(list->Text(2, 2), "Yes");
    page->DestRx()->setCurrentIndex(5);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0A05), (std::vector<uint8_t>{5, 3, 0, 0, 0, 0x05, 0, 0, 0, 0}));
    EXPECT_TRUE(Requests(0x0A01).empty());
}

TEST_F(MonitorPagesTest, MirroringKeepsTheMaskBitsBeyondThePortsAndADestinationAsRead)
{
    // Source masks with bits of ports the model does not have; a failed
    // read first, whose defaults are never sent.
    auto* page = ShowOnOneSwitch<TModuleMonitorMirror>([](Sim::TSimSwitch& sw) {
        sw.Store[0x0A04] = {1, 6, 0xC0, 0, 0x01, 0x01, 0x80, 0, 0x02, 0x02};
        sw.Faults.ForceStatus = 3;
    });
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = -1; });
    Select({0});
    page->hide();
    ASSERT_TRUE(ShowPage());
    TPageList* list = page->Table()->List();
    EXPECT_EQ(page->DestTx()->currentText() + page->DestRx()->currentText(), "Port.07Port.02");
    EXPECT_EQ(list->Text(0, 1) + list->Text(1, 1) + "|" + list->Text(0, 2), "Yes|Yes");

    // The page's marks cleared and port 3 marked for RX: the bits beyond
    // port 8 stay as read.
    QTest::mouseClick(page->ClearButton(), Qt::LeftButton);
    list->SelectRow(2);
    page->SrcRx()->click();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0A05), (std::vector<uint8_t>{1, 6, 0xC0, 0, 0x01, 0x04, 0x80, 0, 0x02, 0x00}));
}

TEST_F(MonitorPagesTest, EventLogOfTwoHundredFiftyEntriesGivesThreePages)
{
    auto* page = ShowOnOneSwitch<TModuleMonitorEvent>([](Sim::TSimSwitch& sw) { sw.Store[0x0A06] = EventRows(250); });
    ASSERT_EQ(page->Pages()->count(), 3);
    EXPECT_EQ(page->Pages()->itemText(2), "Page.03");
    EXPECT_EQ(page->Log()->blockCount(), 100);
    EXPECT_TRUE(page->Log()->toPlainText().startsWith("t0: event 0\nt1: event 1\n"));
    page->Pages()->setCurrentIndex(2);
    EXPECT_EQ(page->Log()->blockCount(), 50);
    EXPECT_TRUE(page->Log()->toPlainText().endsWith("t249: event 249"));

    // Cleared on the switch: one page, empty.
    QTest::mouseClick(page->ClearButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForReport(Device(0), 0x0A06), 0u);
    ASSERT_EQ(page->Pages()->count(), 1);
    EXPECT_EQ(page->Pages()->itemText(0), "Page.01");
    EXPECT_TRUE(page->Log()->toPlainText().isEmpty());
}
