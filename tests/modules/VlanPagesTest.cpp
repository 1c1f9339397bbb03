// The VLAN pages against the switch simulator: the settings Set, the port
// page's chain of reads, link types from the membership masks, the tagged
// VID reader, the link type rules with the Apply check, requests split at
// 700 items, and the VLAN table in both modes.
#include "IntpVlan.h"
#include "ModuleVlan8021q.h"
#include "ModuleVlan8021qPort.h"
#include "ModuleVlanTable.h"
#include "PageEditors.h"
#include "PageFixture.h"
#include "PageList.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <algorithm>

using namespace TestSupport;

namespace {

std::vector<uint16_t> Items(const std::vector<uint8_t>& body)
{
    std::vector<uint16_t> items;
    for (size_t i = 0; i + 1 < body.size(); i += 2)
        items.push_back(Intp::GetBE16(&body[i]));
    return items;
}

// Whether `items` holds `run` at a position.
bool HasRun(const std::vector<uint16_t>& items, const std::vector<uint16_t>& run)
{
    return std::search(items.begin(), items.end(), run.begin(), run.end()) != items.end();
}

class VlanPagesTest : public PageTest {
protected:
    void SetVlanMode(uint8_t mode)
    {
        Simulator().With(0, [mode](Sim::TSimSwitch& sw) { sw.Store[0x0400] = {mode}; });
    }
    // Writes port entries to the switch the way the page would.
    void WriteMembership(const std::vector<uint16_t>& items)
    {
        auto* set = new Intp::TSessionVlan8021qPortSet;
        ASSERT_TRUE(set->SetData(items));
        ASSERT_TRUE(Intp::StartSession(set, Device(0), nullptr));
        ASSERT_EQ(WaitForReport(Device(0), 0x0408), 0u);
    }
    // Selects a row of the port page and gives it a link type and tagged text.
    static void EditRow(TModuleVlan8021qPort* page, int row, int linkType, const QString& tagged)
    {
        page->List()->SelectRow(row);
        page->LinkType()->setCurrentIndex(linkType);
        page->Tagged()->setText(tagged);
    }
};

} // namespace

TEST(VlanTaggedVids, AcceptedTextsInOrderAndRefusedOnes)
{
    std::vector<uint16_t> vids;
    for (const char* text : {"2,3,4", "2 3 4", " 2,,3\t4 "}) {
        ASSERT_TRUE(ParseTaggedVids(text, vids)) << text;
        EXPECT_EQ(vids, (std::vector<uint16_t>{2, 3, 4})) << text;
    }
    ASSERT_TRUE(ParseTaggedVids("3abc,2-5,+7,4094,7", vids));   // no ranges; duplicates kept
    EXPECT_EQ(vids, (std::vector<uint16_t>{3, 2, 7, 4094, 7}));
    ASSERT_TRUE(ParseTaggedVids("", vids));
    EXPECT_TRUE(vids.empty());
    // Out of range, no digits, a sign, and numbers too large for 32 or 64
    // bits (2^32 + 2 would wrap to VLAN 2).
    for (const char* text : {"4095", "0", "a", "0,2", "-3", "4294967298", "18446744073709551618", "99999999999999999999999"})
        EXPECT_FALSE(ParseTaggedVids(text, vids)) << text;
}

TEST_F(VlanPagesTest, SettingsPageSendsGvrpAndManagementVlanAndFollowsTheMode)
{
    auto* page = StartWithPage(new TModuleVlan8021q(Host()));
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(Requests(0x0400).size(), 1u);   // the mode, then the settings
    EXPECT_EQ(Requests(0x0406).size(), 1u);
    ASSERT_TRUE(page->Gvrp()->isEnabled());
    page->Gvrp()->setCurrentIndex(1);
    page->ManagementVlan()->setValue(100);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0407), (std::vector<uint8_t>{0x01, 0x00, 0x64}));
    EXPECT_TRUE(Pump([&] { return Requests(0x0406).size() == 2 && page->ManagementVlan()->value() == 100; }));

    SetVlanMode(1);   // port-based: the page is not usable
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(page->Gvrp()->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    EXPECT_EQ(page->ManagementVlan()->value(), 0);
}

