// Replies to Find, Login, Ping2 and IntpSip.
#include "IntpProtocol.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class Discovery : public LibraryTest {
protected:
    int FindReply(uint8_t last, uint32_t source, uint16_t status, std::vector<uint8_t> body)
    {
        auto d = MakeReply(0, status, Mac(last), body);
        return ReceivePacket(source, d.size(), d.data());
    }
    static std::vector<uint8_t> PidBody(const char* code)
    {
        std::vector<uint8_t> b(8, 0xEE);
        PutBE32(b.data(), ProductIdOf(code));
        return b;
    }
};

TEST_F(Discovery, ReplySetsModelAndAddress)
{
    TRecordingWizard hook;
    SendFind(&hook, 0xC00002FFu);
    EXPECT_EQ(FindReply(5, 0xC0000205u, 0, PidBody("7193-GS")), 0);
    TDevice* d = GetDevice(Mac(5), false);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetType(), 5u);
    EXPECT_EQ(d->GetIp(), 0xC0000205u);
    ASSERT_EQ(hook.Events.size(), 1u);
    EXPECT_EQ(hook.Events[0].Command, 0);
    EXPECT_EQ(hook.Events[0].Status, 0);
    EXPECT_EQ(LastReport().Name, "Find");
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Discovery, ShortReplyReportsTwoAndSetsNothing)
{
    TRecordingWizard hook;
    SendFind(&hook, 0xC00002FFu);
    EXPECT_EQ(FindReply(5, 0xC0000205u, 0, {0, 0, 0, 0, 0, 0, 0}), 0);
    TDevice* d = GetDevice(Mac(5), false);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetType(), 0u);
    EXPECT_EQ(d->GetIp(), 0u);
    ASSERT_EQ(hook.Events.size(), 1u);
    EXPECT_EQ(hook.Events[0].Status, StatusShort);
}

TEST_F(Discovery, ErrorStatusKeepsModelAndAddress)
{
    TRecordingWizard hook;
    SendFind(&hook, 0xC00002FFu);
    EXPECT_EQ(FindReply(6, 0xC0000206u, 9, PidBody("7193-TX")), 0);
    TDevice* d = GetDevice(Mac(6), false);
    EXPECT_EQ(d->GetIp(), 0u);
    EXPECT_EQ(d->GetType(), 0u);
    EXPECT_EQ(hook.Events.back().Status, 9);
    // A refusal to Find does not touch the logged-in mark either.
    d->SetLoggedIn(true);
    EXPECT_EQ(FindReply(6, 0xC0000206u, 3, PidBody("7193-TX")), 0);
    EXPECT_TRUE(d->IsLoggedIn());
}

TEST_F(Discovery, UnknownIdentifierGivesModelZero)
{
    SendFind(nullptr, 0xC00002FFu);
    EXPECT_EQ(FindReply(7, 0xC0000207u, 0, PidBody("9999-ZZ")), 0);
    EXPECT_EQ(GetDevice(Mac(7), false)->GetType(), 0u);
    EXPECT_EQ(GetDevice(Mac(7), false)->GetIp(), 0xC0000207u);
}

TEST_F(Discovery, OnlyTheLatestObserverHearsReplies)
{
    TRecordingWizard first, second;
    SendFind(&first, 0xC00002FFu);
    SendFind(&second, 0xC00003FFu);
    FindReply(1, 0xC0000201u, 0, PidBody("7193-TX"));
    FindReply(2, 0xC0000302u, 0, PidBody("7193-SS"));
    EXPECT_TRUE(first.Events.empty());
    EXPECT_EQ(second.Events.size(), 2u);
    EXPECT_EQ(Transport->Sent.size(), 2u);
}

TEST_F(Discovery, SessionCannotBeStartedAndNeverTimesOut)
{
    TDevice* d = AddDevice(1);
    EXPECT_FALSE(StartSession(&TSessionIntpFind::Instance(), d, nullptr));
    EXPECT_TRUE(SessionList().empty());
    TSessionIntpFind::Instance().OnTimeout();
    EXPECT_TRUE(Transport->Reports.empty());
}

class Login : public LibraryTest {
protected:
    void StartLogin(TDevice* d, const uint8_t digest[16])
    {
        auto* s = new TSessionIntpLogin;
        s->SetDigest(digest);
        ASSERT_TRUE(StartSession(s, d, nullptr));
    }
    const uint8_t Zero[16] = {};
};

TEST_F(Login, StatusDecidesTheMark)
{
    TDevice* d = AddDevice(1);
    uint8_t digest[16];
    LoginDigest("admin", "admin", digest);
    StartLogin(d, digest);
    EXPECT_EQ(Transport->TimerInterval(SessionList().back()), 60000u);
    EXPECT_EQ(Deliver(d, 2, 0, {0, 0, 0, 0}), 0);
    EXPECT_TRUE(d->IsLoggedIn());
    EXPECT_EQ(LastReport().Name, "Login");
    StartLogin(d, digest);
    EXPECT_EQ(Deliver(d, 2, 1, {0, 0, 0, 0}), 0);
    EXPECT_FALSE(d->IsLoggedIn());
    EXPECT_EQ(LastReport().Status, 1u);
}

