// Property records: get-or-create, keys, Assign, lifetime.
#include "IntpProtocol.h"
#include "LibraryFixture.h"
#include "TestSessions.h"

using namespace Intp;
using namespace TestSupport;

namespace {

class Properties : public LibraryTest {};

TEST_F(Properties, GetOrCreateOncePerType)
{
    TDevice* d = AddDevice(1);
    auto& a = d->GetProperty<TPropertyIntpPing2>();
    EXPECT_EQ(a.Valid, 0);
    EXPECT_EQ(a.LinkMask, 0u);
    a.LinkMask = 7;
    auto& b = GetPropertyIntpPing2(d);
    EXPECT_EQ(&a, &b);
    EXPECT_EQ(d->Properties().Count(), 1u);
    GetPropertyIntpSip(d);
    EXPECT_EQ(d->Properties().Count(), 2u);
}

TEST_F(Properties, KeysAreGetCodesShiftedBySixteen)
{
    EXPECT_EQ(PropertyKey<TPropertyIntpPing2>(), 0x00060000);
    EXPECT_EQ(PropertyKey<TPropertyIntpSip>(), 0x00070000);
    EXPECT_EQ(PropertyKey<TPropertyTestRows>(), 0x7F010000);
    TDevice* d = AddDevice(1);
    d->GetProperty<TPropertyIntpSip>();
    EXPECT_NE(d->Properties().Find(0x00070000), nullptr);
    EXPECT_EQ(d->Properties().Find(0x00060000), nullptr);
}

TEST_F(Properties, AssignCopiesOnlyTheSameType)
{
    Property<TPropertyIntpPing2> a, b;
    Property<TPropertyIntpSip> other;
    a.Value.Valid = 1;
    a.Value.PortAlarm = 5;
    other.Value.Valid = 1;
    b.Assign(a);
    EXPECT_EQ(b.Value.Valid, 1);
    EXPECT_EQ(b.Value.PortAlarm, 5u);
    b.Value.PortAlarm = 6;
    b.Assign(other);
    EXPECT_EQ(b.Value.PortAlarm, 6u);
    b.Assign(b);
    EXPECT_EQ(b.Value.PortAlarm, 6u);

    Property<TPropertyTestRows> rows, rows2;
    rows.Value.Rows = {1, 2, 3};
    rows2.Assign(rows);
    EXPECT_EQ(rows2.Value.Rows, rows.Value.Rows);
}

} // namespace
