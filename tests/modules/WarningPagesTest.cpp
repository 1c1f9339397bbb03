// The warning pages against the switch simulator: fault alarm masks, the
// syslog mode rule (a reported mode without an item is sent back as it
// was), the SMTP request with its entry rule and recipient limit, and the
// event settings' chain of reads, availability and masks.
#include "IntpWarning.h"
#include "ModuleWarningEvent.h"
#include "ModuleWarningFault.h"
#include "ModuleWarningSmtp.h"
#include "ModuleWarningSyslog.h"
#include "PageEditors.h"
#include "PageFixture.h"
#include "PageList.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>

using namespace TestSupport;

namespace {

std::string Field(const std::vector<uint8_t>& body, size_t offset, size_t width)
{
    return Intp::FieldText(body.data() + offset, width);
}

class WarningPagesTest : public PageTest {
protected:
    void Store(uint16_t code, std::vector<uint8_t> bytes)
    {
        Simulator().With(0, [&](Sim::TSimSwitch& sw) { sw.Store[code] = bytes; });
    }
    // An SMTP page in "Enable" mode with every entry filled but the recipients.
    void FillSmtp(TModuleWarningSmtp* page)
    {
        page->Mode()->setCurrentIndex(1);
        page->Address()->setText("192.0.2.25");
        page->Sender()->setText(QString(64, u's'));
        page->Subject()->setText("Alarm");
        page->Account()->setText("ops");
        page->Password()->setText("pw");
        page->Confirm()->setText("pw");
    }
};

} // namespace

TEST_F(WarningPagesTest, FaultAlarmListsPortsAndSendsTheTickedBits)
{
    auto* page = StartWithPage(new TModuleWarningFault(Host()));
    QAbstractItemModelTester tester(page->PortList()->Model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    ASSERT_TRUE(ShowPage());
    ASSERT_EQ(page->PortList()->RowCount(), 8);
    EXPECT_EQ(page->PortList()->Text(0, 0), "Port.01");
    EXPECT_EQ(page->PortList()->Text(7, 0), "Port.08");
    EXPECT_EQ(page->SysList()->Text(1, 0), "Power 2 Failure");
    page->SysList()->Model()->setData(page->SysList()->Model()->index(1, 0), Qt::Checked, Qt::CheckStateRole);
    page->PortList()->Model()->SetChecked(2, true);
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0901), (std::vector<uint8_t>{0, 0, 0, 2, 0, 0, 0, 4}));
    // The Get that follows ticks what the switch holds.
    EXPECT_TRUE(Pump([&] { return Requests(0x0900).size() == 2 && page->isVisible(); }));
    EXPECT_TRUE(page->PortList()->Model()->Checked(2));
    EXPECT_FALSE(page->PortList()->Model()->Checked(1));
}

TEST_F(WarningPagesTest, SyslogModeRuleAndAReportedModeWithoutItemKept)
{
    auto* page = StartWithPage(new TModuleWarningSyslog(Host()));
    Store(0x0902, {4, 192, 0, 2, 1});
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->Mode()->currentText(), "4");   // shown as its number
    EXPECT_EQ(page->Address()->text(), "192.0.2.1");
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0903), (std::vector<uint8_t>{4, 192, 0, 2, 1}));

    Store(0x0902, {0, 0, 0, 0, 0});
    ASSERT_TRUE(ShowPage());
    page->Mode()->setFocus();
    QTest::keyClick(page->Mode(), Qt::Key_Down);   // "Client Only", 0.0.0.0
    EXPECT_FALSE(page->Address()->isEnabled());
    EXPECT_TRUE(page->ApplyButton()->isEnabled());
    QTest::keyClick(page->Mode(), Qt::Key_Down);
    QTest::keyClick(page->Mode(), Qt::Key_Down);   // "Both", 0.0.0.0
    EXPECT_TRUE(page->Address()->isEnabled());
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->Address()->setText("192.0.2.9");
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    Simulator().ClearLog();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    EXPECT_EQ(WaitForRequest(0x0903), (std::vector<uint8_t>{3, 192, 0, 2, 9}));
}

