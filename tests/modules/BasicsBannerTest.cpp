// The Basics (login) page and the link state banner against the switch
// simulator.
#include "IntpProtocol.h"
#include "IntpRedundancy.h"
#include "ModuleBannerBrivo6042G.h"
#include "ModuleBasics.h"
#include "ModuleRedundancyRstp.h"
#include "PageFixture.h"
#include "PageList.h"
#include "Resources.h"
#include "StatusFrame.h"
#include "SyslogForm.h"
#include "SyslogFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

using namespace TestSupport;

namespace {

bool SameIcon(const QIcon& icon, const char* name)
{
    return !icon.isNull() && icon.pixmap(16).toImage() == Resources::Icon(name).pixmap(16).toImage();
}

class BasicsPageTest : public PageTest {
protected:
    TModuleBasics* Start(size_t n)
    {
        StartSwitches(n);
        return AddPage(new TModuleBasics(Host()));
    }
    void Type(TModuleBasics* page, const char* user, const char* password)
    {
        page->Username()->setText(user);
        page->Password()->setText(password);
    }
};

class FakeStatus final : public Status::TStatusServer {
public:
    void AddDevices(const std::vector<Intp::TDevice*>&) override {}
    void AddDevice(Intp::TDevice*) override {}
    uint32_t GetStatusFlags(Intp::TDevice*) override { return Bits; }
    uint32_t Bits = 0;
};

class BannerTest : public PageTest {
protected:
    TModuleBannerBrivo6042G* Start(uint32_t model = 1)
    {
        StartSwitches(1, model);
        FakeHost().StatusServer = &Status;
        FakeHost().SyslogServer = &Syslog;
        auto* banner = new TModuleBannerBrivo6042G(Host());
        Host()->RegisterBanner(int(model), banner);
        Select({0});
        return banner;
    }
    void Ping(uint32_t linkMask, uint32_t powerAlarm = 0, uint32_t portAlarm = 0)
    {
        auto& ping = Device(0)->GetProperty<Intp::TPropertyIntpPing2>();
        ping.Valid = 1;
        ping.LinkMask = linkMask;
        ping.PowerAlarm = powerAlarm;
        ping.PortAlarm = portAlarm;
    }
    QString Leds(TModuleBannerBrivo6042G* banner)
    {
        QString s;
        for (int i = 0; i < TLinkImage::LedCount; ++i) {
            const QColor c = banner->LinkImage()->Led(i);
            s += c == TModuleBannerBrivo6042G::BrightGreen ? 'G' : c == TModuleBannerBrivo6042G::Black ? 'b' : 's';
        }
        return s;
    }
    FakeStatus Status;
    TSyslogFrame Syslog;
};

} // namespace

TEST_F(BasicsPageTest, WithoutADeviceEverythingIsDisabledAndEmpty)
{
    auto* page = Start(1);
    Select({});
    ASSERT_TRUE(ShowPage());
    for (QWidget* w : {static_cast<QWidget*>(page->Username()), static_cast<QWidget*>(page->Password()),
                       static_cast<QWidget*>(page->LoginButton()), static_cast<QWidget*>(page->LogoutButton())})
        EXPECT_FALSE(w->isEnabled());
    EXPECT_EQ(page->Devices()->RowCount(), 0);
}

TEST_F(BasicsPageTest, LoginNeedsBothTexts)
{
    auto* page = Start(1);
    Select({0}, false);
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(page->LoginButton()->isEnabled());
    page->Username()->setText("admin");
    EXPECT_FALSE(page->LoginButton()->isEnabled());
    page->Password()->setText("x");
    EXPECT_TRUE(page->LoginButton()->isEnabled());
    page->Password()->clear();
    EXPECT_FALSE(page->LoginButton()->isEnabled());
}

