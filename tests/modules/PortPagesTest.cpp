// The port pages against the switch simulator: the port configuration read
// chain and its request, rate limits, trunks and the two status lists.
#include "EditTable.h"
#include "PageEditors.h"
#include "IntpPort.h"
#include "ModulePortConfig.h"
#include "ModulePortLimit.h"
#include "ModulePortStatus.h"
#include "ModulePortTrunk.h"
#include "ModulePortTrunkStatus.h"
#include "PageFixture.h"
#include "handlers/SimTableFault.h"

#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace TestSupport;

namespace {

class PortPagesTest : public PageTest {
protected:
    void ClickApply(TModulePage* page) { QTest::mouseClick(page->ApplyButton(), Qt::LeftButton); }
    static QString Column(TPageList* list, int column)
    {
        QStringList texts;
        for (int r = 0; r < list->RowCount(); ++r)
            texts << list->Text(r, column);
        return texts.join('|');
    }
};

} // namespace

TEST_F(PortPagesTest, PortConfigurationReadsNamesFirstKeepsRowsSortedByNameAndSendsEveryRow)
{
    // Port 1 is named "zz", port 2 "AA": sorted by name, a-z folded.
    auto* page = ShowOnOneSwitch<TModulePortConfig>([](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> names(8 * sw.LogicalPortCount(), 0);
        for (uint32_t i = 0; i < sw.LogicalPortCount(); ++i)
            Intp::PutFieldText(names.data() + 8 * i, 8, i == 0 ? "zz" : i == 1 ? "AA" : "P" + std::to_string(i + 1));
        sw.Store[0x0200] = names;
    });
    ASSERT_EQ(Requests(0x0200).size(), 1u);
    ASSERT_EQ(Requests(0x0201).size(), 1u);
    TPageList* list = page->Table()->List();
    const int n = int(Device(0)->GetLogicalPortCount());
    ASSERT_EQ(list->RowCount(), n);
    EXPECT_EQ(list->Text(0, 0), "AA");
    EXPECT_EQ(list->Text(n - 1, 0), "zz");
    EXPECT_EQ(list->Text(0, 1), "Enable");
    EXPECT_EQ(list->Text(0, 2), "Auto Negotiation");

    // "State" shows "Enable" in the first row: every row wraps to "Disable".
    list->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(list->Text(n - 1, 1), "Disable");
    list->horizontalHeader()->sectionClicked(0);   // "Port No.": nothing
    list->SelectRow(0);
    page->Duplex()->setCurrentIndex(3);
    EXPECT_EQ(list->Text(0, 2), "100 Full");
    ClickApply(page);
    const auto body = WaitForRequest(0x0202);
    ASSERT_EQ(body.size(), 4u + 5u * size_t(n));
    std::vector<uint8_t> expected(4, 0);
    for (int r = 0; r < n; ++r) {
        const uint8_t port = uint8_t(list->Row(r).Key);
        expected.insert(expected.end(), {port, 0, uint8_t(r == 0 ? 3 : 0), 0, 0});
    }
    EXPECT_EQ(body, expected);
    EXPECT_EQ(body[4], 1);   // the first row is port index 1 ("AA")
}

TEST_F(PortPagesTest, PortConfigurationSendsEveryRowAsReadAndOneEditOnlyChangesItsField)
{
    // Every code of each column, speed/duplex 7 (no text) on port 8; the
    // odd ports' state and every other pair's security as flag bytes past 1,
    // which go back as 1.
    auto* page = ShowOnOneSwitch<TModulePortConfig>([](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> config(4 + 6 * sw.LogicalPortCount(), 0);
        for (uint32_t i = 0; i < sw.LogicalPortCount(); ++i) {
            uint8_t* r = config.data() + 4 + 6 * i;
            r[0] = uint8_t(i), r[1] = uint8_t(i % 10), r[2] = uint8_t(i % 2 ? i : 0), r[3] = uint8_t(i % 8);
            r[4] = uint8_t(i % 3), r[5] = uint8_t((i / 2) % 2 ? 2 : 0);
        }
        sw.Store[0x0201] = config;
    });
    TPageList* list = page->Table()->List();
    const int n = int(Device(0)->GetLogicalPortCount());
    ASSERT_EQ(list->RowCount(), n);
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    EXPECT_EQ(list->Text(7, 2), "7");
    EXPECT_EQ(list->Text(7, 1), list->Text(1, 1));   // state 7 shows as on, as 1 does
    EXPECT_NE(list->Text(7, 1), list->Text(0, 1));
    std::vector<uint8_t> read(4, 0);
    for (int i = 0; i < n; ++i)
        read.insert(read.end(), {uint8_t(i), uint8_t(i % 2), uint8_t(i % 8), uint8_t(i % 3), uint8_t((i / 2) % 2)});
    ClickApply(page);
    EXPECT_EQ(WaitForRequest(0x0202), read);

    // The state of port 8 edited: its speed 7 and every other row go back
    // as read.
    Simulator().ClearLog();
    list->SelectRow(7);
    EXPECT_EQ(page->Duplex()->currentText(), "7");
    page->State()->setCurrentIndex(0);
    ClickApply(page);
    read[4 + 5 * 7 + 1] = 0;
    EXPECT_EQ(WaitForRequest(0x0202), read);
}

