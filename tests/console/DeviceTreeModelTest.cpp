// The main window's tree as an item model: Qt's own model checks through a
// discovery with regrouping and removals, rows and kept indexes that stay
// right in a big group, changed captions told once per frame and shown, and
// a selection that survives regrouping.
#include "DeviceTreeModel.h"
#include "MainForm.h"
#include "MainFormFixture.h"

#include <QAbstractItemModelTester>
#include <QComboBox>
#include <QPersistentModelIndex>
#include <QSignalSpy>
#include <QStyledItemDelegate>
#include <QTest>
#include <QTreeView>

#include <algorithm>
#include <random>
#include <set>

using namespace TestSupport;

namespace {

// Records the caption of every row it paints.
class TPaintedCaptions final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override
    {
        Painted.insert(index.data().toString());
        QStyledItemDelegate::paint(painter, option, index);
    }
    mutable std::set<QString> Painted;
};

class DeviceTreeModelTest : public MainFormFixture {
protected:
    void SetUp() override
    {
        MainFormFixture::SetUp();
        Create();
        ASSERT_TRUE(Created);
        Model = Form->TreeModel();
    }

    // Every node sits at its row under its parent, and the model's indexes
    // lead to it and back.
    void ExpectRowsRight(TTreeNode* parent, const char* when)
    {
        const QModelIndex parentIndex = Form->IndexOf(parent);
        ASSERT_EQ(Model->rowCount(parentIndex), parent->ChildCount()) << when;
        for (int row = 0; row < parent->ChildCount(); ++row) {
            TTreeNode* node = parent->Child(row);
            ASSERT_EQ(node->Row(), row) << when;
            ASSERT_EQ(node->Parent(), parent) << when;
            const QModelIndex index = Form->IndexOf(node);
            ASSERT_EQ(index, Model->index(row, 0, parentIndex)) << when;
            ASSERT_EQ(Form->NodeOf(index), node) << when;
            ASSERT_EQ(Model->parent(index), parentIndex) << when;
            ASSERT_EQ(index.data().toString(), node->Text()) << when;
            ExpectRowsRight(node, when);
        }
    }

    // A burst of `count` switches of models 1..6 from 192.0.2.1 on, which
    // join the tree together.
    std::vector<Intp::TDevice*> FoundMany(int count)
    {
        std::vector<Intp::TDevice*> devices;
        for (int i = 1; i <= count; ++i)
            devices.push_back(Found(uint8_t(i), 1 + uint32_t(i) % 6, 0, false));
        EXPECT_TRUE(QTest::qWaitFor([this] { return !Form->NodesWaiting(); }, 2000));
        return devices;
    }

    TDeviceTreeModel* Model = nullptr;
};

TEST_F(DeviceTreeModelTest, QtModelChecksHoldThroughDiscoveryRegroupingAndRemovals)
{
    QAbstractItemModelTester tester(Model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<Intp::TDevice*> devices = FoundMany(48);
    ASSERT_EQ(Form->DeviceCount(), 48);
    Found(100);   // one alone joins at once
    for (int mode : {TMainForm::SortModel, TMainForm::SortIpAddress, TMainForm::SortFilterMethod, TMainForm::SortNone,
                     TMainForm::SortModel})
        Form->TreeSort()->setCurrentIndex(mode);
    // Moves between groups, removals from the middle, empty groups going.
    devices[5]->SetType(devices[6]->GetType());
    devices[7]->SetIp(0);
    delete devices[8];
    Form->TreeSort()->setCurrentIndex(TMainForm::SortIpAddress);
    devices[9]->SetIp(devices[10]->GetIp());
    devices[11]->SetName("renamed");
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Model->ChangesPending() && !Form->NodesWaiting(); }, 2000));
    ExpectRowsRight(Form->RootNode(), "after the changes");
    // Discovery deletes every device; the answers bring them back.
    Form->EventOnDiscoveryExecute();
    EXPECT_EQ(Form->DevicesNode()->ChildCount(), 0);
    FoundMany(30);
    EXPECT_EQ(Form->DeviceCount(), 30);
    ExpectRowsRight(Form->RootNode(), "after rediscovery");
}