TEST_F(BasicsPageTest, LoginShowsEachSwitchsAnswerInItsRow)
{
    auto* page = Start(3);
    Simulator().With(1, [](Sim::TSimSwitch& sw) { sw.Password = "other"; });
    Select({2, 0, 1}, false);
    ASSERT_TRUE(ShowPage());
    ASSERT_EQ(page->Devices()->RowCount(), 3);
    EXPECT_EQ(page->Devices()->Text(0, 0), "127.0.0.4");   // selection order
    EXPECT_TRUE(SameIcon(page->Devices()->Row(0).Icon, "RC_BITMAP_16X16_CANCEL"));

    Type(page, "admin", "admin");
    QTest::keyClick(page->Password(), Qt::Key_Return);   // Login is the default button
    for (int r = 0; r < 3; ++r)
        EXPECT_TRUE(page->Devices()->Row(r).Icon.isNull());   // cleared until each answers
    ASSERT_TRUE(Pump([&] {
        for (int r = 0; r < 3; ++r)
            if (page->Devices()->Row(r).Icon.isNull())
                return false;
        return true;
    }));
    EXPECT_EQ(Requests(0x0002).size(), 3u);
    EXPECT_TRUE(Device(0)->IsLoggedIn());
    EXPECT_FALSE(Device(1)->IsLoggedIn());
    EXPECT_TRUE(SameIcon(page->Devices()->Row(1).Icon, "RC_BITMAP_16X16_ACCEPT"));   // switch 0
    EXPECT_TRUE(SameIcon(page->Devices()->Row(2).Icon, "RC_BITMAP_16X16_CANCEL"));   // switch 1
}

TEST_F(BasicsPageTest, LogoutSendsAnAllZeroDigest)
{
    auto* page = Start(1);
    Select({0});
    ASSERT_TRUE(ShowPage());
    QTest::mouseClick(page->LogoutButton(), Qt::LeftButton);
    const auto body = WaitForRequest(0x0002);
    ASSERT_EQ(body.size(), 16u);
    EXPECT_EQ(body, std::vector<uint8_t>(16, 0));
    EXPECT_TRUE(Pump([&] { return SameIcon(page->Devices()->Row(0).Icon, "RC_BITMAP_16X16_CANCEL"); }));
    EXPECT_FALSE(Device(0)->IsLoggedIn());
}

TEST_F(BannerTest, LedsFollowTheLinkMaskAndLightsTheStatusWord)
{
    auto* banner = Start();
    // Before the status monitor has a record: fault light and LEDs silver.
    Status.Bits = 0b101;
    ASSERT_TRUE(ShowPage());
    EXPECT_TRUE(banner->isVisible());
    EXPECT_EQ(Leds(banner), "ssssssss");
    EXPECT_EQ(banner->FaultLight()->Color(), TModuleBannerBrivo6042G::Silver);
    EXPECT_EQ(banner->OnlineLight()->Color(), TModuleBannerBrivo6042G::Red);
    EXPECT_EQ(banner->QueryLight()->Color(), TModuleBannerBrivo6042G::Green);
    EXPECT_EQ(banner->IpLight()->Color(), TModuleBannerBrivo6042G::Red);
    EXPECT_EQ(banner->IpLabel()->text(), "127.0.0.2");
    EXPECT_TRUE(banner->Timer()->isActive());

    Ping(0x05);
    banner->EventOnTimerTimer();
    EXPECT_EQ(Leds(banner), "GbGbbbbb");
    EXPECT_EQ(banner->FaultLight()->Color(), TModuleBannerBrivo6042G::Green);
    Ping(0x05, 0, 0x2);
    banner->EventOnTimerTimer();
    EXPECT_EQ(banner->FaultLight()->Color(), TModuleBannerBrivo6042G::Red);
}

TEST_F(BannerTest, LedsStayWithinTheImageWhateverThePortCount)
{
    static const Intp::TDeviceTypeDesc six{"six", 6, 0, 0, 0, 0}, twelve{"twelve", 12, 0, 0, 0, 0};
    auto* banner = Start();
    const int sixModel = Intp::RegisterDeviceType(&six, {"TEST-6"});
    const int twelveModel = Intp::RegisterDeviceType(&twelve, {"TEST-12"});
    Host()->RegisterBanner(sixModel, banner);
    Host()->RegisterBanner(twelveModel, banner);
    Ping(0xFFF);
    Device(0)->SetType(uint32_t(sixModel));
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(Leds(banner), "GGGGGGss");
    Device(0)->SetType(uint32_t(twelveModel));
    banner->EventOnTimerTimer();
    EXPECT_EQ(Leds(banner), "GGGGGGGG");
}

