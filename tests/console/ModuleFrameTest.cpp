// The page host: the page tree, the selection veto, the wait label and the
// banners.
#include "FakeHost.h"
#include "LibraryFixture.h"
#include "ModuleFrame.h"

#include <QAbstractItemModelTester>
#include <QLabel>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

namespace {

// A page that counts what the host asks of it.
class TTestPage final : public QFrame, public TModule {
public:
    TTestPage(QString caption, QWidget* parent) : QFrame(parent), Caption(std::move(caption)) {}
    QString GetCaption() const override { return Caption; }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice*, uint16_t code, uint16_t) override
    {
        Codes.push_back(code);
        if (code == EventPageShown)
            show();
    }
    bool Leave(bool force) override
    {
        ++Leaves;
        LastForce = force;
        if (Busy && !force)
            return false;
        hide();
        return true;
    }
    int Refresh(bool shown) override
    {
        (shown ? RefreshShown : RefreshAll)++;
        return Started;
    }
    QString Caption;
    std::vector<uint16_t> Codes;
    int Leaves = 0, RefreshShown = 0, RefreshAll = 0, Started = 0;
    bool Busy = false;
    bool LastForce = false;
};

class ModuleFrame : public TestSupport::LibraryTest {
protected:
    void SetUp() override
    {
        LibraryTest::SetUp();
        Frame = std::make_unique<TModuleFrame>();
        Tester = std::make_unique<QAbstractItemModelTester>(Frame->PageTree()->model(),
                                                            QAbstractItemModelTester::FailureReportingMode::Fatal);
        Device = AddDevice(5, 2);
        Device->SetLoggedIn(true);
        Host.Current = {Device};
    }
    void TearDown() override
    {
        Tester.reset();
        Frame.reset();
        LibraryTest::TearDown();
    }
    TTestPage* Page(const char* caption, QTreeWidgetItem* parent = nullptr)
    {
        auto* page = new TTestPage(caption, Frame.get());
        Items[page] = Frame->AddPage(parent, page);
        return page;
    }
    void Click(TTestPage* page)
    {
        QTreeWidget* tree = Frame->PageTree();
        QTreeWidgetItem* item = Items[page];
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, tree->visualItemRect(item).center());
    }

    TestSupport::TFakeHost Host;
    std::unique_ptr<TModuleFrame> Frame;
    std::unique_ptr<QAbstractItemModelTester> Tester;
    std::map<TTestPage*, QTreeWidgetItem*> Items;
    Intp::TDevice* Device = nullptr;
};

} // namespace

TEST_F(ModuleFrame, PageTreeHoldsEveryPageInOrder)
{
    BuildPageTree(*Frame);
    QStringList got;
    for (QTreeWidgetItemIterator it(Frame->PageTree()); *it; ++it) {
        int depth = 0;
        for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
            ++depth;
        got << QString(depth * 2, ' ') + (*it)->text(0);
        EXPECT_EQ(TModuleFrame::PageOf(*it)->GetCaption(), (*it)->text(0));
    }
    const QStringList expected = {
        "Basics", "  Switch Setting", "  Admin Password", "  IP Configuration", "  Time (SNTP)", "  DHCP Server",
        "    Client Entries", "    Port and IP Binding", "  Backup", "  Restore", "  Upgrade", "  Factory Default",
        "  Reboot",
        "Port Configuration", "  Port Status", "  Rate Limit", "  Port Trunk", "    Port Trunk Status",
        "Redundancy", "  Marlune", "  RSTP Settings", "    RSTP Information",
        "Traffic Prioritization", "  Port Based Priority", "  COS Settings", "  TOS Settings",
        "IGMP Snooping", "  IGMP Snooping Table",
        "802.1Q VLAN", "  Port Configuration", "  VLAN Table",
        "SNMP", "  Community", "  SNMPv3 User", "  Trap Settings",
        "Security", "  IP Security", "  Port Security", "  MAC Blacklist", "  802.1x", "    Port Auth",
        "Warning", "  Fault Alarm", "  Syslog Settings", "  SMTP Settings", "  Event Settings",
        "Monitor And Diagnostic", "  MAC Address Table", "  Port Statistics", "  Port Mirroring",
        "  System Event Log", "  LLDP",
        "Save To Flash"};
    EXPECT_EQ(got, expected);

    // Category nodes have no control; every page sits hidden in the panel.
    for (QTreeWidgetItemIterator it(Frame->PageTree()); *it; ++it) {
        TModule* page = TModuleFrame::PageOf(*it);
        const bool category = QStringList{"Redundancy", "Security", "Warning", "Monitor And Diagnostic"}.contains(
            page->GetCaption());
        EXPECT_EQ(page->GetControl() == nullptr, category) << page->GetCaption().toStdString();
        if (page->GetControl()) {
            EXPECT_FALSE(page->GetControl()->isVisibleTo(Frame.get()));
        }
    }

    // One banner for models 1 to 6 and none for unknown devices.
    Frame->Notify(Device, EventPageShown, 0);
    ASSERT_NE(Frame->CurrentBanner(), nullptr);
    EXPECT_EQ(Frame->CurrentBanner()->GetCaption(), "Link State");
    Intp::TDevice* unknown = AddDevice(6, 0);
    Frame->Notify(unknown, EventPageShown, 0);
    EXPECT_EQ(Frame->CurrentBanner(), nullptr);
}