TEST_F(WarningPagesTest, SmtpRequestCarriesEveryFieldAndRefusesLongAddresses)
{
    auto* page = StartWithPage(new TModuleWarningSmtp(Host()));
    ASSERT_TRUE(ShowPage());
    const size_t n = Device(0)->GetSmtpEntryCount();
    FillSmtp(page);
    page->Recipients()->setPlainText("a@example.com\n\nb@example.com\n" + QString(64, u'r'));
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    page->Confirm()->setText("px");   // the confirmation differs
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    page->Confirm()->setText("pw");
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto body = WaitForRequest(0x0905);
    ASSERT_EQ(body.size(), 229 + 64 * n);
    EXPECT_EQ(body[0], 1);
    EXPECT_EQ(Intp::GetBE32(&body[1]), 0xC0000219u);
    EXPECT_EQ(Field(body, 5, 64), std::string(64, 's'));   // whole, no terminator
    EXPECT_EQ(Field(body, 69, 64), "Alarm");
    EXPECT_EQ(Field(body, 133, 64), "ops");
    EXPECT_EQ(Field(body, 197, 32), "pw");
    EXPECT_EQ(Field(body, 229, 64), "a@example.com");   // the empty line does not count
    EXPECT_EQ(Field(body, 229 + 64, 64), "b@example.com");
    EXPECT_EQ(Field(body, 229 + 128, 64), std::string(64, 'r'));
    EXPECT_EQ(Field(body, 229 + 192, 64), "");

    // The switch's answer fills the page again, the password never shown.
    EXPECT_TRUE(Pump([&] { return Requests(0x0904).size() == 2 && page->Password()->text().isEmpty(); }));
    FillSmtp(page);
    page->Recipients()->setPlainText(QString(65, u'r'));
    Simulator().ClearLog();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    ASSERT_TRUE(SentSoFarArrived());
    EXPECT_EQ(Ui().LastText(), "E-mail address too long!");
    EXPECT_TRUE(Requests(0x0905).empty());
    page->Account()->clear();   // no account: no password needed
    EXPECT_FALSE(page->Password()->isEnabled());
}

// E-mail warnings off with everything else kept: an unedited Apply leaves
// the switch's settings as they were, byte for byte (texts that are no
// valid UTF-8, a full-width subject, an account longer than the field takes
// when typed, an unusable server address, recipients with gaps between
// them); an edited recipient list goes as its lines.
TEST_F(WarningPagesTest, SmtpUneditedApplyKeepsTheSwitchsSettingsByteForByte)
{
    auto* page = StartWithPage(new TModuleWarningSmtp(Host()));
    const size_t n = Device(0)->GetSmtpEntryCount();
    ASSERT_GE(n, 3u);
    std::vector<uint8_t> record(197 + 64 * n, 0);
    Intp::PutBE32(&record[1], 0xFFFFFFFFu);
    auto put = [&record](size_t at, const std::string& text) { std::copy(text.begin(), text.end(), record.begin() + ptrdiff_t(at)); };
    put(5, "al\xFFrm@\xC3");                // invalid UTF-8, a cut character
    put(69, std::string(64, 'S'));           // no terminating zero
    put(133, "an-account-of-twenty");
    put(197 + 64, "second@example.com");     // the first entry unused
    put(197 + 64 * (n - 1), "\xE9t\xE9@example.com");
    Store(0x0904, record);
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(page->Account()->text(), "an-account-of-twenty");
    EXPECT_FALSE(page->Sender()->isEnabled());   // greyed, mode off
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    size_t reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    ASSERT_EQ(WaitForReportSince(reports, Device(0), 0x0904), 0u);
    EXPECT_EQ(Simulator().With(0, [](Sim::TSimSwitch& sw) { return sw.Store[0x0904]; }), record);

    // Edited recipients: the lines in order, the others unused.
    page->Recipients()->setPlainText("a@example.com");
    reports = ReportCount();
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    ASSERT_EQ(WaitForReportSince(reports, Device(0), 0x0904), 0u);
    const auto stored = Simulator().With(0, [](Sim::TSimSwitch& sw) { return sw.Store[0x0904]; });
    EXPECT_EQ(std::vector<uint8_t>(stored.begin(), stored.begin() + 197),
              std::vector<uint8_t>(record.begin(), record.begin() + 197));
    EXPECT_EQ(Field(stored, 197, 64), "a@example.com");
    EXPECT_EQ(Field(stored, 197 + 64, 64), "");
}

