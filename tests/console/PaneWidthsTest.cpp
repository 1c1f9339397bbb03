// The panes of the main window at 1280 x 1024: a switch's long name or the
// banner's syslog summary never squeezes the function list, the panes can
// be dragged, and the banner's groups and the status monitor's "Status"
// column stay in view, at a larger font too.
#include "DeviceTreeModel.h"
#include "ListCheck.h"
#include "ListColumns.h"
#include "MainForm.h"
#include "MainFormFixture.h"
#include "StatusFrame.h"
#include "SyslogFrame.h"

#include <QGroupBox>
#include <QHeaderView>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <gtest/gtest.h>

using namespace TestSupport;

namespace {

class PaneWidths : public MainFormFixture {
protected:
    TMainForm* CreateShown()
    {
        TMainForm* f = Create();
        f->resize(1280, 1024);
        f->show();
        Settle();
        return f;
    }
    // Every caption of the function list, collapsed ones included, fits
    // beside its indentation.
    static void ExpectWholeCaptions(QTreeWidget* list, const char* when)
    {
        for (QTreeWidgetItemIterator it(list); *it; ++it) {
            int depth = list->rootIsDecorated() ? 1 : 0;
            for (QTreeWidgetItem* p = (*it)->parent(); p; p = p->parent())
                ++depth;
            const int needed = list->sizeHintForIndex(list->indexFromItem(*it)).width() + depth * list->indentation();
            EXPECT_LE(needed, list->viewport()->width()) << (*it)->text(0).toStdString() << " " << when;
        }
    }

    // With a switch selected, every group of the banner and every control
    // in it lies within the part of the banner's place that is in view:
    // nothing waits behind a sideways scroll bar.
    void ExpectStatusInView();
    void ExpectWholeBanner()
    {
        TMainForm* f = CreateShown();
        Intp::TDevice* device = Found(10, 6);
        ASSERT_NE(device, nullptr);
        f->SetCurrentNode(f->FindDeviceNode(device));
        f->SyslogFrame()->AddDatagram(device->GetIp(), "<13>Oct 11 22:14:15 sw1 link up");
        ASSERT_TRUE(QTest::qWaitFor([f] { return !f->TreeModel()->ChangesPending(); }, 2000));
        Settle();
        const QList<int> lists = f->ModuleFrame()->Splitter()->sizes();
        ASSERT_EQ(lists[0], f->ModuleFrame()->PageTree()->minimumWidth()) << "the function list at its usual width";
        QWidget* panel = f->ModuleFrame()->LinkPanel();
        auto* place = qobject_cast<QScrollArea*>(panel->parentWidget()->parentWidget());
        ASSERT_NE(place, nullptr);
        EXPECT_EQ(place->horizontalScrollBar()->maximum(), 0);
        const QRect seen = place->viewport()->rect();
        const QList<QGroupBox*> groups = panel->findChildren<QGroupBox*>();
        ASSERT_EQ(groups.size(), 3);
        for (QGroupBox* group : groups) {
            SCOPED_TRACE(group->title().toStdString());
            ASSERT_TRUE(group->isVisible());
            const QRect box(group->mapTo(place->viewport(), QPoint(0, 0)), group->size());
            EXPECT_TRUE(seen.contains(box)) << box.x() << "," << box.y() << " " << box.width() << "x" << box.height();
            for (QWidget* control : group->findChildren<QWidget*>()) {
                const QRect r(control->mapTo(group, QPoint(0, 0)), control->size());
                EXPECT_TRUE(group->rect().contains(r)) << control->metaObject()->className();
            }
        }
    }

    TFixedFont Font;
};

} // namespace

TEST_F(PaneWidths, TheBannersGroupsAreInViewAt1280)
{
    ExpectWholeBanner();
}

// A desktop's larger font: the groups wrap to the room they have.
TEST_F(PaneWidths, TheBannersGroupsAreInViewAt1280WithALargerFont)
{
    TFixedFont larger(12);
    ExpectWholeBanner();
}

