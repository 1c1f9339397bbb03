// The time page: what it shows of a switch's settings, its enable rules, the
// exact "SntpSet" it sends, the re-read at the daylight saving markers on a
// hand-driven clock, and the ranges of its pickers and offset.
#include "IntpSntp.h"
#include "ModuleBasicsSntp.h"
#include "PageEditors.h"
#include "PageFixture.h"

#include <QComboBox>
#include <QDateEdit>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTest>
#include <QTimeEdit>
#include <QTimer>

#include <algorithm>
#include <climits>

using namespace TestSupport;

namespace {

constexpr uint32_t Server = 0xC0000205u;   // 192.0.2.5
constexpr uint32_t Begin = 1711850400u;    // 2024-03-31 02:00:00
constexpr uint32_t End = 1730512800u;      // 2024-11-02 02:00:00

std::vector<uint8_t> SetImage(uint8_t on, uint16_t zone, uint32_t server, uint8_t dst, uint32_t begin, uint32_t end,
                              uint32_t offset)
{
    std::vector<uint8_t> b(20, 0);
    b[0] = on;
    Intp::PutBE16(b.data() + 1, zone);
    Intp::PutBE32(b.data() + 3, server);
    b[7] = dst;
    Intp::PutBE32(b.data() + 8, begin);
    Intp::PutBE32(b.data() + 12, end);
    Intp::PutBE32(b.data() + 16, offset);
    return b;
}

class SntpPageTest : public PageTest {
protected:
    TModuleBasicsSntp* Start()
    {
        StartSwitches(1);
        auto* page = AddPage(new TModuleBasicsSntp(Host()));
        page->SetClock([this] { return Clock; });
        Select({0});
        return page;
    }
    void Store(const std::vector<uint8_t>& image)
    {
        Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x010D] = image; });
    }
    static size_t PendingReads()
    {
        const auto& list = Intp::SessionList();
        return size_t(std::count_if(list.begin(), list.end(), [](Intp::TSession* s) {
            return dynamic_cast<Intp::TSessionBasicsSntpGet*>(s) != nullptr;
        }));
    }
    int64_t Clock = 5000;
};

TEST_F(SntpPageTest, ShowsTheSwitchSettingsAndSendsTheSetAsEdited)
{
    auto* page = Start();
    const QStringList zones = TModuleBasicsSntp::TimeZoneNames();
    ASSERT_EQ(zones.size(), 63);
    EXPECT_EQ(zones[4], "(GMT-08:00)Pacific Time (US & Canada), Tijuana");
    EXPECT_EQ(zones[62], "(GMT+12:00)Fiji, Kamchatka, Marshall Is.");
    for (const QString& zone : zones)
        EXPECT_FALSE(zone.contains("&amp;")) << zone.toStdString();

    Store(SetImage(1, 4, Server, 1, Begin, End, 60));
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->m_Sntp->currentText(), "Enable");
    EXPECT_EQ(page->m_Timezone->currentIndex(), 4);
    EXPECT_EQ(page->m_Address->text(), "192.0.2.5");
    EXPECT_EQ(page->m_Daylight->currentText(), "Enable");
    EXPECT_EQ(page->m_BeginDate->date(), QDate(2024, 3, 31));
    EXPECT_EQ(page->m_BeginTime->time(), QTime(2, 0, 0));
    EXPECT_EQ(page->m_EndDate->date(), QDate(2024, 11, 2));
    EXPECT_EQ(page->m_Offset->value(), 60);
    // The switch's clock (the simulator's: the host's) runs.
    EXPECT_TRUE(page->m_Timer->isActive());
    EXPECT_TRUE(page->m_CurrentLabel->isEnabled());
    page->EventOnTimer();
    EXPECT_TRUE(QDateTime::fromString(page->m_Current->text(), "yyyy/MM/dd HH:mm:ss").isValid())
        << page->m_Current->text().toStdString();
    EXPECT_TRUE(page->ApplyButton()->isEnabled());

    // Edited: zone 62, a negative offset, one more minute at the end.
    page->m_Timezone->setCurrentIndex(62);
    page->m_Offset->setValue(-30);
    page->m_EndTime->setTime(QTime(2, 1, 0));
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(AwaitRequestUnanswered(0x010E), SetImage(1, 62, Server, 1, Begin, End + 60, 0xFFFFFFE2u));
    // The Set is followed by the Get, whose report reloads the page: it shows
    // what the switch holds by then (here changed before the console heard
    // the Set's answer), not what was sent.
    Store(SetImage(1, 61, Server, 1, Begin, End + 60, 0xFFFFFFD8u));
    EXPECT_TRUE(Pump([&] { return page->m_Timezone->currentIndex() == 61; }));
    EXPECT_EQ(page->m_Offset->value(), -40);
    EXPECT_EQ(Requests(0x010D).size(), 2u);
}

