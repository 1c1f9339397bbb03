// The RSTP settings, RSTP information and ring pages against the switch
// simulator: what they show, their header and enable rules, and the exact
// requests they send.
#include "AccessibleNames.h"
#include "IntpRedundancy.h"
#include "ModuleRedundancyQloop.h"
#include "ModuleRedundancyRstp.h"
#include "ModuleRedundancyRstpInfo.h"
#include "PageEditors.h"
#include "PageTestHelpers.h"
#include "PageList.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

using namespace TestSupport;

namespace {

class RedundancyPagesTest : public PagesTest {
protected:
    void Click(QWidget* page, const char* list, int column)
    {
        Child<TPageList>(page, list)->horizontalHeader()->sectionClicked(column);
    }
};

} // namespace

TEST_F(RedundancyPagesTest, RstpShowsTheSwitchSettingsWithLimitLabelsAndModeRule)
{
    auto* page = Open<TModuleRedundancyRstp>();
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_ListView");
    ASSERT_EQ(list->RowCount(), 8);
    EXPECT_EQ(list->Text(7, 0), "Port.08");
    EXPECT_EQ(list->Text(0, 1), "200000");
    EXPECT_EQ(list->Text(0, 2), "128");
    EXPECT_EQ(list->Text(0, 3), "Auto");
    EXPECT_EQ(Child<QLabel>(page, "m_BridgePriorityLimit")->text(), "(0 - 61440)");
    EXPECT_EQ(Child<QLabel>(page, "m_BridgeAgeLimit")->text(), "(6 - 40)");
    EXPECT_EQ(Child<QLabel>(page, "m_PortCostLimit")->text(), "(1 - 200000000)");
    EXPECT_EQ(Child<QLabel>(page, "m_PortPriorityLimit")->text(), "(0 - 240)");
    // RSTP off on the switch: the bridge values and the list are disabled.
    EXPECT_FALSE(list->isEnabled());
    EXPECT_FALSE(Child<QSpinBox>(page, "m_BridgeAge")->isEnabled());
    Child<QComboBox>(page, "m_Mode")->setCurrentIndex(1);
    EXPECT_TRUE(list->isEnabled());
    EXPECT_TRUE(Child<QSpinBox>(page, "m_BridgeAge")->isEnabled());
    EXPECT_FALSE(Child<QSpinBox>(page, "m_PortCost")->isEnabled());   // no row selected
}

TEST_F(RedundancyPagesTest, RstpSpinnersKeepTheirLimitsAndPrioritiesMoveOnlyByArrows)
{
    auto* page = Open<TModuleRedundancyRstp>();
    ASSERT_TRUE(ShowPage());
    auto* bridge = Child<TLimitSpin>(page, "m_BridgePriority");
    EXPECT_TRUE(bridge->findChild<QLineEdit*>()->isReadOnly());
    bridge->stepUp();
    EXPECT_EQ(bridge->value(), 32768 + 4096);
    bridge->setValue(61440);
    bridge->stepUp();
    EXPECT_EQ(bridge->value(), 61440);
    // Typing keeps the value within the limits: a value past the maximum
    // becomes the maximum when the field is left, a value below the minimum
    // the minimum, and so does text that is no number.
    Child<QComboBox>(page, "m_Mode")->setCurrentIndex(1);
    auto* age = Child<TLimitSpin>(page, "m_BridgeAge");
    auto* ageText = age->findChild<QLineEdit*>();
    ageText->selectAll();
    QTest::keyClicks(ageText, "99");
    EXPECT_EQ(ageText->text(), "99");
    Leave(age);
    EXPECT_EQ(age->value(), 40);
    ageText->selectAll();
    QTest::keyClicks(ageText, "5");
    Leave(age);
    EXPECT_EQ(age->value(), 6);
    age->setValue(30);
    ageText->selectAll();
    QTest::keyClick(ageText, Qt::Key_Delete);
    Leave(age);
    EXPECT_EQ(age->value(), 6);
    auto* port = Child<TLimitSpin>(page, "m_PortPriority");
    EXPECT_TRUE(port->findChild<QLineEdit*>()->isReadOnly());
    EXPECT_EQ(port->singleStep(), 16);
    port->setValue(0);
    port->stepDown();
    EXPECT_EQ(port->value(), 0);
}

