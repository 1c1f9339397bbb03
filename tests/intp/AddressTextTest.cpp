// Addresses, text helpers and the bounded body views.
#include "Intp.h"
#include "FakeTransport.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace Intp;
using namespace TestSupport;

namespace {

TEST(MacAddress, TextParseAndOrder)
{
    const uint8_t b[6] = {0x0A, 0x0B, 0x0C, 0x0D, 0x0E, 0x0F};
    EXPECT_EQ(MacToText(TMacAddr(b)), "0A:0B:0C:0D:0E:0F");

    uint8_t out[6] = {};
    EXPECT_TRUE(ParseMac("0a0B0c0D0e0F", out));
    EXPECT_EQ(TMacAddr(out), TMacAddr(b));
    uint8_t untouched[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_FALSE(ParseMac("0A:0B:0C:0D:0E:0F", untouched));
    EXPECT_FALSE(ParseMac("0A0B0C0D0E0", untouched));
    EXPECT_FALSE(ParseMac("0A0B0C0D0E0G", untouched));
    EXPECT_FALSE(ParseMac("", untouched));
    EXPECT_EQ(untouched[0], 1);

    EXPECT_TRUE(TMacAddr().IsZero());
    const uint8_t ones[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_TRUE(TMacAddr(ones).IsAllOnes());
    EXPECT_FALSE(TMacAddr(b).IsZero());
    // Unsigned byte order, first byte most significant.
    EXPECT_LT(Mac(0xFF, 0x00), Mac(0x00, 0x80));
    EXPECT_LT(Mac(1), Mac(2));
    EXPECT_EQ(Mac(1).Compare(Mac(1)), 0);
}

TEST(MacAddress, RawWordConstructorCopiesMemory)
{
    uint32_t hi;
    uint16_t lo;
    const uint8_t b[6] = {1, 2, 3, 4, 5, 6};
    std::memcpy(&hi, b, 4);
    std::memcpy(&lo, b + 4, 2);
    EXPECT_EQ(TMacAddr(hi, lo), TMacAddr(b));
}

TEST(TextHelpers, ReturnOwnedText)
{
    // Two calls in one expression stay distinct.
    EXPECT_EQ(MacToText(Mac(1)) + " " + MacToText(Mac(2)), "00:11:22:33:44:01 00:11:22:33:44:02");
    EXPECT_EQ(IpToText(0xC0000201u) + "-" + IpToText(0x0A000001u), "192.0.2.1-10.0.0.1");
    const char a[4] = {'a', 'b', 'c', 'd'}, z[3] = {'x', 0, 'y'};
    EXPECT_EQ(FieldText(a, 4) + FieldText(z, 3), "abcdx");
    std::string kept = FieldText(a, 2);
    FieldText(z, 3);
    EXPECT_EQ(kept, "ab");
}

TEST(TextHelpers, FieldTextLimits)
{
    std::vector<char> big(2000, 'q');
    EXPECT_EQ(FieldText(big.data(), 1024), "");
    EXPECT_EQ(FieldText(big.data(), 1023).size(), 1023u);
    EXPECT_EQ(FieldText(nullptr, 4), "");
}

TEST(TextHelpers, Ipv4)
{
    EXPECT_EQ(IpToText(0), "0.0.0.0");
    EXPECT_EQ(IpToText(0xFFFFFFFFu), "255.255.255.255");
    uint32_t ip = 0;
    EXPECT_TRUE(ParseIp("192.0.2.17", ip));
    EXPECT_EQ(ip, 0xC0000211u);
    for (const char* bad : {"192.0.2", "192.0.2.256", "1.2.3.4.5", "a.b.c.d", "", "1..2.3", "1.2.3.4 "})
        EXPECT_FALSE(ParseIp(bad, ip)) << bad;

    EXPECT_FALSE(IsUsableIp(0));
    EXPECT_FALSE(IsUsableIp(0xFFFFFFFFu));
    EXPECT_FALSE(IsUsableIp(0x7F000001u));
    EXPECT_FALSE(IsUsableIp(0x7FFFFFFFu));
    EXPECT_TRUE(IsUsableIp(0x7EFFFFFFu));
    EXPECT_TRUE(IsUsableIp(0x80000000u));

    EXPECT_FALSE(IsValidNetmask(0));
    EXPECT_FALSE(IsValidNetmask(0xFF00FF00u));
    EXPECT_FALSE(IsValidNetmask(0x7FFFFFFFu));
    EXPECT_TRUE(IsValidNetmask(0xFFFFFFFFu));
    EXPECT_TRUE(IsValidNetmask(0xFFFFFE00u));
    EXPECT_TRUE(IsValidNetmask(0x80000000u));
}

TEST(TextHelpers, FixedFieldsCutOnCharacterBoundary)
{
    uint8_t field[6];
    PutFieldText(field, 6, "abcd\xC3\xA9\xC3\xA9");   // "abcdéé": é does not fit whole at 4..5? it does
    EXPECT_EQ(std::string(reinterpret_cast<char*>(field), 6), "abcd\xC3\xA9");
    PutFieldText(field, 6, "abcde\xC3\xA9");   // é would straddle the end
    EXPECT_EQ(Hex({field, field + 6}), Hex({'a', 'b', 'c', 'd', 'e', 0}));
    PutFieldText(field, 6, "\xE2\x82\xAC\xE2\x82\xAC\xE2\x82\xAC");   // three 3-byte characters
    EXPECT_EQ(Hex({field, field + 6}), "e282ace282ac");
    PutFieldText(field, 6, std::string("ab\0cd", 5));
    EXPECT_EQ(Hex({field, field + 6}), "616200000000");
    EXPECT_EQ(Utf8FitLength("\xC3\xA9", 1), 0u);
}

TEST(BodyViews, NeverReadPastTheEnd)
{
    // A heap buffer of exactly the body's size: any overrun is caught by
    // the address sanitizer.
    std::vector<uint8_t> bytes = {1, 2, 3, 4, 5};
    TBody body(bytes.data(), bytes.size());
    EXPECT_EQ(body.U32(0), 0x01020304u);
    EXPECT_EQ(body.U32(1), 0x02030405u);
    EXPECT_EQ(body.U32(2), 0u);
    EXPECT_EQ(body.U16(4), 0u);
    EXPECT_EQ(body.U8(4), 5);
    EXPECT_EQ(body.U8(5), 0);
    EXPECT_EQ(body.U32(SIZE_MAX - 1), 0u);
    EXPECT_FALSE(body.Has(SIZE_MAX, 2));
    EXPECT_FALSE(body.Has(2, SIZE_MAX));
    uint8_t out[4] = {9, 9, 9, 9};
    body.Copy(3, out, 4);
    EXPECT_EQ(Hex({out, out + 4}), "04050000");
    body.Copy(10, out, 4);
    EXPECT_EQ(Hex({out, out + 4}), "00000000");
    EXPECT_EQ(body.Text(3, 10), "\x04\x05");
    EXPECT_EQ(body.Text(6, 10), "");
    EXPECT_EQ(body.From(4).Size(), 1u);
    EXPECT_EQ(body.From(9).Size(), 0u);
    EXPECT_EQ(body.Slice(3, 100).Size(), 2u);
    EXPECT_EQ(body.Slice(9, 1).Size(), 0u);
    EXPECT_EQ(TBody(nullptr, 10).Size(), 0u);
}

TEST(BodyViews, WriterIgnoresWritesPastTheEnd)
{
    std::vector<uint8_t> bytes(6, 0);
    TBodyWriter w(bytes.data(), bytes.size());
    w.U32(4, 0xAABBCCDDu);
    w.U16(4, 0x0102);
    w.U8(6, 7);
    w.Text(2, 8, "long text");
    w.Bytes(5, "xy", 2);
    EXPECT_EQ(Hex(bytes), "000000000102");
    w.Text(0, 4, "hi");
    EXPECT_EQ(Hex(bytes), "686900000102");
}

TEST(Md5, KnownDigests)
{
    uint8_t d[16];
    Md5("", 0, d);
    EXPECT_EQ(Hex({d, d + 16}), "d41d8cd98f00b204e9800998ecf8427e");
    Md5("abc", 3, d);
    EXPECT_EQ(Hex({d, d + 16}), "900150983cd24fb0d6963f7d28e17f72");
    std::string long80(80, '1');
    for (size_t i = 0; i < 80; ++i)
        long80[i] = "1234567890"[i % 10];
    Md5(long80.data(), long80.size(), d);
    EXPECT_EQ(Hex({d, d + 16}), "57edf4a22be3c955ac49da2e2107b67a");
    // Fed in pieces gives the same digest.
    TMd5 md5;
    for (size_t i = 0; i < 80; i += 7)
        md5.Update(long80.data() + i, std::min<size_t>(7, 80 - i));
    uint8_t e[16];
    md5.Final(e);
    EXPECT_EQ(Hex({e, e + 16}), Hex({d, d + 16}));
}

} // namespace
