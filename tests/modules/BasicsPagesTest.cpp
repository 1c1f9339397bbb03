// The single-command pages and the switch setting page against the switch
// simulator: what they show, when Apply is allowed, and the request bytes.
#include "IntpBasics.h"
#include "ModuleBasicsDefault.h"
#include "ModuleBasicsPassword.h"
#include "ModuleBasicsReboot.h"
#include "ModuleBasicsSettings.h"
#include "PageEditors.h"
#include "PageFixture.h"

#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QToolButton>

using namespace TestSupport;

namespace {

class BasicsPagesTest : public PageTest {
protected:
    template <class P>
    P* Start(size_t switches, std::vector<size_t> current)
    {
        StartSwitches(switches);
        auto* page = AddPage(new P(Host()));
        Select(current);
        return page;
    }
    static std::vector<uint8_t> Bytes(const std::string& text) { return {text.begin(), text.end()}; }
};

} // namespace

TEST_F(BasicsPagesTest, SwitchSettingShowsTheRecordAndWritesTheSameTextsToEveryCurrentSwitch)
{
    auto* page = Start<TModuleBasicsSettings>(2, {1, 0});
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->TypeEdit()->text(), QString::fromStdString(Device(1)->GetTypeName()));
    EXPECT_EQ(page->DescriptionEdit()->text(), "Simulated managed switch");
    EXPECT_EQ(page->LocationEdit()->text(), "Loopback");
    EXPECT_EQ(page->ContactEdit()->text(), "nobody@example.com");
    EXPECT_EQ(page->OidLabel()->text(), "1.3.6.2.1.2.3.2");   // simulated switch 1 is of model 2
    EXPECT_EQ(page->MacLabel()->text(), QString::fromStdString(Intp::MacToText(Device(1)->GetMac())));
    EXPECT_EQ(page->KernelLabel()->text(), "v2.05");
    EXPECT_EQ(page->FirmwareLabel()->text(), "v1.18");
    EXPECT_EQ(page->HardwareLabel()->text(), "v1.00(MPCB), v2.10(APCB)");

    const QString longName(300, QChar('n'));
    page->NameEdit()->setText(longName);
    page->DescriptionEdit()->setText("desc");
    page->LocationEdit()->setText(QString::fromUtf8("caf\xC3\xA9"));
    page->ContactEdit()->clear();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    std::vector<uint8_t> expected(1024, 0);
    std::fill_n(expected.begin(), 256, uint8_t('n'));   // cut to 256 bytes, no terminating zero
    std::copy_n("desc", 4, expected.begin() + 256);
    std::copy_n("caf\xC3\xA9", 5, expected.begin() + 512);
    ASSERT_EQ(WaitForRequest(0x0105, 2), expected);
    const auto sets = Requests(0x0105);
    EXPECT_EQ(sets[0].Body, expected);
    EXPECT_EQ(sets[0].DestIp, SimIp(1));
    EXPECT_EQ(sets[1].DestIp, SimIp(0));
    // Each reply's "GetSys" reloads the page from what the switch now holds.
    ASSERT_TRUE(Pump([&] { return page->NameEdit()->text() == QString(256, QChar('n')); }));

    QTest::mouseClick(page->WebButton(), Qt::LeftButton);
    page->IconButton()->click();
    EXPECT_EQ(Ui().Urls, (std::vector<QString>{"http://127.0.0.3", "http://127.0.0.2", "http://127.0.0.3",
                                               "http://127.0.0.2"}));
}

TEST_F(BasicsPagesTest, SwitchSettingOfAFailedReadShowsOnlyModelAndMac)
{
    auto* page = Start<TModuleBasicsSettings>(2, {0});
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 5; });
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(page->TypeEdit()->text().isEmpty());
    EXPECT_EQ(page->MacLabel()->text(), QString::fromStdString(Intp::MacToText(Device(0)->GetMac())));
    EXPECT_TRUE(page->DescriptionEdit()->text().isEmpty());
    EXPECT_TRUE(page->FirmwareLabel()->text().isEmpty());
    // The empty texts are no switch's: nothing can be applied.
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->EventOnApplyClick();
    ASSERT_TRUE(SentSoFarArrived());
    EXPECT_TRUE(Requests(0x0105).empty());

    // A read of a switch that is not the current one changes nothing.
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = -1; });
    Intp::StartOwnedSession(std::make_unique<Intp::TSessionBasicsSettingsGet>(), Device(1), nullptr);
    ASSERT_EQ(WaitForReport(Device(1), 0x0104), 0u);
    EXPECT_TRUE(page->DescriptionEdit()->text().isEmpty());

    FakeHost().Current.clear();
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(page->NameEdit()->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    EXPECT_FALSE(page->WebButton()->isEnabled());
}

