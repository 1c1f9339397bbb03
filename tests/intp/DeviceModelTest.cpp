// Devices, the device registry, observer calls and the model table.
#include "IntpProtocol.h"
#include "LibraryFixture.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class Devices : public LibraryTest {};

TEST_F(Devices, GetDeviceRefusesZeroAndBroadcast)
{
    const uint8_t ones[6] = {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF};
    EXPECT_EQ(GetDevice(TMacAddr(), true), nullptr);
    EXPECT_EQ(GetDevice(TMacAddr(ones), true), nullptr);
    EXPECT_TRUE(DeviceMap().empty());
    EXPECT_EQ(Observer->Count("add"), 0u);
    EXPECT_EQ(GetDevice(Mac(1), false), nullptr);
    TDevice* d = GetDevice(Mac(1), true);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(GetDevice(Mac(1), true), d);
    EXPECT_EQ(GetDevice(Mac(1), false), d);
    EXPECT_EQ(Observer->Count("add"), 1u);
}

TEST_F(Devices, NewDeviceIsEmpty)
{
    TDevice* d = GetDevice(Mac(3), true);
    EXPECT_EQ(d->GetType(), 0u);
    EXPECT_EQ(d->GetIp(), 0u);
    EXPECT_EQ(d->GetFlags(), 0u);
    EXPECT_EQ(d->GetName(), "");
    EXPECT_EQ(d->Properties().Count(), 0u);
    EXPECT_EQ(d->GetTypeName(), "Unknown Intp Compatible Device");
    EXPECT_EQ(d->GetPortCount() + d->GetTrunkCount() + d->GetSmtpEntryCount() + d->GetIpSecurityCount() +
                  d->GetSnmpCommunityCount(),
              0u);
}

TEST_F(Devices, ObserverHearsOnlyChanges)
{
    TDevice* d = GetDevice(Mac(1), true);
    d->SetIp(5);
    d->SetIp(5);
    d->SetType(2);
    d->SetType(2);
    d->SetName("sw");
    d->SetName("sw");
    d->SetName("Sw");
    EXPECT_EQ(Observer->Count("ip"), 1u);
    EXPECT_EQ(Observer->Count("type"), 1u);
    EXPECT_EQ(Observer->Count("name"), 2u);

    d->SetLoggedIn(true);
    d->SetLoggedIn(true);
    EXPECT_EQ(Observer->Count("flags"), 1u);
    d->SetFlags(8);
    EXPECT_TRUE(d->TestFlags(9));
    EXPECT_FALSE(d->TestFlags(11));
    Observer->Events.clear();
    d->ClearFlags(9);
    ASSERT_EQ(Observer->Count("flags"), 1u);
    EXPECT_EQ(Observer->Events.back().Changed, 9u);
    d->ClearFlags(9);
    EXPECT_EQ(Observer->Count("flags"), 1u);
}

TEST_F(Devices, RemovedDeviceIsGoneDuringItsRemoveCall)
{
    struct TProbe : TFakeDeviceObserver {
        int Found = -1;
        void OnDeviceRemove(TDevice* dev) override { Found = GetDevice(dev->GetMac(), false) != nullptr; }
    };
    {
        TProbe probe;   // becomes the device observer
        delete GetDevice(Mac(2), true);
        EXPECT_EQ(probe.Found, 0);
    }
    SetDeviceCallback(Observer.get());
}

TEST_F(Devices, FindByIpTakesTheFirstInMacOrder)
{
    TDevice* late = GetDevice(Mac(9), true);
    TDevice* early = GetDevice(Mac(4), true);
    late->SetIp(77);
    early->SetIp(77);
    EXPECT_EQ(FindDeviceByIp(77), early);
    EXPECT_EQ(FindDeviceByIp(78), nullptr);
}

TEST_F(Devices, DeleteAllDevicesInMacOrderAndRecordsGo)
{
    GetDevice(Mac(3), true);
    GetDevice(Mac(1), true)->GetProperty<TPropertyIntpPing2>().Valid = 1;
    GetDevice(Mac(2), true);
    Observer->Events.clear();
    DeleteAllDevices();
    EXPECT_TRUE(DeviceMap().empty());
    ASSERT_EQ(Observer->Count("remove"), 3u);
    // A new discovery starts the same switch with fresh records.
    TDevice* again = GetDevice(Mac(1), true);
    EXPECT_EQ(again->GetProperty<TPropertyIntpPing2>().Valid, 0);
}

