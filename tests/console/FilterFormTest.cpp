// The discovery filter: its rules without a window, then the dialog.
#include "FakeUserInterface.h"
#include "FilterForm.h"
#include "Intp.h"

#include <QAbstractItemModelTester>
#include <QCheckBox>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTreeWidget>
#include <gtest/gtest.h>
#include <map>

using namespace Filter;

namespace {

uint32_t Ip(const char* text)
{
    uint32_t v = 0;
    EXPECT_TRUE(Intp::ParseIp(text, v)) << text;
    return v;
}

std::vector<uint32_t> Addresses(const TIpMaskList& list)
{
    std::vector<uint32_t> out;
    for (const TIpMask& m : list)
        out.push_back(m.Ip);
    return out;
}

} // namespace

TEST(FilterRules, InitialSettingsAcceptEveryNonZeroAddress)
{
    TFilterSettings s;
    EXPECT_FALSE(IsAccepted(s, 0));
    EXPECT_TRUE(IsAccepted(s, 1));
    EXPECT_TRUE(IsAccepted(s, Ip("192.0.2.1")));
    EXPECT_TRUE(IsAccepted(s, 0xFFFFFFFFu));
}

TEST(FilterRules, RangeThenUnicastEntries)
{
    TFilterSettings s;
    s.RangeBegin = Ip("192.168.1.0");
    s.RangeEnd = Ip("192.168.1.255");
    s.Unicasts = {{Ip("10.0.0.7"), 0xFFFFFFFFu}, {Ip("10.0.0.9"), 0xFFFFFFFFu}};
    EXPECT_TRUE(IsAccepted(s, Ip("192.168.1.0")));
    EXPECT_TRUE(IsAccepted(s, Ip("192.168.1.255")));
    EXPECT_FALSE(IsAccepted(s, Ip("192.168.2.0")));
    EXPECT_TRUE(IsAccepted(s, Ip("10.0.0.9")));
    EXPECT_FALSE(IsAccepted(s, Ip("10.0.0.8")));
}

TEST(FilterRules, TargetsPerMethod)
{
    TFilterSettings s;
    s.LocalNetworks = {{Ip("192.168.1.10"), Ip("255.255.255.0")}, {Ip("172.16.5.1"), Ip("255.255.0.0")}};
    s.Address = Ip("172.16.0.0");
    s.Mask = Ip("255.255.0.0");

    // Custom without unicast entries: every local network, not the custom one.
    TIpMaskList t;
    GetTargets(s, t);
    EXPECT_EQ(Addresses(t), (std::vector<uint32_t>{Ip("192.168.1.10"), Ip("172.16.5.1")}));
    EXPECT_EQ(TargetAddress(t.front()), Ip("192.168.1.255"));

    // Custom with one unicast entry: only that address.
    s.Unicasts = {{Ip("10.9.9.9"), 0xFFFFFFFFu}};
    t.clear();
    GetTargets(s, t);
    ASSERT_EQ(t.size(), 1u);
    EXPECT_EQ(TargetAddress(t.front()), Ip("10.9.9.9"));

    // Subnet and gateway methods: the chosen network, then each unicast entry.
    for (uint8_t method : {MethodLocalSubnet, MethodPrimaryInterface}) {
        s.Method = method;
        t.clear();
        GetTargets(s, t);
        ASSERT_EQ(t.size(), 2u);
        EXPECT_EQ(TargetAddress(t.front()), Ip("172.16.255.255"));
        EXPECT_EQ(TargetAddress(t.back()), Ip("10.9.9.9"));
    }
}