TEST_F(RedundancyPagesTest, RstpHeadersStepAndWrapEveryRow)
{
    auto* page = Open<TModuleRedundancyRstp>();
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_ListView");
    list->SelectRow(0);
    Child<QSpinBox>(page, "m_PortPriority")->setValue(240);
    Child<QSpinBox>(page, "m_PortCost")->setValue(200000000);
    EXPECT_EQ(list->Text(0, 2), "240");

    Click(page, "m_ListView", 2);   // 240 + 16 passes the maximum: the minimum
    Click(page, "m_ListView", 1);   // 200000000 + 1: the minimum
    Click(page, "m_ListView", 3);   // "Auto" wraps to "False"
    for (int r = 0; r < list->RowCount(); ++r) {
        EXPECT_EQ(list->Text(r, 2), "0");
        EXPECT_EQ(list->Text(r, 1), "1");
        EXPECT_EQ(list->Text(r, 3), "False");
    }
    EXPECT_EQ(Child<QSpinBox>(page, "m_PortPriority")->value(), 0);   // the editors follow
    Click(page, "m_ListView", 2);
    EXPECT_EQ(list->Text(5, 2), "16");
    Click(page, "m_ListView", 0);   // "Port No.": nothing
    EXPECT_EQ(list->Text(5, 0), "Port.06");
}

TEST_F(RedundancyPagesTest, RstpApplySendsEightBytesPerPortPlusSixWithModeDisabled)
{
    auto* page = Open<TModuleRedundancyRstp>();
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_ListView");
    list->SelectRow(2);
    Child<QSpinBox>(page, "m_PortCost")->setValue(123456);
    Child<QComboBox>(page, "m_PortEdge")->setCurrentIndex(1);
    Child<QSpinBox>(page, "m_BridgeHello")->setValue(3);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto body = WaitForRequest(0x0303);
    ASSERT_EQ(body.size(), 8u * 8 + 6);
    EXPECT_EQ(body[0], 0);   // "Disable" still sends the values as shown
    EXPECT_EQ(Intp::GetBE16(&body[1]), 32768);
    EXPECT_EQ(body[3], 20);
    EXPECT_EQ(body[4], 3);
    EXPECT_EQ(body[5], 15);
    const uint8_t* row2 = &body[6 + 8 * 2];
    EXPECT_EQ(Intp::GetBE32(row2), 123456u);
    EXPECT_EQ(row2[4], 128);
    EXPECT_EQ(row2[5], 2);
    EXPECT_EQ(row2[6], 1);
    EXPECT_EQ(row2[7], 0);
    EXPECT_EQ(Intp::GetBE32(&body[6]), 200000u);
    // The Get that follows reloads the page from what the switch holds.
    EXPECT_TRUE(Pump([&] { return list->RowCount() == 8 && list->Row(2).Loaded[0] == 123456; }));
}

TEST_F(RedundancyPagesTest, RstpInformationShowsTheRootAndSortsNumbers)
{
    auto* page = Open<TModuleRedundancyRstpInfo>();
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        auto& rstp = sw.Store[0x0302];
        rstp.assign(6 + 8 * 8, 0);
        rstp[0] = 1;
        Intp::PutBE16(&rstp[1], 4096);
        rstp[3] = 20, rstp[4] = 2, rstp[5] = 15;
        for (int i = 0; i < 8; ++i) {
            Intp::PutBE32(&rstp[6 + 8 * i], i == 1 ? 5 : 100 - i);
            rstp[10 + 8 * i] = 128;
        }
    });
    NameControls(page, page->GetCaption());   // as the page host names it
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(Child<QLabel>(page, "m_RootPort")->text(), "Root");
    // Each value is heard as itself, not as its caption.
    EXPECT_EQ(QAccessible::queryAccessibleInterface(Child<QLabel>(page, "m_RootPort"))->text(QAccessible::Name), "Root");
    EXPECT_EQ(Child<QLabel>(page, "m_BridgeId")->text(), "1000" + QString::fromStdString(Intp::MacToText(Device(0)->GetMac())).remove(':'));
    EXPECT_EQ(Child<QLabel>(page, "m_Priority")->text(), "4096");
    auto* list = Child<TPageList>(page, "m_List");
    ASSERT_EQ(list->RowCount(), 8);
    EXPECT_EQ(list->Text(0, 0), "Port.01");   // no order until a header is clicked
    EXPECT_EQ(list->Text(0, 6), "Forwarding");
    EXPECT_EQ(list->Text(0, 7), "Designated");
    Click(page, "m_List", 1);   // path costs as numbers: 5 < 93 < ... < 100
    EXPECT_EQ(list->Text(0, 1), "5");
    EXPECT_EQ(list->Text(1, 1), "93");
    EXPECT_TRUE(list->isEnabled());

    // RSTP off: "N/A" everywhere and no rows.
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Store[0x0302][0] = 0; });
    page->hide();
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(Child<QLabel>(page, "m_Delay")->text(), "N/A");
    EXPECT_EQ(Child<QLabel>(page, "m_BridgeId")->text(), "N/A");
    EXPECT_EQ(list->RowCount(), 0);

    // A failed read: everything disabled, the labels keep their texts.
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 1; });
    page->hide();
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(list->isEnabled());
    EXPECT_EQ(Child<QLabel>(page, "m_Delay")->text(), "N/A");
}

