// Time settings: "SntpGet" and "SntpSet".
#include "IntpSntp.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class Sntp : public LibraryTest {
protected:
    static std::vector<uint8_t> GetBody(const std::string& time = "65a0b1c2", size_t size = SntpReplyLength)
    {
        auto b = FromHex("07" "0011" "c0000209" + time + "02" "11223344" "55667788" "0000003c");
        b.resize(size, 0xEE);
        return b;
    }
};

TEST_F(Sntp, SetBodyIsBigEndianWithoutTheSwitchTime)
{
    TDevice* d = AddDevice(4);
    TBasicsSntpValue v;
    v.Enabled = 3;
    v.TimeZone = 0x0123;
    v.Server = 0xC0000209u;
    v.DstEnabled = 1;
    v.DstBegin = 0x11223344u;
    v.DstEnd = 0x55667788u;
    v.DstOffset = 60;
    auto* set = new TSessionBasicsSntpSet;
    set->SetValue(v);
    ASSERT_TRUE(StartSession(set, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "010e00000014001122334404"
                                     "01" "0123" "c0000209" "01" "11223344" "55667788" "0000003c");
    EXPECT_EQ(LastSent().Ip, d->GetIp());

    TSessionBasicsSntpSet empty;
    EXPECT_FALSE(StartSession(&empty, d, nullptr));
    EXPECT_EQ(Transport->Sent.size(), 1u);
}

TEST_F(Sntp, GetDecodesEveryField)
{
    TDevice* d = AddDevice(4);
    ASSERT_TRUE(StartSession(new TSessionBasicsSntpGet, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "010d00000004001122334404" "00000000");
    Deliver(d, 0x010D, 0, GetBody());
    auto& rec = GetPropertyBasicsSntp(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Enabled, 1);
    EXPECT_EQ(rec.TimeZone, 0x11u);
    EXPECT_EQ(rec.Server, 0xC0000209u);
    EXPECT_EQ(rec.SwitchTime, 0x65A0B1C2u);
    EXPECT_EQ(rec.DstEnabled, 1);
    EXPECT_EQ(rec.DstBegin, 0x11223344u);
    EXPECT_EQ(rec.DstEnd, 0x55667788u);
    EXPECT_EQ(rec.DstOffset, 60u);
    EXPECT_EQ(LastReport().Name, "SntpGet");

    ASSERT_TRUE(StartSession(new TSessionBasicsSntpGet, d, nullptr));
    Deliver(d, 0x010D, 0, GetBody("ffffffff"));
    EXPECT_EQ(rec.SwitchTime, SntpTimeUnknown);
}

TEST_F(Sntp, ShortAndFailedRepliesKeepTheRecord)
{
    TDevice* d = AddDevice(4);
    ASSERT_TRUE(StartSession(new TSessionBasicsSntpGet, d, nullptr));
    Deliver(d, 0x010D, 0, GetBody("00000000", 23));
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(d->Properties().Find(PropertyKey<TPropertyBasicsSntp>()), nullptr);

    ASSERT_TRUE(StartSession(new TSessionBasicsSntpGet, d, nullptr));
    Deliver(d, 0x010D, 0, GetBody());
    ASSERT_TRUE(StartSession(new TSessionBasicsSntpGet, d, nullptr));
    Deliver(d, 0x010D, 0x44, GetBody("00000000"));
    auto& rec = GetPropertyBasicsSntp(d);
    EXPECT_EQ(LastReport().Status, 0x44u);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(rec.SwitchTime, 0x65A0B1C2u);

    ASSERT_TRUE(StartSession(new TSessionBasicsSntpGet, d, nullptr));
    Transport->Advance(60000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(rec.SwitchTime, 0x65A0B1C2u);
}

TEST_F(Sntp, SuccessfulSetRefreshesTheRecord)
{
    TDevice* d = AddDevice(4);
    TRecordingWizard page;
    auto* set = new TSessionBasicsSntpSet;
    set->SetValue({});
    ASSERT_TRUE(StartSession(set, d, &page));
    Deliver(d, 0x010E, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Name, "SntpSet");
    EXPECT_EQ(LastSent().Command(), 0x010D);
    Deliver(d, 0x010D, 0, GetBody());
    EXPECT_EQ(GetPropertyBasicsSntp(d).Valid, 1);
    ASSERT_EQ(page.Events.size(), 1u);
    EXPECT_EQ(page.Events[0].Command, 0x010E);
    EXPECT_TRUE(SessionList().empty());
}

} // namespace
