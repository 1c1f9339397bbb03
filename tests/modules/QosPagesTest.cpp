// The QoS pages against the switch simulator: defaults, the header rule and
// the request bytes of each page.
#include "EditTable.h"
#include "ModuleQos.h"
#include "ModuleQosCos.h"
#include "ModuleQosPort.h"
#include "ModuleQosTos.h"
#include "PageFixture.h"

#include <QComboBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

using namespace TestSupport;

namespace {

class QosPagesTest : public PageTest {
protected:
    // Shows `page` on switch 0; `refused`: its first read is refused, so the
    // page shows its defaults with Apply disabled; then it reads the switch,
    // which holds the same values as the defaults.
    template <class P>
    P* Open(bool refused = false)
    {
        auto* page = ShowOnOneSwitch<P>([refused](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = refused ? 3 : -1; });
        Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = -1; });
        if (refused) {
            EXPECT_FALSE(page->ApplyButton()->isEnabled());
            Select({0});
            page->hide();
            EXPECT_TRUE(ShowPage());
            EXPECT_TRUE(page->ApplyButton()->isEnabled());
        }
        return page;
    }
    std::vector<uint8_t> Apply(TModulePage* page, uint16_t setCode)
    {
        QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
        return WaitForRequest(setCode);
    }
};

} // namespace

TEST_F(QosPagesTest, PolicySendsSchemeAndType)
{
    auto* page = Open<TModuleQos>(true);
    EXPECT_TRUE(page->Weighted()->isChecked());
    EXPECT_EQ(page->Mode()->currentText(), "Disable");
    page->Strict()->setChecked(true);
    page->Mode()->setCurrentIndex(4);   // "COS First"
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(AwaitRequestUnanswered(0x0501), (std::vector<uint8_t>{1, 4}));
    // The Set's Get reloads the page with what the switch holds by then
    // (here changed before the console heard the Set's answer).
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Store[0x0500] = {0, 3}; });
    EXPECT_TRUE(Pump([&] { return page->Weighted()->isChecked(); }));
    EXPECT_EQ(page->Mode()->currentIndex(), 3);
}

TEST_F(QosPagesTest, CosDefaultsHeaderRulesAndRequestOfEightPlusPorts)
{
    auto* page = Open<TModuleQosCos>(true);
    TPageList* cos = page->CosTable()->List();
    TPageList* ports = page->PortTable()->List();
    const size_t p = Device(0)->GetPortCount();
    ASSERT_EQ(cos->RowCount(), 8);
    ASSERT_EQ(ports->RowCount(), int(p));
    EXPECT_EQ(cos->Text(0, 0) + " " + cos->Text(7, 0) + " " + cos->Text(0, 1), "Priority.00 Priority.07 Lowest");
    EXPECT_EQ(ports->Text(0, 0) + " " + ports->Text(0, 1), "Port.01 Priority.00");

    cos->SelectRow(0);
    page->CosMapping()->setCurrentIndex(3);   // "High"
    cos->horizontalHeader()->sectionClicked(1);   // "High" wraps: all "Lowest"
    EXPECT_EQ(cos->Text(7, 1), "Lowest");
    cos->horizontalHeader()->sectionClicked(1);   // all "Low"
    ports->SelectRow(0);
    page->PortPriority()->setCurrentIndex(7);
    ports->horizontalHeader()->sectionClicked(1);   // priority 7 wraps to 0 over eight choices
    ports->SelectRow(2);
    page->PortPriority()->setCurrentIndex(5);
    ports->horizontalHeader()->sectionClicked(0);   // the first column: nothing
    std::vector<uint8_t> expected(8, 1);
    expected.resize(8 + p, 0);
    expected[8 + 2] = 5;
    EXPECT_EQ(Apply(page, 0x0505), expected);
}

TEST_F(QosPagesTest, PortPriorityRequestOfOneBytePerPort)
{
    auto* page = Open<TModuleQosPort>();
    TPageList* list = page->Table()->List();
    ASSERT_EQ(list->RowCount(), int(Device(0)->GetPortCount()));
    EXPECT_EQ(list->Text(0, 0) + " " + list->Text(0, 1), "Port.01 Lowest");
    list->SelectRow(1);
    page->Priority()->setCurrentIndex(2);
    EXPECT_EQ(list->Text(1, 1), "Middle");
    std::vector<uint8_t> expected(Device(0)->GetPortCount(), 0);
    expected[1] = 2;
    EXPECT_EQ(Apply(page, 0x0503), expected);
}

TEST_F(QosPagesTest, TosHeaderClickOnAFreshPageSendsSixtyFourOnes)
{
    auto* page = Open<TModuleQosTos>(true);
    TPageList* list = page->Table()->List();
    ASSERT_EQ(list->RowCount(), 64);
    EXPECT_EQ(list->Text(0, 0) + " " + list->Text(63, 0), "0 63");
    list->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(Apply(page, 0x0507), std::vector<uint8_t>(64, 1));
}
