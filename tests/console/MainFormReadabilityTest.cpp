// The main window as a new user sees it: whole tree captions (or tool
// tips), switch names with control characters, dialog titles without the
// program's name, and launches that fail told in a message box.
#include "AboutForm.h"
#include "FilterForm.h"
#include "JavaTopologyFrame.h"
#include "ListCheck.h"
#include "ListColumns.h"
#include "MainForm.h"
#include "MainFormFixture.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QHeaderView>
#include <QHelpEvent>
#include <QLabel>
#include <QScrollBar>
#include <QSplitter>
#include <QStyledItemDelegate>
#include <QToolTip>
#include <QTreeView>
#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

class MainFormLook : public MainFormFixture {
protected:
    TMainForm* CreateShown()
    {
        TMainForm* f = Create();
        f->resize(1366, 900);
        f->show();
        Settle();
        return f;
    }
    // The whole caption can be seen: the caption column holds it and either
    // the pane shows it or it is offered as the node's tool tip.
    // The whole caption can be seen: the pane shows it, or it is cut with an
    // ellipsis at the pane's edge and offered as the node's tool tip.
    void ExpectWholeOrTip(TMainForm* f, TTreeNode* node)
    {
        QTreeView* tree = f->Tree();
        const QModelIndex index = f->IndexOf(node);
        const QRect cell = tree->visualRect(index);
        EXPECT_LE(cell.right(), tree->viewport()->rect().right()) << node->Text().toStdString();
        const int needed = tree->sizeHintForIndex(index).width();
        if (needed > cell.width())
            EXPECT_EQ(CutTextTip(tree, index), node->Text());
        else
            EXPECT_TRUE(CutTextTip(tree, index).isEmpty());
    }

    TFixedFont Font;
};

} // namespace

TEST_F(MainFormLook, TreeCaptionsAreWholeOrShownAsToolTips)
{
    TMainForm* f = CreateShown();
    const int paneBefore = f->Splitter()->sizes()[0];
    Intp::TDevice* a = Found(10, 5);
    Intp::TDevice* b = Found(11, 6);
    ASSERT_NE(a, nullptr);
    ASSERT_NE(b, nullptr);
    a->SetName("SW-01");
    b->SetName("distribution-switch-in-building-seven-floor-three");
    f->TreeSort()->setCurrentIndex(1);   // "Model": the long model names as groups
    Settle();
    ASSERT_EQ(f->DevicesNode()->ChildCount(), 2);
    TTreeNode* group = f->DevicesNode()->Child(0);
    EXPECT_EQ(group->Text(), "6 port 10/100BaseTX+ 2 port 1000Base Single mode Management Ethernet Switch");
    EXPECT_EQ(group->Child(0)->Text(), "SW-01 (192.0.2.10, 00:11:22:33:44:0A)");

    // The pane grew for the captions of the groups, within two fifths of
    // the window; whatever does not fit is cut and has a tip.
    const QList<int> sizes = f->Splitter()->sizes();
    EXPECT_GT(sizes[0], paneBefore);
    EXPECT_LE(sizes[0], (sizes[0] + sizes[1]) * 2 / 5);
    for (TTreeNode* node : {group, group->Child(0), f->DevicesNode()->Child(1), f->DevicesNode()->Child(1)->Child(0)})
        ExpectWholeOrTip(f, node);

    // The user narrows the pane: captions are cut at its edge (the tree does
    // not scroll sideways) and a cut caption comes as the tool tip of its
    // node.
    emit f->Splitter()->splitterMoved(150, 1);
    f->Splitter()->setSizes({150, 1216});
    Settle();
    const int narrowed = f->Splitter()->sizes()[0];
    QTreeView* tree = f->Tree();
    EXPECT_EQ(tree->horizontalScrollBar()->maximum(), 0);
    TTreeNode* device = group->Child(0);
    ExpectWholeOrTip(f, device);
    const QPoint at = f->NodeRect(device).topLeft() + QPoint(4, 4);
    QHelpEvent help(QEvent::ToolTip, at, tree->viewport()->mapToGlobal(at));
    QCoreApplication::sendEvent(tree->viewport(), &help);
    EXPECT_EQ(QToolTip::text(), device->Text());
    QToolTip::hideText();
    EXPECT_EQ(f->Splitter()->sizes()[0], narrowed) << "a pane the user sized stays as it is";
}

TEST_F(MainFormLook, ControlCharactersInANameCannotHideTheAddress)
{
    TMainForm* f = Create();
    Intp::TDevice* d = Found(5);
    ASSERT_NE(d, nullptr);
    d->SetName("evil\x1b[2J\r\nname");
    TTreeNode* node = f->DevicesNode()->Child(0)->Child(0);
    EXPECT_EQ(node->Text(), QString::fromUtf16(u"evil\u241b[2J\u240d\u240aname (192.0.2.5, 00:11:22:33:44:05)"));
}