// A group made while nodes are being moved joins the tree with the move;
// the node appended is the one the caller keeps using.
TEST_F(DeviceTreeModelTest, AGroupMadeDuringARearrangementJoinsTheTree)
{
    QAbstractItemModelTester tester(Model, QAbstractItemModelTester::FailureReportingMode::Fatal);
    std::vector<Intp::TDevice*> devices = FoundMany(4);
    TTreeNode* node = Form->FindDeviceNode(devices[0]);
    ASSERT_NE(node, nullptr);
    const int groups = Form->DevicesNode()->ChildCount();
    TTreeNode* made = nullptr;
    Model->Rearrange([&] {
        made = Model->Append(Form->DevicesNode(), std::make_unique<TTreeNode>(TTreeNode::KindGroup));
        Model->MoveTo(node, made);
    });
    ASSERT_NE(made, nullptr);
    ASSERT_EQ(Form->DevicesNode()->ChildCount(), groups + 1);
    EXPECT_EQ(Form->DevicesNode()->Child(groups), made);
    EXPECT_EQ(node->Parent(), made);
    ExpectRowsRight(Form->RootNode(), "after the rearrangement");
}

TEST_F(DeviceTreeModelTest, RowsAndKeptIndexesStayRightAfterRemovalsAndMovesInABigGroup)
{
    std::vector<Intp::TDevice*> devices = FoundMany(200);
    ASSERT_EQ(Form->DevicesNode()->ChildCount(), 1);
    TTreeNode* group = Form->DevicesNode()->Child(0);
    ASSERT_EQ(group->ChildCount(), 200);
    // Indexes the views keep follow their nodes.
    std::vector<std::pair<QPersistentModelIndex, TTreeNode*>> kept;
    for (int row : {0, 99, 150, 199})
        kept.emplace_back(QPersistentModelIndex(Form->IndexOf(group->Child(row))), group->Child(row));

    // Removed in no particular order, rows in between asked for.
    std::vector<size_t> order;
    for (size_t i = 20; i < 90; i += 3)
        order.push_back(i);
    std::shuffle(order.begin(), order.end(), std::mt19937(31));
    for (size_t n = 0; n < order.size(); ++n) {
        delete devices[order[n]];
        devices[order[n]] = nullptr;
        if (n % 7 == 0) {
            ASSERT_NO_FATAL_FAILURE(ExpectRowsRight(group, "between removals"));
        }
    }
    ASSERT_NO_FATAL_FAILURE(ExpectRowsRight(group, "after the removals"));
    EXPECT_EQ(group->ChildCount(), 200 - int(order.size()));

    // Moved to a group of their own and back (the "IP Address" groups).
    Form->TreeSort()->setCurrentIndex(TMainForm::SortModel);
    ASSERT_NO_FATAL_FAILURE(ExpectRowsRight(Form->DevicesNode(), "by model"));
    TTreeNode* middle = Form->FindDeviceNode(devices[120]);
    const QPersistentModelIndex middleIndex(Form->IndexOf(middle));
    devices[120]->SetType(devices[121]->GetType());
    EXPECT_EQ(Form->FindDeviceNode(devices[120])->Parent(), Form->FindDeviceNode(devices[121])->Parent());
    EXPECT_EQ(Form->NodeOf(middleIndex), middle);
    EXPECT_EQ(middleIndex.row(), middle->Row());
    Form->TreeSort()->setCurrentIndex(TMainForm::SortNone);
    ASSERT_NO_FATAL_FAILURE(ExpectRowsRight(Form->RootNode(), "regrouped"));
    for (const auto& [index, node] : kept) {
        ASSERT_TRUE(index.isValid());
        EXPECT_EQ(Form->NodeOf(index), node);
        EXPECT_EQ(index.row(), node->Row());
    }
    // Every device that is left is found at its node.
    for (Intp::TDevice* device : devices) {
        if (device) {
            EXPECT_EQ(Form->FindDeviceNode(device)->Device, device);
        }
    }
}

