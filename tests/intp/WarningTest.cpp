// Warning sessions: request bodies and the decoders' checks.
#include "IntpWarning.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

std::string Zeros(size_t bytes) { return std::string(2 * bytes, '0'); }

std::vector<uint8_t> SmtpReply(size_t recipients, const std::string& sender = "sw@example.org")
{
    std::vector<uint8_t> body(197 + 64 * recipients, 0);
    body[0] = 7;   // on
    PutBE32(&body[1], 0xC0000219);
    PutFieldText(&body[5], 64, sender);
    PutFieldText(&body[69], 64, "alarm");
    PutFieldText(&body[133], 64, "acct");
    for (size_t i = 0; i < recipients; i += 2)
        PutFieldText(&body[197 + 64 * i], 64, "r" + std::to_string(i) + "@example.org");
    return body;
}

class Warning : public LibraryTest {};

TEST_F(Warning, FixedSetsAreBigEndian)
{
    TDevice* d = AddDevice(1);
    auto* fault = new TSessionWarningFaultSet;
    fault->SetData({0, WarningFaultPower1 | WarningFaultPower2, 0x81});
    ASSERT_TRUE(StartSession(fault, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "090100000008001122334401" "00000003" "00000081");

    auto* syslog = new TSessionWarningSyslogSet;
    syslog->SetData({0, 3, 0xC0000205});
    ASSERT_TRUE(StartSession(syslog, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "090300000005001122334401" "03" "c0000205");

    auto* event = new TSessionWarningEventSet;
    event->SetData({0, 1, 2, 3, 0x0F, 0x10, 0x01020304});
    ASSERT_TRUE(StartSession(event, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "090700000018001122334401"
                                     "00000001" "00000002" "00000003" "0000000f" "00000010" "01020304");

    TSessionWarningSyslogSet wide;
    wide.SetData({0, 256, 0});
    EXPECT_FALSE(StartSession(&wide, d, nullptr));
}

TEST_F(Warning, SetReplyStartsTheGetWhateverItsStatus)
{
    TDevice* d = AddDevice(1);
    auto* fault = new TSessionWarningFaultSet;
    TRecordingWizard wizard;
    ASSERT_TRUE(StartSession(fault, d, &wizard));
    Deliver(d, 0x0901, 0x31, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0900);
    ASSERT_EQ(wizard.Events.size(), 1u);
    EXPECT_EQ(wizard.Events[0].Status, 0x31);
    Deliver(d, 0x0900, 0, FromHex("00000001 00000080"));
    EXPECT_EQ(GetPropertyWarningFault(d).Valid, 1);
    EXPECT_EQ(GetPropertyWarningFault(d).PortAlarms, 0x80u);
    EXPECT_EQ(wizard.Events.size(), 1u);   // the follow-up Get has no observer
}

TEST_F(Warning, SyslogAndEventDecoders)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionWarningSyslogGet, d, nullptr));
    Deliver(d, 0x0902, 0, FromHex("04 c0000205"));
    EXPECT_EQ(GetPropertyWarningSyslog(d).Valid, 1);
    EXPECT_EQ(GetPropertyWarningSyslog(d).Mode, 4u);
    EXPECT_EQ(GetPropertyWarningSyslog(d).Server, 0xC0000205u);
    ASSERT_TRUE(StartSession(new TSessionWarningSyslogGet, d, nullptr));
    Deliver(d, 0x0902, 0, FromHex("05 c0000206"));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(GetPropertyWarningSyslog(d).Valid, 0);
    EXPECT_EQ(GetPropertyWarningSyslog(d).Server, 0xC0000205u);

    ASSERT_TRUE(StartSession(new TSessionWarningEventGet, d, nullptr));
    Deliver(d, 0x0906, 0, std::vector<uint8_t>(23, 0));
    EXPECT_EQ(LastReport().Status, StatusShort);
    ASSERT_TRUE(StartSession(new TSessionWarningEventGet, d, nullptr));
    Deliver(d, 0x0906, 0, FromHex("00000001 00000002 00000003 00000004 00000005 00000006"));
    const auto& ev = GetPropertyWarningEvent(d);
    EXPECT_EQ(ev.Valid, 1);
    EXPECT_EQ(ev.SyslogSystem, 1u);
    EXPECT_EQ(ev.MailLinkDown, 6u);
}

