// The main window as the user meets it: the tool bar, the menus and their
// images, the login dialog, the selection rules of the tree under clicks and
// keys, the protocol socket's length limit and the exit from the tray.
#include "IntpProtocol.h"
#include "IntpSocketThread.h"
#include "MainForm.h"
#include "MainFormFixture.h"

#include <algorithm>
#include "StatusFrame.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeView>
#include <QTreeWidget>

using namespace TestSupport;

namespace {

class MainFormConformanceTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        // Nothing leaves the process.
        Create(0, RecordSends);
        ASSERT_TRUE(Created);
    }
    // A logged-in switch of model 1 answers discovery from 192.0.2.`last`.
    Intp::TDevice* Found(uint8_t last)
    {
        Intp::TDevice* device = MainFormFixture::Found(last);
        device->SetLoggedIn(true);
        return device;
    }
    TTreeNode* Node(Intp::TDevice* device) { return Form->FindDeviceNode(device); }
    void Click(TTreeNode* node, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTreeView* tree = Form->Tree();
        tree->scrollTo(Form->IndexOf(node));
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, modifiers, Form->NodeRect(node).center());
        QCoreApplication::processEvents();
    }
    TDeviceList Current()
    {
        TDeviceList list;
        Form->GetCurrentDevices(list);
        return list;
    }
    QList<TTreeNode*> Selected() const { return Form->SelectedNodes(); }
    void ShowForm()
    {
        Form->resize(1000, 1400);
        Form->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    }
    // Captions of a list of actions, "-" for a separator, hidden ones left out.
    static QStringList Captions(const QList<QAction*>& actions)
    {
        QStringList texts;
        for (QAction* action : actions)
            if (action->isSeparator())
                texts << "-";
            else if (action->isVisible())
                texts << action->text();
        return texts;
    }
};

TEST_F(MainFormConformanceTest, ToolBarMenusAndTheirImages)
{
    auto* bar = Form->findChild<QToolBar*>("m_ToolBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(Captions(bar->actions()),
              (QStringList{"&Discovery", "Discovery &Filter", "-", "&Login", "Log&out", "Re&boot", "Open &Web", "-",
                           "&Refresh", "Refresh &All", "-", "Group IP Wizard", "Group Firmware Wizard", "-",
                           "&About"}));
    // Every button keeps its 24 x 24 image, also the two that the create
    // event showed and an action whose state changes later.
    Form->Action("acLogin")->setEnabled(false);
    Form->Action("acLogin")->setEnabled(true);
    for (QAction* action : bar->actions()) {
        if (action->isSeparator())
            continue;
        auto* button = qobject_cast<QToolButton*>(bar->widgetForAction(action));
        ASSERT_NE(button, nullptr) << action->text().toStdString();
        EXPECT_EQ(button->icon().actualSize(QSize(24, 24)), QSize(24, 24)) << action->text().toStdString();
        EXPECT_EQ(action->icon().actualSize(QSize(16, 16)), QSize(16, 16)) << action->text().toStdString();
    }

    const QList<QAction*> menus = Form->menuBar()->actions();
    ASSERT_EQ(menus.size(), 3);
    EXPECT_EQ(Captions(menus), (QStringList{"&Task", "&Settings", "&Help"}));
    EXPECT_EQ(Captions(menus[0]->menu()->actions()),
              (QStringList{"&Discovery", "Discovery &Filter", "&Scan Devices ...", "-", "&Login", "Log&out",
                           "Re&boot", "Open &Web", "-", "&Refresh", "Refresh &All", "-", "E&xit"}));
    EXPECT_EQ(Captions(menus[1]->menu()->actions()), (QStringList{"Load Config", "Save Config", "-"}));
    EXPECT_FALSE(Form->Action("acPreference")->isVisible());
    EXPECT_FALSE(Form->Action("acPreference")->isEnabled());
    EXPECT_EQ(Captions(menus[2]->menu()->actions()), (QStringList{"&About"}));

    // Shortcuts of the actions that have one.
    const std::pair<const char*, const char*> keys[] = {
        {"acDiscovery", "Ctrl+D"}, {"acFilter", "Ctrl+F"},   {"acLogin", "Ctrl+L"},       {"acReboot", "Ctrl+B"},
        {"acOpenWeb", "Ctrl+W"},   {"acExit", "Ctrl+X"},     {"acAbout", "F1"},           {"acPreference", "Ctrl+P"},
        {"acLoadConfig", "Ctrl+O"}, {"acSaveConfig", "Ctrl+S"}, {"acGroupIpWizard", "Ctrl+I"}, {"acScan", "Ctrl+N"},
    };
    for (const auto& [name, key] : keys)
        EXPECT_EQ(Form->Action(name)->shortcut(), QKeySequence(key)) << name;
    for (const char* name : {"acLogout", "acRefreshAll", "acGroupFwWizard"})
        EXPECT_TRUE(Form->Action(name)->shortcut().isEmpty()) << name;
}