TEST_F(ModuleFrame, BusyPageVetoesLeaving)
{
    TTestPage* basics = Page("Basics");
    TTestPage* busy = Page("Backup", Items[basics]);
    TTestPage* other = Page("Reboot", Items[basics]);
    Frame->PageTree()->expandAll();
    Frame->resize(800, 600);
    Frame->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Frame.get()));

    Click(busy);
    EXPECT_EQ(Frame->GetCurrentPage(), busy);
    EXPECT_EQ(busy->Codes, std::vector<uint16_t>{EventPageShown});
    busy->Busy = true;

    Click(other);
    EXPECT_EQ(Frame->GetCurrentPage(), busy);
    EXPECT_EQ(busy->Leaves, 1);
    // The selection stays on the busy page and nothing is shown again.
    ASSERT_EQ(Frame->PageTree()->selectedItems().size(), 1);
    EXPECT_EQ(Frame->PageTree()->selectedItems().front(), Items[busy]);
    EXPECT_EQ(busy->Codes.size(), 1u);
    EXPECT_EQ(busy->RefreshShown, 1);
    EXPECT_TRUE(other->Codes.empty());
    EXPECT_EQ(other->RefreshShown, 0);

    // Keyboard and programmatic changes are refused too; so is no node.
    Frame->PageTree()->setCurrentItem(Items[other]);
    Frame->PageTree()->setCurrentItem(nullptr);
    EXPECT_EQ(Frame->GetCurrentPage(), busy);

    // The host itself cannot be left while the page is busy.
    EXPECT_FALSE(Frame->Leave(false));
    EXPECT_TRUE(Frame->isVisible());

    busy->Busy = false;
    Click(other);
    EXPECT_EQ(Frame->GetCurrentPage(), other);
    EXPECT_EQ(other->Codes, std::vector<uint16_t>{EventPageShown});
    EXPECT_TRUE(Frame->Leave(false));
    EXPECT_FALSE(Frame->isVisible());
}

TEST_F(ModuleFrame, WithoutLoggedInDeviceTheFirstPageIsShown)
{
    TTestPage* basics = Page("Basics");
    TTestPage* other = Page("Reboot", Items[basics]);
    Device->SetLoggedIn(false);
    Frame->PageTree()->setCurrentItem(Items[other]);
    EXPECT_EQ(Frame->GetCurrentPage(), basics);
    EXPECT_EQ(basics->Codes, std::vector<uint16_t>{EventPageShown});
    EXPECT_TRUE(other->Codes.empty());

    Host.Current.clear();
    Frame->PageTree()->setCurrentItem(Items[other]);
    EXPECT_EQ(Frame->GetCurrentPage(), basics);
}

