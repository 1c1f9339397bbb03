// QoS: byte-exact Set requests and the decoders' irregular statuses.
#include "IntpQos.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class Qos : public LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Dev = AddDevice(1);
    }
    template <class TGet>
    uint32_t Read(const std::vector<uint8_t>& body, uint16_t status = 0)
    {
        EXPECT_TRUE(StartSession(new TGet, Dev, nullptr));
        Deliver(Dev, TGet::Command, status, body);
        return LastReport().Status;
    }
    TDevice* Dev = nullptr;
};

TEST_F(Qos, SetRequestsAreByteExact)
{
    auto* policy = new TSessionQosSet;
    const uint8_t strictCosFirst[2] = {1, 4};
    ASSERT_TRUE(policy->SetData(strictCosFirst));
    ASSERT_TRUE(StartSession(policy, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "050100000002001122334401" "0104");

    // An 8-port model: port priority 8 bytes, COS 16 bytes.
    auto* port = new TSessionQosPortSet;
    std::vector<uint8_t> levels = {0, 1, 2, 3, 3, 2, 1, 0};
    ASSERT_TRUE(port->SetData(levels, 8));
    ASSERT_TRUE(StartSession(port, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "050300000008001122334401" "0001020303020100");

    auto* cos = new TSessionQosCosSet;
    std::vector<uint8_t> cosBody = {0, 0, 1, 1, 2, 2, 3, 3, 7, 6, 5, 4, 3, 2, 1, 0};
    ASSERT_TRUE(cos->SetData(cosBody, 8));
    ASSERT_TRUE(StartSession(cos, Dev, nullptr));
    EXPECT_EQ(Hex(LastSent().Bytes), "050500000010001122334401" "00000101020203030706050403020100");

    auto* tos = new TSessionQosTosSet;
    std::vector<uint8_t> ones(64, 1);
    ASSERT_TRUE(tos->SetData(ones));
    ASSERT_TRUE(StartSession(tos, Dev, nullptr));
    std::string tosHex;
    for (int i = 0; i < 64; ++i)
        tosHex += "01";
    EXPECT_EQ(Hex(LastSent().Bytes), "050700000040001122334401" + tosHex);
}

TEST_F(Qos, SetsRefuseWrongSizesAndCounts)
{
    TSessionQosSet policy;
    const uint8_t three[3] = {0, 1, 2};
    EXPECT_FALSE(policy.SetData(std::span<const uint8_t>(three, 1)));
    EXPECT_FALSE(policy.SetData(three));
    EXPECT_FALSE(StartSession(&policy, Dev, nullptr)) << "no request set";

    TSessionQosTosSet tos;
    EXPECT_FALSE(tos.SetData(std::vector<uint8_t>(63, 0)));
    EXPECT_FALSE(StartSession(&tos, Dev, nullptr));

    TSessionQosPortSet port;
    std::vector<uint8_t> seven(7, 0), eight(8, 0);
    EXPECT_FALSE(port.SetData(seven, 8)) << "buffer shorter than n";
    EXPECT_FALSE(port.SetData(eight, 0));
    EXPECT_FALSE(port.SetData(eight, -1));
    EXPECT_FALSE(StartSession(&port, Dev, nullptr)) << "n = 0 is never sent";
    ASSERT_TRUE(port.SetData(seven, 7));
    EXPECT_FALSE(StartSession(&port, Dev, nullptr)) << "n differs from the port count";

    TSessionQosCosSet cos;
    EXPECT_FALSE(cos.SetData(eight, 8)) << "COS needs n + 8 bytes";
    ASSERT_TRUE(cos.SetData(std::vector<uint8_t>(15, 0), 7));
    EXPECT_FALSE(StartSession(&cos, Dev, nullptr));
    EXPECT_TRUE(Transport->Sent.empty());
}

TEST_F(Qos, PolicyDecoder)
{
    EXPECT_EQ(Read<TSessionQosGet>({1, 5}), 0u);
    EXPECT_EQ(GetPropertyQos(Dev).Valid, 1);
    EXPECT_EQ(GetPropertyQos(Dev).QueueScheme, 1u);
    EXPECT_EQ(GetPropertyQos(Dev).PriorityType, 5u);
    EXPECT_EQ(LastReport().Name, "QosGet");

    EXPECT_EQ(Read<TSessionQosGet>({2, 0}), StatusTableError);
    EXPECT_EQ(GetPropertyQos(Dev).Valid, 0);
    EXPECT_EQ(Read<TSessionQosGet>({0, 6}), StatusRangeError);
    EXPECT_EQ(Read<TSessionQosGet>({0}), StatusShort);
    EXPECT_EQ(Read<TSessionQosGet>({0, 1}, 9), 9u) << "switch errors pass unchanged";
    EXPECT_EQ(GetPropertyQos(Dev).Valid, 0);
}

TEST_F(Qos, CosDecoderStatuses)
{
    EXPECT_EQ(Read<TSessionQosCosGet>({0, 0, 0, 0, 0, 0, 0, 0}), StatusConflict) << "no ports";
    EXPECT_EQ(Read<TSessionQosCosGet>(std::vector<uint8_t>(15, 0)), StatusConflict) << "7 ports on an 8-port model";
    EXPECT_EQ(Read<TSessionQosCosGet>(std::vector<uint8_t>(7, 0)), StatusShort);

    std::vector<uint8_t> body = {1, 2, 3, 4, 0, 0, 0, 0, 0, 1, 2, 3, 4, 5, 6, 7};
    EXPECT_EQ(Read<TSessionQosCosGet>(body), StatusTableError);
    auto& cos = GetPropertyQosCos(Dev);
    EXPECT_EQ(cos.Valid, 0);
    EXPECT_EQ(cos.QueueLevel[0], 1u);
    EXPECT_EQ(cos.QueueLevel[2], 3u) << "levels before the bad one stay stored";

    body[3] = 3;
    body[15] = 8;
    EXPECT_EQ(Read<TSessionQosCosGet>(body), StatusRangeError);
    body[15] = 7;
    EXPECT_EQ(Read<TSessionQosCosGet>(body), 0u);
    EXPECT_EQ(cos.Valid, 1);
    ASSERT_EQ(cos.DefaultPriority.size(), 8u);
    EXPECT_EQ(cos.DefaultPriority[7], 7u);
}

TEST_F(Qos, PortAndTosDecoderStatuses)
{
    EXPECT_EQ(Read<TSessionQosPortGet>({0, 0, 0, 0, 0, 0, 0}), StatusRangeError) << "P - 1 bytes";
    EXPECT_EQ(Read<TSessionQosPortGet>({0, 1, 5, 0, 0, 0, 0, 0}), StatusTableError);
    EXPECT_EQ(GetPropertyQosPort(Dev).Valid, 0);
    EXPECT_EQ(Read<TSessionQosPortGet>({0, 1, 2, 3, 0, 1, 2, 3}), 0u);
    ASSERT_EQ(GetPropertyQosPort(Dev).QueueLevel.size(), 8u);
    EXPECT_EQ(GetPropertyQosPort(Dev).QueueLevel[3], 3u);
    EXPECT_EQ(Read<TSessionQosPortGet>({}), StatusShort);

    EXPECT_EQ(Read<TSessionQosTosGet>(std::vector<uint8_t>(64, 3)), 0u);
    EXPECT_EQ(GetPropertyQosTos(Dev).QueueLevel[63], 3u);
    EXPECT_EQ(Read<TSessionQosTosGet>(std::vector<uint8_t>(63, 3)), StatusShort);
    EXPECT_EQ(GetPropertyQosTos(Dev).Valid, 1) << "a short reply leaves the record alone";
    std::vector<uint8_t> bad(64, 0);
    bad[40] = 4;
    EXPECT_EQ(Read<TSessionQosTosGet>(bad), StatusTableError);
    EXPECT_EQ(GetPropertyQosTos(Dev).Valid, 0);
}

TEST_F(Qos, ArraysFollowTheModelOfEachRead)
{
    EXPECT_EQ(Read<TSessionQosPortGet>(std::vector<uint8_t>(8, 1)), 0u);
    static const TDeviceTypeDesc fourPorts{"4 port test switch", 4, 0, 0, 0, 0};
    int model = RegisterDeviceType(&fourPorts, {});
    ASSERT_GT(model, 0);
    Dev->SetType(uint32_t(model));
    EXPECT_EQ(Read<TSessionQosPortGet>({3, 3, 3, 3}), 0u);
    EXPECT_EQ(GetPropertyQosPort(Dev).QueueLevel.size(), 4u);
    EXPECT_EQ(Read<TSessionQosCosGet>({0, 0, 0, 0, 0, 0, 0, 0, 1, 2, 3, 4}), 0u);
    EXPECT_EQ(GetPropertyQosCos(Dev).DefaultPriority.size(), 4u);
}

TEST_F(Qos, SetReplyStartsTheGetAndReportsItsStatus)
{
    auto* cos = new TSessionQosCosSet;
    ASSERT_TRUE(cos->SetData(std::vector<uint8_t>(16, 0), 8));
    ASSERT_TRUE(StartSession(cos, Dev, nullptr));
    Deliver(Dev, 0x0505, 0x77, {0, 0, 0, 0});
    EXPECT_EQ(LastReport().Command, 0x0505);
    EXPECT_EQ(LastReport().Status, 0x77u);
    EXPECT_EQ(LastSent().Command(), 0x0504);
}

} // namespace