TEST_F(MainFormConformanceTest, RefreshAnswersCtrlRAndF5)
{
    auto* page = new TRecordingPage("Counter", false);
    Form->SetCurrentNode(Form->AddTreeNode(page, Form->RootNode(), 4));
    ShowForm();
    Form->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(Form.get()));
    QTest::keyClick(Form->Tree(), Qt::Key_F5);
    QTest::keyClick(Form->Tree(), Qt::Key_R, Qt::ControlModifier);
    EXPECT_EQ(page->Refreshes, (std::vector<bool>{true, true}));
}

TEST_F(MainFormConformanceTest, LoginDialogMasksWithStarsAndTakesSixteenCharacters)
{
    TLoginForm* dialog = Form->LoginForm();
    EXPECT_EQ(dialog->windowTitle(), "Login");
    EXPECT_TRUE(dialog->m_Login->isEnabled());   // before the first change
    EXPECT_TRUE(dialog->m_Login->isDefault());
    QTest::keyClicks(dialog->m_Username, "abcdefghijklmnopq");
    EXPECT_EQ(dialog->m_Username->text(), "abcdefghijklmnop");
    EXPECT_FALSE(dialog->m_Login->isEnabled());
    QTest::keyClicks(dialog->m_Password, "pw");
    EXPECT_EQ(dialog->m_Password->displayText(), "**");
    EXPECT_TRUE(dialog->m_Login->isEnabled());
    dialog->m_Username->clear();
    EXPECT_FALSE(dialog->m_Login->isEnabled());
}

TEST_F(MainFormConformanceTest, ClicksAskThePageHostAndARefusalKeepsTheWholeSelection)
{
    Intp::TDevice* a = Found(1);
    Intp::TDevice* b = Found(2);
    Intp::TDevice* c = Found(3);
    auto* page = new TRecordingPage("Busy page", false);
    QTreeWidgetItem* pageItem = Form->ModuleFrame()->AddPage(nullptr, page);
    ShowForm();

    Click(Node(a));
    Form->ModuleFrame()->PageTree()->setCurrentItem(pageItem);
    ASSERT_EQ(Form->ModuleFrame()->GetCurrentPage(), page);
    // Moving between device nodes asks the page host, which asks its page.
    Click(Node(b), Qt::ControlModifier);
    EXPECT_EQ(page->Leaves, 1);
    EXPECT_EQ(Current(), (TDeviceList{a, b}));
    EXPECT_EQ(Form->CurrentNode(), Node(b));

    // A busy page refuses: neither a click, a Ctrl-click, a key nor another
    // page changes the focus or the selection.
    page->Busy = true;
    Click(Node(c));
    Click(Node(c), Qt::ControlModifier);
    Click(Form->RootNode());
    QTest::keyClick(Form->Tree(), Qt::Key_Down);
    EXPECT_FALSE(Form->SelectPage("Status Monitor"));
    EXPECT_EQ(page->Leaves, 6);
    EXPECT_EQ(Form->CurrentNode(), Node(b));
    EXPECT_EQ(Current(), (TDeviceList{a, b}));
    EXPECT_EQ(Selected().size(), 2);
    Form->EventOnRebootExecute();   // still works on both
    EXPECT_EQ(std::count_if(Sends.begin(), Sends.end(), [](const TSentDatagram& d) { return d.Command() == 0x0103; }), 2);

    // A session report while the status monitor is shown does not reach the
    // page host's page.
    page->Busy = false;
    ASSERT_TRUE(Form->SelectPage("Status Monitor"));
    page->Events.clear();
    Form->Report(a, 0x0104, 0, nullptr, nullptr, "");
    QCoreApplication::processEvents();
    EXPECT_TRUE(page->Events.empty());
}

TEST_F(MainFormConformanceTest, FocusOnASelectedNodeEndsTheMultiSelection)
{
    Intp::TDevice* a = Found(1);
    Intp::TDevice* b = Found(2);
    Intp::TDevice* c = Found(3);
    ShowForm();
    Click(Node(a));
    Click(Node(b), Qt::ControlModifier);
    Click(Node(c), Qt::ControlModifier);
    EXPECT_EQ(Current().size(), 3u);
    // Ctrl-click on the focused node leaves it selected.
    Click(Node(c), Qt::ControlModifier);
    EXPECT_EQ(Current().size(), 3u);
    EXPECT_TRUE(Selected().contains(Node(c)));
    // Moving the focus onto a node that is already selected leaves it alone
    // selected, whatever the keys held.
    Click(Node(a), Qt::ControlModifier);
    EXPECT_EQ(Current(), (TDeviceList{a}));
    EXPECT_EQ(Form->CurrentNode(), Node(a));
    // Several nodes again, then a group node: one node, no device.
    Click(Node(b), Qt::ShiftModifier);
    EXPECT_EQ(Current().size(), 2u);
    Click(Form->DevicesNode()->Child(0));
    EXPECT_TRUE(Current().empty());
    EXPECT_EQ(Selected().size(), 1);
    EXPECT_EQ(Form->Tree()->selectionMode(), QAbstractItemView::SingleSelection);
}

