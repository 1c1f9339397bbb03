// DHCP server settings, client entries and port addresses.
#include "IntpDhcp.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class Dhcp : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Device = AddDevice(1);
    }
    // 4 undecoded bytes, then one 18-byte row per entry.
    static std::vector<uint8_t> EntryFrame(size_t rows, uint16_t type = 2, uint16_t status = 3, size_t first = 0)
    {
        std::vector<uint8_t> body(4 + rows * 18, 0);
        for (size_t i = 0; i < rows; ++i) {
            uint8_t* r = body.data() + 4 + i * 18;
            PutBE32(r, 0xC0A80000u + uint32_t(first + i));
            for (int k = 0; k < 6; ++k)
                r[4 + k] = uint8_t(0xA0 + k);
            PutBE16(r + 10, type);
            PutBE16(r + 12, status);
            PutBE32(r + 14, 86400);
        }
        return body;
    }
    TDevice* Device = nullptr;
};

TEST_F(Dhcp, SettingsGetDecodesAndSetIsByteExact)
{
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpGet, Device, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "011000000004001122334401" "00000000");
    auto body = FromHex("02 c0a80164 c0a801c8 ffffff00 c0a80101 08080808 00015180");
    Deliver(Device, 0x0110, 0, body);
    auto& rec = GetPropertyBasicsDhcp(Device);
    EXPECT_EQ(LastReport().Status, 0u);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.ServerEnabled, 1);
    EXPECT_EQ(rec.StartIp, 0xC0A80164u);
    EXPECT_EQ(rec.EndIp, 0xC0A801C8u);
    EXPECT_EQ(rec.Netmask, 0xFFFFFF00u);
    EXPECT_EQ(rec.Gateway, 0xC0A80101u);
    EXPECT_EQ(rec.Dns, 0x08080808u);
    EXPECT_EQ(rec.LeaseTime, 86400u);

    // 24 bytes is short: the record stays as it was.
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpGet, Device, nullptr));
    Deliver(Device, 0x0110, 0, std::vector<uint8_t>(24, 0));
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(rec.Valid, 1);

    auto* set = new TSessionBasicsDhcpSet;
    TBasicsDhcpRequest req;
    req.ServerEnabled = 7;   // any true value goes out as 1
    req.StartIp = 0xC0A80164;
    req.EndIp = 0xC0A801C8;
    req.Netmask = 0xFFFFFF00;
    req.Gateway = 0xC0A80101;
    req.Dns = 0x08080808;
    req.LeaseTime = 86400;
    EXPECT_FALSE(set->SetValue(&req, 24));
    EXPECT_TRUE(set->SetValue(&req, sizeof req));
    ASSERT_TRUE(StartSession(set, Device, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "011100000019001122334401" "01c0a80164c0a801c8ffffff00c0a8010108080808" "00015180");
    // The Set reply starts a fresh Get whatever its status.
    Deliver(Device, 0x0111, 0x0042, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Status, 0x42u);
    EXPECT_EQ(LastSent().Command(), 0x0110);

    // Another status invalidates the record.
    Deliver(Device, 0x0110, 0x0005, body);
    EXPECT_EQ(rec.Valid, 0);
}

TEST_F(Dhcp, EntryTableInFramesOfThirtyTwoRows)
{
    auto& rec = GetPropertyBasicsDhcpEntry(Device);
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpEntry, Device, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "011200000004001122334401" "00000000");

    // A full frame keeps the read open and restarts its wait.
    Transport->Advance(50000);
    Deliver(Device, 0x0112, 0, EntryFrame(32));
    EXPECT_TRUE(Transport->Reports.empty());
    EXPECT_EQ(rec.Valid, 0);
    Transport->Advance(50000);
    EXPECT_TRUE(Transport->Reports.empty());
    // An empty frame ends it.
    Deliver(Device, 0x0112, 0, EntryFrame(0));
    EXPECT_EQ(LastReport().Status, 0u);
    ASSERT_EQ(rec.Rows.size(), 32u);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Rows[31].Ip, 0xC0A8001Fu);
    EXPECT_EQ(MacToText(rec.Rows[0].ClientId), "A0:A1:A2:A3:A4:A5");
    EXPECT_EQ(rec.Rows[0].Type, 2u);
    EXPECT_EQ(rec.Rows[0].Status, 3u);
    EXPECT_EQ(rec.Rows[0].Lease, 86400u);
    EXPECT_TRUE(SessionList().empty());

    // 31 rows and 10 trailing bytes: 31 entries, the tail ignored. Sending
    // the request empties the record first.
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpEntry, Device, nullptr));
    EXPECT_TRUE(rec.Rows.empty());
    EXPECT_EQ(rec.Valid, 0);
    auto frame = EntryFrame(31, 4, 3);
    frame.resize(frame.size() + 10, 0xFF);
    Deliver(Device, 0x0112, 0, frame);
    EXPECT_EQ(rec.Rows.size(), 31u);
    EXPECT_EQ(rec.Valid, 1);
}