TEST_F(Warning, SmtpGetNeedsTheModelsRecipientCount)
{
    TDevice* d = AddDevice(1);   // 6 recipients
    ASSERT_TRUE(StartSession(new TSessionWarningSmtpGet, d, nullptr));
    Deliver(d, 0x0904, 0, SmtpReply(0));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    ASSERT_TRUE(StartSession(new TSessionWarningSmtpGet, d, nullptr));
    Deliver(d, 0x0904, 0, SmtpReply(5));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(GetPropertyWarningSmtp(d).Valid, 0);

    auto body = SmtpReply(6, std::string(64, 's'));
    body.resize(body.size() + 63, 0x55);   // a remainder is dropped
    ASSERT_TRUE(StartSession(new TSessionWarningSmtpGet, d, nullptr));
    Deliver(d, 0x0904, 0, body);
    const auto& rec = GetPropertyWarningSmtp(d);
    EXPECT_EQ(LastReport().Status, StatusOk);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Enabled, 1);
    EXPECT_EQ(rec.Server, 0xC0000219u);
    EXPECT_EQ(rec.Sender, std::string(64, 's'));
    EXPECT_EQ(rec.Subject, "alarm");
    EXPECT_EQ(rec.Account, "acct");
    EXPECT_EQ(rec.Recipients,
              (std::vector<std::string>{"r0@example.org", "", "r2@example.org", "", "r4@example.org", ""}));
}

TEST_F(Warning, SmtpSetLayout)
{
    TDevice* d = AddDevice(1);
    TPropertyWarningSmtp r;
    r.Enabled = 7;   // goes out as 1
    r.Server = 0xC0000219;
    r.Sender = std::string(64, 's');
    r.Subject = "alarm";
    r.Recipients = {"a@example.org", "", "", "", "", "f@example.org"};
    auto* set = new TSessionWarningSmtpSet;
    ASSERT_TRUE(set->SetData(r, ""));
    ASSERT_TRUE(StartSession(set, d, nullptr));
    const auto& bytes = LastSent().Bytes;
    EXPECT_EQ(Hex({bytes.begin(), bytes.begin() + 12}), "090500000265001122334401");   // 229 + 384
    const auto body = LastSent().Body();
    ASSERT_EQ(body.size(), 613u);
    EXPECT_EQ(Hex({body.begin(), body.begin() + 5}), "01c0000219");
    EXPECT_EQ(std::string(body.begin() + 5, body.begin() + 69), std::string(64, 's'));   // no terminator
    EXPECT_EQ(TBody(body.data(), body.size()).Text(69, 64), "alarm");
    EXPECT_EQ(Hex({body.begin() + 133, body.begin() + 229}), Zeros(96));   // no account, no password
    EXPECT_EQ(TBody(body.data(), body.size()).Text(229, 64), "a@example.org");
    EXPECT_EQ(TBody(body.data(), body.size()).Text(229 + 5 * 64, 64), "f@example.org");

    auto* withPassword = new TSessionWarningSmtpSet;
    r.Account = "acct";
    ASSERT_TRUE(withPassword->SetData(r, std::string(40, 'p')));
    ASSERT_TRUE(StartSession(withPassword, d, nullptr));
    const auto body2 = LastSent().Body();
    EXPECT_EQ(std::string(body2.begin() + 197, body2.begin() + 229), std::string(32, 'p'));
    EXPECT_EQ(body2[229], 'a');
}

TEST_F(Warning, SmtpSetCountMustMatchTheModel)
{
    TDevice* d = AddDevice(1);
    TPropertyWarningSmtp r;
    TSessionWarningSmtpSet set;
    EXPECT_FALSE(set.SetData(r, "pw"));   // no recipients: nothing stored
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    r.Recipients.assign(7, "x@example.org");
    ASSERT_TRUE(set.SetData(r, "pw"));
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    r.Recipients.assign(5, "");
    ASSERT_TRUE(set.SetData(r, "pw"));
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    EXPECT_TRUE(Transport->Sent.empty());
    EXPECT_TRUE(SessionList().empty());
}

} // namespace