TEST(FilterRules, CustomRange)
{
    const uint32_t mask = Ip("255.255.255.0");
    // Unchecked: the whole subnet.
    TWorkingRange r = CustomRange(Ip("192.168.1.20"), mask, false, Ip("192.168.1.50"), Ip("192.168.1.60"));
    EXPECT_EQ(r, (TWorkingRange{Ip("192.168.1.20"), mask, Ip("192.168.1.0"), Ip("192.168.1.255")}));
    EXPECT_FALSE(IsPartialRange(r));
    // Checked: fields in the subnet are kept.
    r = CustomRange(Ip("192.168.1.20"), mask, true, Ip("192.168.1.50"), Ip("192.168.1.60"));
    EXPECT_EQ(r.Begin, Ip("192.168.1.50"));
    EXPECT_EQ(r.End, Ip("192.168.1.60"));
    EXPECT_TRUE(IsPartialRange(r));
    // An end outside the subnet, below begin or unusable falls back.
    EXPECT_EQ(CustomRange(Ip("192.168.1.20"), mask, true, Ip("192.168.1.50"), Ip("192.168.2.9")).End,
              Ip("192.168.1.255"));
    EXPECT_EQ(CustomRange(Ip("192.168.1.20"), mask, true, Ip("192.168.1.50"), Ip("192.168.1.40")).End,
              Ip("192.168.1.255"));
    EXPECT_EQ(CustomRange(Ip("192.168.1.20"), mask, true, Ip("192.168.1.50"), 0).End, Ip("192.168.1.255"));
    // A begin outside the subnet falls back to the subnet's first address.
    EXPECT_EQ(CustomRange(Ip("192.168.1.20"), mask, true, Ip("10.0.0.1"), Ip("192.168.1.60")).Begin,
              Ip("192.168.1.0"));
    // Unusable address and invalid mask read as 0.
    r = CustomRange(Ip("127.0.0.1"), Ip("255.0.255.0"), false, 0, 0);
    EXPECT_EQ(r, (TWorkingRange{0, 0, 0, 0xFFFFFFFFu}));
}

TEST(FilterRules, RemoteRangePresetAndChecks)
{
    EXPECT_EQ(RangeEndPreset(Ip("192.168.1.0")), Ip("192.168.1.255"));
    EXPECT_EQ(RangeEndPreset(Ip("10.0.0.0")), Ip("10.255.255.255"));
    EXPECT_EQ(RangeEndPreset(Ip("192.168.1.5")), Ip("192.168.1.5"));
    EXPECT_EQ(RangeEndPreset(Ip("192.168.2.0")), Ip("192.168.2.255"));
    EXPECT_EQ(RangeEndPreset(Ip("128.0.0.0")), Ip("128.255.255.255"));
    EXPECT_EQ(RangeEndPreset(0), 0u);

    EXPECT_EQ(CheckRemoteRange(Ip("10.0.0.1"), Ip("10.0.0.64")), TRangeCheck::Ok);
    EXPECT_EQ(CheckRemoteRange(Ip("10.0.0.1"), Ip("10.0.0.65")), TRangeCheck::Confirm);
    EXPECT_EQ(CheckRemoteRange(0, Ip("10.0.0.5")), TRangeCheck::Invalid);
    EXPECT_EQ(CheckRemoteRange(Ip("10.0.0.5"), 0), TRangeCheck::Invalid);
    EXPECT_EQ(CheckRemoteRange(Ip("10.0.0.6"), Ip("10.0.0.5")), TRangeCheck::Invalid);
    EXPECT_EQ(CheckRemoteRange(Ip("10.0.0.1"), Ip("10.0.0.1") + MaxRangeEntries - 1), TRangeCheck::Confirm);
    EXPECT_EQ(CheckRemoteRange(Ip("10.0.0.1"), Ip("10.0.0.1") + MaxRangeEntries), TRangeCheck::TooMany);
    EXPECT_EQ(CheckRemoteRange(Ip("10.0.0.0"), Ip("10.255.255.255")), TRangeCheck::TooMany);
    EXPECT_EQ(CheckRemoteRange(1, 0xFFFFFFFFu), TRangeCheck::TooMany);
}

TEST(FilterRules, RangeAddressesSkipUnusableAndNeverWrap)
{
    EXPECT_EQ(RangeAddresses(Ip("126.255.255.254"), Ip("127.0.0.2")),
              (std::vector<uint32_t>{Ip("126.255.255.254"), Ip("126.255.255.255")}));
    // Ends at the last address instead of wrapping to 0 and going on.
    const auto top = RangeAddresses(Ip("255.255.255.250"), 0xFFFFFFFFu);
    EXPECT_EQ(top.size(), 5u);
    EXPECT_EQ(top.back(), Ip("255.255.255.254"));
    EXPECT_EQ(RangeAddresses(1, 0xFFFFFFFFu).size(), MaxRangeEntries);
}

