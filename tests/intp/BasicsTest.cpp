// System settings and the basic switch commands.
#include "IntpBasics.h"
#include "LibraryFixture.h"

#include <cstring>

using namespace Intp;
using namespace TestSupport;

namespace {

class Basics : public LibraryTest {
protected:
    // A "GetSys" reply body: versions, logged-in byte and the five texts.
    static std::vector<uint8_t> SysBody(uint8_t loggedIn, const std::string& name, size_t size = SysReplyLength)
    {
        std::vector<uint8_t> b(size, 0);
        auto put = [&](size_t off, const void* p, size_t n) {
            if (off + n <= b.size())
                std::memcpy(b.data() + off, p, n);
        };
        const uint8_t versions[8] = {0x02, 0x05, 0x01, 0x17, 0x01, 0x00, 0x02, 0x0A};
        put(0, versions, 8);
        if (b.size() > 8)
            b[8] = loggedIn;
        put(9, name.data(), name.size());
        put(265, "Desc", 4);
        put(521, "Loc", 3);
        put(777, "Contact", 7);
        put(1033, "4.5", 3);
        return b;
    }
    size_t SentCount(uint16_t command) const
    {
        size_t n = 0;
        for (auto& s : Transport->Sent)
            n += s.Command() == command;
        return n;
    }
};

TEST_F(Basics, PlainCommandRequests)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionBasicsSettingsGet, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "010400000004001122334401" "00000000");
    ASSERT_TRUE(StartSession(new TSessionBasicsReboot, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "010300000004001122334401" "00000000");
    ASSERT_TRUE(StartSession(new TSessionBasicsSave, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "010800000004001122334401" "00000000");
    EXPECT_EQ(LastSent().Ip, d->GetIp());
}

TEST_F(Basics, GetSysDecodesRecordNameAndLogin)
{
    TDevice* d = AddDevice(1);
    TRecordingWizard page;
    ASSERT_TRUE(StartSession(new TSessionBasicsSettingsGet, d, &page));
    Deliver(d, 0x0104, 0, SysBody(1, "core-1"));
    auto& rec = GetPropertyBasicsSettings(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.KernelVersion, 0x0205u);
    EXPECT_EQ(rec.FirmwareVersion, 0x0117u);
    EXPECT_EQ(rec.HardwareVersion, 0x0100020Au);
    EXPECT_EQ(VersionText(rec.KernelVersion), "v2.05");
    EXPECT_EQ(VersionText(rec.FirmwareVersion), "v1.23");
    EXPECT_EQ(HardwareVersionText(rec.HardwareVersion), "v1.00(MPCB), v2.10(APCB)");
    EXPECT_EQ(rec.Description, "Desc");
    EXPECT_EQ(rec.Location, "Loc");
    EXPECT_EQ(rec.Contact, "Contact");
    EXPECT_EQ(ObjectIdText(rec.ObjectId), "1.3.6.2.1.2.4.5");
    EXPECT_EQ(d->GetName(), "core-1");
    EXPECT_TRUE(d->IsLoggedIn());
    EXPECT_EQ(Observer->Count("name"), 1u);
    ASSERT_EQ(page.Events.size(), 1u);
    EXPECT_EQ(page.Events[0].Command, 0x0104);
    EXPECT_EQ(page.Events[0].Status, 0);
    EXPECT_EQ(LastReport().Name, "GetSys");

    // Byte 8 of 0 clears the logged-in flag even with status 0; a name
    // that fills its 256 bytes is taken whole.
    ASSERT_TRUE(StartSession(new TSessionBasicsSettingsGet, d, nullptr));
    Deliver(d, 0x0104, 0, SysBody(0, std::string(256, 'n')));
    EXPECT_FALSE(d->IsLoggedIn());
    EXPECT_EQ(d->GetName(), std::string(256, 'n'));
}

TEST_F(Basics, GetSysShortOrFailedReplyKeepsWhatWasKnown)
{
    TDevice* d = AddDevice(1);
    d->SetLoggedIn(true);
    d->SetName("kept");
    ASSERT_TRUE(StartSession(new TSessionBasicsSettingsGet, d, nullptr));
    Deliver(d, 0x0104, 0, SysBody(0, "other", SysReplyLength - 1));
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(d->GetName(), "kept");
    EXPECT_TRUE(d->IsLoggedIn());
    EXPECT_EQ(d->Properties().Find(PropertyKey<TPropertyBasicsSettings>()), nullptr);

    ASSERT_TRUE(StartSession(new TSessionBasicsSettingsGet, d, nullptr));
    Deliver(d, 0x0104, 0, SysBody(1, "sw"));
    ASSERT_TRUE(StartSession(new TSessionBasicsSettingsGet, d, nullptr));
    Deliver(d, 0x0104, 7, SysBody(0, "other"));
    EXPECT_EQ(LastReport().Status, 7u);
    auto& rec = GetPropertyBasicsSettings(d);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(rec.Description, "Desc");
    EXPECT_EQ(d->GetName(), "sw");
    EXPECT_TRUE(d->IsLoggedIn());
}

TEST_F(Basics, SetSysBodyAndFollowUp)
{
    TDevice* d = AddDevice(1);
    auto* set = new TSessionBasicsSettingsSet;
    // 255 ASCII bytes and a two-byte character: the character does not fit
    // and is left out whole.
    set->SetValue({"name", std::string(300, 'd'), std::string(255, 'l') + "\xC3\xA9", "c"});
    ASSERT_TRUE(StartSession(set, d, nullptr));
    auto body = LastSent().Body();
    ASSERT_EQ(body.size(), 1024u);
    EXPECT_EQ(Hex({LastSent().Bytes.begin(), LastSent().Bytes.begin() + 12}), "010500000400001122334401");
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body.data()), 5), std::string("name\0", 5));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body.data() + 256), 256), std::string(256, 'd'));
    EXPECT_EQ(std::string(reinterpret_cast<char*>(body.data() + 512), 256), std::string(255, 'l') + '\0');
    EXPECT_EQ(body[768], 'c');

    // Status 5: "GetSys" follows and 5 is reported.
    Deliver(d, 0x0105, 5, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0104);
    EXPECT_EQ(LastReport().Command, 0x0105);
    EXPECT_EQ(LastReport().Status, 5u);

    // Status 3 clears the logged-in flag and starts nothing.
    d->SetLoggedIn(true);
    set = new TSessionBasicsSettingsSet;
    set->SetValue({"n", "", "", ""});
    ASSERT_TRUE(StartSession(set, d, nullptr));
    size_t sent = Transport->Sent.size();
    Deliver(d, 0x0105, 3, {0, 0, 0, 0});
    EXPECT_EQ(Transport->Sent.size(), sent);
    EXPECT_EQ(LastReport().Status, StatusRefused);
    EXPECT_FALSE(d->IsLoggedIn());
}

