// The wizard index and the two group wizards against the switch simulator.
#include "IntpBasics.h"
#include "PageEditors.h"
#include "PageFixture.h"
#include "PageList.h"
#include "WizardFrame.h"
#include "WizardGroupFwFrame.h"
#include "WizardGroupIpFrame.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>

#include <fstream>

using namespace TestSupport;

namespace {

class GroupWizardTest : public PageTest {
protected:
    void Start(size_t n, uint32_t model = 1)
    {
        StartSwitches(n, model);
        Select({}, false);
        for (size_t i = 0; i < n; ++i) {
            Device(i)->SetFlags(Intp::DeviceFlagLoggedIn);
            Simulator().With(i, [](Sim::TSimSwitch& sw) { sw.LoggedIn = true; });
        }
        FakeHost().All.clear();
        for (size_t i = 0; i < n; ++i)
            FakeHost().All.push_back(Device(i));
    }
    // Steps to the last step with `rows` of the choose-from list chosen.
    template <class W>
    void ChooseAndGoOn(W* wizard, const std::vector<int>& rows)
    {
        wizard->EventOnNextClick();
        ASSERT_EQ(wizard->Step(), 1);
        for (int row : rows)
            wizard->Picker()->Source()->selectionModel()->select(
                wizard->Picker()->Source()->Model()->index(row, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
        wizard->Picker()->EventOnAddClick();
        ASSERT_TRUE(wizard->NextButton()->isEnabled());
        wizard->EventOnNextClick();
        ASSERT_EQ(wizard->Step(), 2);
    }
    static QStringList Column(TPageList* list, int column)
    {
        QStringList texts;
        for (int r = 0; r < list->RowCount(); ++r)
            texts << list->Text(r, column);
        return texts;
    }
};

} // namespace

TEST(WizardIndex, ButtonsOpenTheWizards)
{
    TFakeHost host;
    TWizardFrame index(nullptr);
    QTest::mouseClick(index.GroupIpButton(), Qt::LeftButton);
    QTest::mouseClick(index.GroupFwButton(), Qt::LeftButton);
    ASSERT_EQ(host.SelectedPaths.size(), 2u);
    EXPECT_EQ(host.SelectedPaths[0], "Wizards/Group IP Setting");
    EXPECT_EQ(host.SelectedPaths[1], "Wizards/Group Firmware Update");
}

TEST_F(GroupWizardTest, PickerMovesInReverseAndNeverOffersAChosenSwitchAgain)
{
    Start(3);
    auto* wizard = new TWizardGroupIpFrame(Host());
    auto* description = wizard->findChild<QLabel*>();
    ASSERT_NE(description, nullptr);
    wizard->EventOnNextClick();
    TDevicePicker* picker = wizard->Picker();
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    picker->EventOnAddAllClick();
    // Walked from the last row: the chosen rows come in reverse order.
    EXPECT_EQ(Column(picker->Chosen(), 2), (QStringList{"127.0.0.4", "127.0.0.3", "127.0.0.2"}));
    EXPECT_EQ(picker->Source()->RowCount(), 0);
    EXPECT_FALSE(picker->AddAllButton()->isEnabled());

    // Back to the first step and forward again: the chosen switches are
    // not offered twice.
    wizard->EventOnPrevClick();
    wizard->EventOnNextClick();
    EXPECT_EQ(picker->Source()->RowCount(), 0);
    EXPECT_EQ(picker->Chosen()->RowCount(), 3);
    picker->Chosen()->SelectRow(0);
    picker->EventOnRemoveClick();
    EXPECT_EQ(Column(picker->Source(), 2), (QStringList{"127.0.0.4"}));
}

TEST_F(GroupWizardTest, RangeRulesAndPreviewOrder)
{
    Start(3);
    auto* wizard = new TWizardGroupIpFrame(Host());
    ChooseAndGoOn(wizard, {0, 1, 2});
    EXPECT_EQ(wizard->NextButton()->text(), "&Apply");
    EXPECT_EQ(Column(wizard->Preview(), 3), (QStringList{"DHCP", "DHCP", "DHCP"}));
    EXPECT_FALSE(wizard->NextButton()->isEnabled());   // no usable server yet

    wizard->RangeChoice()->setChecked(true);
    wizard->NetmaskField()->setText("255.255.255.0");
    wizard->BeginField()->setText("192.0.2.10");
    wizard->EndField()->setText("192.0.2.11");   // two addresses for three switches
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    EXPECT_EQ(Column(wizard->Preview(), 3), (QStringList{"0.0.0.0", "0.0.0.0", "0.0.0.0"}));
    wizard->EndField()->setText("192.0.3.20");   // another subnet: no gateway
    EXPECT_TRUE(wizard->NextButton()->isEnabled());
    EXPECT_FALSE(wizard->GatewayField()->isEnabled());
    EXPECT_EQ(Column(wizard->Preview(), 3), (QStringList{"192.0.2.10", "192.0.2.11", "192.0.2.12"}));

    // The last row moved to the top takes the first address.
    const QString mac = wizard->Preview()->Text(2, 1);
    wizard->Preview()->SelectRow(2);
    EXPECT_FALSE(wizard->DownButton()->isEnabled());
    QTest::mouseClick(wizard->TopButton(), Qt::LeftButton);
    EXPECT_EQ(wizard->Preview()->Text(0, 1), mac);
    EXPECT_EQ(wizard->Preview()->Text(0, 3), "192.0.2.10");

    // A cancelled login question sends nothing.
    FakeHost().LoginAnswer = false;
    wizard->EventOnNextClick();
    EXPECT_EQ(FakeHost().LoginAsked, 1);
    ASSERT_TRUE(SentSoFarArrived());
    EXPECT_TRUE(Requests(0x0107).empty());

    // One NetSet per row, from the last row to the first, gateway 0.
    FakeHost().LoginAnswer = true;
    FakeHost().LoginUser = "admin";
    FakeHost().LoginPassword = "admin";
    wizard->EventOnNextClick();
    const auto body = WaitForRequest(0x0107, 3);
    ASSERT_EQ(body.size(), 37u);
    EXPECT_EQ(Intp::GetBE32(body.data() + 17), 0xC000020Au);   // the top row was sent last
    EXPECT_EQ(Intp::GetBE32(body.data() + 25), 0u);
    EXPECT_EQ(Requests(0x0107)[0].Mac, MacFromKey(wizard->Preview()->Row(2).Key));
    EXPECT_TRUE(wizard->Busy());
    EXPECT_FALSE(wizard->Leave(false));
    // A forced leave ends the run: the wizard is idle at its first step.
    EXPECT_TRUE(wizard->Leave(true));
    EXPECT_FALSE(wizard->Busy());
    EXPECT_EQ(wizard->Step(), 0);
}

TEST_F(GroupWizardTest, ReorderButtonsFollowARowPickedWithTheMouse)
{
    Start(3);
    auto* wizard = new TWizardGroupIpFrame(Host());
    wizard->resize(800, 600);
    wizard->show();
    ChooseAndGoOn(wizard, {0, 1, 2});
    TPageList* preview = wizard->Preview();
    auto click = [preview](int row) {
        const QRect cell = preview->visualRect(preview->Model()->index(row, 0));
        QTest::mouseClick(preview->viewport(), Qt::LeftButton, {}, cell.center());
        return preview->SelectedRow() == row;
    };
    auto buttons = [wizard] {
        QString s;
        for (QPushButton* b : {wizard->TopButton(), wizard->UpButton(), wizard->DownButton(), wizard->BottomButton()})
            s += b->isEnabled() ? '1' : '0';
        return s;
    };
    EXPECT_EQ(buttons(), "0000");   // nothing selected yet
    ASSERT_TRUE(click(1));
    EXPECT_EQ(buttons(), "1111");
    ASSERT_TRUE(click(0));
    EXPECT_EQ(buttons(), "0011");
    ASSERT_TRUE(click(2));
    EXPECT_EQ(buttons(), "1100");
}

TEST_F(GroupWizardTest, DhcpSendsTheServerAndIsBusyUntilEveryRowHasAResult)
{
    Start(2);
    Simulator().With(1, [](Sim::TSimSwitch& sw) { sw.Faults.DelayMs = 300; });
    Simulator().With(0, [](Sim::TSimSwitch& sw) { sw.Password = "other"; });   // a wrong digest
    auto* wizard = new TWizardGroupIpFrame(Host());
    ChooseAndGoOn(wizard, {0, 1});
    wizard->ServerField()->setText("192.0.2.1");
    ASSERT_TRUE(wizard->NextButton()->isEnabled());
    FakeHost().LoginAnswer = true;
    FakeHost().LoginUser = "admin";
    FakeHost().LoginPassword = "admin";
    wizard->EventOnNextClick();
    const auto body = WaitForRequest(0x0107, 2);
    ASSERT_EQ(body.size(), 37u);
    EXPECT_EQ(body[16], 1);
    EXPECT_EQ(Intp::GetBE32(body.data() + 17), 0xC0000201u);
    EXPECT_TRUE(wizard->Busy());
    EXPECT_FALSE(wizard->PrevButton()->isEnabled());
    ASSERT_TRUE(Pump([&] { return !wizard->Busy(); }));
    EXPECT_TRUE(wizard->PrevButton()->isEnabled());
    EXPECT_TRUE(wizard->NextButton()->isEnabled());
    // Picker order is reversed: preview row 0 is switch 1 (delayed, good),
    // row 1 switch 0 (refused).
    EXPECT_FALSE(wizard->Preview()->Row(0).Icon.isNull());
    EXPECT_FALSE(wizard->Preview()->Row(1).Icon.isNull());
}

TEST_F(GroupWizardTest, FirmwareOffersLoggedInSwitchesOfOneModel)
{
    StartSwitches(3);
    Select({}, false);
    Device(0)->SetFlags(Intp::DeviceFlagLoggedIn);
    Device(1)->SetFlags(Intp::DeviceFlagLoggedIn);
    Device(1)->SetType(2);
    FakeHost().All = {Device(0), Device(1), Device(2)};
    auto* wizard = new TWizardGroupFwFrame(Host());
    wizard->EventOnNextClick();
    TDevicePicker* picker = wizard->Picker();
    ASSERT_EQ(picker->Source()->RowCount(), 2);   // switch 2 is not logged in
    EXPECT_EQ(picker->Source()->Text(0, 1), "Invalid");
    picker->EventOnAddAllClick();
    EXPECT_EQ(Ui().LastText(), "You cannot select devices of different model!");
    EXPECT_EQ(picker->Chosen()->RowCount(), 0);
    picker->Source()->SelectRow(0);
    picker->EventOnAddClick();
    EXPECT_EQ(picker->Chosen()->RowCount(), 1);
}

TEST_F(GroupWizardTest, FirmwareChecksThePathOnEveryEditAndCutsTheTftpName)
{
    Start(2);
    auto* wizard = new TWizardGroupFwFrame(Host());
    ChooseAndGoOn(wizard, {0, 1});
    EXPECT_EQ(wizard->NextButton()->text(), "&Upgrade");
    QTemporaryDir dir;
    const QString file = dir.filePath("fw.bin");
    std::ofstream(file.toStdString()) << std::string(1500, 'x');
    wizard->PathField()->setText(file);
    EXPECT_TRUE(wizard->NextButton()->isEnabled());
    wizard->PathField()->setText(file + ".missing");
    EXPECT_FALSE(wizard->NextButton()->isEnabled());

    wizard->TftpChoice()->setChecked(true);
    wizard->ServerField()->setText("192.0.2.1");
    EXPECT_FALSE(wizard->NextButton()->isEnabled());
    wizard->FileNameField()->setText(QString(40, 'f'));
    ASSERT_TRUE(wizard->NextButton()->isEnabled());
    wizard->EventOnNextClick();
    const auto body = WaitForRequest(0x010B, 2);
    ASSERT_EQ(body.size(), 38u);
    EXPECT_EQ(Intp::GetBE32(body.data()), 0xC0000201u);
    EXPECT_EQ(Intp::GetBE16(body.data() + 4), 69);
    EXPECT_EQ(std::string(body.begin() + 6, body.end()), std::string(32, 'f'));
}

TEST_F(GroupWizardTest, BuiltinUpgradeEndsEveryRowDone)
{
    Start(3);
    auto* wizard = new TWizardGroupFwFrame(Host());
    ChooseAndGoOn(wizard, {0, 1, 2});
    QTemporaryDir dir;
    const QString file = dir.filePath("fw.bin");
    std::ofstream(file.toStdString()) << std::string(3000, 'x');
    wizard->PathField()->setText(file);
    wizard->EventOnNextClick();
    EXPECT_TRUE(wizard->Busy());
    EXPECT_EQ(wizard->RowImage(0), TWizardGroupFwFrame::ImageTransmitting);
    ASSERT_TRUE(Pump([&] { return !wizard->Busy(); }, 10000));
    for (int row = 0; row < 3; ++row)
        EXPECT_EQ(wizard->RowImage(row), TWizardGroupFwFrame::ImageDone) << row;
}
