// The event list view: rows placed by arithmetic with no per-row header,
// clicks, keys and double clicks reaching the right event, and the rows in
// sight staying in sight while the oldest events give way.
#include "FakeUserInterface.h"
#include "SyslogFrame.h"

#include <QHeaderView>
#include <QScrollBar>
#include <QTest>

#include <gtest/gtest.h>

using namespace Syslog;

namespace {

class SyslogListViewTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Frame.resize(800, 400);
        Frame.show();
        for (int i = 0; i < Rows; ++i)
            Frame.AddDatagram(0x0A000001u + uint32_t(i % 3), "<13>Oct 11 22:14:15 sw event " + std::to_string(i));
        Frame.FlushList();
        QCoreApplication::processEvents();
    }
    uint32_t EventIdAt(const QModelIndex& index) const { return Frame.Model()->Row(index.row()).EventId; }
    // The row shown at the top of the list.
    int TopRow() const { return View()->indexAt(QPoint(1, 1)).row(); }
    TSyslogListView* View() const { return Frame.ListView(); }
    QPoint CellCenter(int row, int column) const
    {
        return View()->visualRect(Frame.Model()->index(row, column)).center();
    }

    static constexpr int Rows = 5000;
    TestSupport::TFakeUserInterface Ui;
    TSyslogFrame Frame;
};

TEST_F(SyslogListViewTest, RowsArePlacedWithoutARowHeader)
{
    TSyslogListView* view = View();
    EXPECT_EQ(view->verticalHeader()->count(), 0) << "no record per row";
    const int inSight = view->viewport()->height() / view->RowHeight();
    EXPECT_EQ(view->verticalScrollBar()->maximum(), Rows - inSight);

    // Every row in sight maps back to itself, in every column.
    for (int row = 0; row < inSight; ++row)
        for (int column = 0; column < TSyslogModel::ColCount; ++column) {
            const QModelIndex index = Frame.Model()->index(row, column);
            const QRect rect = view->visualRect(index);
            ASSERT_TRUE(view->viewport()->rect().intersects(rect)) << row << "," << column;
            ASSERT_EQ(view->indexAt(rect.center()), index) << row << "," << column;
        }
    EXPECT_FALSE(view->indexAt(QPoint(1, -1)).isValid());

    // Scrolled to a far row, it is in sight; scrolled to the end, the last
    // row is, and nothing lies below it.
    const QModelIndex far = Frame.Model()->index(3210, 6);
    view->scrollTo(far);
    EXPECT_TRUE(view->viewport()->rect().contains(view->visualRect(far).center()));
    view->scrollTo(Frame.Model()->index(Rows - 1, 0), QAbstractItemView::PositionAtBottom);
    const QRect last = view->visualRect(Frame.Model()->index(Rows - 1, 0));
    EXPECT_TRUE(view->viewport()->rect().contains(last.center()));
    EXPECT_FALSE(view->indexAt(QPoint(1, last.bottom() + 2)).isValid());
}

TEST_F(SyslogListViewTest, ClicksKeysAndDoubleClicksReachTheirEvent)
{
    TSyslogListView* view = View();
    view->scrollTo(Frame.Model()->index(2000, 0), QAbstractItemView::PositionAtTop);
    ASSERT_EQ(TopRow(), 2000);

    // A click selects the whole row it hits.
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CellCenter(2003, 4));
    EXPECT_EQ(view->currentIndex().row(), 2003);
    ASSERT_EQ(view->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(view->selectionModel()->selectedRows()[0].row(), 2003);
    EXPECT_EQ(view->selectionModel()->selectedIndexes().size(), TSyslogModel::ColCount);

    // Keys move the current row and keep it in sight.
    view->setFocus();
    QTest::keyClick(view, Qt::Key_Down);
    EXPECT_EQ(view->currentIndex().row(), 2004);
    QTest::keyClick(view, Qt::Key_Up);
    QTest::keyClick(view, Qt::Key_Up);
    EXPECT_EQ(view->currentIndex().row(), 2002);
    QTest::keyClick(view, Qt::Key_End);
    EXPECT_EQ(view->currentIndex().row(), Rows - 1);
    EXPECT_TRUE(view->viewport()->rect().contains(CellCenter(Rows - 1, 0)));
    QTest::keyClick(view, Qt::Key_Home);
    EXPECT_EQ(view->currentIndex().row(), 0);
    EXPECT_EQ(TopRow(), 0);
    QTest::keyClick(view, Qt::Key_PageDown);
    EXPECT_GT(view->currentIndex().row(), 1);
    EXPECT_TRUE(view->viewport()->rect().contains(CellCenter(view->currentIndex().row(), 0)));

    // A double click opens the viewer on the event under the pointer.
    uint32_t sender = 0, eventId = 0;
    Frame.SetViewerHook([&](QWidget*, uint32_t s, uint32_t id, const TSyslogList&) {
        sender = s;
        eventId = id;
    });
    view->scrollTo(Frame.Model()->index(4000, 0), QAbstractItemView::PositionAtTop);
    const QPoint at = CellCenter(4001, 6);
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);   // a double click starts as a click
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
    const QModelIndex hit = Frame.Model()->index(4001, 6);
    EXPECT_EQ(eventId, EventIdAt(hit));
    EXPECT_EQ(sender, Frame.Model()->Row(4001).Sender);
}

TEST_F(SyslogListViewTest, RowsInSightStayWhileTheOldestGiveWay)
{
    TSyslogListView* view = View();
    view->scrollTo(Frame.Model()->index(3000, 0), QAbstractItemView::PositionAtTop);
    const uint32_t topEvent = EventIdAt(view->indexAt(QPoint(1, 1)));
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CellCenter(3002, 1));
    const uint32_t selectedEvent = EventIdAt(view->currentIndex());

    Frame.Model()->DropOldest(1200);
    EXPECT_EQ(EventIdAt(view->indexAt(QPoint(1, 1))), topEvent);
    EXPECT_EQ(EventIdAt(view->currentIndex()), selectedEvent);
    ASSERT_EQ(view->selectionModel()->selectedRows().size(), 1);
    EXPECT_EQ(view->selectionModel()->selectedRows()[0], view->currentIndex().siblingAtColumn(0));
    const int inSight = view->viewport()->height() / view->RowHeight();
    EXPECT_EQ(view->verticalScrollBar()->maximum(), Rows - 1200 - inSight);

    // Rows in sight that give way leave the list at its top.
    Frame.Model()->DropOldest(2500);
    EXPECT_EQ(TopRow(), 0);
    EXPECT_EQ(Frame.Model()->rowCount(), Rows - 3700);
    EXPECT_EQ(view->verticalScrollBar()->maximum(), Rows - 3700 - inSight);
}

} // namespace
