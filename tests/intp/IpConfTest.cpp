// IP configuration: "NetGet", "NetSet" and the refusal of requests to a
// device without an address.
#include "IntpIpConf.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class IpConf : public LibraryTest {
protected:
    static TBasicsIPConfValue StaticValue()
    {
        TBasicsIPConfValue v;
        LoginDigest("admin", "admin", v.Digest);
        v.Dhcp = 0;
        v.Ip = 0xC0000205u;        // 192.0.2.5
        v.Netmask = 0xFFFFFF00u;
        v.Gateway = 0xC0000201u;
        v.Dns1 = 0x01020304u;
        v.Dns2 = 0;
        return v;
    }
    static std::vector<uint8_t> NetGetBody(uint8_t dhcp, size_t size = IPConfReplyLength)
    {
        auto b = FromHex("00" "c0000205" "ffffff00" "c0000201" "01020304" "05060708");
        b[0] = dhcp;
        b.resize(size, 0xEE);
        return b;
    }
};

TEST_F(IpConf, NetSetGoesToBroadcastWithDigestAndBigEndianAddresses)
{
    // Known address 0 (after a reboot): still sent, by broadcast.
    TDevice* d = AddDevice(7);
    d->SetIp(0);
    auto* set = new TSessionBasicsIPConfSet;
    set->SetValue(StaticValue());
    ASSERT_TRUE(StartSession(set, d, nullptr));
    ASSERT_EQ(Transport->Sent.size(), 1u);
    EXPECT_EQ(LastSent().Ip, 0xFFFFFFFFu);
    EXPECT_EQ(LastSent().Bytes.size(), 49u);
    EXPECT_EQ(Hex(LastSent().Bytes), "010700000025001122334407"
                                     "91d4d3080dd78593c6899641280fbb10"
                                     "00" "c0000205" "ffffff00" "c0000201" "01020304" "00000000");
    EXPECT_TRUE(Transport->HasTimer(set));
    EXPECT_EQ(Transport->TimerInterval(set), 60000u);

    // A DHCP flag of any non-zero value goes out as 1; a device on a foreign
    // subnet is reached the same way.
    TDevice* far = AddDevice(8, 1, 0x0A000000u);
    auto v = StaticValue();
    v.Dhcp = 9;
    set = new TSessionBasicsIPConfSet;
    set->SetValue(v);
    ASSERT_TRUE(StartSession(set, far, nullptr));
    EXPECT_EQ(LastSent().Ip, 0xFFFFFFFFu);
    EXPECT_EQ(LastSent().Body()[16], 1);
    EXPECT_EQ(Hex({LastSent().Bytes.begin() + 6, LastSent().Bytes.begin() + 12}), "001122334408");
}

TEST_F(IpConf, NetSetWithoutValueSendsNothing)
{
    TDevice* d = AddDevice(1);
    TSessionBasicsIPConfSet set;
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    EXPECT_TRUE(Transport->Sent.empty());
    EXPECT_EQ(Transport->TimerCount(), 0u);
}

TEST_F(IpConf, NetSetReplyFromNewAddressIsFollowedByNetGetThere)
{
    TDevice* d = AddDevice(7);
    TRecordingWizard page;
    auto* set = new TSessionBasicsIPConfSet;
    set->SetValue(StaticValue());
    ASSERT_TRUE(StartSession(set, d, &page));
    auto reply = MakeReply(0x0107, 0, d->GetMac(), {0, 0, 0, 0});
    ASSERT_EQ(ReceivePacket(0xC0000205u, reply.size(), reply.data()), ReplyFinished);
    EXPECT_EQ(d->GetIp(), 0xC0000205u);
    EXPECT_EQ(LastSent().Command(), 0x0106);
    EXPECT_EQ(LastSent().Ip, 0xC0000205u);
    ASSERT_EQ(page.Events.size(), 1u);
    EXPECT_EQ(page.Events[0].Command, 0x0107);
    EXPECT_EQ(LastReport().Name, "NetSet");

    // The follow-up Get fills the record, reported without an observer.
    Deliver(d, 0x0106, 0, NetGetBody(0));
    auto& rec = GetPropertyBasicsIPConf(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Dhcp, 0);
    EXPECT_EQ(rec.Netmask, 0xFFFFFF00u);
    EXPECT_EQ(rec.Gateway, 0xC0000201u);
    EXPECT_EQ(rec.Dns1, 0x01020304u);
    EXPECT_EQ(rec.Dns2, 0x05060708u);
    EXPECT_EQ(LastReport().Name, "NetGet");
    EXPECT_EQ(LastReport().Observer, nullptr);
    EXPECT_EQ(page.Events.size(), 1u);
}