TEST_F(SntpPageTest, AClientThatIsOffShowsItsSettingsGreyedAndDisableAlwaysApplies)
{
    auto* page = Start();
    // The client is off; the other settings are shown greyed, as read.
    Store(SetImage(0, 9, Server, 1, Begin, End, 60));
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->m_Sntp->currentText(), "Disable");
    EXPECT_EQ(page->m_Timezone->currentIndex(), 9);
    EXPECT_EQ(page->m_Address->text(), "192.0.2.5");
    EXPECT_EQ(page->m_Current->text(), "(Invalid)");
    EXPECT_EQ(page->m_Daylight->currentText(), "Enable");
    EXPECT_EQ(page->m_BeginDate->date(), QDate(2024, 3, 31));
    EXPECT_EQ(page->m_Offset->value(), 60);
    EXPECT_FALSE(page->m_Timer->isActive());
    EXPECT_FALSE(page->m_CurrentLabel->isEnabled());
    EXPECT_FALSE(page->m_Timezone->isEnabled());
    EXPECT_FALSE(page->m_BeginDate->isEnabled());
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    page->m_Daylight->setCurrentIndex(0);
    page->m_Address->setText("0.0.0.0");

    // "Enable" needs a usable server address.
    page->m_Sntp->setCurrentIndex(1);
    EXPECT_TRUE(page->m_Timezone->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->m_Address->setText("127.0.0.1");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->m_Address->setText("192.0.2.5");
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    // With daylight saving the end must lie after the begin.
    page->m_Daylight->setCurrentIndex(1);
    EXPECT_TRUE(page->m_BeginDate->isEnabled());
    for (QDateEdit* d : {page->m_BeginDate, page->m_EndDate})
        d->setDate(QDate(2024, 3, 31));
    for (QTimeEdit* t : {page->m_BeginTime, page->m_EndTime})
        t->setTime(QTime(2, 0, 0));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->m_EndTime->setTime(QTime(2, 1, 0));
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    page->m_EndDate->setDate(QDate(2024, 3, 30));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());

    // Without a current device nothing can be applied.
    FakeHost().Current.clear();
    page->Notify(nullptr, 0xFF01, 0);
    EXPECT_FALSE(page->m_Sntp->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
}

TEST_F(SntpPageTest, EachSwitchGetsItsOwnSettingsBackWithOnlyTheEditsInCommon)
{
    StartSwitches(2);
    auto* page = AddPage(new TModuleBasicsSntp(Host()));
    page->SetClock([this] { return Clock; });
    // Both clients off, every other field different; switch 1's zone lies
    // beyond the list and its server is not a usable address.
    const auto image0 = SetImage(0, 9, Server, 1, Begin, End, 60);
    const auto image1 = SetImage(0, 70, 0x7F000001u, 0, End, Begin, 255);
    Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[0x010D] = image0; });
    Simulator().With(1, [&](Sim::TSimSwitch& sw) { sw.Store[0x010D] = image1; });
    auto sentTo = [this](size_t which) {
        std::vector<std::vector<uint8_t>> bodies;
        for (const auto& e : Requests(0x010E))
            if (e.DestIp == SimIp(which))
                bodies.push_back(e.Body);
        return bodies;
    };
    auto apply = [&](size_t count0, size_t count1) {
        const size_t from = ReportCount();
        const bool to0 = count0 > sentTo(0).size(), to1 = count1 > sentTo(1).size();
        QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
        EXPECT_TRUE(Pump([&] { return sentTo(0).size() >= count0 && sentTo(1).size() >= count1; }));
        // Each switch that took a Set is read again, and that read reloads
        // the page.
        EXPECT_TRUE(!to0 || WaitForSetAndRead(from, Device(0), 0x010E, 0x010D));
        EXPECT_TRUE(!to1 || WaitForSetAndRead(from, Device(1), 0x010E, 0x010D));
    };

    // Switch 0 shown, then switch 1 alone: nothing of switch 0 stays.
    Select({0});
    ASSERT_TRUE(ShowPage());
    Select({1});
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->m_Timezone->currentText(), "70");   // shown as it goes back
    EXPECT_EQ(page->m_Address->text(), "127.0.0.1");
    EXPECT_EQ(page->m_Offset->value(), 255);
    EXPECT_EQ(page->m_BeginDate->date(), QDate(2024, 11, 2));
    apply(0, 1);
    EXPECT_EQ(sentTo(1).back(), image1);

    // Both current, nothing edited: each its own settings, as read.
    Select({0, 1});
    ASSERT_TRUE(ShowPage());
    apply(1, 2);
    EXPECT_EQ(sentTo(0).back(), image0);
    EXPECT_EQ(sentTo(1).back(), image1);

    // The edited fields go to both; the rest stays each switch's own.
    page->m_Sntp->setCurrentIndex(1);
    page->m_Address->setText("192.0.2.9");
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    apply(2, 3);
    EXPECT_EQ(sentTo(0).back(), SetImage(1, 9, 0xC0000209u, 1, Begin, End, 60));
    EXPECT_EQ(sentTo(1).back(), SetImage(1, 70, 0xC0000209u, 0, End, Begin, 255));

    // A switch whose settings are not read gets nothing; while the shown
    // one's are not, nothing can be applied.
    Intp::GetPropertyBasicsSntp(Device(1)).Valid = 0;
    page->Notify(Device(0), 0xFF01, 0);
    apply(3, 3);
    EXPECT_EQ(sentTo(1).size(), 3u);
    Intp::GetPropertyBasicsSntp(Device(0)).Valid = 0;
    page->Notify(Device(0), 0xFF01, 0);
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
}

