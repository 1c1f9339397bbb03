// Security sessions: request bodies, decoders and the multi-datagram lists.
#include "IntpSecurity.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

std::string Zeros(size_t bytes) { return std::string(2 * bytes, '0'); }

std::vector<uint8_t> MacRows(size_t n, uint8_t first = 0)
{
    std::vector<uint8_t> body(4, 0);
    for (size_t i = 0; i < n; ++i) {
        uint8_t row[6] = {0x02, 0, 0, 0, uint8_t(i >> 8), uint8_t(first + i)};
        body.insert(body.end(), row, row + 6);
    }
    return body;
}

std::vector<uint8_t> PortRows(size_t n, uint8_t port = 1)
{
    std::vector<uint8_t> body(4, 0);
    for (size_t i = 0; i < n; ++i) {
        uint8_t row[7] = {port, 0x02, 0, 0, 0, uint8_t(i >> 8), uint8_t(i)};
        body.insert(body.end(), row, row + 7);
    }
    return body;
}

class Security : public LibraryTest {};

TEST_F(Security, RadiusSetIsBigEndianAndFollowedByGet)
{
    TDevice* d = AddDevice(1);
    TPropertySecurity8021x r;
    r.Enabled = 4;   // goes out as 1
    r.RadiusServer = 0xC000020A;   // 192.0.2.10
    r.ServerPort = 1812;
    r.AccountingPort = 1813;
    r.SharedKey = "secret";
    r.NasIdentifier = "nas";
    r.QuietPeriod = 60;
    r.TxPeriod = 30;
    r.SupplicantTimeout = 31;
    r.ServerTimeout = 32;
    r.MaxRequests = 2;
    r.ReauthPeriod = 3600;
    auto* set = new TSessionSecurity8021xSet;
    set->SetData(r);
    TRecordingWizard wizard;
    ASSERT_TRUE(StartSession(set, d, &wizard));
    EXPECT_EQ(Hex(LastSent().Bytes), "080900000056001122334401"
                                     "01" "c000020a" "0714" "0715"
                                     "736563726574" + Zeros(26) + "6e6173" + Zeros(29) +
                                     "003c" "001e" "001f" "0020" "02" "00000e10");

    // Any reply status starts a fresh read and is reported unchanged.
    EXPECT_EQ(Deliver(d, 0x0809, 0x0042, {0, 0, 0, 0}), 0);
    EXPECT_EQ(LastSent().Command(), 0x0808);
    ASSERT_EQ(wizard.Events.size(), 1u);
    EXPECT_EQ(wizard.Events[0].Command, 0x0809);
    EXPECT_EQ(wizard.Events[0].Status, 0x0042);
}

TEST_F(Security, RadiusSetRefusesValuesWiderThanTheirField)
{
    TDevice* d = AddDevice(1);
    TPropertySecurity8021x r;
    r.ServerPort = 70000;
    TSessionSecurity8021xSet set;
    set.SetData(r);
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    r.ServerPort = 1812;
    r.MaxRequests = 256;
    set.SetData(r);
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    EXPECT_TRUE(Transport->Sent.empty());
}

TEST_F(Security, RadiusKeyOfThirtyTwoCharactersRoundTrips)
{
    TDevice* d = AddDevice(1);
    const std::string key(32, 'k');
    TPropertySecurity8021x r;
    r.SharedKey = key;
    auto* set = new TSessionSecurity8021xSet;
    set->SetData(r);
    ASSERT_TRUE(StartSession(set, d, nullptr));
    std::vector<uint8_t> body = LastSent().Body();
    ASSERT_EQ(body.size(), 86u);
    EXPECT_EQ(std::string(body.begin() + 9, body.begin() + 41), key);   // no terminator
    EXPECT_EQ(body[41], 0);

    ASSERT_TRUE(StartSession(new TSessionSecurity8021xGet, d, nullptr));
    body[0] = 4;
    body[81] = 5;
    Deliver(d, 0x0808, 0, body);
    const auto& rec = GetPropertySecurity8021x(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Enabled, 1);
    EXPECT_EQ(rec.SharedKey, key);
    EXPECT_EQ(rec.MaxRequests, 5u);
}

TEST_F(Security, RadiusShortReplyAndErrorStatus)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionSecurity8021xGet, d, nullptr));
    Deliver(d, 0x0808, 0, std::vector<uint8_t>(85, 1));
    EXPECT_EQ(LastReport().Status, StatusShort);
    EXPECT_EQ(GetPropertySecurity8021x(d).Valid, 0);
    ASSERT_TRUE(StartSession(new TSessionSecurity8021xGet, d, nullptr));
    Deliver(d, 0x0808, 7, std::vector<uint8_t>(86, 1));
    EXPECT_EQ(LastReport().Status, 7u);
    EXPECT_EQ(GetPropertySecurity8021x(d).Valid, 0);
}

