// Port names, configuration, status, rate limits and trunks.
#include "IntpPort.h"
#include "LibraryFixture.h"

#include <cstring>

using namespace Intp;
using namespace TestSupport;

namespace {

class Port : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Device = AddDevice(1);   // 8 ports, 4 trunk groups
    }
    template <class TGet>
    uint32_t Get(uint16_t command, const std::vector<uint8_t>& body)
    {
        EXPECT_TRUE(StartSession(new TGet, Device, nullptr));
        Deliver(Device, command, 0, body);
        return LastReport().Status;
    }
    static std::vector<uint8_t> ConfigRows(size_t n, size_t trailing = 0)
    {
        std::vector<uint8_t> body(4, 0xEE);
        for (size_t i = 0; i < n; ++i) {
            const uint8_t row[6] = {uint8_t(i), 4, 5, 7, 2, 9};
            body.insert(body.end(), row, row + 6);
        }
        body.resize(body.size() + trailing, 0x77);
        return body;
    }
    TDevice* Device = nullptr;
};

TEST_F(Port, NamesOnePerLogicalPort)
{
    std::vector<uint8_t> body(96, 0);
    std::memcpy(body.data(), "Uplink", 6);
    std::memcpy(body.data() + 8 * 11, "ABCDEFGH", 8);   // no zero byte
    EXPECT_EQ(Get<TSessionPortNameGet>(0x0200, body), 0u);
    auto& rec = GetPropertyPortName(Device);
    ASSERT_EQ(rec.Names.size(), 12u);
    EXPECT_EQ(rec.Names[0], "Uplink");
    EXPECT_EQ(rec.Names[1], "");
    EXPECT_EQ(rec.Names[11], "ABCDEFGH");
    EXPECT_EQ(LastReport().Name, "PortName");

    EXPECT_EQ(Get<TSessionPortNameGet>(0x0200, std::vector<uint8_t>(7, 'a')), StatusTableError);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(Get<TSessionPortNameGet>(0x0200, std::vector<uint8_t>(88, 'a')), StatusTableError);
    EXPECT_EQ(Get<TSessionPortNameGet>(0x0200, std::vector<uint8_t>(103, 'a')), 0u);   // 12 names and 7 bytes
    EXPECT_EQ(Get<TSessionPortNameGet>(0x0200, {}), StatusShort);
}

TEST_F(Port, ConfigRowsAndTheirChecks)
{
    auto& rec = GetPropertyPortConfig(Device);
    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, ConfigRows(3, 5)), 0u);
    EXPECT_EQ(rec.Valid, 1);
    EXPECT_EQ(rec.Count, 3u);
    ASSERT_GE(rec.Rows.size(), 12u);
    EXPECT_EQ(rec.Rows[2].Port, 2u);
    EXPECT_EQ(rec.Rows[2].Type, 4u);
    EXPECT_EQ(rec.Rows[2].State, 1u);
    EXPECT_EQ(rec.Rows[2].Speed, 7u);   // accepted
    EXPECT_EQ(rec.Rows[2].Flow, 2u);
    EXPECT_EQ(rec.Rows[2].Security, 1u);

    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, ConfigRows(0)), StatusTableError);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, ConfigRows(0, 5)), StatusTableError);
    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, ConfigRows(12)), 0u);

    // More rows than the model's logical ports: refused, nothing written.
    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, ConfigRows(13)), StatusTableError);
    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, ConfigRows(200)), StatusTableError);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(rec.Rows.size(), 12u);

    auto bad = [&](size_t field, uint8_t value) {
        auto body = ConfigRows(4);
        body[4 + 6 * 2 + field] = value;
        return Get<TSessionPortConfigGet>(0x0201, body);
    };
    EXPECT_EQ(bad(0, 12), StatusRangeError);   // port index P + T
    EXPECT_EQ(bad(0, 11), 0u);
    EXPECT_EQ(bad(1, 10), StatusRangeError);
    EXPECT_EQ(bad(1, 9), 0u);
    EXPECT_EQ(bad(3, 8), StatusRangeError);
    EXPECT_EQ(bad(4, 3), StatusRangeError);
    EXPECT_EQ(rec.Valid, 0);
    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, {0, 0, 0}), StatusShort);
}