TEST_F(SntpPageTest, ReadsAgainOnceWhenTheClockPassesEachMarkerHoweverTheTicksCome)
{
    auto* page = Start();
    auto& record = Intp::GetPropertyBasicsSntp(Device(0));
    record = {};
    record.Valid = 1;
    record.Enabled = 1;
    record.Server = Server;
    record.SwitchTime = 1000000;
    record.DstEnabled = 1;
    record.DstBegin = 1000010;   // read again at 1000013
    record.DstEnd = 1000100;     // and at 1000100 + 3 + 3600
    record.DstOffset = 60;
    page->Notify(Device(0), 0xFF01, 0);   // fills from the record as it stands
    ASSERT_TRUE(page->m_Timer->isActive());

    auto tickAt = [&](int64_t switchTime) {
        Clock = 5000 + switchTime - 1000000;
        page->EventOnTimer();
        return PendingReads();
    };
    EXPECT_EQ(tickAt(1000012), 0u);
    EXPECT_EQ(page->m_Current->text(), "1970/01/12 13:46:52");
    EXPECT_EQ(tickAt(1000014), 1u);   // a late tick: 1000013 was skipped
    EXPECT_EQ(tickAt(1000014), 1u);   // a doubled tick reads nothing more
    EXPECT_EQ(tickAt(1000015), 1u);
    EXPECT_EQ(tickAt(1003702), 1u);
    EXPECT_EQ(tickAt(1003703), 2u);   // on time at the end marker
    EXPECT_EQ(tickAt(1003704), 2u);

    // Without daylight saving the clock runs but never reads again.
    record.DstEnabled = 0;
    record.SwitchTime = 1000000;
    Clock = 5000;
    page->Notify(Device(0), 0xFF01, 0);
    ASSERT_TRUE(page->m_Timer->isActive());
    EXPECT_EQ(tickAt(1000014), 2u);
    EXPECT_EQ(tickAt(1003703), 2u);
    // Daylight saving off: the greyed pickers show the period as read, not
    // the clock.
    EXPECT_EQ(page->m_BeginDate->date(), QDate(1970, 1, 12));
    EXPECT_EQ(page->m_EndTime->time(), QTime(13, 48, 20));

    // A clock the switch does not know: no running clock at all.
    record.SwitchTime = Intp::SntpTimeUnknown;
    page->Notify(Device(0), 0xFF01, 0);
    EXPECT_FALSE(page->m_Timer->isActive());
    EXPECT_EQ(page->m_Current->text(), "(Invalid)");
    EXPECT_FALSE(page->m_CurrentLabel->isEnabled());
}

TEST_F(SntpPageTest, PickersAndOffsetCoverExactlyTheFieldsRanges)
{
    auto* page = Start();
    EXPECT_EQ(page->m_BeginDate->minimumDate(), QDate(1970, 1, 1));
    EXPECT_EQ(page->m_EndDate->maximumDate(), QDate(2106, 2, 7));
    EXPECT_EQ(page->m_Offset->minimum(), INT_MIN);
    EXPECT_EQ(page->m_Offset->maximum(), INT_MAX);

    QDate date;
    QTime time;
    TModuleBasicsSntp::FromSeconds(0xFFFFFFFFu, date, time);
    EXPECT_EQ(date, QDate(2106, 2, 7));
    EXPECT_EQ(time, QTime(6, 28, 15));
    EXPECT_EQ(TModuleBasicsSntp::ToSeconds(date, time), 0xFFFFFFFFu);
    // The last day's later seconds do not wrap to 1970.
    EXPECT_EQ(TModuleBasicsSntp::ToSeconds(date, QTime(23, 59, 59)), 0xFFFFFFFFu);
    EXPECT_EQ(TModuleBasicsSntp::ToSeconds(QDate(1970, 1, 1), QTime(0, 0, 0)), 0u);
    EXPECT_EQ(TModuleBasicsSntp::ToSeconds(QDate(2024, 3, 31), QTime(2, 0, 0, 600)), Begin + 1);
}

} // namespace
