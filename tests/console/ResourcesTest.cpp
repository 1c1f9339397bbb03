// Every image the windows load by name exists, at the size its name gives.
#include "Resources.h"

#include <gtest/gtest.h>

TEST(Resources, EveryNamedBitmapIsDrawnAtItsSize)
{
    const char* names16[] = {"DEVICE", "DEVICE_LOGIN", "DEVICE_WARNING", "DEVICE_LOGIN_WARNING", "ROOT", "DEVICES",
                             "MONITOR", "SYSLOG", "TOPOLOGY", "WIZARD", "DISCOVERY", "FILTER", "LOGIN", "REBOOT",
                             "REFRESH", "EXIT", "ABOUT", "INTERNET", "REFRESH_ALL", "LOGOUT", "OPEN", "SAVE",
                             "CANCEL", "CLEAR", "ACCEPT", "ACCEPT_WARINIG", "ADD", "REMOVE", "COPY", "EDIT",
                             "BACKUP", "RESTORE", "FIRMWARE", "NEXT", "PREVIOUS", "TIMER"};
    for (const char* n : names16) {
        QPixmap p = Resources::Bitmap(QString("RC_BITMAP_16X16_%1").arg(n));
        ASSERT_FALSE(p.isNull()) << n;
        EXPECT_EQ(p.size(), QSize(16, 16)) << n;
    }
    EXPECT_EQ(Resources::Bitmap("RC_BITMAP_24X24_WIZARD").size(), QSize(24, 24));
    EXPECT_EQ(Resources::Bitmap("RC_BITMAP_32X32_INTERNET").size(), QSize(32, 32));
    EXPECT_FALSE(Resources::Icon("RC_ICON_16X16_DEVICE").isNull());
    EXPECT_TRUE(Resources::Bitmap("RC_BITMAP_16X16_NO_SUCH_THING").isNull());
}

TEST(Resources, StringTable)
{
    EXPECT_EQ(Resources::String(100), "Marlune");
    EXPECT_EQ(Resources::String(10), "TopologyView.jar");
    EXPECT_TRUE(Resources::String(11).isEmpty());
}