TEST_F(Basics, SetsWithoutAValueSendNothing)
{
    TDevice* d = AddDevice(1);
    TSessionBasicsSettingsSet set;
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    std::vector<uint8_t> raw(1023, 'x');
    EXPECT_FALSE(set.SetValue(raw.data(), raw.size()));
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    raw.resize(1024, 'x');
    EXPECT_TRUE(set.SetValue(raw.data(), raw.size()));
    EXPECT_FALSE(set.SetValue(raw.data(), 1025));   // refused: the earlier value is dropped too
    EXPECT_FALSE(StartSession(&set, d, nullptr));

    TSessionBasicsPassword password;
    EXPECT_FALSE(StartSession(&password, d, nullptr));
    EXPECT_FALSE(password.SetValue(raw.data(), 31));
    EXPECT_FALSE(StartSession(&password, d, nullptr));
    EXPECT_TRUE(Transport->Sent.empty());
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Basics, AdminPasswordCutsAtSixteenBytes)
{
    TDevice* d = AddDevice(1);
    auto* pw = new TSessionBasicsPassword;
    pw->SetValue({"abcdefghijklmnopqrst", "secret"});
    ASSERT_TRUE(StartSession(pw, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "010c00000020001122334401"
                                     "6162636465666768696a6b6c6d6e6f70"
                                     "73656372657400000000000000000000");
    size_t sent = Transport->Sent.size();
    Deliver(d, 0x010C, 0, {0, 0, 0, 0});
    EXPECT_EQ(Transport->Sent.size(), sent);   // no Get follows
    EXPECT_EQ(LastReport().Name, "AdminPassword");
    EXPECT_EQ(LastReport().Status, 0u);

    // A raw 32-byte body goes out as given.
    std::vector<uint8_t> raw(32);
    for (size_t i = 0; i < raw.size(); ++i)
        raw[i] = uint8_t(i + 1);
    pw = new TSessionBasicsPassword;
    ASSERT_TRUE(pw->SetValue(raw.data(), raw.size()));
    ASSERT_TRUE(StartSession(pw, d, nullptr));
    EXPECT_EQ(LastSent().Body(), raw);
}

TEST_F(Basics, DefaultKeepFlagsAndReboot)
{
    TDevice* d = AddDevice(1);
    const uint32_t ip = d->GetIp();
    auto* def = new TSessionBasicsDefault;
    def->SetKeepFlags(DefaultKeepAccount | DefaultKeepIp | 0x80);
    def->SetReboot(1);
    ASSERT_TRUE(StartSession(def, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "010f00000004001122334401" "00000003");

    Deliver(d, 0x010F, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Command, 0x010F);
    EXPECT_EQ(LastSent().Command(), 0x0103);
    EXPECT_EQ(LastSent().Ip, ip);
    EXPECT_EQ(Hex({LastSent().Bytes.begin() + 6, LastSent().Bytes.begin() + 12}), "001122334401");

    // Reboot's success forgets the address; later requests are refused.
    Deliver(d, 0x0103, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Name, "Reboot");
    EXPECT_EQ(d->GetIp(), 0u);
    EXPECT_GE(Observer->Count("ip"), 2u);
    TSessionBasicsSettingsGet get;
    size_t sent = Transport->Sent.size();
    EXPECT_FALSE(StartSession(&get, d, nullptr));
    EXPECT_EQ(Transport->Sent.size(), sent);

    // A reply from the switch gives the address back.
    EXPECT_EQ(Deliver(d, 0x0104, 0, {}), ReplyNotMine);   // from 0.0.0.0: no session waits
    d->SetIp(ip);
    EXPECT_TRUE(StartSession(new TSessionBasicsSettingsGet, d, nullptr));
}

TEST_F(Basics, DefaultWithoutRebootOrWithFailureStartsNothing)
{
    TDevice* d = AddDevice(1);
    auto* def = new TSessionBasicsDefault;
    ASSERT_TRUE(StartSession(def, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Body()), "00000000");
    Deliver(d, 0x010F, 0, {0, 0, 0, 0});
    def = new TSessionBasicsDefault;
    def->SetReboot(1);
    def->SetKeepFlags(DefaultKeepIp);
    ASSERT_TRUE(StartSession(def, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Body()), "00000002");
    Deliver(d, 0x010F, 9, {0, 0, 0, 0});
    EXPECT_EQ(SentCount(0x0103), 0u);
    EXPECT_EQ(LastReport().Status, 9u);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Basics, RebootFailureKeepsTheAddressAndShortRepliesReportTwo)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionBasicsReboot, d, nullptr));
    Deliver(d, 0x0103, 4, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Status, 4u);
    EXPECT_NE(d->GetIp(), 0u);

    ASSERT_TRUE(StartSession(new TSessionBasicsReboot, d, nullptr));
    Deliver(d, 0x0103, 0, {0, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_NE(d->GetIp(), 0u);

    auto* def = new TSessionBasicsDefault;
    def->SetReboot(1);
    ASSERT_TRUE(StartSession(def, d, nullptr));
    Deliver(d, 0x010F, 0, {0, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(SentCount(0x0103), 2u);   // only the two above

    ASSERT_TRUE(StartSession(new TSessionBasicsSave, d, nullptr));
    Transport->Advance(60000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(LastReport().Name, "SaveCfg");
}

TEST_F(Basics, VersionTexts)
{
    EXPECT_EQ(VersionText(0x0000), "v0.00");
    EXPECT_EQ(VersionText(0xFFFF), "v255.255");
    EXPECT_EQ(HardwareVersionText(0xFFFFFFFFu), "v255.255(MPCB), v255.255(APCB)");
}

} // namespace
