// Boxes, dialogs, launches and beeps reach whichever interface is installed.
#include "FakeUserInterface.h"
#include "MessageBoxes.h"

#include <gtest/gtest.h>

TEST(MessageBoxes, RoutedThroughTheInstalledInterface)
{
    IUserInterface* desktop = &UserInterface();
    {
        TestSupport::TFakeUserInterface ui;
        EXPECT_EQ(&UserInterface(), &ui);
        ShowError("Invalid IP address!");
        ASSERT_EQ(ui.Boxes.size(), 1u);
        EXPECT_EQ(ui.Boxes[0].Icon, IUserInterface::IconError);
        EXPECT_EQ(ui.Boxes[0].Buttons, IUserInterface::Ok);

        ui.Answers = {IUserInterface::Cancel};
        EXPECT_FALSE(ConfirmOkCancel("Sure?"));
        EXPECT_TRUE(ConfirmOkCancel("Sure?"));   // nothing queued: OK

        ui.Paths = {"/tmp/a.bin"};
        EXPECT_EQ(UserInterface().GetOpenFileName("Open", "", "*.bin"), "/tmp/a.bin");
        EXPECT_TRUE(UserInterface().GetSaveFileName("Save", "", "*.xml").isEmpty());
        EXPECT_TRUE(UserInterface().OpenUrl("http://192.0.2.1"));
        EXPECT_TRUE(UserInterface().StartDetached("java", {"-jar", "TopologyView.jar"}, "."));
        UserInterface().Beep(341, 100);
        EXPECT_EQ(ui.Urls, std::vector<QString>{"http://192.0.2.1"});
        EXPECT_EQ(ui.Programs.front(), (QStringList{"java", "-jar", "TopologyView.jar"}));
        EXPECT_EQ(ui.Beeps.size(), 1u);
    }
    EXPECT_EQ(&UserInterface(), desktop);
}
