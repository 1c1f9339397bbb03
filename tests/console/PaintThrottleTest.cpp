// A list that changes many times in a row paints at most once per interval;
// a change that comes alone paints as usual.
#include "PaintThrottle.h"

#include <QStyledItemDelegate>
#include <QTest>
#include <QThread>
#include <QTreeWidget>

#include <gtest/gtest.h>

namespace {

TEST(PaintThrottle, HoldsPaintingDuringABurstAndRepaintsAfter)
{
    QTreeWidget view;
    view.resize(300, 200);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    ThrottlePaints(&view, 40);
    ThrottlePaints(&view, 40);   // a second call changes nothing

    // Alone: nothing held.
    view.addTopLevelItem(new QTreeWidgetItem(QStringList{"first"}));
    EXPECT_FALSE(PaintsHeld(&view));
    EXPECT_TRUE(view.updatesEnabled());

    // A burst: held until the interval is over, then painted once.
    for (int i = 0; i < 100; ++i)
        view.addTopLevelItem(new QTreeWidgetItem(QStringList{QString::number(i)}));
    EXPECT_TRUE(PaintsHeld(&view));
    EXPECT_FALSE(view.updatesEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !PaintsHeld(&view); }, 2000));
    EXPECT_TRUE(view.updatesEnabled());
    EXPECT_EQ(view.topLevelItemCount(), 101);

    // Painting turned off by someone else stays off.
    QTest::qWait(60);
    view.setUpdatesEnabled(false);
    view.topLevelItem(0)->setText(0, "a");
    view.topLevelItem(0)->setText(0, "b");
    EXPECT_FALSE(PaintsHeld(&view));
    QTest::qWait(60);
    EXPECT_FALSE(view.updatesEnabled());
    view.setUpdatesEnabled(true);

    // Cleared while held: the view is whole again afterwards.
    view.topLevelItem(0)->setText(0, "c");
    view.topLevelItem(0)->setText(0, "d");
    EXPECT_TRUE(PaintsHeld(&view));
    view.clear();
    EXPECT_TRUE(QTest::qWaitFor([&] { return view.updatesEnabled(); }, 2000));
}

// Paints that take 30 ms each.
class TSlowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        QThread::msleep(30);
        QStyledItemDelegate::paint(painter, option, index);
    }
};

TEST(PaintThrottle, AViewSlowToPaintIsHeldLonger)
{
    QTreeWidget view;
    view.setItemDelegate(new TSlowDelegate(&view));
    view.addTopLevelItem(new QTreeWidgetItem(QStringList{"first"}));
    view.resize(300, 200);
    ThrottlePaints(&view, 16);
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));
    view.repaint();
    for (int i = 0; i < 10; ++i)
        view.topLevelItem(0)->setText(0, QString::number(i));
    ASSERT_TRUE(PaintsHeld(&view));
    QTest::qWait(50);   // well past 16 ms, well short of 16 paints
    EXPECT_TRUE(PaintsHeld(&view));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !PaintsHeld(&view); }, 5000));
}

TEST(PaintThrottle, IgnoresAViewWithoutModel)
{
    ThrottlePaints(nullptr);
    EXPECT_FALSE(PaintsHeld(nullptr));
}

} // namespace