TEST_F(Port, StatusRows)
{
    std::vector<uint8_t> body;
    for (int i = 0; i < 8; ++i) {
        const uint8_t row[5] = {9, uint8_t(i & 1 ? 5 : 0), 1, 3, 2};
        body.insert(body.end(), row, row + 5);
    }
    EXPECT_EQ(Get<TSessionPortStatusGet>(0x0203, body), 0u);
    auto& rec = GetPropertyPortStatus(Device);
    ASSERT_EQ(rec.Rows.size(), 8u);
    EXPECT_EQ(rec.Rows[1].Link, 1);
    EXPECT_EQ(rec.Rows[0].Link, 0);
    EXPECT_EQ(rec.Rows[0].Flow, 1);
    EXPECT_EQ(rec.Rows[0].Speed, 3u);

    EXPECT_EQ(Get<TSessionPortStatusGet>(0x0203, std::vector<uint8_t>(35, 0)), StatusTableError);   // 7 rows
    EXPECT_EQ(Get<TSessionPortStatusGet>(0x0203, std::vector<uint8_t>(4, 0)), StatusTableError);
    EXPECT_EQ(Get<TSessionPortStatusGet>(0x0203, std::vector<uint8_t>(45, 0)), StatusTableError);   // 9 rows
    auto bad = body;
    bad[5 * 7] = 10;
    EXPECT_EQ(Get<TSessionPortStatusGet>(0x0203, bad), StatusRangeError);
    bad = body;
    bad[3] = 8;
    EXPECT_EQ(Get<TSessionPortStatusGet>(0x0203, bad), StatusRangeError);
    EXPECT_EQ(rec.Valid, 0);
}

TEST_F(Port, LimitRowsAndRequest)
{
    std::vector<uint8_t> body;
    for (uint8_t i = 0; i < 8; ++i) {
        const uint8_t row[9] = {uint8_t(i % 4), 0, 0, 0x03, 0xE8, 0, 1, 0, 0};
        body.insert(body.end(), row, row + 9);
    }
    EXPECT_EQ(Get<TSessionPortLimitGet>(0x0204, body), 0u);
    auto& rec = GetPropertyPortLimit(Device);
    ASSERT_EQ(rec.Rows.size(), 8u);
    EXPECT_EQ(rec.Rows[3].FrameType, 3u);
    EXPECT_EQ(rec.Rows[3].Ingress, 1000u);
    EXPECT_EQ(rec.Rows[3].Egress, 65536u);
    body[9 * 5] = 4;
    EXPECT_EQ(Get<TSessionPortLimitGet>(0x0204, body), StatusRangeError);
    EXPECT_EQ(Get<TSessionPortLimitGet>(0x0204, std::vector<uint8_t>(63, 0)), StatusTableError);

    // The request: host-order rates at unaligned offsets, sent big-endian.
    std::vector<uint8_t> request(72, 0);
    for (size_t i = 0; i < 8; ++i) {
        request[9 * i] = 1;
        uint32_t in = 1000 + uint32_t(i), out = 0;
        std::memcpy(&request[9 * i + 1], &in, 4);
        std::memcpy(&request[9 * i + 5], &out, 4);
    }
    auto* set = new TSessionPortLimitSet;
    EXPECT_FALSE(set->SetData(request.data(), 71, 8));
    EXPECT_TRUE(set->SetData(request.data(), 63, 7));
    EXPECT_FALSE(StartSession(set, Device, nullptr));   // 7 rows on 8 ports
    EXPECT_TRUE(set->SetData(request.data(), 72, 8));
    ASSERT_TRUE(StartSession(set, Device, nullptr));
    EXPECT_EQ(LastSent().Bytes.size(), 12u + 72u);
    EXPECT_EQ(Hex(LastSent().Bytes).substr(0, 24 + 36), "020500000048001122334401" "01000003e800000000" "01000003e900000000");
    Deliver(Device, 0x0205, 0, {0, 0, 0, 0});
    EXPECT_EQ(LastSent().Command(), 0x0204);
}