TEST_F(VlanPagesTest, PortPageReadsInChainAndTakesLinkTypesFromTheMasks)
{
    auto* page = StartWithPage(new TModuleVlan8021qPort(Host()));
    // Port 0 Hybrid (untagged 5, tagged 10 and 20), port 1 802.1Q (tagged 10).
    WriteMembership({0x0002, 5, 10, 20, 0, 0x0101, 1, 10, 0});
    Simulator().ClearLog();
    ASSERT_TRUE(ShowPage());
    std::vector<uint16_t> order;
    for (const auto& e : Simulator().Log())
        order.push_back(e.Command);
    EXPECT_EQ(order, (std::vector<uint16_t>{0x0200, 0x0201, 0x0400, 0x0408}));
    TPageList* list = page->List();
    ASSERT_EQ(list->RowCount(), int(Device(0)->GetLogicalPortCount()));
    EXPECT_EQ(list->Text(0, 0), "Port1");
    EXPECT_EQ(list->Text(0, 1) + "|" + list->Text(0, 2) + "|" + list->Text(0, 3), "Hybrid|5|10,20");
    EXPECT_EQ(list->Text(1, 1) + "|" + list->Text(1, 2) + "|" + list->Text(1, 3), "802.1Q|1|10");
    EXPECT_EQ(list->Text(2, 1) + "|" + list->Text(2, 2) + "|" + list->Text(2, 3), "Access|1|");
    EXPECT_EQ(list->Text(9, 0), "Trunk2");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());

    SetVlanMode(1);   // not 802.1Q: no rows, nothing usable
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_FALSE(list->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
}

TEST_F(VlanPagesTest, PortAs8021qSendsItsItemsAndApplyWaitsForTaggedVlans)
{
    auto* page = StartWithPage(new TModuleVlan8021qPort(Host()));
    WriteMembership({0x0300, 7, 0});   // port 3 untagged in VLAN 7
    ASSERT_TRUE(ShowPage());
    page->List()->SelectRow(3);
    EXPECT_EQ(page->Untagged()->value(), 7);
    EXPECT_FALSE(page->Tagged()->isEnabled());
    page->LinkType()->setCurrentIndex(1);   // 802.1Q: untagged 1, locked
    EXPECT_EQ(page->List()->Text(3, 2), "1");
    EXPECT_FALSE(page->Untagged()->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());   // no tagged VLAN yet
    page->Tagged()->setText(" , ");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->Tagged()->setText("2 3");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto items = Items(WaitForRequest(0x0409, 2));   // after the one that set up the switch
    ASSERT_EQ(items.size(), 3u * 11 + 5);
    // Ports 0 to 2 as Access in VLAN 1, then port 3.
    EXPECT_EQ(std::vector<uint16_t>(items.begin(), items.begin() + 3), (std::vector<uint16_t>{0x0000, 1, 0}));
    EXPECT_EQ(std::vector<uint16_t>(items.begin() + 9, items.begin() + 14), (std::vector<uint16_t>{0x0301, 1, 2, 3, 0}));

    // Back to Access: the tagged text goes.
    page->List()->SelectRow(3);
    page->LinkType()->setCurrentIndex(0);
    EXPECT_EQ(page->List()->Text(3, 3), "");
    EXPECT_TRUE(page->Untagged()->isEnabled());
}

TEST_F(VlanPagesTest, LinkTypeHeaderStepsAllRowsAndRechecksApply)
{
    auto* page = StartWithPage(new TModuleVlan8021qPort(Host()));
    WriteMembership({0x0000, 5, 0});
    ASSERT_TRUE(ShowPage());
    page->List()->SelectRow(0);
    QHeaderView* header = page->List()->horizontalHeader();
    header->sectionClicked(1);   // Access -> 802.1Q, no row has tagged VLANs
    for (int r = 0; r < page->List()->RowCount(); ++r)
        ASSERT_EQ(page->List()->Text(r, 1), "802.1Q");
    EXPECT_EQ(page->List()->Text(0, 2), "1");
    EXPECT_EQ(page->Untagged()->value(), 1);
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    header->sectionClicked(2);   // another header: nothing
    EXPECT_EQ(page->List()->Text(0, 1), "802.1Q");
    header->sectionClicked(1);   // Hybrid, still no tagged VLANs
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->Tagged()->setText("9");
    page->List()->SelectRow(1);
    page->Tagged()->setText("9");
    header->sectionClicked(1);   // Access: tagged texts dropped
    EXPECT_EQ(page->List()->Text(0, 3), "");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    EXPECT_FALSE(page->Tagged()->isEnabled());
}