TEST_F(WarningPagesTest, SmtpDisabledAfterTooManyLinesSendsOnlyTheModelsCount)
{
    auto* page = StartWithPage(new TModuleWarningSmtp(Host()));
    ASSERT_TRUE(ShowPage());
    const size_t n = Device(0)->GetSmtpEntryCount();
    FillSmtp(page);
    QStringList lines;
    for (size_t i = 0; i <= n + 1; ++i)
        lines << QString("user%1@example.com").arg(i);
    page->Recipients()->setPlainText(lines.join(u'\n'));
    EXPECT_FALSE(page->ApplyButton()->isEnabled());   // more lines than entries
    page->Mode()->setCurrentIndex(0);
    EXPECT_FALSE(page->Recipients()->isEnabled());
    ASSERT_TRUE(page->ApplyButton()->isEnabled());
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto body = WaitForRequest(0x0905);
    ASSERT_EQ(body.size(), 229 + 64 * n);
    EXPECT_EQ(body[0], 0);
    EXPECT_EQ(Field(body, 229 + 64 * (n - 1), 64), QString("user%1@example.com").arg(n - 1).toStdString());
}

TEST_F(WarningPagesTest, EventSettingsReadInChainAndSendTheMasks)
{
    auto* page = StartWithPage(new TModuleWarningEvent(Host(), 0x0F));
    Store(0x0902, {1, 192, 0, 2, 1});   // syslog on
    std::vector<uint8_t> smtp(197 + 64 * Device(0)->GetSmtpEntryCount(), 0);
    smtp[0] = 1;                        // e-mail on
    Store(0x0904, smtp);
    ASSERT_TRUE(ShowPage());
    std::vector<uint16_t> order;
    for (const auto& e : Simulator().Log())
        order.push_back(e.Command);
    EXPECT_EQ(order, (std::vector<uint16_t>{0x0904, 0x0902, 0x0906}));
    const auto& sys = page->SysList();
    const auto& ports = page->PortList();
    ASSERT_EQ(sys.List->RowCount(), 4);
    EXPECT_EQ(sys.List->Text(3, 0), "Marlune Topology Change");
    ASSERT_EQ(ports.List->RowCount(), 8);
    EXPECT_TRUE(page->ApplyButton()->isEnabled());

    sys.List->SelectRow(0);
    ASSERT_TRUE(sys.Syslog->isEnabled());
    sys.Syslog->setCurrentIndex(1);
    EXPECT_EQ(sys.List->Text(0, 1), "Enable");
    for (int i = 0; i < 2; ++i)
        ports.List->horizontalHeader()->sectionClicked(1);   // Disable -> Link Up -> Link Down
    EXPECT_EQ(ports.List->Text(7, 1), "Link Down");
    ports.List->SelectRow(1);
    ports.Smtp->setCurrentIndex(3);
    EXPECT_EQ(ports.List->Text(1, 2), "Link Up & Down");
    QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
    const auto body = WaitForRequest(0x0907);
    ASSERT_EQ(body.size(), 24u);
    EXPECT_EQ(Intp::GetBE32(&body[0]), 1u);
    EXPECT_EQ(Intp::GetBE32(&body[4]), 0u);
    EXPECT_EQ(Intp::GetBE32(&body[8]), 0xFFu);
    EXPECT_EQ(Intp::GetBE32(&body[12]), 0u);
    EXPECT_EQ(Intp::GetBE32(&body[16]), 2u);
    EXPECT_EQ(Intp::GetBE32(&body[20]), 2u);
    for (int i = 0; i < 2; ++i)
        ports.List->horizontalHeader()->sectionClicked(1);   // Link Up & Down, then back to Disable
    EXPECT_EQ(ports.List->Text(0, 1), "Disable");
}

TEST_F(WarningPagesTest, EventSettingsWithoutSyslogOrMailOfferNothing)
{
    auto* page = StartWithPage(new TModuleWarningEvent(Host(), 0x0F));
    std::vector<uint8_t> events(24, 0);
    events[3] = 1;   // system event 0 to syslog
    Store(0x0906, events);
    ASSERT_TRUE(ShowPage());   // syslog mode 0, e-mail off
    EXPECT_FALSE(page->ApplyButton()->isEnabled());
    const auto& sys = page->SysList();
    EXPECT_EQ(sys.List->Text(0, 1), "Enable");   // word 0 bit 0
    sys.List->SelectRow(0);
    EXPECT_FALSE(sys.Syslog->isEnabled());
    EXPECT_FALSE(sys.Smtp->isEnabled());
    sys.List->horizontalHeader()->sectionClicked(1);
    EXPECT_EQ(sys.List->Text(0, 1), "Enable");

    // An SMTP read that fails ends the chain at once.
    Simulator().ClearLog();
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Faults.ForceStatus = 1; });
    ASSERT_TRUE(ShowPage());
    EXPECT_EQ(Simulator().Log().size(), 1u);
    EXPECT_EQ(sys.List->Text(0, 1), "Enable");   // the event record as it was
}