TEST_F(IpConf, NetSetFailureStillReadsBackAndShortReplyDoesNot)
{
    TDevice* d = AddDevice(7);
    auto* set = new TSessionBasicsIPConfSet;
    set->SetValue(StaticValue());
    ASSERT_TRUE(StartSession(set, d, nullptr));
    Deliver(d, 0x0107, 6, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Status, 6u);
    EXPECT_EQ(LastSent().Command(), 0x0106);

    set = new TSessionBasicsIPConfSet;
    set->SetValue(StaticValue());
    ASSERT_TRUE(StartSession(set, d, nullptr));
    size_t sent = Transport->Sent.size();
    Deliver(d, 0x0107, 0, {0, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(Transport->Sent.size(), sent);
}

TEST_F(IpConf, NetGetLengthsStatusesAndDhcpFlag)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionBasicsIPConfGet, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "010600000004001122334401" "00000000");
    Deliver(d, 0x0106, 0, NetGetBody(5));
    auto& rec = GetPropertyBasicsIPConf(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Dhcp, 1);

    // 20 bytes: status 2, record as it was.
    ASSERT_TRUE(StartSession(new TSessionBasicsIPConfGet, d, nullptr));
    auto shortBody = NetGetBody(0, 20);
    shortBody[5] = 0;
    Deliver(d, 0x0106, 0, shortBody);
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Dhcp, 1);
    EXPECT_EQ(rec.Netmask, 0xFFFFFF00u);

    // Status 3: logged out, record untouched.
    d->SetLoggedIn(true);
    ASSERT_TRUE(StartSession(new TSessionBasicsIPConfGet, d, nullptr));
    Deliver(d, 0x0106, 3, NetGetBody(0));
    EXPECT_FALSE(d->IsLoggedIn());
    EXPECT_EQ(rec.Valid, 1);

    // Another status: not valid, fields kept. A longer reply decodes.
    ASSERT_TRUE(StartSession(new TSessionBasicsIPConfGet, d, nullptr));
    Deliver(d, 0x0106, 0x20, NetGetBody(0));
    EXPECT_EQ(LastReport().Status, 0x20u);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(rec.Dhcp, 1);
    ASSERT_TRUE(StartSession(new TSessionBasicsIPConfGet, d, nullptr));
    Deliver(d, 0x0106, 0, NetGetBody(0, 64));
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Dhcp, 0);
    EXPECT_EQ(rec.Dns2, 0x05060708u);
}

// A table Set on the shared variable-length path.
class TTableSet final : public TVarSetSession<0x01F0, TSessionBasicsIPConfGet> {
public:
    const char* GetName() const override { return "TableSet"; }
};

TEST_F(IpConf, RequestsRefuseADeviceWithoutAnAddress)
{
    TDevice* d = AddDevice(3);
    d->SetIp(0);
    TSessionBasicsIPConfGet get;
    EXPECT_FALSE(StartSession(&get, d, nullptr));
    const uint8_t row[4] = {1, 2, 3, 4};
    TTableSet table;
    table.SetData(row, sizeof row, 1);
    EXPECT_FALSE(StartSession(&table, d, nullptr));
    d->SetIp(0xFFFFFFFFu);
    EXPECT_FALSE(StartSession(&get, d, nullptr));
    EXPECT_TRUE(Transport->Sent.empty());
    EXPECT_EQ(Transport->TimerCount(), 0u);
    EXPECT_TRUE(SessionList().empty());

    // Loopback is an address like any other (a local simulator).
    d->SetIp(0x7F000001u);
    auto* ok = new TSessionBasicsIPConfGet;
    ASSERT_TRUE(StartSession(ok, d, nullptr));
    EXPECT_EQ(LastSent().Ip, 0x7F000001u);
    auto* table2 = new TTableSet;
    table2->SetData(row, sizeof row, 1);
    ASSERT_TRUE(StartSession(table2, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "01f000000004001122334403" "01020304");
}

} // namespace