TEST_F(Security, PortModeSetOnAFreshSession)
{
    TDevice* d = AddDevice(1);
    const uint8_t modes[8] = {0, 1, 2, 3, 0, 1, 2, 3};
    auto* set = new TSessionSecurity8021xPortSet;
    EXPECT_FALSE(set->SetData(modes, 0));
    EXPECT_FALSE(set->SetData(nullptr, 8));
    EXPECT_FALSE(set->Send(d));   // nothing stored yet
    ASSERT_TRUE(set->SetData(modes, 8));
    ASSERT_TRUE(StartSession(set, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "080b00000008001122334401" "0001020300010203");
}

TEST_F(Security, PortModeSetOnlyForTheModelsPortCount)
{
    TDevice* d = AddDevice(1);
    const uint8_t modes[9] = {};
    TSessionSecurity8021xPortSet set;
    ASSERT_TRUE(set.SetData(modes, 7));
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    ASSERT_TRUE(set.SetData(modes, 9));
    EXPECT_FALSE(StartSession(&set, d, nullptr));
    EXPECT_FALSE(set.SetData(modes, -1));   // keeps the 9 stored bytes
    EXPECT_EQ(set.Count(), 9);
    EXPECT_TRUE(Transport->Sent.empty());
}

TEST_F(Security, PortModeGetChecksLengthAndModes)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionSecurity8021xPortGet, d, nullptr));
    Deliver(d, 0x080A, 0, FromHex("00010203000102"));
    EXPECT_EQ(LastReport().Status, StatusRangeError);
    EXPECT_EQ(GetPropertySecurity8021xPort(d).Valid, 0);

    ASSERT_TRUE(StartSession(new TSessionSecurity8021xPortGet, d, nullptr));
    Deliver(d, 0x080A, 0, FromHex("0001020400010203"));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(GetPropertySecurity8021xPort(d).Valid, 0);

    ASSERT_TRUE(StartSession(new TSessionSecurity8021xPortGet, d, nullptr));
    Deliver(d, 0x080A, 0, FromHex("0302010003020100"));
    EXPECT_EQ(LastReport().Status, StatusOk);
    const auto& rec = GetPropertySecurity8021xPort(d);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Modes, (std::vector<uint32_t>{3, 2, 1, 0, 3, 2, 1, 0}));
}

TEST_F(Security, PortModeOutOfRangeKeepsTheModesBeforeIt)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionSecurity8021xPortGet, d, nullptr));
    Deliver(d, 0x080A, 0, FromHex("0303030303030303"));
    ASSERT_TRUE(StartSession(new TSessionSecurity8021xPortGet, d, nullptr));
    Deliver(d, 0x080A, 0, FromHex("0101010401010101"));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    const auto& rec = GetPropertySecurity8021xPort(d);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(rec.Modes, (std::vector<uint32_t>{1, 1, 1, 3, 3, 3, 3, 3}));
}

TEST_F(Security, IpSecuritySetIsBigEndianAndSizedToTheModel)
{
    TDevice* d = AddDevice(1);
    TPropertySecurityIp r;
    r.Enabled = 2;   // goes out as 1
    r.Management = SecurityIpWeb | SecurityIpSnmp;
    r.Addresses.assign(10, 0);
    r.Addresses[0] = 0xC0000201;
    r.Addresses[9] = 0xC00002FE;
    auto* set = new TSessionSecurityIpSet;
    ASSERT_TRUE(set->SetData(r));
    ASSERT_TRUE(StartSession(set, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes),
              "08010000002d001122334401" "01" "00000005" "c0000201" + Zeros(32) + "c00002fe");

    TSessionSecurityIpSet wrong;
    r.Addresses.resize(9);
    ASSERT_TRUE(wrong.SetData(r));
    EXPECT_FALSE(StartSession(&wrong, d, nullptr));
    r.Addresses.clear();
    EXPECT_FALSE(wrong.SetData(r));
}

TEST_F(Security, IpSecurityGetNeedsTheModelsListSize)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionSecurityIpGet, d, nullptr));
    Deliver(d, 0x0800, 0, FromHex("0100000007"));   // no address at all
    EXPECT_EQ(LastReport().Status, StatusTableError);
    ASSERT_TRUE(StartSession(new TSessionSecurityIpGet, d, nullptr));
    Deliver(d, 0x0800, 0, std::vector<uint8_t>(5 + 4 * 9 + 3, 0));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(GetPropertySecurityIp(d).Valid, 0);

    std::vector<uint8_t> body = FromHex("0900000003" "c0000201");
    body.resize(5 + 40 + 3, 0);   // a remainder is ignored
    ASSERT_TRUE(StartSession(new TSessionSecurityIpGet, d, nullptr));
    Deliver(d, 0x0800, 0, body);
    const auto& rec = GetPropertySecurityIp(d);
    EXPECT_EQ(LastReport().Status, StatusOk);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Enabled, 1);
    EXPECT_EQ(rec.Management, 3u);
    ASSERT_EQ(rec.Addresses.size(), 10u);
    EXPECT_EQ(rec.Addresses[0], 0xC0000201u);
    EXPECT_EQ(rec.Addresses[1], 0u);
}