TEST_F(Port, TrunkRowsAndRequest)
{
    auto trunks = [](std::vector<std::pair<uint32_t, uint8_t>> rows) {
        std::vector<uint8_t> body;
        for (auto [mask, type] : rows) {
            body.push_back(uint8_t(mask >> 24));
            body.push_back(uint8_t(mask >> 16));
            body.push_back(uint8_t(mask >> 8));
            body.push_back(uint8_t(mask));
            body.push_back(type);
        }
        return body;
    };
    EXPECT_EQ(Get<TSessionPortTrunkGet>(0x0206, trunks({{0x03, 1}, {0x0C, 0}, {0, 0}, {0, 7}})), 0u);
    auto& rec = GetPropertyPortTrunk(Device);
    ASSERT_EQ(rec.Rows.size(), 4u);
    EXPECT_EQ(rec.Rows[1].Mask, 0x0Cu);
    EXPECT_EQ(rec.Rows[3].Type, 1);
    EXPECT_EQ(Get<TSessionPortTrunkGet>(0x0206, trunks({{0x03, 1}, {0x06, 0}, {0, 0}, {0, 0}})), StatusConflict);
    EXPECT_EQ(Get<TSessionPortTrunkGet>(0x0206, trunks({{0x100, 1}, {0, 0}, {0, 0}, {0, 0}})), StatusRangeError);
    EXPECT_EQ(Get<TSessionPortTrunkGet>(0x0206, trunks({{0x80000000u, 1}, {0, 0}, {0, 0}, {0, 0}})), StatusRangeError);
    EXPECT_EQ(Get<TSessionPortTrunkGet>(0x0206, trunks({{0x03, 1}, {0, 0}, {0, 0}})), StatusTableError);
    EXPECT_EQ(rec.Valid, 0);

    uint8_t request[20] = {};
    for (int i = 0; i < 4; ++i) {
        uint32_t mask = 0x3u << (2 * i);
        std::memcpy(request + 5 * i, &mask, 4);
        request[5 * i + 4] = uint8_t(i & 1);
    }
    auto* set = new TSessionPortTrunkSet;
    EXPECT_FALSE(set->SetData(request, 20, 0));
    EXPECT_FALSE(StartSession(set, Device, nullptr));
    EXPECT_TRUE(set->SetData(request, 20, 4));
    ASSERT_TRUE(StartSession(set, Device, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "020700000014001122334401" "0000000300" "0000000c01" "0000003000" "000000c001");
}

TEST_F(Port, BadRowKeepsTheRowsWrittenBeforeIt)
{
    // A good read first, then one whose third row is out of range: rows 0
    // and 1 hold the new values, row 2 and the row count the old ones.
    auto& config = GetPropertyPortConfig(Device);
    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, ConfigRows(3)), 0u);
    auto body = ConfigRows(4);
    for (size_t i = 0; i < 4; ++i)
        body[4 + 6 * i + 1] = 1;   // port type 1000TX
    body[4 + 6 * 2 + 3] = 8;       // speed/duplex out of range
    EXPECT_EQ(Get<TSessionPortConfigGet>(0x0201, body), StatusRangeError);
    EXPECT_EQ(config.Valid, 0);
    EXPECT_EQ(config.Rows[0].Type, 1u);
    EXPECT_EQ(config.Rows[1].Type, 1u);
    EXPECT_EQ(config.Rows[2].Type, 4u);
    EXPECT_EQ(config.Count, 3u);

    std::vector<uint8_t> trunks(20, 0);
    trunks[3] = 0x03;
    EXPECT_EQ(Get<TSessionPortTrunkGet>(0x0206, trunks), 0u);
    trunks[3] = 0x30;
    trunks[8] = 0x20;   // the second group repeats port 6 of the first
    EXPECT_EQ(Get<TSessionPortTrunkGet>(0x0206, trunks), StatusConflict);
    auto& trunk = GetPropertyPortTrunk(Device);
    EXPECT_EQ(trunk.Valid, 0);
    EXPECT_EQ(trunk.Rows[0].Mask, 0x30u);
    EXPECT_EQ(trunk.Rows[1].Mask, 0u);

    std::vector<uint8_t> limits(72, 0);
    EXPECT_EQ(Get<TSessionPortLimitGet>(0x0204, limits), 0u);
    for (size_t i = 0; i < 8; ++i)
        limits[9 * i] = 2;
    limits[9 * 5] = 4;
    EXPECT_EQ(Get<TSessionPortLimitGet>(0x0204, limits), StatusRangeError);
    auto& limit = GetPropertyPortLimit(Device);
    EXPECT_EQ(limit.Rows[4].FrameType, 2u);
    EXPECT_EQ(limit.Rows[5].FrameType, 0u);
}

TEST_F(Port, ConfigRequestIsCopiedAsItStands)
{
    std::vector<uint8_t> request(69, 0);
    for (size_t i = 0; i < 12; ++i) {
        const uint8_t row[5] = {uint8_t(i), 1, 3, 2, 0};
        std::memcpy(&request[4 + 5 * i], row, 5);
    }
    auto* set = new TSessionPortConfigSet;
    EXPECT_FALSE(set->SetData(request.data(), 63, 12));
    EXPECT_TRUE(set->SetData(request.data(), 69, 13));
    EXPECT_FALSE(StartSession(set, Device, nullptr));   // 13 > P + T
    EXPECT_TRUE(set->SetData(request.data(), 64, 12));
    ASSERT_TRUE(StartSession(set, Device, nullptr));
    EXPECT_EQ(LastSent().Bytes.size(), 12u + 64u);
    EXPECT_EQ(Hex(LastSent().Bytes).substr(0, 24 + 18), "020200000040001122334401" "00000000" "0001030200");
    Deliver(Device, 0x0202, 3, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Status, StatusRefused);
    EXPECT_FALSE(Device->IsLoggedIn());
}

} // namespace