TEST_F(BasicsPagesTest, PasswordNeedsAMatchingConfirmationAndSendsSixteenBytesEach)
{
    auto* page = Start<TModuleBasicsPassword>(2, {});
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(page->UsernameEdit()->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());

    Select({0, 1});
    ASSERT_TRUE(ShowPage());
    QTest::keyClicks(page->UsernameEdit(), "administrator-17");   // 16
    QTest::keyClicks(page->UsernameEdit(), "x");                  // 17th
    QTest::keyClicks(page->PasswordEdit(), "Secret");
    QTest::keyClicks(page->ConfirmEdit(), "secret");
    EXPECT_FALSE(page->ApplyButton()->isEnabled());   // the case counts
    page->ConfirmEdit()->setText("Secret");
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    std::vector<uint8_t> expected = Bytes("administrator-17");
    const std::vector<uint8_t> password{'S', 'e', 'c', 'r', 'e', 't', 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    expected.insert(expected.end(), password.begin(), password.end());
    EXPECT_EQ(WaitForRequest(0x010C, 1), expected);
    EXPECT_EQ(WaitForRequest(0x010C, 2), expected);
    EXPECT_EQ(page->UsernameEdit()->text(), "administrator-17x");   // the fields keep their text

    // Showing the page again empties the fields.
    ASSERT_TRUE(ShowPage());
    EXPECT_TRUE(page->UsernameEdit()->text().isEmpty());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
}

TEST_F(BasicsPagesTest, FactoryDefaultSendsItsKeepFlagsAndResetsTheBoxesWhenShown)
{
    auto* page = Start<TModuleBasicsDefault>(1, {0});
    ASSERT_TRUE(ShowPage());
    EXPECT_TRUE(page->KeepNetBox()->isChecked());
    EXPECT_TRUE(page->KeepAuthBox()->isChecked());
    EXPECT_FALSE(page->RebootBox()->isChecked());

    const struct {
        bool Net, Auth;
        uint8_t Flags;
    } cases[] = {{false, true, 1}, {true, true, 3}, {false, false, 0}, {true, false, 2}};
    size_t n = 0;
    for (const auto& c : cases) {
        page->KeepNetBox()->setChecked(c.Net);
        page->KeepAuthBox()->setChecked(c.Auth);
        QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
        EXPECT_EQ(WaitForRequest(0x010F, ++n), (std::vector<uint8_t>{0, 0, 0, c.Flags}));
        Select({0});   // Default ends the simulated login
    }
    EXPECT_TRUE(Requests(0x0103).empty());

    // With the reboot box the switch's answer is followed by a reboot.
    page->RebootBox()->setChecked(true);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x010F, ++n), (std::vector<uint8_t>{0, 0, 0, 2}));
    EXPECT_EQ(WaitForRequest(0x0103).size(), 4u);

    ASSERT_TRUE(ShowPage());
    EXPECT_TRUE(page->KeepNetBox()->isChecked());
    EXPECT_TRUE(page->KeepAuthBox()->isChecked());
    EXPECT_FALSE(page->RebootBox()->isChecked());
}

TEST_F(BasicsPagesTest, RebootRestartsEveryCurrentSwitchLoggedInOrNot)
{
    auto* page = Start<TModuleBasicsReboot>(3, {});
    ASSERT_TRUE(ShowPage());
    EXPECT_FALSE(page->RebootButton()->isEnabled());
    Select({2, 0}, false);
    ASSERT_TRUE(ShowPage());
    QTest::mouseClick(page->RebootButton(), Qt::LeftButton);
    ASSERT_FALSE(WaitForRequest(0x0103, 2).empty());
    const auto reboots = Requests(0x0103);
    EXPECT_EQ(reboots[0].DestIp, SimIp(2));
    EXPECT_EQ(reboots[1].DestIp, SimIp(0));
}