// --- The dialog ---------------------------------------------------------------

namespace {

class TFakeNet : public TNetProvider {
public:
    void GetLocalNetworks(TIpMaskVector& networks) override
    {
        networks.insert(networks.end(), Networks.begin(), Networks.end());
    }
    bool GetBestRoute(uint32_t address, TBestRoute& route) override
    {
        ++Lookups;
        auto it = Routes.find(address);
        if (it == Routes.end())
            return false;
        route = it->second;
        return true;
    }
    TIpMaskVector Networks;
    std::map<uint32_t, TBestRoute> Routes;
    int Lookups = 0;
};

class FilterForm : public ::testing::Test {
protected:
    void SetUp() override
    {
        Net.Networks = {{Ip("192.168.1.10"), Ip("255.255.255.0")}, {Ip("172.16.5.1"), Ip("255.255.0.0")}};
        Net.Routes[Ip("10.1.1.1")] = {Ip("192.168.1.1"), 7, "eth0"};
        Net.Routes[Ip("10.1.1.2")] = {Ip("192.168.1.254"), 3, "eth1"};
        Form = std::make_unique<TFilterForm>(&Net);
        RemoteTester = std::make_unique<QAbstractItemModelTester>(
            Form->m_RemoteList->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
        SubnetTester = std::make_unique<QAbstractItemModelTester>(
            Form->m_SubnetList->model(), QAbstractItemModelTester::FailureReportingMode::Fatal);
    }
    QStringList Row(int i) const
    {
        QTreeWidgetItem* item = Form->m_RemoteList->topLevelItem(i);
        return {item->text(0), item->text(1), item->text(2)};
    }
    QStringList Column0() const
    {
        QStringList out;
        for (int i = 0; i < Form->m_RemoteList->topLevelItemCount(); ++i)
            out << Form->m_RemoteList->topLevelItem(i)->text(0);
        return out;
    }

    TestSupport::TFakeUserInterface Ui;
    TFakeNet Net;
    std::unique_ptr<TFilterForm> Form;
    std::unique_ptr<QAbstractItemModelTester> RemoteTester, SubnetTester;
};

} // namespace

TEST_F(FilterForm, ShowsLocalNetworksAndStartsCustom)
{
    EXPECT_EQ(Form->windowTitle(), "Set Discovery Filter");
    ASSERT_EQ(Form->m_SubnetList->count(), 2);
    EXPECT_EQ(Form->m_SubnetList->itemText(0), "192.168.1.10/255.255.255.0");
    EXPECT_EQ(Form->m_PrimaryLabel->text(), "192.168.1.10/255.255.255.0");
    EXPECT_TRUE(Form->m_CustomRadio->isChecked());
    EXPECT_TRUE(Form->m_LocalRadio->isEnabled());
    EXPECT_FALSE(Form->m_SubnetList->isEnabled());
    EXPECT_TRUE(Form->m_IpAddress->isEnabled());
    EXPECT_EQ(Form->m_End->text(), "255.255.255.255");
    // Begin 0 and end all ones differ from the 0.0.0.0/0.0.0.0 subnet's own.
    EXPECT_FALSE(Form->m_Range->isChecked());
    EXPECT_FALSE(Form->RemoteShown());
    EXPECT_FALSE(Form->m_RemotePanel->isVisibleTo(Form.get()));
}

TEST_F(FilterForm, WithoutNetworksOnlyCustomIsOffered)
{
    TFakeNet none;
    TFilterForm form(&none);
    EXPECT_FALSE(form.m_LocalRadio->isEnabled());
    EXPECT_FALSE(form.m_PrimaryRadio->isEnabled());
    EXPECT_EQ(form.m_PrimaryLabel->text(), "No networking or fetch subnets failed!");
    EXPECT_TRUE(form.m_CustomRadio->isChecked());
    TFilterForm nullNet(nullptr);
    EXPECT_EQ(nullNet.m_SubnetList->count(), 0);
}

TEST_F(FilterForm, MethodsSetTheWorkingRangeAndOkAppliesIt)
{
    Form->m_SubnetList->setCurrentIndex(1);
    Form->m_LocalRadio->click();
    EXPECT_TRUE(Form->m_SubnetList->isEnabled());
    EXPECT_EQ(Form->Working(), NetworkRange(Ip("172.16.5.1"), Ip("255.255.0.0")));
    Form->m_SubnetList->setCurrentIndex(0);
    EXPECT_EQ(Form->Working().Begin, Ip("192.168.1.0"));
    Form->m_Ok->click();
    EXPECT_EQ(Form->result(), QDialog::Accepted);
    EXPECT_EQ(Form->GetSettings().Method, MethodLocalSubnet);
    EXPECT_EQ(Form->GetSettings().RangeEnd, Ip("192.168.1.255"));
    EXPECT_FALSE(Form->IsAccepted(Ip("172.16.0.9")));

    Form->m_PrimaryRadio->click();
    EXPECT_FALSE(Form->m_SubnetList->isEnabled());
    EXPECT_EQ(Form->Working(), NetworkRange(Ip("192.168.1.10"), Ip("255.255.255.0")));
    Form->accept();
    EXPECT_EQ(Form->GetSettings().Method, MethodPrimaryInterface);

    // Cancel leaves the applied settings alone.
    Form->m_CustomRadio->click();
    Form->m_Cancel->click();
    EXPECT_EQ(Form->GetSettings().Method, MethodPrimaryInterface);
}

TEST_F(FilterForm, CustomFieldsAreParsedAndRewritten)
{
    Form->m_CustomRadio->click();
    Form->m_IpAddress->setText("192.168.7.20");
    Form->m_Mask->setText("255.255.255.0");
    EXPECT_EQ(Form->Working(), (TWorkingRange{Ip("192.168.7.20"), Ip("255.255.255.0"), Ip("192.168.7.0"),
                                              Ip("192.168.7.255")}));
    EXPECT_FALSE(Form->m_Begin->isEnabled());
    Form->m_Range->setChecked(true);
    EXPECT_TRUE(Form->m_Begin->isEnabled());
    Form->m_Begin->setText("192.168.7.100");
    Form->m_End->setText("192.168.9.1");   // outside the subnet
    EXPECT_EQ(Form->Working().Begin, Ip("192.168.7.100"));
    EXPECT_EQ(Form->Working().End, Ip("192.168.7.255"));
    Form->m_Mask->setText("255.0.255.0");   // not a netmask
    emit Form->m_Mask->editingFinished();
    EXPECT_EQ(Form->m_Mask->text(), "0.0.0.0");
    Form->m_Mask->setText("255.255.255.0");
    Form->m_End->setText("192.168.7.150");
    Form->accept();
    const TFilterSettings& s = Form->GetSettings();
    EXPECT_EQ(s.Method, MethodCustom);
    EXPECT_TRUE(Form->IsAccepted(Ip("192.168.7.150")));
    EXPECT_FALSE(Form->IsAccepted(Ip("192.168.7.151")));
    EXPECT_FALSE(Form->IsAccepted(Ip("192.168.7.99")));
    // Showing again finds the partial range and checks the box.
    Form->RefreshControls();
    EXPECT_TRUE(Form->m_Range->isChecked());
    EXPECT_EQ(Form->m_Begin->text(), "192.168.7.100");
}

TEST_F(FilterForm, RemoteEntriesShowTheirRoute)
{
    Form->m_Remote->click();
    EXPECT_TRUE(Form->RemoteShown());
    EXPECT_EQ(Form->m_Remote->text(), "Re&mote <<");
    EXPECT_FALSE(Form->m_Clear->isEnabled());

    Form->m_RemoteIp->setText("10.1.1.2");
    Form->m_RemoteAdd->click();
    Form->m_RemoteIp->setText("10.1.1.1");
    Form->m_RemoteAdd->click();
    Form->m_RemoteIp->setText("10.9.9.9");   // no route
    Form->m_RemoteAdd->click();
    ASSERT_EQ(Form->m_RemoteList->topLevelItemCount(), 3);
    EXPECT_EQ(Row(0), (QStringList{"10.1.1.2", "192.168.1.254", "eth1"}));
    EXPECT_EQ(Row(1), (QStringList{"10.1.1.1", "192.168.1.1", "eth0"}));
    EXPECT_EQ(Row(2), (QStringList{"10.9.9.9", "(Invalid)", "(Invalid)"}));
    EXPECT_TRUE(Form->m_Clear->isEnabled());
    EXPECT_TRUE(Ui.Boxes.empty());

    // An address already listed changes nothing and is not looked up again.
    const int lookups = Net.Lookups;
    Form->m_RemoteIp->setText("10.1.1.1");
    Form->m_RemoteAdd->click();
    EXPECT_EQ(Form->m_RemoteList->topLevelItemCount(), 3);
    EXPECT_EQ(Net.Lookups, lookups);

    // An unusable address is refused.
    Form->m_RemoteIp->setText("127.0.0.1");
    Form->m_RemoteAdd->click();
    EXPECT_EQ(Ui.LastText(), "Invalid IP address!");
    EXPECT_EQ(Form->m_RemoteList->topLevelItemCount(), 3);

    // Sorting: interface index ascending, then the same column flips.
    Form->m_RemoteList->header()->sectionClicked(2);
    EXPECT_EQ(Column0(), (QStringList{"10.1.1.2", "10.1.1.1", "10.9.9.9"}));
    Form->m_RemoteList->header()->sectionClicked(2);
    EXPECT_EQ(Column0(), (QStringList{"10.9.9.9", "10.1.1.1", "10.1.1.2"}));
    Form->m_RemoteList->header()->sectionClicked(0);
    EXPECT_EQ(Column0(), (QStringList{"10.1.1.1", "10.1.1.2", "10.9.9.9"}));

    // OK keeps the list order; with one unicast entry discovery goes there only.
    Form->accept();
    EXPECT_EQ(Addresses(Form->GetSettings().Unicasts),
              (std::vector<uint32_t>{Ip("10.1.1.1"), Ip("10.1.1.2"), Ip("10.9.9.9")}));
    EXPECT_EQ(Form->GetSettings().Unicasts.front().Mask, 0xFFFFFFFFu);

    // Delete follows the selection; Clear empties and disables itself.
    EXPECT_FALSE(Form->m_Delete->isEnabled());
    Form->m_RemoteList->topLevelItem(1)->setSelected(true);
    EXPECT_TRUE(Form->m_Delete->isEnabled());
    Form->m_Delete->click();
    EXPECT_EQ(Column0(), (QStringList{"10.1.1.1", "10.9.9.9"}));
    EXPECT_FALSE(Form->m_Delete->isEnabled());
    Form->m_Clear->click();
    EXPECT_EQ(Form->m_RemoteList->topLevelItemCount(), 0);
    EXPECT_FALSE(Form->m_Clear->isEnabled());

    Form->m_Remote->click();
    EXPECT_EQ(Form->m_Remote->text(), "Remo&te >>");
    EXPECT_FALSE(Form->m_RemotePanel->isEnabled());
}

TEST_F(FilterForm, RemoteRanges)
{
    Form->m_Remote->click();
    // Typing an address presets the range end.
    Form->m_RemoteIp->setText("192.168.1.0");
    EXPECT_EQ(Form->m_RemoteEnd->text(), "192.168.1.255");

    // Leaving a remote field shows its value: unusable addresses as 0.0.0.0.
    Form->m_RemoteEnd->setText("10.0.0.300");
    emit Form->m_RemoteEnd->editingFinished();
    EXPECT_EQ(Form->m_RemoteEnd->text(), "0.0.0.0");
    Form->m_RemoteIp->setText("127.0.0.1");
    emit Form->m_RemoteIp->editingFinished();
    EXPECT_EQ(Form->m_RemoteIp->text(), "0.0.0.0");
    EXPECT_EQ(Form->m_RemoteEnd->text(), "0.0.0.0");
    Form->m_RemoteIp->setText("192.168.1.0");
    Form->m_RemoteEnd->setText("192.168.1.20");
    emit Form->m_RemoteIp->editingFinished();
    EXPECT_EQ(Form->m_RemoteIp->text(), "192.168.1.0");
    EXPECT_EQ(Form->m_RemoteEnd->text(), "192.168.1.20") << "an unchanged address leaves the end alone";

    Form->m_RemoteIp->setText("10.0.0.1");
    Form->m_RemoteEnd->setText("10.0.0.64");
    Form->m_RemoteAddRange->click();
    EXPECT_TRUE(Ui.Boxes.empty());
    EXPECT_EQ(Form->m_RemoteList->topLevelItemCount(), 64);

    // 65 entries ask first; Cancel adds nothing, OK adds the rest.
    Form->m_RemoteEnd->setText("10.0.0.65");
    Ui.Answers = {IUserInterface::Cancel};
    Form->m_RemoteAddRange->click();
    ASSERT_EQ(Ui.Boxes.size(), 1u);
    EXPECT_EQ(Ui.Boxes[0].Text, TextConfirmManyEntries());
    EXPECT_TRUE(Ui.Boxes[0].Text.startsWith("You are going to add more then 64 unicast discovery entries"));
    EXPECT_EQ(Ui.Boxes[0].Buttons, IUserInterface::Ok | IUserInterface::Cancel);
    EXPECT_EQ(Form->m_RemoteList->topLevelItemCount(), 64);
    Form->m_RemoteAddRange->click();   // answered OK
    EXPECT_EQ(Form->m_RemoteList->topLevelItemCount(), 65);

    // Reversed or unusable ends.
    Form->m_RemoteEnd->setText("10.0.0.0");
    Form->m_RemoteAddRange->click();
    EXPECT_EQ(Ui.LastText(), "Invalid IP range!");

    // A class A preset would be sixteen million rows: refused with a reason.
    Form->m_RemoteIp->setText("10.0.0.0");
    EXPECT_EQ(Form->m_RemoteEnd->text(), "10.255.255.255");
    Form->m_RemoteAddRange->click();
    EXPECT_EQ(Ui.LastText(), TextTooManyEntries(16777216));
    EXPECT_TRUE(Ui.LastText().contains("16777216"));
    EXPECT_EQ(Form->m_RemoteList->topLevelItemCount(), 65);
}

TEST_F(FilterForm, LoadSettingsTakesTheChosenNetwork)
{
    TFilterSettings s;
    s.LocalNetworks = {{Ip("192.0.2.10"), Ip("255.255.255.0")}};
    s.Method = MethodPrimaryInterface;
    s.Address = Ip("10.0.0.1");   // replaced by the first network
    s.Unicasts = {{Ip("10.1.1.1"), 0xFFFFFFFFu}};
    Form->LoadSettings(s);
    EXPECT_TRUE(Form->m_PrimaryRadio->isChecked());
    EXPECT_EQ(Form->GetSettings().Address, Ip("192.0.2.10"));
    EXPECT_EQ(Form->GetSettings().RangeBegin, Ip("192.0.2.0"));
    EXPECT_EQ(Form->GetSettings().RangeEnd, Ip("192.0.2.255"));
    EXPECT_EQ(Form->m_SubnetList->count(), 1);
    ASSERT_EQ(Form->m_RemoteList->topLevelItemCount(), 1);
    EXPECT_EQ(Row(0), (QStringList{"10.1.1.1", "192.168.1.1", "eth0"}));

    s.Method = MethodLocalSubnet;
    s.LocalNetworks.push_back({Ip("198.51.100.7"), Ip("255.255.255.128")});
    s.Address = Ip("198.51.100.7");
    s.Mask = Ip("255.255.255.128");
    s.RangeBegin = 1;
    Form->LoadSettings(s);
    EXPECT_TRUE(Form->m_LocalRadio->isChecked());
    EXPECT_EQ(Form->m_SubnetList->currentIndex(), 1);
    EXPECT_EQ(Form->GetSettings().RangeBegin, Ip("198.51.100.0"));
    EXPECT_EQ(Form->GetSettings().RangeEnd, Ip("198.51.100.127"));
    Form->accept();
    EXPECT_EQ(Form->GetSettings().Method, MethodLocalSubnet);
    EXPECT_EQ(Form->GetSettings().RangeEnd, Ip("198.51.100.127"));
}