TEST_F(ModuleFrame, PageThatStartsReadsWaitsBehindTheLabel)
{
    TTestPage* basics = Page("Basics");
    TTestPage* reading = Page("Switch Setting", Items[basics]);
    Frame->show();
    EXPECT_EQ(Frame->WaitLabel()->text(), "Retrieving devices info ...");
    EXPECT_FALSE(Frame->WaitLabel()->isVisible());

    reading->Started = 2;
    Frame->PageTree()->setCurrentItem(Items[reading]);
    EXPECT_EQ(reading->RefreshShown, 1);
    EXPECT_TRUE(reading->Codes.empty());
    EXPECT_FALSE(reading->isVisible());
    EXPECT_TRUE(Frame->WaitLabel()->isVisible());

    // Session reports pass through to the page, which shows itself.
    Frame->Notify(Device, 0x0104, 0);
    EXPECT_EQ(reading->Codes, std::vector<uint16_t>{0x0104});
    Frame->Notify(Device, EventPageShown, 0);
    EXPECT_EQ(reading->RefreshShown, 2);

    reading->Started = 0;
    Frame->Notify(Device, EventPageShown, 0);
    EXPECT_EQ(reading->Codes.back(), EventPageShown);
    EXPECT_TRUE(reading->isVisible());

    // Refresh(false) asks every page; Refresh(true) the current one.
    reading->Started = 3;
    basics->Started = 1;
    EXPECT_EQ(Frame->Refresh(false), 4);
    EXPECT_EQ(Frame->Refresh(true), 3);
    EXPECT_EQ(basics->RefreshAll, 1);
}

TEST_F(ModuleFrame, BannersFollowTheDeviceModel)
{
    Page("Basics");
    auto* first = new TTestPage("Link State", Frame.get());
    auto* second = new TTestPage("Other", Frame.get());
    auto* fallback = new TTestPage("Default", Frame.get());
    EXPECT_FALSE(Frame->RegisterBanner(1, nullptr));
    EXPECT_TRUE(Frame->RegisterBanner(1, first));
    EXPECT_TRUE(Frame->RegisterBanner(2, first));
    EXPECT_TRUE(Frame->RegisterBanner(2, second));   // the earlier page is kept
    EXPECT_TRUE(Frame->RegisterBanner(3, second));

    Intp::TDevice* model1 = AddDevice(7, 1);
    Frame->Notify(Device, EventPageShown, 0);   // model 2
    EXPECT_EQ(Frame->CurrentBanner(), first);
    EXPECT_EQ(first->RefreshAll, 1);
    Frame->Notify(model1, EventPageShown, 0);
    EXPECT_EQ(first->Leaves, 0);
    EXPECT_EQ(first->Codes, (std::vector<uint16_t>{EventPageShown, EventPageShown}));

    Intp::TDevice* model3 = AddDevice(8, 3);
    Frame->Notify(model3, EventPageShown, 0);
    EXPECT_EQ(first->Leaves, 1);
    EXPECT_TRUE(first->LastForce);
    EXPECT_EQ(Frame->CurrentBanner(), second);
    // A device of model 0 has no banner: the current one is left, forced.
    Intp::TDevice* unknown = AddDevice(9, 0);
    Frame->Notify(unknown, EventPageShown, 0);
    EXPECT_EQ(Frame->CurrentBanner(), nullptr);
    EXPECT_EQ(second->Leaves, 1);
    EXPECT_TRUE(second->LastForce);
    Frame->Notify(model3, EventPageShown, 0);
    EXPECT_EQ(Frame->CurrentBanner(), second);
    Frame->Notify(nullptr, EventPageShown, 0);
    EXPECT_EQ(Frame->CurrentBanner(), nullptr);
    EXPECT_EQ(second->Leaves, 2);
    // Leaving the host passes its own force to the banner.
    Frame->Notify(model3, EventPageShown, 0);
    EXPECT_TRUE(Frame->Leave(false));
    EXPECT_EQ(second->Leaves, 3);
    EXPECT_FALSE(second->LastForce);

    EXPECT_TRUE(Frame->RegisterBanner(0, fallback));
    EXPECT_FALSE(Frame->RegisterBanner(0, first));
    Frame->Notify(nullptr, EventPageShown, 0);
    EXPECT_EQ(Frame->CurrentBanner(), fallback);
    Frame->Notify(Device, EventDeviceNameChanged, 0);
    EXPECT_EQ(fallback->Codes.back(), EventDeviceNameChanged);
}

TEST(ModuleDummy, CaptionOnly)
{
    TModuleDummy d("Security");
    EXPECT_EQ(d.GetCaption(), "Security");
    EXPECT_EQ(d.GetControl(), nullptr);
    EXPECT_TRUE(d.Leave(false));
    EXPECT_EQ(d.Refresh(true), 0);
}