TEST_F(Login, ShortReplyAndTimeoutKeepTheMark)
{
    TDevice* d = AddDevice(1);
    d->SetLoggedIn(true);
    uint8_t digest[16];
    LoginDigest("admin", "bad", digest);
    StartLogin(d, digest);
    EXPECT_EQ(Deliver(d, 2, 1, {0, 0, 0}), 0);
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_TRUE(d->IsLoggedIn());
    StartLogin(d, digest);
    Transport->Advance(60000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_TRUE(d->IsLoggedIn());
}

TEST_F(Login, LogoutClearsTheMarkAndNeverSetsIt)
{
    TDevice* d = AddDevice(1);
    d->SetLoggedIn(true);
    StartLogin(d, Zero);
    EXPECT_EQ(Hex(LastSent().Body()), std::string(32, '0'));
    EXPECT_EQ(Deliver(d, 2, 0, {0, 0, 0, 0}), 0);
    EXPECT_FALSE(d->IsLoggedIn());
    EXPECT_EQ(LastReport().Status, 0u);

    Observer->Events.clear();
    StartLogin(d, Zero);
    EXPECT_EQ(Deliver(d, 2, 0, {0, 0, 0, 0}), 0);
    EXPECT_FALSE(d->IsLoggedIn());
    EXPECT_EQ(Observer->Count("flags"), 0u);
}

class Polling : public LibraryTest {};

TEST_F(Polling, Ping2StoresTheWords)
{
    TDevice* d = AddDevice(1);
    TRecordingWizard w;
    ASSERT_TRUE(StartSession(new TSessionIntpPing2(3000), d, &w));
    EXPECT_EQ(Deliver(d, 6, 0, FromHex("00000003 00000081 000000f0 ffff")), 0);
    auto& rec = GetPropertyIntpPing2(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.PowerAlarm, 3u);
    EXPECT_EQ(rec.PortAlarm, 0x81u);
    EXPECT_EQ(rec.LinkMask, 0xF0u);
    ASSERT_EQ(w.Events.size(), 1u);
    EXPECT_EQ(w.Events[0].Command, 6);

    ASSERT_TRUE(StartSession(new TSessionIntpPing2(3000), d, &w));
    EXPECT_EQ(Deliver(d, 6, 7, FromHex("00000000 00000000 00000000")), 0);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(w.Events.back().Status, 7);
}

TEST_F(Polling, Ping2TimesOutAfterItsOwnTime)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionIntpPing2(2500), d, nullptr));
    Transport->Advance(2499);
    EXPECT_TRUE(Transport->Reports.empty());
    Transport->Advance(1);
    ASSERT_EQ(Transport->Reports.size(), 1u);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(LastReport().Command, 6);
}

TEST_F(Polling, Ping2ReportsADecodedReplyWithoutAName)
{
    TDevice* d = AddDevice(1);
    TRecordingWizard w;
    auto* s = new TSessionIntpPing2(3000);
    EXPECT_STREQ(s->GetName(), "Ping2");
    ASSERT_TRUE(StartSession(s, d, &w));
    EXPECT_EQ(Deliver(d, 6, 0, FromHex("00000000 00000000 00000001")), 0);
    EXPECT_EQ(LastReport().Name, "");
    EXPECT_EQ(LastReport().Observer, &w);
    ASSERT_TRUE(StartSession(new TSessionIntpPing2(3000), d, &w));
    EXPECT_EQ(Deliver(d, 6, 9, FromHex("00000000 00000000 00000000")), 0);
    EXPECT_EQ(LastReport().Name, "");
    EXPECT_EQ(LastReport().Status, 9u);
    // A short reply is reported by the shared path, with the name.
    ASSERT_TRUE(StartSession(new TSessionIntpPing2(3000), d, &w));
    EXPECT_EQ(Deliver(d, 6, 0, FromHex("00000000 00000000 000000")), 0);
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(LastReport().Name, "Ping2");
    EXPECT_EQ(w.Events.size(), 3u);
}

TEST_F(Polling, IntpSipFollowsTheWarningByte)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionIntpSipGet, d, nullptr));
    EXPECT_EQ(Deliver(d, 7, 0, {5, 1, 0x12, 0x34}), 0);
    EXPECT_TRUE(d->TestFlags(DeviceFlagWarning));
    EXPECT_EQ(GetPropertyIntpSip(d).Valid, 1);
    EXPECT_EQ(GetPropertyIntpSip(d).Flag, 1);
    EXPECT_EQ(GetPropertyIntpSip(d).Value, 0x1234u);

    // A non-zero status leaves the warning as it was.
    ASSERT_TRUE(StartSession(new TSessionIntpSipGet, d, nullptr));
    EXPECT_EQ(Deliver(d, 7, 4, {0, 0, 0, 0}), 0);
    EXPECT_TRUE(d->TestFlags(DeviceFlagWarning));
    EXPECT_EQ(GetPropertyIntpSip(d).Valid, 0);

    Observer->Events.clear();
    ASSERT_TRUE(StartSession(new TSessionIntpSipGet, d, nullptr));
    EXPECT_EQ(Deliver(d, 7, 0, {0, 0, 0, 0}), 0);
    EXPECT_FALSE(d->TestFlags(DeviceFlagWarning));
    EXPECT_EQ(GetPropertyIntpSip(d).Flag, 0);
    ASSERT_EQ(Observer->Count("flags"), 1u);
    EXPECT_EQ(Observer->Events.back().Changed, uint32_t(DeviceFlagWarning));
    // The same state again redraws nothing.
    ASSERT_TRUE(StartSession(new TSessionIntpSipGet, d, nullptr));
    EXPECT_EQ(Deliver(d, 7, 0, {0, 0, 0, 0}), 0);
    EXPECT_EQ(Observer->Count("flags"), 1u);
}

} // namespace