TEST_F(PortPagesTest, PortConfigurationWithoutPortNamesShowsNoRowsAndSendsNothing)
{
    auto* page = ShowOnOneSwitch<TModulePortConfig>([](Sim::TSimSwitch& sw) { Sim::SetTableFault(sw, 0x0200, Sim::TTableFault::Short); });
    EXPECT_EQ(page->Table()->List()->RowCount(), 0);
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    EXPECT_TRUE(Requests(0x0201).empty());
}

TEST_F(PortPagesTest, RateLimitDefaultsNonNegativeSpinnersAndBigEndianRequest)
{
    auto* page = ShowOnOneSwitch<TModulePortLimit>([](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 3; });
    TPageList* list = page->Table()->List();
    const size_t p = Device(0)->GetPortCount();
    ASSERT_EQ(list->RowCount(), int(p));
    EXPECT_EQ(list->Text(0, 0) + list->Text(0, 1) + list->Text(0, 2) + list->Text(0, 3), "Port.01Broadcast Only81920");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());   // the defaults are not the switch's
    // The switch's own: "Broadcast Only", 8192 and 0 on every port.
    Simulator().With(0, [p](Sim::TSimSwitch& sw) {
        sw.Faults.ForceStatus = -1;
        sw.Store[0x0204].assign(9 * p, 0);
        for (size_t i = 0; i < p; ++i) {
            sw.Store[0x0204][9 * i] = 3;
            Intp::PutBE32(&sw.Store[0x0204][9 * i + 1], 8192);
        }
    });
    Select({0});
    page->hide();
    ASSERT_TRUE(ShowPage());

    list->SelectRow(1);
    // A negative rate would go out as a huge unsigned number: the spinners
    // stop at 0, and have no upper bound of their own.
    page->Ingress()->setValue(-5);
    EXPECT_EQ(page->Ingress()->value(), 0);
    QTest::keyClick(page->Egress(), Qt::Key_Down);
    EXPECT_EQ(page->Egress()->value(), 0);
    page->Egress()->setValue(3000000);
    EXPECT_EQ(list->Text(1, 3), "3000000");
    list->horizontalHeader()->sectionClicked(1);   // "Broadcast Only" wraps to "All"
    list->horizontalHeader()->sectionClicked(2);   // a rate column: nothing
    // Typed past the field's range and not left: Apply takes the nearer
    // limit, as the field then shows.
    list->SelectRow(2);
    QLineEdit* typed = page->Ingress()->findChild<QLineEdit*>();
    typed->selectAll();
    QTest::keyClicks(typed, "5000000000");
    ClickApply(page);
    EXPECT_EQ(page->Ingress()->text(), "4294967295");
    const auto body = AwaitRequestUnanswered(0x0205);
    ASSERT_EQ(body.size(), 9 * p);
    std::vector<uint8_t> expected;
    for (size_t i = 0; i < p; ++i) {
        const uint32_t ingress = i == 1 ? 0 : i == 2 ? 0xFFFFFFFFu : 8192, egress = i == 1 ? 3000000 : 0;
        expected.insert(expected.end(), {0, uint8_t(ingress >> 24), uint8_t(ingress >> 16), uint8_t(ingress >> 8),
                                         uint8_t(ingress), uint8_t(egress >> 24), uint8_t(egress >> 16),
                                         uint8_t(egress >> 8), uint8_t(egress)});
    }
    EXPECT_EQ(body, expected);
    // The reply's Get shows what the switch holds by then (here changed
    // before the console heard the Set's answer).
    Intp::PutBE32(expected.data() + 9 * 2 + 1, 123456);
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x0204] = expected; });
    EXPECT_TRUE(Pump([&] { return list->Text(2, 2) == "123456"; })) << list->Text(2, 2).toStdString();
}