TEST_F(PaneWidths, ALongSwitchNameNeverSqueezesTheFunctionList)
{
    TMainForm* f = CreateShown();
    Intp::TDevice* device = Found(10);
    ASSERT_NE(device, nullptr);
    TTreeNode* node = f->DevicesNode()->Child(0)->Child(0);
    f->SetCurrentNode(node);
    Settle();
    TModuleFrame* host = f->ModuleFrame();
    ASSERT_TRUE(host->isVisible());
    QTreeWidget* functions = host->PageTree();
    const int paneBefore = f->Splitter()->sizes()[0];
    const int listBefore = functions->width();
    ExpectWholeCaptions(functions, "at first");

    // A 300-character name and a syslog summary in the banner.
    const std::string name(300, 'n');
    device->SetName(name);
    f->SyslogFrame()->AddDatagram(device->GetIp(), "<13>Oct 11 22:14:15 sw1 link up");
    ASSERT_TRUE(QTest::qWaitFor([f] { return !f->TreeModel()->ChangesPending(); }, 2000));   // the caption is told
    Settle();
    EXPECT_EQ(f->Splitter()->sizes()[0], paneBefore) << "a switch's name does not widen the tree's pane";
    EXPECT_GE(functions->width(), listBefore);
    ExpectWholeCaptions(functions, "with the long name");
    // The name is cut at the pane's edge and whole in the node's tool tip.
    const QModelIndex index = f->IndexOf(node);
    EXPECT_LE(f->Tree()->visualRect(index).right(), f->Tree()->viewport()->rect().right());
    EXPECT_EQ(CutTextTip(f->Tree(), index), node->Text());
    EXPECT_TRUE(node->Text().startsWith(QString::fromStdString(name)));
    // The pages' side keeps the window's width: nothing reaches past it.
    EXPECT_LE(host->mapTo(f, QPoint(host->width(), 0)).x(), f->width());

    // Shortened again: the list is as wide as before.
    device->SetName("SW-1");
    ASSERT_TRUE(QTest::qWaitFor([f] { return !f->TreeModel()->ChangesPending(); }, 2000));
    Settle();
    EXPECT_EQ(functions->width(), listBefore);
    ExpectWholeCaptions(functions, "after the name was shortened");

    // The user drags the edge between the list and the pages; the list
    // never gets narrower than its captions, and never collapses.
    QSplitter* split = host->Splitter();
    ASSERT_NE(split, nullptr);
    EXPECT_FALSE(split->childrenCollapsible());
    const QList<int> sizes = split->sizes();
    split->setSizes({sizes[0] + 120, sizes[1] - 120});
    Settle();
    EXPECT_EQ(functions->width(), listBefore + 120);
    split->setSizes({10, sizes[0] + sizes[1] - 10});
    Settle();
    EXPECT_EQ(functions->width(), functions->minimumWidth());
    ExpectWholeCaptions(functions, "after the edge was dragged");
    EXPECT_FALSE(f->Splitter()->childrenCollapsible());
}

TEST_F(PaneWidths, TheStatusColumnIsInViewAt1280)
{
    ExpectStatusInView();
}

TEST_F(PaneWidths, TheStatusColumnIsInViewAt1280WithALargerFont)
{
    TFixedFont larger(12);
    ExpectStatusInView();
}

void PaneWidths::ExpectStatusInView()
{
    TMainForm* f = CreateShown();
    for (uint8_t i = 0; i < 6; ++i)
        f->StatusFrame()->AddDevice(Found(uint8_t(10 + i), uint32_t(1 + i)));
    TTreeNode* node = nullptr;
    for (int i = 0; i < f->RootNode()->ChildCount(); ++i)
        if (f->RootNode()->Child(i)->Text() == "Status Monitor")
            node = f->RootNode()->Child(i);
    ASSERT_NE(node, nullptr);
    f->SetCurrentNode(node);
    Settle();
    QTreeView* list = f->StatusFrame()->m_List;
    ASSERT_TRUE(list->isVisible());
    ASSERT_EQ(f->StatusFrame()->RowCount(), 6);
    QHeaderView* header = list->header();
    const int status = Status::TStatusRow::ColStatus;
    EXPECT_EQ(list->horizontalScrollBar()->maximum(), 0);
    EXPECT_GE(header->sectionViewportPosition(status), 0);
    EXPECT_LE(header->sectionViewportPosition(status) + header->sectionSize(status), list->viewport()->width());
    EXPECT_GE(header->sectionSize(status), header->sectionSizeHint(status)) << "its caption whole";
    // Every status whole; the long model descriptions are cut with an
    // ellipsis only where no column has room to spare.
    int statusNeeds = header->sectionSizeHint(status);
    for (int row = 0; row < 6; ++row) {
        const QModelIndex index = list->model()->index(row, status);
        statusNeeds = std::max(statusNeeds, list->sizeHintForIndex(index).width());
        EXPECT_GE(list->visualRect(index).width(), list->sizeHintForIndex(index).width()) << row;
    }
    const int model = Status::TStatusRow::ColModel;
    const QModelIndex longest = list->model()->index(5, model);
    if (list->sizeHintForIndex(longest).width() > header->sectionSize(model))
        EXPECT_EQ(header->sectionSize(status), statusNeeds) << "no room to spare beside a cut model";
    EXPECT_EQ(list->textElideMode(), Qt::ElideRight);
}