TEST_F(Dhcp, EntryRowOutOfRangeEmptiesTheWholeTable)
{
    auto& rec = GetPropertyBasicsDhcpEntry(Device);
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpEntry, Device, nullptr));
    Deliver(Device, 0x0112, 0, EntryFrame(32));
    auto bad = EntryFrame(3, 2, 1, 32);
    PutBE16(bad.data() + 4 + 18 + 10, 5);   // second row: type 5
    Deliver(Device, 0x0112, 0, bad);
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_TRUE(rec.Rows.empty());
    EXPECT_EQ(rec.Valid, 0);

    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpEntry, Device, nullptr));
    Deliver(Device, 0x0112, 0, EntryFrame(1, 0, 4));
    EXPECT_EQ(LastReport().Status, StatusTableError);

    // A frame with another status, after a full one: emptied, that status.
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpEntry, Device, nullptr));
    Deliver(Device, 0x0112, 0, EntryFrame(32));
    Deliver(Device, 0x0112, 0x0007, EntryFrame(2));
    EXPECT_EQ(LastReport().Status, 7u);
    EXPECT_TRUE(rec.Rows.empty());

    // A missing next frame: time-out, table left empty and invalid.
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpEntry, Device, nullptr));
    Deliver(Device, 0x0112, 0, EntryFrame(32));
    Transport->Advance(60000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_TRUE(rec.Rows.empty());
    EXPECT_EQ(rec.Valid, 0);

    // Three bytes is short.
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpEntry, Device, nullptr));
    Deliver(Device, 0x0112, 0, {0, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusShort);
}

TEST_F(Dhcp, PortAddressesOnePerPort)
{
    auto& rec = GetPropertyBasicsDhcpPortIp(Device);
    std::vector<uint8_t> body;
    for (uint32_t i = 0; i < 8; ++i)
        for (int k = 3; k >= 0; --k)
            body.push_back(uint8_t((0x0A000001u + i) >> (8 * k)));
    body.push_back(0xEE);   // 33 bytes: the last one is ignored
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpPortIpGet, Device, nullptr));
    Deliver(Device, 0x0113, 0, body);
    EXPECT_EQ(LastReport().Status, 0u);
    ASSERT_EQ(rec.Addresses.size(), 8u);
    EXPECT_EQ(rec.Addresses[7], 0x0A000008u);
    EXPECT_EQ(rec.Valid, 1);

    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpPortIpGet, Device, nullptr));
    Deliver(Device, 0x0113, 0, std::vector<uint8_t>(28, 1));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(rec.Valid, 0);
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpPortIpGet, Device, nullptr));
    Deliver(Device, 0x0113, 0, {1, 2, 3});
    EXPECT_EQ(LastReport().Status, StatusTableError);
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpPortIpGet, Device, nullptr));
    Deliver(Device, 0x0113, 0, {});
    EXPECT_EQ(LastReport().Status, StatusShort);
    ASSERT_TRUE(StartSession(new TSessionBasicsDhcpPortIpGet, Device, nullptr));
    Deliver(Device, 0x0113, 0, std::vector<uint8_t>(36, 1));   // 9 addresses
    EXPECT_EQ(LastReport().Status, StatusTableError);
}

TEST_F(Dhcp, PortAddressSetNeedsOneAddressPerPort)
{
    auto* set = new TSessionBasicsDhcpPortIpSet;
    EXPECT_FALSE(StartSession(set, Device, nullptr));   // no addresses
    uint32_t addresses[10];
    for (uint32_t i = 0; i < 10; ++i)
        addresses[i] = 0xC0000200u + i;
    set->SetValue(addresses, 10);
    EXPECT_FALSE(StartSession(set, Device, nullptr));   // 8-port model
    set->SetValue(addresses, 0);                         // leaves 10
    EXPECT_FALSE(StartSession(set, Device, nullptr));
    EXPECT_TRUE(Transport->Sent.empty());
    set->SetValue(addresses, 8);
    ASSERT_TRUE(StartSession(set, Device, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "011400000020001122334401"
                                     "c0000200c0000201c0000202c0000203c0000204c0000205c0000206c0000207");
    Deliver(Device, 0x0114, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Command, 0x0114);
    EXPECT_EQ(LastSent().Command(), 0x0113);
}

} // namespace