TEST_F(Security, MacBlacklistOverSeveralDatagrams)
{
    TDevice* d = AddDevice(1);
    auto& rec = GetPropertySecurityMac(d);
    rec.Valid = 1;
    rec.Rows.assign(3, TMacAddr());
    ASSERT_TRUE(StartSession(new TSessionSecurityMacGet, d, nullptr));
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_TRUE(rec.Rows.empty());
    TSession* get = SessionList().back();

    Transport->Advance(50000);
    std::vector<uint8_t> full = MacRows(128);
    ASSERT_EQ(full.size(), 772u);
    EXPECT_EQ(Deliver(d, 0x0805, 0, full), 0);
    EXPECT_TRUE(IsSessionPending(get));
    EXPECT_TRUE(Transport->TimerEnabled(get));
    EXPECT_TRUE(Transport->Reports.empty());
    Transport->Advance(50000);   // the wait restarted with the datagram
    EXPECT_TRUE(IsSessionPending(get));

    Deliver(d, 0x0805, 0, MacRows(0));
    EXPECT_FALSE(IsSessionPending(get));
    EXPECT_EQ(LastReport().Status, StatusOk);
    EXPECT_EQ(rec.Valid, 1);
    ASSERT_EQ(rec.Rows.size(), 128u);
    EXPECT_EQ(MacToText(rec.Rows[127]), "02:00:00:00:00:7F");
}

TEST_F(Security, MacBlacklistErrorAndTimeoutMidList)
{
    TDevice* d = AddDevice(1);
    ASSERT_TRUE(StartSession(new TSessionSecurityMacGet, d, nullptr));
    Deliver(d, 0x0805, 0, MacRows(130));
    Deliver(d, 0x0805, 9, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Status, 9u);
    EXPECT_EQ(GetPropertySecurityMac(d).Valid, 0);
    EXPECT_TRUE(GetPropertySecurityMac(d).Rows.empty());

    ASSERT_TRUE(StartSession(new TSessionSecurityMacGet, d, nullptr));
    Deliver(d, 0x0805, 0, MacRows(128));
    Transport->Advance(60000);
    EXPECT_EQ(LastReport().Status, StatusTimeout);
    EXPECT_EQ(GetPropertySecurityMac(d).Valid, 0);
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Security, MacAddAndDelRequests)
{
    TDevice* d = AddDevice(1);
    const uint8_t m[6] = {0x02, 0xAA, 0xBB, 0xCC, 0xDD, 0xEE};
    auto* add = new TSessionSecurityMacAdd;
    add->SetData(TMacAddr(m));
    ASSERT_TRUE(StartSession(add, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "080600000006001122334401" "02aabbccddee");
    auto* del = new TSessionSecurityMacDel;
    del->SetData(TMacAddr(m));
    ASSERT_TRUE(StartSession(del, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "080700000006001122334401" "02aabbccddee");
    Deliver(d, 0x0806, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0805);
    EXPECT_EQ(LastReport().Command, 0x0806);
}

TEST_F(Security, PortSecurityRowsAndPortRange)
{
    TDevice* d = AddDevice(1);   // 12 logical ports
    ASSERT_TRUE(StartSession(new TSessionSecurityPortGet, d, nullptr));
    Deliver(d, 0x0802, 0, PortRows(128, 11));
    EXPECT_EQ(Transport->Reports.size(), 0u);
    Deliver(d, 0x0802, 0, PortRows(2, 3));
    auto& rec = GetPropertySecurityPort(d);
    EXPECT_EQ(rec.Valid, 1);
    ASSERT_EQ(rec.Rows.size(), 130u);
    EXPECT_EQ(rec.Rows[0].Port, 11u);
    EXPECT_EQ(rec.Rows[129].Port, 3u);
    EXPECT_EQ(MacToText(rec.Rows[129].Address), "02:00:00:00:00:01");

    // A port of 12 or more empties the list, earlier datagrams included.
    ASSERT_TRUE(StartSession(new TSessionSecurityPortGet, d, nullptr));
    Deliver(d, 0x0802, 0, PortRows(128, 0));
    Deliver(d, 0x0802, 0, PortRows(1, 12));
    EXPECT_EQ(LastReport().Status, StatusTableError);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_TRUE(rec.Rows.empty());
    EXPECT_TRUE(SessionList().empty());
}

TEST_F(Security, PortSecurityAddAndDelRequests)
{
    TDevice* d = AddDevice(1);
    const uint8_t m[6] = {0x02, 1, 2, 3, 4, 5};
    auto* add = new TSessionSecurityPortAdd;
    add->SetData({11, TMacAddr(m)});
    ASSERT_TRUE(StartSession(add, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "080300000007001122334401" "0b020102030405");
    auto* del = new TSessionSecurityPortDel;
    del->SetData(TMacAddr(m));
    ASSERT_TRUE(StartSession(del, d, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "080400000006001122334401" "020102030405");

    TSessionSecurityPortAdd outside;
    outside.SetData({12, TMacAddr(m)});
    EXPECT_FALSE(StartSession(&outside, d, nullptr));
    EXPECT_EQ(Transport->Sent.size(), 2u);
}

} // namespace