TEST_F(Devices, ModelCounts)
{
    TDevice* d = AddDevice(1, 4);
    EXPECT_EQ(d->GetPortCount(), 8u);
    EXPECT_EQ(d->GetTrunkCount(), 4u);
    EXPECT_EQ(d->GetLogicalPortCount(), 12u);
    EXPECT_EQ(d->GetSmtpEntryCount(), 6u);
    EXPECT_EQ(d->GetIpSecurityCount(), 10u);
    EXPECT_EQ(d->GetSnmpCommunityCount(), 4u);
    EXPECT_EQ(d->GetTypeName(), "6 port 10/100BaseTX+ 2 port 1000BaseTX Management Ethernet Switch");
}

class Models : public LibraryTest {};

TEST_F(Models, TheBuiltinTable)
{
    ASSERT_EQ(TypeVector().size(), 7u);
    EXPECT_EQ(GetTypeName(0), "Unknown Intp Compatible Device");
    EXPECT_TRUE(TypeVector()[0].ProductIds.empty());
    const char* codes[6] = {"7193-TX", "7193-SS", "7193-MM", "7193-GT", "7193-GS", "7193-GM"};
    for (uint32_t i = 1; i <= 6; ++i) {
        ASSERT_EQ(TypeVector()[i].ProductIds.size(), 1u);
        EXPECT_EQ(TypeVector()[i].ProductIds[0], ProductIdOf(codes[i - 1]));
        EXPECT_EQ(TypeFromProductId(ProductIdOf(codes[i - 1])), i);
    }
    EXPECT_EQ(TypeFromProductId(ProductIdOf("7193-XX")), 0u);
    EXPECT_EQ(GetTypeName(1), "8 port 10/100BaseTX Management Ethernet Switch");
}

TEST_F(Models, RegistrationRules)
{
    ReleaseLibrary();
    RegisterUnknownType();
    RegisterUnknownType();
    EXPECT_EQ(TypeVector().size(), 1u);
    EXPECT_EQ(TypeFromProductId(ProductIdOf("7193-TX")), 0u);

    TDeviceTypeDesc desc{"First", 4, 1, 1, 1, 1};
    EXPECT_EQ(RegisterDeviceType(nullptr, {"A"}), -1);
    TDeviceTypeDesc noText{nullptr, 4, 1, 1, 1, 1};
    EXPECT_EQ(RegisterDeviceType(&noText, {"A"}), -1);
    EXPECT_EQ(TypeVector().size(), 1u);

    EXPECT_EQ(RegisterDeviceType(&desc, {"A", "B", nullptr, "C"}), 1);
    TDeviceTypeDesc second{"Second", 8, 2, 1, 1, 1};
    EXPECT_EQ(RegisterDeviceType(&second, {"B", "D"}), 2);
    // "B" stays with the first model; "C" after the terminator is ignored.
    EXPECT_EQ(TypeFromProductId(ProductIdOf("B")), 1u);
    EXPECT_EQ(TypeFromProductId(ProductIdOf("D")), 2u);
    EXPECT_EQ(TypeFromProductId(ProductIdOf("C")), 0u);
    EXPECT_EQ(TypeVector()[1].ProductIds.size(), 2u);

    EXPECT_FALSE(AddProductId(0, "E"));
    EXPECT_FALSE(AddProductId(3, "E"));
    EXPECT_FALSE(AddProductId(2, "A"));
    EXPECT_TRUE(AddProductId(2, "E"));
    EXPECT_EQ(TypeFromProductId(ProductIdOf("E")), 2u);
}

TEST_F(Models, AModelRegisteredFirstDoesNotTakeIndexZero)
{
    ReleaseLibrary();
    TDeviceTypeDesc desc{"Early", 4, 1, 1, 1, 1};
    EXPECT_EQ(RegisterDeviceType(&desc, {"EARLY"}), 1);
    EXPECT_EQ(GetTypeName(0), "Unknown Intp Compatible Device");
    EXPECT_EQ(TypeFromProductId(ProductIdOf("EARLY")), 1u);
}

TEST_F(Models, ProductIdIsLittleEndianDigestPrefix)
{
    uint8_t d[16];
    Md5("7193-TX", 7, d);
    EXPECT_EQ(ProductIdOf("7193-TX"), uint32_t(d[0]) | uint32_t(d[1]) << 8 | uint32_t(d[2]) << 16 |
                                          uint32_t(d[3]) << 24);
}

} // namespace