TEST_F(RedundancyPagesTest, RstpInformationShowsAnotherRootPortByNumber)
{
    auto* page = Open<TModuleRedundancyRstpInfo>();
    auto& record = Intp::GetPropertyRedundancyRstpInfo(Device(0));
    record.Valid = 1;
    record.Enabled = 1;
    record.RootPort = 2;
    page->Notify(Device(0), Intp::TPropertyRedundancyRstpInfo::GetCommand, 0);
    EXPECT_EQ(Child<QLabel>(page, "m_RootPort")->text(), "Port.02");
}

TEST_F(RedundancyPagesTest, RingPortsBeyondTheModelAreShownAndKeptAsRead)
{
    auto* page = Open<TModuleRedundancyQloop>();
    EXPECT_EQ(page->GetCaption(), "Marlune");
    // Ring on, master, ring ports 3 and 8 (beyond an 8-port model), coupling
    // on with control 255 and coupling 5, homing off.
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Store[0x0300] = {1, 1, 3, 8, 1, 255, 5, 0, 6}; });
    ASSERT_TRUE(ShowPage());
    auto* first = Child<QComboBox>(page, "m_1stPort");
    auto* second = Child<QComboBox>(page, "m_2ndPort");
    auto* control = Child<QComboBox>(page, "m_ControlPort");
    EXPECT_EQ(first->itemText(0), "Port.01");
    EXPECT_EQ(first->currentIndex(), 3);
    EXPECT_EQ(ChoiceCount(second), 8);
    EXPECT_EQ(second->currentText(), "8");     // the port number as read
    EXPECT_EQ(control->currentText(), "255");
    EXPECT_EQ(Child<QComboBox>(page, "m_CouplingPort")->currentIndex(), 5);
    EXPECT_TRUE(control->isEnabled());
    EXPECT_FALSE(Child<QComboBox>(page, "m_HomingPort")->isEnabled());

    // Untouched, the values go back as read.
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0301), (std::vector<uint8_t>{1, 1, 3, 8, 1, 255, 5, 0, 6}));
    ASSERT_TRUE(Pump([&] { return page->isVisible(); }));

    // The same port twice: refused.
    control->setCurrentIndex(3);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(Ui().LastText(), "Duplicated Ports!");
    ASSERT_TRUE(SentSoFarArrived());
    EXPECT_EQ(Requests(0x0301).size(), 1u);

    control->setCurrentIndex(7);
    second->setCurrentIndex(0);
    Child<QCheckBox>(page, "m_HomingMode")->setChecked(true);
    EXPECT_TRUE(Child<QComboBox>(page, "m_HomingPort")->isEnabled());
    Child<QComboBox>(page, "m_HomingPort")->setCurrentIndex(6);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0301, 2), (std::vector<uint8_t>{1, 1, 3, 0, 1, 7, 5, 1, 6}));
}