TEST_F(BannerTest, RedundancyIsReadEveryFiveSecondsWhileShown)
{
    auto* banner = Start();
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(WaitForReport(Device(0), 0x0307), 0u);
    const auto& record = Device(0)->GetProperty<Intp::TPropertyRedundancy>();
    ASSERT_TRUE(record.Valid);
    EXPECT_EQ(banner->RstpButton()->isChecked(), record.Mode == 2);
    EXPECT_EQ(banner->RingButton()->isChecked(), record.Mode == 1);
    EXPECT_EQ(Requests(0x0307).size(), 1u);

    banner->Leave(true);
    EXPECT_FALSE(banner->Timer()->isActive());
    // A group node: no current device, no more reads.
    Select({});
    banner->Notify(nullptr, EventPageShown, 0);
    EXPECT_EQ(banner->IpLabel()->text(), "(Not Available)");
    EXPECT_EQ(Leds(banner), "ssssssss");
    EXPECT_FALSE(banner->Timer()->isActive());
    EXPECT_FALSE(banner->RstpButton()->isChecked() || banner->RingButton()->isChecked());
}

TEST_F(BannerTest, SyslogSummaryAndTheViewer)
{
    auto* banner = Start();
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(banner->LogNum()->text(), "0");
    EXPECT_TRUE(banner->LogDate()->text().isEmpty());
    EXPECT_FALSE(banner->OpenLogButton()->isEnabled());

    Syslog.AddDatagram(PageTest::SimIp(0), "<13>Oct 11 22:14:15 sw first");
    Syslog.AddDatagram(PageTest::SimIp(0), "<12>Oct 11 22:14:16 sw second");
    Syslog.AddDatagram(PageTest::SimIp(1), "<12>Oct 11 22:14:16 other");
    banner->EventOnTimerTimer();
    EXPECT_EQ(banner->LogNum()->text(), "2");
    EXPECT_EQ(banner->LogUnread()->text(), "2");
    EXPECT_EQ(banner->LogTime()->text().size(), 8);
    ASSERT_TRUE(banner->OpenLogButton()->isEnabled());

    int rows = -1;
    QString caption;
    TSyslogForm::SetModalHook([&](TSyslogForm& form) {
        rows = form.LogList()->RowCount();
        caption = form.windowTitle();
    });
    QTest::mouseClick(banner->OpenLogButton(), Qt::LeftButton);
    TSyslogForm::SetModalHook(nullptr);
    EXPECT_EQ(rows, 2);
    EXPECT_EQ(caption, "127.0.0.2");
    EXPECT_EQ(banner->LogUnread()->text(), "0");
}

TEST_F(BannerTest, TheIconOpensTheSwitchsWebPageOrSaysItCannot)
{
    auto* banner = Start();
    ASSERT_TRUE(ShowPage());
    banner->EventOnIconClick();
    ASSERT_EQ(Ui().Urls.size(), 1u);
    EXPECT_EQ(Ui().Urls[0], "http://127.0.0.2");
    EXPECT_TRUE(Ui().Boxes.empty());
    // A browser that cannot be started is a failure the user is told about.
    Ui().LaunchFails = true;
    banner->EventOnIconClick();
    EXPECT_EQ(Ui().Boxes.size(), 1u);
}

// The query light agrees with the page shown: a page that could not read the
// switch lights it red until a read succeeds.
TEST_F(BannerTest, TheQueryLightFollowsThePagesReadState)
{
    auto* banner = Start();
    auto* page = AddPage(new TModuleRedundancyRstp(Host()));
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 3; });
    ASSERT_TRUE(ShowPage());
    EXPECT_TRUE(page->ReadStateLabel()->isVisible());
    EXPECT_EQ(banner->QueryLight()->Color(), TModuleBannerBrivo6042G::Red);
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults = {}; });
    Select({0});
    page->hide();
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(page->ReadStateLabel()->isVisible());
    EXPECT_EQ(banner->QueryLight()->Color(), TModuleBannerBrivo6042G::Green);
}