TEST_F(DeviceTreeModelTest, ChangedCaptionsAreToldOncePerFrameAsOneRangeAndShown)
{
    auto* painted = new TPaintedCaptions(Form->Tree());
    Form->Tree()->setItemDelegate(painted);
    Form->resize(1280, 1024);
    Form->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Form.get()));
    std::vector<Intp::TDevice*> devices = FoundMany(10);
    ASSERT_EQ(Form->DevicesNode()->Child(0)->ChildCount(), 10);
    ASSERT_TRUE(QTest::qWaitFor([this] { return !Model->ChangesPending(); }, 2000));   // the joins are told

    QSignalSpy changes(Model, &QAbstractItemModel::dataChanged);
    devices[6]->SetName("six");
    devices[2]->SetName("two");
    devices[4]->SetLoggedIn(true);
    devices[2]->SetName("two again");
    // The caption is new at once for whoever asks; the views hear later.
    EXPECT_TRUE(Form->FindDeviceNode(devices[2])->Text().startsWith("two again ("));
    EXPECT_EQ(changes.count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return changes.count() > 0; }, 1000));
    ASSERT_EQ(changes.count(), 1);
    const QModelIndex first = changes[0][0].value<QModelIndex>();
    const QModelIndex last = changes[0][1].value<QModelIndex>();
    EXPECT_EQ(first.row(), 2);
    EXPECT_EQ(last.row(), 6);
    EXPECT_EQ(Form->NodeOf(first.parent()), Form->DevicesNode()->Child(0));
    // The view paints the new captions.
    const QString shown = Form->FindDeviceNode(devices[6])->Text();
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted->Painted.count(shown) > 0; }, 2000)) << shown.toStdString();
    EXPECT_TRUE(QTest::qWaitFor([&] { return painted->Painted.count(Form->FindDeviceNode(devices[2])->Text()) > 0; },
                                2000));
    QTest::qWait(3 * TDeviceTreeModel::ChangeFrameMs);
    EXPECT_EQ(changes.count(), 1) << "nothing more to tell";
}

TEST_F(DeviceTreeModelTest, SelectionAndFocusSurviveRegroupingAndMoves)
{
    Intp::TDevice* a = Found(1, 2);
    Found(2, 3);
    Intp::TDevice* c = Found(3, 2);
    Intp::TDevice* d = Found(4, 2);
    Form->SetCurrentNode(Form->FindDeviceNode(d));
    Form->SetNodeSelected(Form->FindDeviceNode(a), true);
    Settle();
    auto current = [this] {
        TDeviceList list;
        Form->GetCurrentDevices(list);
        std::sort(list.begin(), list.end());
        return list;
    };
    TDeviceList both{a, d};
    std::sort(both.begin(), both.end());
    ASSERT_EQ(current(), both);

    for (int mode : {TMainForm::SortModel, TMainForm::SortNone, TMainForm::SortModel}) {
        Form->TreeSort()->setCurrentIndex(mode);
        Settle();
        EXPECT_EQ(Form->CurrentNode(), Form->FindDeviceNode(d)) << mode;
        EXPECT_EQ(current(), both) << mode;
        EXPECT_TRUE(Form->IsNodeSelected(Form->FindDeviceNode(a))) << mode;
        EXPECT_FALSE(Form->IsNodeSelected(Form->FindDeviceNode(c))) << mode;
    }
    // The focused device moves to another group when its model changes.
    d->SetType(3);
    Settle();
    EXPECT_EQ(Form->CurrentNode(), Form->FindDeviceNode(d));
    EXPECT_TRUE(Form->IsNodeSelected(Form->FindDeviceNode(d)));
    EXPECT_EQ(Form->FindDeviceNode(d)->Parent()->Text(), QString::fromStdString(Intp::GetTypeName(3)));
}

} // namespace
