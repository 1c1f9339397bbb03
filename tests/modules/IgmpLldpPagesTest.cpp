// The IGMP snooping, IGMP table and LLDP pages against the switch
// simulator.
#include "IntpIgmpLldp.h"
#include "ModuleIgmp.h"
#include "ModuleIgmpTable.h"
#include "ModuleLldp.h"
#include "PageFixture.h"
#include "PageEditors.h"
#include "PageList.h"

#include <QComboBox>
#include <QLineEdit>
#include <QHeaderView>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>

using namespace TestSupport;

namespace {

class IgmpLldpPagesTest : public PageTest {
protected:
    static std::vector<uint8_t> IgmpRow(uint32_t mask, uint32_t group, uint16_t vlan)
    {
        std::vector<uint8_t> row(10);
        Intp::PutBE32(row.data(), mask);
        Intp::PutBE32(row.data() + 4, group);
        row[8] = uint8_t(vlan >> 8);
        row[9] = uint8_t(vlan);
        return row;
    }
    static QString Numbers(TPageList* list)
    {
        QString out;
        for (int r = 0; r < list->RowCount(); ++r)
            out += list->Text(r, 0);
        return out;
    }
};

} // namespace

// Without a device nothing of the switch shown before stays on show, and
// Apply sends nothing.
TEST_F(IgmpLldpPagesTest, SnoopingForgetsTheSwitchWithoutADeviceAndThenSendsNothing)
{
    auto* page = ShowOnOneSwitch<TModuleIgmp>([](Sim::TSimSwitch& sw) { sw.Store[0x0600] = {1, 2}; });
    EXPECT_EQ(page->Snooping()->currentText() + page->QueryMode()->currentText(), "EnableAuto");
    page->QueryMode()->setCurrentIndex(1);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0601), (std::vector<uint8_t>{1, 1}));

    Select({});
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->Snooping()->currentIndex(), 0);
    EXPECT_EQ(page->QueryMode()->currentIndex(), 0);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    ASSERT_TRUE(SentSoFarArrived());
    EXPECT_EQ(Requests(0x0601).size(), 1u);
}

TEST_F(IgmpLldpPagesTest, TableTextsAndNeutralStartPerColumnSorting)
{
    auto* page = ShowOnOneSwitch<TModuleIgmpTable>([](Sim::TSimSwitch& sw) {
        std::vector<uint8_t> rows;
        for (auto row : {IgmpRow(0b101, 0xEF010101, 5),      // 239.1.1.1
                         IgmpRow(1u << 8, 0x09000009, 1),     // 9.0.0.9; bit 8 is no port of 8
                         IgmpRow(0b10, 0x0A000001, 10)})      // 10.0.0.1
            rows.insert(rows.end(), row.begin(), row.end());
        sw.Store[0x0602] = rows;
    });
    TPageList* list = page->List();
    ASSERT_EQ(list->RowCount(), 3);
    EXPECT_EQ(Numbers(list), "123");   // neutral: record order
    EXPECT_EQ(list->Text(0, 1) + "|" + list->Text(0, 2) + "|" + list->Text(0, 3), "239.1.1.1|5|1, 3");
    EXPECT_EQ(list->Text(1, 3), "");

    list->horizontalHeader()->sectionClicked(2);   // VLAN ID rising
    EXPECT_EQ(Numbers(list), "213");
    list->horizontalHeader()->sectionClicked(2);   // falling
    EXPECT_EQ(Numbers(list), "312");
    list->horizontalHeader()->sectionClicked(1);   // addresses as numbers: 9.x before 10.x
    EXPECT_EQ(Numbers(list), "231");
    list->horizontalHeader()->sectionClicked(2);   // VLAN ID remembers falling: now rising
    EXPECT_EQ(Numbers(list), "213");
    list->horizontalHeader()->sectionClicked(3);   // masks as numbers: 0b10 < 0b101 < 1 << 8
    EXPECT_EQ(Numbers(list), "312");
    // The next read lists the rows in record order; only a click sorts.
    ASSERT_EQ(page->Refresh(false), 1);
    ASSERT_EQ(WaitForReport(Device(0), 0x0602), 0u);
    EXPECT_EQ(Numbers(list), "123");

    page->Leave(false);
    EXPECT_EQ(list->RowCount(), 0);
}

TEST_F(IgmpLldpPagesTest, LldpDefaultsAndAnIntervalBoundToSixteenBits)
{
    auto* page = ShowOnOneSwitch<TModuleLldp>([](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 3; });
    Simulator().With(0, [](Sim::TSimSwitch& sw) {
        sw.Faults.ForceStatus = -1;
        sw.Store[0x0B00] = {0, 0, 0, 30};
    });
    EXPECT_EQ(page->Enable()->currentText(), "Disable");
    EXPECT_EQ(page->Interval()->value(), 30);
    // The defaults are not the switch's: nothing goes until a read succeeds.
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    Select({0});
    page->hide();
    ASSERT_TRUE(ShowPage());
    size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0B01), (std::vector<uint8_t>{0, 0, 0, 30}));
    EXPECT_EQ(WaitForReportSince(reports, Device(0), 0x0B00), 0u);   // its Get reloads first

    // 70000 would be cut to 4464 on the wire: the spinner keeps to 16 bits.
    page->Interval()->setValue(70000);
    EXPECT_EQ(page->Interval()->value(), 65535);
    page->Enable()->setCurrentIndex(1);
    reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0B01, 2), (std::vector<uint8_t>{1, 0, 0xFF, 0xFF}));
    EXPECT_EQ(WaitForReportSince(reports, Device(0), 0x0B00), 0u);
    EXPECT_EQ(page->Interval()->value(), 65535);
}

// Text put into the interval box from outside (as through the accessibility
// interface), past the 16 bits the interval travels in, is clamped when
// Apply commits it: the box then shows what was sent.
TEST_F(IgmpLldpPagesTest, LldpIntervalTypedPastItsLimitIsSentAsShown)
{
    auto* page = ShowOnOneSwitch<TModuleLldp>([](Sim::TSimSwitch& sw) { sw.Store[0x0B00] = {1, 0, 0, 30}; });
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    auto* text = page->Interval()->findChild<QLineEdit*>();
    ASSERT_NE(text, nullptr);
    struct TCase {
        const char* Typed;
        int Shown;
    } cases[] = {{"70000", 65535}, {"120", 120}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Typed);
        text->setText(c.Typed);   // as the accessibility interface sets it, unvalidated
        EXPECT_EQ(text->text(), c.Typed);
        Simulator().ClearLog();
        const size_t reports = ReportCount();
        page->EventOnApplyClick();
        const auto body = WaitForRequest(0x0B01);
        ASSERT_EQ(body.size(), 4u);
        EXPECT_EQ(Intp::GetBE16(&body[2]), c.Shown);
        EXPECT_EQ(page->Interval()->value(), c.Shown);
        EXPECT_EQ(text->text(), QString::number(c.Shown));
        ASSERT_EQ(WaitForReportSince(reports, Device(0), 0x0B00), 0u);   // read back as sent
        EXPECT_EQ(page->Interval()->value(), c.Shown);
    }
}