TEST_F(PortPagesTest, TrunkMembersFromTheCheckListAndTheRequestOfEveryGroup)
{
    auto* page = ShowOnOneSwitch<TModulePortTrunk>();
    TPageList* list = page->Table()->List();
    const size_t t = Device(0)->GetTrunkCount();
    ASSERT_EQ(list->RowCount(), int(t));
    ASSERT_EQ(page->Members()->count(), int(Device(0)->GetPortCount()));
    EXPECT_EQ(page->Members()->item(0)->text(), "Port.01");
    EXPECT_EQ(list->Text(0, 0) + list->Text(0, 1) + list->Text(0, 2), "Trunk.01Static");

    list->SelectRow(1);
    page->Members()->item(0)->setCheckState(Qt::Checked);
    page->Members()->item(2)->setCheckState(Qt::Checked);
    EXPECT_EQ(list->Text(1, 2), "1, 3");
    list->SelectRow(0);
    EXPECT_EQ(page->Members()->item(0)->checkState(), Qt::Unchecked);   // the row's own mask
    list->horizontalHeader()->sectionClicked(1);   // every group "802.3ad LACP"
    EXPECT_EQ(list->Text(t - 1, 1), "802.3ad LACP");
    ClickApply(page);
    const auto body = AwaitRequestUnanswered(0x0207);
    std::vector<uint8_t> expected;
    for (size_t g = 0; g < t; ++g)
        expected.insert(expected.end(), {0, 0, 0, uint8_t(g == 1 ? 5 : 0), 1});
    EXPECT_EQ(body, expected);
    // The reply's Get reloads the page with what the switch holds by then
    // (here changed before the console heard the Set's answer).
    expected[5 + 3] = 6;
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x0206] = expected; });
    EXPECT_TRUE(Pump([&] { return list->Text(1, 2) == "2, 3"; })) << list->Text(1, 2).toStdString();
}

TEST_F(PortPagesTest, PortStatusTextsAndSharedSort)
{
    auto* page = ShowOnOneSwitch<TModulePortStatus>([](Sim::TSimSwitch& sw) {
        sw.LinkMask = 0b11;
        std::vector<uint8_t> config(4 + 6 * sw.LogicalPortCount(), 0);
        for (uint32_t i = 0; i < sw.LogicalPortCount(); ++i) {
            uint8_t* r = config.data() + 4 + 6 * i;
            r[0] = uint8_t(i);
            r[1] = i == 0 ? 7 : 4;         // mGBIC, 100TX
            r[2] = 1;
            r[4] = i == 1 ? 2 : 0;         // asymmetric flow control: on
        }
        sw.Store[0x0201] = config;
    });
    TPageList* list = page->List();
    ASSERT_EQ(list->RowCount(), int(Device(0)->GetPortCount()));
    EXPECT_EQ(list->Text(0, 1) + "|" + list->Text(0, 2) + "|" + list->Text(0, 3), "mGBIC|Up|Enable");
    EXPECT_EQ(list->Text(1, 5), "Symmetric");
    EXPECT_EQ(list->Text(2, 5), "Disable");
    EXPECT_EQ(list->Text(2, 2), "Down");

    list->horizontalHeader()->sectionClicked(0);   // the sort column: falling
    EXPECT_EQ(list->Text(0, 0), "Port.08");
    list->horizontalHeader()->sectionClicked(1);   // another column: rising
    EXPECT_EQ(list->Text(0, 1), "100TX");
    EXPECT_EQ(list->Text(list->RowCount() - 1, 1), "mGBIC");
    page->Leave(false);   // leaving empties the list
    EXPECT_EQ(list->RowCount(), 0);
}

TEST_F(PortPagesTest, TrunkStatusReadsOnlyWhenShownAndSortsPerColumn)
{
    StartSwitches(1);
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        sw.Store[0x0206] = {0, 0, 0, 0x05, 1, 0, 0, 0, 0x02, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0x08, 0};
    });
    auto* page = AddPage(new TModulePortTrunkStatus(Host()));
    Select({0});
    EXPECT_EQ(page->Refresh(false), 0);
    ASSERT_TRUE(ShowPage());
    TPageList* list = page->List();
    EXPECT_EQ(Column(list, 1), "802.3ad LACP|Static|Static|Static");
    EXPECT_EQ(Column(list, 2), "1, 3|2||4");
    list->horizontalHeader()->sectionClicked(2);   // rising on the first click
    EXPECT_EQ(Column(list, 0), "Trunk.03|Trunk.01|Trunk.02|Trunk.04");
    list->horizontalHeader()->sectionClicked(0);   // its own first click: rising
    EXPECT_EQ(Column(list, 0), "Trunk.01|Trunk.02|Trunk.03|Trunk.04");
    list->horizontalHeader()->sectionClicked(2);   // its second click: falling
    EXPECT_EQ(Column(list, 0), "Trunk.04|Trunk.02|Trunk.01|Trunk.03");
}