TEST_F(MainFormConformanceTest, FocusSetByTheProgramOnASelectedNodeStillLetsItSelectSiblings)
{
    Intp::TDevice* a = Found(1);
    Intp::TDevice* b = Found(2);
    Form->SetCurrentNode(Node(a));
    Form->SetNodeSelected(Node(b), true);
    EXPECT_EQ(Current(), (TDeviceList{a, b}));
    // The focus moves onto the selected b: b alone, then a joins again.
    Form->SetCurrentNode(Node(b));
    EXPECT_EQ(Current(), (TDeviceList{b}));
    Form->SetNodeSelected(Node(a), true);
    QCoreApplication::processEvents();
    EXPECT_EQ(Current(), (TDeviceList{b, a}));
}

TEST_F(MainFormConformanceTest, RefusedDiscoveryReplyGivesNoNodeNoMonitorNoRead)
{
    auto reply = MakeReply(0, 1, Mac(7), std::vector<uint8_t>(8, 0));
    Intp::ReceivePacket(0xC0000207u, reply.size(), reply.data());
    Intp::TDevice* device = Intp::GetDevice(Mac(7), false);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(device->GetType(), 0u);
    EXPECT_EQ(device->GetIp(), 0u);
    EXPECT_EQ(Form->FindDeviceNode(device), nullptr);
    EXPECT_EQ(Form->StatusFrame()->FindRow(Mac(7)), nullptr);
    EXPECT_TRUE(Sends.empty());
}

TEST_F(MainFormConformanceTest, LogoutSendsAZeroDigestAndTheAnswerSetsTheMark)
{
    Intp::TDevice* a = Found(1);
    Intp::TDevice* b = Found(2);
    Form->SetCurrentNode(Node(a));
    Form->SetNodeSelected(Node(b), true);
    Form->EventOnLogoutExecute();
    ASSERT_EQ(Sends.size(), 2u);
    for (const auto& sent : Sends) {
        EXPECT_EQ(sent.Command(), Intp::TSessionIntpLogin::Command);
        EXPECT_EQ(sent.Body(), std::vector<uint8_t>(16, 0));
    }
    EXPECT_EQ(Sends[0].Ip, 0xC0000201u);
    // A logout that the switch accepts ends the login (it never starts
    // one); a refused one clears the mark as well.
    auto yes = MakeReply(Intp::TSessionIntpLogin::Command, 0, Mac(1), std::vector<uint8_t>(4, 0));
    auto no = MakeReply(Intp::TSessionIntpLogin::Command, 1, Mac(2), std::vector<uint8_t>(4, 0));
    Intp::ReceivePacket(0xC0000201u, yes.size(), yes.data());
    Intp::ReceivePacket(0xC0000202u, no.size(), no.data());
    EXPECT_FALSE(a->IsLoggedIn());
    EXPECT_FALSE(b->IsLoggedIn());
    EXPECT_EQ(TMainForm::DeviceImage(b), 0);

    // Open Web: one page per selected switch, in selection order.
    Form->EventOnOpenWebExecute();
    EXPECT_EQ(Ui->Urls, (std::vector<QString>{"http://192.0.2.1", "http://192.0.2.2"}));
}

TEST_F(MainFormConformanceTest, ProtocolSocketDropsDatagramsOf65535BytesOrMore)
{
    auto datagram = [](uint8_t last, size_t length) {
        std::vector<uint8_t> body(length - Intp::HeaderSize, 0);
        Intp::PutBE32(body.data(), Intp::ProductIdOf(Intp::BuiltinModels[0].ModelCode));
        return MakeReply(0, 0, Mac(last), body);
    };
    auto long1 = datagram(1, 65535);
    auto long2 = datagram(2, 65534);
    ASSERT_EQ(long1.size(), 65535u);
    Form->IntpThread()->PushDatagram(0xC0000201u, long1.size(), long1.data());
    Form->IntpThread()->PushDatagram(0xC0000202u, long2.size(), long2.data());
    Form->IntpThread()->PushDatagram(0xC0000203u, 0, nullptr);
    ASSERT_TRUE(QTest::qWaitFor([&] { return Intp::GetDevice(Mac(2), false) != nullptr; }, 5000));
    EXPECT_EQ(Intp::GetDevice(Mac(1), false), nullptr);
    EXPECT_EQ(Intp::DeviceMap().size(), 1u);
}

TEST_F(MainFormConformanceTest, ExitEndsTheMessageLoopAlsoWhileTheWindowIsHidden)
{
    ShowForm();
    Form->hide();   // as when minimised to the tray
    QTimer::singleShot(0, Form.get(), [this] { Form->Action("acExit")->trigger(); });
    QTimer guard;
    guard.setSingleShot(true);
    QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(1); });
    guard.start(5000);
    EXPECT_EQ(QApplication::exec(), 0);
    EXPECT_FALSE(Form->IntpThread()->IsRunning());
}

} // namespace
