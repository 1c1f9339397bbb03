// Byte-exact requests of the protocol commands and the product identifiers.
#include "IntpProtocol.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class ProtocolRequests : public LibraryTest {};

TEST_F(ProtocolRequests, LoginDigestOfAdminAdmin)
{
    uint8_t digest[16];
    LoginDigest("admin", "admin", digest);
    EXPECT_EQ(Hex({digest, digest + 16}), "91d4d3080dd78593c6899641280fbb10");
}

TEST_F(ProtocolRequests, LoginDigestCutsAtSixteenBytes)
{
    uint8_t a[16], b[16], empty[16], zeros[16];
    LoginDigest("abcdefghijklmnop", "pw", a);
    LoginDigest("abcdefghijklmnopqrst", "pw", b);
    EXPECT_EQ(Hex({a, a + 16}), Hex({b, b + 16}));
    LoginDigest("", "", empty);
    uint8_t thirtyTwoZeros[32] = {};
    Md5(thirtyTwoZeros, 32, zeros);
    EXPECT_EQ(Hex({empty, empty + 16}), Hex({zeros, zeros + 16}));
}

TEST_F(ProtocolRequests, FindRequestIsSixteenBytesToTheTarget)
{
    SendFind(nullptr, 0xC00002FFu);
    ASSERT_EQ(Transport->Sent.size(), 1u);
    EXPECT_EQ(LastSent().Ip, 0xC00002FFu);
    EXPECT_EQ(Hex(LastSent().Bytes), "00000000000400000000000000000000");
}

TEST_F(ProtocolRequests, LoginRequestCarriesTheDigest)
{
    TDevice* d = AddDevice(1);
    auto* login = new TSessionIntpLogin;
    uint8_t digest[16];
    LoginDigest("admin", "admin", digest);
    login->SetDigest(digest);
    ASSERT_TRUE(StartSession(login, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "000200000010001122334401" "91d4d3080dd78593c6899641280fbb10");
    EXPECT_EQ(LastSent().Ip, d->GetIp());
}

TEST_F(ProtocolRequests, Ping2AndIntpSipRequests)
{
    TDevice* d = AddDevice(2);
    ASSERT_TRUE(StartSession(new TSessionIntpPing2(5000), d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "000600000004001122334402" "00000000");
    EXPECT_EQ(Transport->TimerInterval(SessionList().back()), 5000u);
    ASSERT_TRUE(StartSession(new TSessionIntpSipGet, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "000700000004001122334402" "00000000");
    EXPECT_EQ(Transport->TimerInterval(SessionList().back()), 60000u);
}

TEST_F(ProtocolRequests, ProductIdentifiersOnTheWire)
{
    // Body bytes 0-3 of a Find reply are the first four MD5 bytes of the
    // model code, most significant (digest byte 3) first.
    const char* wire[6] = {"29e3d900", "ad9b403b", "155664cc", "a1cbc9b3", "db7ee15f", "b00b8191"};
    for (uint32_t i = 0; i < 6; ++i) {
        auto bytes = FromHex(wire[i]);
        EXPECT_EQ(TypeFromProductId(GetBE32(bytes.data())), i + 1) << BuiltinModels[i].ModelCode;
    }
}

} // namespace