TEST_F(VlanPagesTest, TwelveRowsOfSixtyTaggedVlansSplitAt700Items)
{
    auto* page = StartWithPage(new TModuleVlan8021qPort(Host()));
    ASSERT_TRUE(ShowPage());
    ASSERT_EQ(page->List()->RowCount(), 12);
    QStringList vids;
    for (int v = 2; v < 62; ++v)
        vids << QString::number(v);
    for (int r = 0; r < 12; ++r)
        EditRow(page, r, 1, vids.join(u','));
    const size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto second = Items(WaitForRequest(0x0409, 2));
    // The Set's own read reloads the page; the edit below comes after it.
    ASSERT_TRUE(WaitForSetAndRead(reports, Device(0), 0x0409, 0x0408));
    const auto first = Items(Requests(0x0409).at(0).Body);
    EXPECT_EQ(first.size(), 693u);
    ASSERT_EQ(second.size(), 63u);
    EXPECT_EQ(second.front(), 0x0B01);   // the twelfth port whole
    EXPECT_EQ(second.back(), 0);

    // A refused text sends nothing at all.
    Simulator().ClearLog();
    EditRow(page, 5, 1, "0,2");
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    ASSERT_TRUE(SentSoFarArrived());
    EXPECT_EQ(Ui().LastText(), "Wrong tagged VIDs format!");
    EXPECT_TRUE(Requests(0x0409).empty());
}

TEST_F(VlanPagesTest, VlanTableShowsTheModesTableOrSaysNotEnabled)
{
    auto* page = StartWithPage(new TModuleVlanTable(Host()));
    WriteMembership({0x0000, 1, 20, 10, 0, 0x0401, 1, 20, 0});
    EXPECT_EQ(page->Refresh(false), 0);
    Simulator().ClearLog();
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(Requests(0x0400).size(), 1u);
    EXPECT_EQ(Requests(0x0408).size(), 1u);
    TPageList* list = page->List();
    ASSERT_EQ(list->RowCount(), 3);   // VLANs 1, 10 and 20
    EXPECT_EQ(list->Text(0, 0) + "|" + list->Text(0, 1) + "|" + list->Text(0, 2), "1|1|1,2,3,4,5,6,7,8,9,10,11,12");
    EXPECT_EQ(list->Text(2, 1) + "|" + list->Text(2, 3), "20|1,5");
    list->horizontalHeader()->sectionClicked(1);   // rising
    list->horizontalHeader()->sectionClicked(1);   // falling, by number
    EXPECT_EQ(list->Text(0, 1) + list->Text(1, 1) + list->Text(2, 1), "20101");

    SetVlanMode(1);
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(Requests(0x0402).size(), 1u);
    ASSERT_EQ(list->RowCount(), 1);
    EXPECT_EQ(list->Text(0, 2) + "|" + list->Text(0, 3), "1,2,3,4,5,6,7,8,9,10,11,12|");
    EXPECT_TRUE(Ui().Boxes.empty());

    SetVlanMode(0);
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_EQ(Ui().LastText(), "VLAN Not Enabled!");
    page->Leave(false);
    EXPECT_FALSE(page->isVisible());
}

// A membership table with a VLAN the fields would refuse (4095): an
// unedited Apply writes every port back as it was read, without a message;
// editing one port's tagged VLANs changes that port only.
TEST_F(VlanPagesTest, PortPageWritesUneditedRowsBackAsRead)
{
    auto* page = StartWithPage(new TModuleVlan8021qPort(Host()));
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> rows(20, 0);
        Intp::PutBE16(&rows[0], 4095);   // port 3 untagged, port 2 tagged
        Intp::PutBE32(&rows[2], 1u << 2);
        Intp::PutBE32(&rows[6], 1u << 1);
        Intp::PutBE16(&rows[10], 10);    // ports 2 and 4 tagged
        Intp::PutBE32(&rows[16], (1u << 1) | (1u << 3));
        sw.Store[0x0408] = rows;
    });
    ASSERT_TRUE(ShowPage());
    TPageList* list = page->List();
    ASSERT_GE(list->RowCount(), 4);
    EXPECT_EQ(list->Text(1, 1) + "|" + list->Text(1, 2) + "|" + list->Text(1, 3), "802.1Q|1|4095,10");
    EXPECT_EQ(list->Text(2, 1) + "|" + list->Text(2, 2) + "|" + list->Text(2, 3), "Access|4095|");
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    const size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    auto items = Items(WaitForRequest(0x0409));
    // The switch refuses VLAN 4095; its table, read again, fills the page anew.
    ASSERT_EQ(WaitForReportSince(reports, Device(0), 0x0408), 0u);
    EXPECT_TRUE(Ui().LastText().isEmpty()) << Ui().LastText().toStdString();
    EXPECT_TRUE(HasRun(items, {0x0000, 1, 0, 0x0101, 1, 4095, 10, 0, 0x0200, 4095, 0, 0x0301, 1, 10, 0}));

    EditRow(page, 1, 1, "10");
    Simulator().ClearLog();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    items = Items(WaitForRequest(0x0409));
    EXPECT_TRUE(HasRun(items, {0x0101, 1, 10, 0, 0x0200, 4095, 0, 0x0301, 1, 10, 0}));
}
