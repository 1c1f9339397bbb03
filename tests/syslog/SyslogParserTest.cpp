// Parsing of syslog datagrams: RFC 3164 headers, the fall-backs for texts
// that are not in that form, and the name tables.
#include "SyslogParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Syslog;

namespace {

struct TCase {
    std::string Text;
    bool Parsed;
    uint32_t Facility, Severity;
    std::string Message; // "*" for the whole text
};

TParsedSyslog Parse(const std::string& text, bool& ok)
{
    TParsedSyslog out;
    ok = ParseSyslogText(text, out);
    return out;
}

} // namespace

TEST(SyslogParser, HeaderFormsAndFallbacks)
{
    const std::vector<TCase> cases = {
        {"<13>Oct 11 22:14:15 sw1 link up", true, 1, 5, "link up"},
        {"<13>Oct  1 22:14:15 sw1 link up", true, 1, 5, "link up"},
        {"<13>Oct 1 22:14:15 sw1 link up", false, 1, 5, "*"},  // unpadded one-digit day
        {"<13>Oct 11 22:14:15 sw1", false, 1, 5, "*"},         // no blank after the host
        {"link up", false, 16, 3, "*"},                        // no header at all
        {"<191>Oct 11 22:14:15 sw1 x", true, 23, 7, "x"},
        {"<191>bad", false, 16, 3, "*"},
        {"<-1>Oct 11 22:14:15 sw1 x", false, 16, 3, "*"},
        {"<13Oct 11 22:14:15 sw1 x", false, 16, 3, "*"},       // no closing bracket
        {"<135>bad", false, 16, 7, "*"},                       // facility 16 stays as read
        {"<136>bad", false, 16, 3, "*"},                       // facility 17: no usable priority
        {"<1000>Dec 31 23:59:59 h m", true, 125, 0, "m"},
        {"<>Jan 01 00:00:00 h m", true, 0, 0, "m"},            // no digits read as 0
        {"< +13>Jan 01 00:00:00 h m", true, 1, 5, "m"},        // white space and a sign
        {"<13>oct 11 22:14:15 sw1 x", false, 1, 5, "*"},       // month is case-sensitive
        {"<13>Oct -1 22:14:15 sw1 x", false, 1, 5, "*"},       // negative day
        {"<13>Oct 11 22-14:15 sw1 x", false, 1, 5, "*"},
        {"<13>Oct 11 22:14:15  empty host", true, 1, 5, "empty host"},
        {"<13>Oct 11 22:14:15 sw1 ", true, 1, 5, ""},
        {"<13>Oct 11 22:14:15 sw1 a  b ", true, 1, 5, "a  b "},
        // A priority that overflows does not parse.
        {"<99999999999999999999>Oct 11 22:14:15 sw1 x", false, 16, 3, "*"},
        {"<2147483648>Oct 11 22:14:15 sw1 x", false, 16, 3, "*"},
        {"<2147483647>Oct 11 22:14:15 sw1 x", true, 268435455, 7, "x"},
        {"", false, 16, 3, "*"},
        {"<", false, 16, 3, "*"},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Text);
        bool ok = false;
        const TParsedSyslog p = Parse(c.Text, ok);
        EXPECT_EQ(ok, c.Parsed);
        EXPECT_EQ(p.Facility, c.Facility);
        EXPECT_EQ(p.Severity, c.Severity);
        EXPECT_EQ(std::string(p.Message), c.Message == "*" ? c.Text : c.Message);
    }
}

// Every prefix of a header is parsed from an allocation of exactly its size,
// so a step past the end is caught by the address sanitizer, and none of
// them parses.
TEST(SyslogParser, TruncatedHeadersNeverReadPastTheEnd)
{
    for (const std::string full : {"<13>Oct 11 22:14:15 sw1 x", "<13>Oct  1 22:14:15 sw1 x"}) {
        const size_t parsable = full.size() - 1; // "... sw1 " is the shortest that parses
        for (size_t n = 0; n < parsable; ++n) {
            std::vector<char> bytes(full.begin(), full.begin() + long(n));
            const std::string_view text(bytes.data(), bytes.size());
            SCOPED_TRACE(std::string(text));
            TParsedSyslog p;
            EXPECT_FALSE(ParseSyslogText(text, p));
            EXPECT_EQ(p.Message, text);
            if (n >= 4) { // "<13>" was read
                EXPECT_EQ(p.Facility, 1u);
                EXPECT_EQ(p.Severity, 5u);
            } else {
                EXPECT_EQ(p.Facility, 16u);
                EXPECT_EQ(p.Severity, 3u);
            }
        }
    }
}

TEST(SyslogParser, DatagramEndsAtZeroByte)
{
    const char data[] = "<13>Oct 11 22:14:15 sw1 before\0after";
    const std::string_view text = DatagramText(data, sizeof data - 1);
    EXPECT_EQ(text, "<13>Oct 11 22:14:15 sw1 before");
    TParsedSyslog p;
    ASSERT_TRUE(ParseSyslogText(text, p));
    EXPECT_EQ(p.Message, "before");
    EXPECT_EQ(DatagramText("abc", 3), "abc");
    EXPECT_EQ(DatagramText(nullptr, 5), "");
}

TEST(SyslogParser, Names)
{
    EXPECT_STREQ(FacilityName(0), "kernel messages");
    EXPECT_STREQ(FacilityName(1), "user-level messages");
    EXPECT_STREQ(FacilityName(4), "security/authorization messages");
    EXPECT_STREQ(FacilityName(10), "security/authorization messages");
    EXPECT_STREQ(FacilityName(15), "clock daemon");
    EXPECT_STREQ(FacilityName(16), "local use");
    EXPECT_STREQ(FacilityName(23), "local use");
    EXPECT_STREQ(FacilityName(0xFFFFFFFF), "local use");
    EXPECT_STREQ(SeverityName(0), "Emergency");
    EXPECT_STREQ(SeverityName(5), "Notice");
    EXPECT_STREQ(SeverityName(7), "Debug");
    EXPECT_EQ(SeverityName(8), nullptr);
    const int images[9] = {0, 0, 0, 0, 1, 2, 2, 2, 2};
    for (uint32_t s = 0; s < 9; ++s)
        EXPECT_EQ(SeverityImage(s), images[s]) << s;
}