// Each bidirectional control in a name is shown as a mark, and neither it
// nor right-to-left letters move the addresses after the name: they read in
// order, right of the name. (The name as sent would reverse them.)
TEST_F(MainFormLook, BidiControlsInANameCannotReorderTheAddress)
{
    TFixedFont font;
    TMainForm* f = Create();
    Intp::TDevice* d = Found(5);
    ASSERT_NE(d, nullptr);
    QTreeView* tree = f->Tree();
    const QString address = "192.0.2.5, 00:11:22:33:44:05)";
    const char16_t controls[] = {0x202A, 0x202B, 0x202C, 0x202D, 0x202E, 0x2066, 0x2067,
                                 0x2068, 0x2069, 0x200E, 0x200F, 0x061C};
    for (char16_t control : controls) {
        const QString name = QString::fromUtf16(u"core") + QChar(control) + QString::fromUtf16(u"\u05e9\u05dc\u05d5\u05dd");
        d->SetName(name.toStdString());
        TTreeNode* node = f->DevicesNode()->Child(0)->Child(0);
        const QModelIndex index = f->IndexOf(node);
        auto* delegate = qobject_cast<QStyledItemDelegate*>(tree->itemDelegateForIndex(index));
        ASSERT_NE(delegate, nullptr);
        const QString shown = delegate->displayText(index.data(), QLocale());
        SCOPED_TRACE(QString::number(control, 16).toStdString());
        EXPECT_TRUE(shown.contains(QString::fromUtf16(u"core\ufffd\u05e9"))) << "a mark stands in its place";
        EXPECT_TRUE(ReadsInOrderAfterItsStart(shown, address)) << shown.toStdString();
        if (control == 0x202E) {
            EXPECT_FALSE(ReadsInOrderAfterItsStart(name + " (" + address, address)) << "the check sees a reversal";
        }
    }
    // The name on the switch stays as it was sent.
    EXPECT_EQ(d->GetName(), (QString::fromUtf16(u"core\u061c\u05e9\u05dc\u05d5\u05dd")).toStdString());
}

TEST_F(MainFormLook, DialogTitlesAreTheirOwn)
{
    TMainForm* f = Create();
    EXPECT_EQ(f->AboutForm()->windowTitle(), "About");
    EXPECT_EQ(f->LoginForm()->windowTitle(), "Login");
    EXPECT_EQ(f->FilterForm()->windowTitle(), "Set Discovery Filter");
    EXPECT_EQ(f->windowTitle(), AppTitle);

    // The program's title is its name, and no display name of its own is
    // set (the desktop would append one to every dialog's title): the
    // display name follows the name.
    const QString savedName = QCoreApplication::applicationName();
    SetApplicationTitle();
    EXPECT_EQ(QCoreApplication::applicationName(), AppTitle);
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), AppTitle);
    QCoreApplication::setApplicationName("probe");
    EXPECT_EQ(QGuiApplication::applicationDisplayName(), "probe");
    QCoreApplication::setApplicationName(savedName);
}

TEST_F(MainFormLook, LaunchesThatFailAreTold)
{
    TMainForm* f = Create();
    Ui->LaunchFails = true;
    auto expectOneErrorBox = [this](const char* what) {
        ASSERT_EQ(Ui->Boxes.size(), 1u) << what;
        EXPECT_EQ(Ui->Boxes[0].Icon, IUserInterface::IconError) << what;
        EXPECT_EQ(Ui->Boxes[0].Title, AppTitle) << what;
        EXPECT_EQ(Ui->Boxes[0].Buttons, IUserInterface::Ok) << what;
        Ui->Boxes.clear();
    };

    // Open Web on two selected switches: one box, and the second page is
    // not tried once no browser could be started.
    Found(5);
    Found(6);
    TTreeNode* group = f->DevicesNode()->Child(0);
    f->SetCurrentNode(group->Child(0));
    f->SetNodeSelected(group->Child(1), true);
    Settle();
    f->Action("acOpenWeb")->trigger();
    EXPECT_EQ(Ui->Urls, std::vector<QString>{"http://192.0.2.5"});
    expectOneErrorBox("Open Web");
    EXPECT_TRUE(Ui->LastText().isEmpty());

    auto* about = static_cast<TAboutForm*>(f->AboutForm());
    emit about->m_Link->linkActivated(TAboutForm::WebAddress());
    EXPECT_EQ(Ui->Urls.back(), TAboutForm::WebAddress());
    expectOneErrorBox("about box link");

    QTemporaryDir viewerFolder;   // the topology viewer's file in the current folder
    QFile(viewerFolder.filePath("TopologyView.jar")).open(QIODevice::WriteOnly);
    const QString savedFolder = QDir::currentPath();
    QDir::setCurrent(viewerFolder.path());
    TJavaTopologyFrame topology;
    topology.EventOnOpenClick();
    ASSERT_EQ(Ui->Programs.size(), 1u);
    ASSERT_EQ(Ui->Boxes.size(), 1u);
    EXPECT_TRUE(Ui->Boxes[0].Text.contains("java -jar TopologyView.jar")) << Ui->Boxes[0].Text.toStdString();
    expectOneErrorBox("topology viewer");

    // Launches that work show nothing.
    Ui->LaunchFails = false;
    f->Action("acOpenWeb")->trigger();
    topology.EventOnOpenClick();
    QDir::setCurrent(savedFolder);
    EXPECT_EQ(Ui->Urls.size(), 4u);
    EXPECT_TRUE(Ui->Boxes.empty());
}