// Turning the ring (or coupling) off keeps its settings on the switch: the
// greyed values go as shown, so that turning it on again restores them.
TEST_F(RedundancyPagesTest, RingOffSendsItsPortsAsShownAndUncheckedPortsAreNotChecked)
{
    auto* page = Open<TModuleRedundancyQloop>();
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Store[0x0300] = {1, 0, 1, 2, 0, 1, 2, 0, 1}; });
    ASSERT_TRUE(ShowPage());
    // Coupling off with its ports equal to the ring ports: accepted, kept.
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0301), (std::vector<uint8_t>{1, 0, 1, 2, 0, 1, 2, 0, 1}));
    EXPECT_TRUE(Ui().Boxes.empty());
    ASSERT_TRUE(Pump([&] { return page->isVisible(); }));

    Child<QComboBox>(page, "m_2ndPort")->setCurrentIndex(1);   // same as the first
    Child<QCheckBox>(page, "m_LegacyMode")->setChecked(false);
    EXPECT_FALSE(Child<QComboBox>(page, "m_1stPort")->isEnabled());
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0301, 2), (std::vector<uint8_t>{0, 0, 1, 1, 0, 1, 2, 0, 1}));
    EXPECT_TRUE(Ui().Boxes.empty());
    // On again: the ports the switch kept come back.
    ASSERT_TRUE(Pump([&] { return page->isVisible() && !Child<QCheckBox>(page, "m_LegacyMode")->isChecked(); }));
    EXPECT_EQ(Child<QComboBox>(page, "m_2ndPort")->currentIndex(), 1);
}

// Values the switch holds outside the controls' ranges stay as read while
// other values are edited; text typed but not yet committed is clamped and
// sent as shown; a reload without a device shows nothing of the switch.
TEST_F(RedundancyPagesTest, RstpKeepsOddValuesCommitsTypedTextAndForgetsTheSwitch)
{
    auto* page = Open<TModuleRedundancyRstp>();
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> body(6 + 8 * 8, 0);
        body[0] = 1;
        Intp::PutBE16(&body[1], 4096);
        body[3] = 50, body[4] = 2, body[5] = 15;
        for (int i = 0; i < 8; ++i) {
            Intp::PutBE32(&body[6 + 8 * i], 2000);
            body[10 + 8 * i] = 128;
        }
        body[6 + 5] = 7;   // port 1: point-to-point code 7
        sw.Store[0x0302] = body;
    });
    ASSERT_TRUE(ShowPage());
    auto* list = Child<TPageList>(page, "m_ListView");
    auto* age = Child<TLimitSpin>(page, "m_BridgeAge");
    EXPECT_EQ(list->Text(0, 3), "7");
    EXPECT_EQ(age->value(), 50);
    list->SelectRow(0);
    EXPECT_EQ(Child<QComboBox>(page, "m_PortP2p")->currentText(), "7");
    Child<QComboBox>(page, "m_PortEdge")->setCurrentIndex(1);   // another slot of the row
    list->SelectRow(1);
    Child<QComboBox>(page, "m_PortP2p")->setCurrentIndex(1);    // another row
    Click(page, "m_ListView", 5);                                // another column's header
    EXPECT_EQ(list->Row(0).Edited[2], 7);

    auto* helloText = Child<TLimitSpin>(page, "m_BridgeHello")->findChild<QLineEdit*>();
    helloText->selectAll();
    QTest::keyClicks(helloText, "45");   // not left: Apply commits it
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto body = WaitForRequest(0x0303);
    ASSERT_EQ(body.size(), 6u + 8 * 8);
    EXPECT_EQ(body[3], 50);
    EXPECT_EQ(body[4], 10);
    EXPECT_EQ(helloText->text(), "10");
    EXPECT_EQ(body[6 + 5], 7);
    EXPECT_EQ(body[6 + 6], 1);
    EXPECT_EQ(body[6 + 8 + 5], 1);

    ASSERT_TRUE(Pump([&] { return page->isVisible(); }));
    Select({});
    page->Notify(nullptr, EventPageShown, 0);
    EXPECT_EQ(Child<QComboBox>(page, "m_Mode")->currentText(), "Disable");
    EXPECT_EQ(age->value(), 20);
    EXPECT_EQ(Child<TLimitSpin>(page, "m_BridgeHello")->value(), 2);
    EXPECT_EQ(list->RowCount(), 0);
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
}
