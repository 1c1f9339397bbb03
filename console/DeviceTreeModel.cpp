// The main window's tree as an item model.
#include "DeviceTreeModel.h"

#include "MainForm.h"

#include <QTimerEvent>

#include <algorithm>

QIcon NodeIcon(int index);

// ---------------------------------------------------------------------------
// Nodes
// ---------------------------------------------------------------------------

TTreeNode::TTreeNode(TKind kind) : m_Kind(kind)
{
    if (kind != KindDevice)
        m_Branch = std::make_unique<TTreeBranch>();
}

TTreeNode::~TTreeNode() = default;

TTreeNode* TTreeNode::Child(int row) const
{
    if (!m_Branch || row < 0 || row >= int(m_Branch->m_Children.size()))
        return nullptr;
    return m_Branch->m_Children[size_t(row)].get();
}

int TTreeNode::Row() const
{
    if (!m_Parent)
        return m_Row;
    TTreeBranch& branch = *m_Parent->m_Branch;
    if (m_Row < branch.m_Numbered)
        return m_Row;
    // The node is between the rows numbered so far and its own row, which
    // removals before it made too high: the rows are numbered on from the
    // one end while the node is looked for from the other, until one of
    // them reaches it.
    auto& children = branch.m_Children;
    for (int high = std::min(m_Row, int(children.size()) - 1); high >= branch.m_Numbered; --high) {
        const int low = branch.m_Numbered;
        children[size_t(low)]->m_Row = low;
        branch.m_Numbered = low + 1;
        if (children[size_t(low)].get() == this)
            return low;
        if (children[size_t(high)].get() == this)
            return m_Row = high;
    }
    return -1;
}

QString TTreeNode::Text() const
{
    if (Device)
        return TMainForm::DeviceCaption(Device);
    return m_Branch ? m_Branch->Text : QString();
}

QIcon TTreeNode::Icon() const
{
    if (Device)
        return NodeIcon(TMainForm::DeviceImage(Device));
    return m_Branch ? NodeIcon(m_Branch->Image) : QIcon();
}

// ---------------------------------------------------------------------------
// The model's interface to the views
// ---------------------------------------------------------------------------

TDeviceTreeModel::TDeviceTreeModel(QObject* parent) : QAbstractItemModel(parent)
{
    m_Root.m_Hidden = true;
}

TDeviceTreeModel::~TDeviceTreeModel() { m_ChangeTimer.stop(); }

QModelIndex TDeviceTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    if (column != 0 || (parent.isValid() && parent.model() != this))
        return {};
    const TTreeNode* branch = parent.isValid() ? NodeOf(parent) : &m_Root;
    TTreeNode* child = branch ? branch->Child(row) : nullptr;
    return child ? createIndex(row, 0, child) : QModelIndex();
}

QModelIndex TDeviceTreeModel::parent(const QModelIndex& child) const
{
    const TTreeNode* node = NodeOf(child);
    TTreeNode* parent = node ? node->Parent() : nullptr;
    return parent ? createIndex(parent->Row(), 0, parent) : QModelIndex();
}

int TDeviceTreeModel::rowCount(const QModelIndex& parent) const
{
    if (!parent.isValid())
        return m_Root.ChildCount();
    const TTreeNode* node = NodeOf(parent);
    return node && parent.column() == 0 ? node->ChildCount() : 0;
}

int TDeviceTreeModel::columnCount(const QModelIndex&) const { return 1; }

bool TDeviceTreeModel::hasChildren(const QModelIndex& parent) const { return rowCount(parent) > 0; }

QVariant TDeviceTreeModel::data(const QModelIndex& index, int role) const
{
    const TTreeNode* node = NodeOf(index);
    if (!node)
        return {};
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return node->Text();
    case Qt::DecorationRole:
        return node->Icon();
    case Qt::AccessibleDescriptionRole:
        // What a device node's image shows, for screen readers.
        if (node->Device)
            return TMainForm::DeviceStateText(node->Device);
        break;
    default:
        break;
    }
    return {};
}

Qt::ItemFlags TDeviceTreeModel::flags(const QModelIndex& index) const
{
    const TTreeNode* node = NodeOf(index);
    if (!node)
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (node->Kind() == TTreeNode::KindDevice)
        flags |= Qt::ItemNeverHasChildren;
    return flags;
}

QModelIndex TDeviceTreeModel::IndexOf(const TTreeNode* node) const
{
    if (!node || !node->InTree() || node->m_Hidden)
        return {};
    return createIndex(node->Row(), 0, const_cast<TTreeNode*>(node));
}

TTreeNode* TDeviceTreeModel::NodeOf(const QModelIndex& index) const
{
    if (!index.isValid() || index.model() != this)
        return nullptr;
    return static_cast<TTreeNode*>(index.internalPointer());
}

// ---------------------------------------------------------------------------
// Structure
// ---------------------------------------------------------------------------

void TDeviceTreeModel::Appended(TTreeNode* parent, TTreeNode* child)
{
    TTreeBranch& branch = *parent->m_Branch;
    child->m_Parent = parent;
    child->m_Row = int(branch.m_Children.size()) - 1;
    if (branch.m_Numbered == child->m_Row)
        ++branch.m_Numbered;
}

void TDeviceTreeModel::Erased(TTreeNode* parent, int row)
{
    TTreeBranch& branch = *parent->m_Branch;
    branch.m_Numbered = std::min(branch.m_Numbered, row);
}

void TDeviceTreeModel::NumberAll(TTreeNode* parent)
{
    TTreeBranch& branch = *parent->m_Branch;
    for (size_t row = 0; row < branch.m_Children.size(); ++row)
        branch.m_Children[row]->m_Row = int(row);
    branch.m_Numbered = int(branch.m_Children.size());
}

TTreeNode* TDeviceTreeModel::Append(TTreeNode* parent, std::unique_ptr<TTreeNode> node)
{
    std::vector<std::unique_ptr<TTreeNode>> one;
    TTreeNode* added = node.get();
    one.push_back(std::move(node));
    AppendAll(parent, std::move(one));
    return added;
}

void TDeviceTreeModel::AppendAll(TTreeNode* parent, std::vector<std::unique_ptr<TTreeNode>> nodes)
{
    TTreeNode* branch = BranchOf(parent);
    if (nodes.empty() || !branch->m_Branch)
        return;
    auto& children = branch->m_Branch->m_Children;
    const int first = int(children.size());
    // Within a rearrangement the views hear of the new rows with the rest of
    // it, as of the rows moved.
    if (!m_Rearranging)
        beginInsertRows(IndexOf(parent), first, first + int(nodes.size()) - 1);
    children.reserve(children.size() + nodes.size());
    for (auto& node : nodes) {
        children.push_back(std::move(node));
        Appended(branch, children.back().get());
    }
    if (!m_Rearranging)
        endInsertRows();
}

std::unique_ptr<TTreeNode> TDeviceTreeModel::Take(TTreeNode* node)
{
    if (!node || !node->InTree() || node->m_Hidden || m_Rearranging)
        return nullptr;
    // The rows below it move up: what was noted of them is told first.
    FlushChanges();
    TTreeNode* branch = node->m_Parent;
    const int row = node->Row();
    beginRemoveRows(IndexOf(node->Parent()), row, row);
    auto& children = branch->m_Branch->m_Children;
    std::unique_ptr<TTreeNode> taken = std::move(children[size_t(row)]);
    children.erase(children.begin() + row);
    Erased(branch, row);
    taken->m_Parent = nullptr;
    taken->m_Row = -1;
    endRemoveRows();
    return taken;
}

void TDeviceTreeModel::RemoveChildren(TTreeNode* parent, int first, int count)
{
    TTreeNode* branch = BranchOf(parent);
    if (!branch->m_Branch || m_Rearranging || count <= 0 || first < 0 || first + count > branch->ChildCount())
        return;
    FlushChanges();
    auto& children = branch->m_Branch->m_Children;
    beginRemoveRows(IndexOf(parent), first, first + count - 1);
    std::vector<std::unique_ptr<TTreeNode>> gone(std::make_move_iterator(children.begin() + first),
                                                  std::make_move_iterator(children.begin() + first + count));
    for (auto& node : gone)
        node->m_Parent = nullptr;
    children.erase(children.begin() + first, children.begin() + first + count);
    Erased(branch, first);
    endRemoveRows();
}

void TDeviceTreeModel::Rearrange(const std::function<void()>& change)
{
    if (m_Rearranging) {
        change();
        return;
    }
    FlushChanges();
    emit layoutAboutToBeChanged();
    // The nodes of the indexes that the views keep: they are found again
    // where the change put them.
    const QModelIndexList from = persistentIndexList();
    std::vector<TTreeNode*> nodes;
    nodes.reserve(size_t(from.size()));
    for (const QModelIndex& index : from)
        nodes.push_back(NodeOf(index));
    m_Rearranging = true;
    change();
    m_Rearranging = false;
    QModelIndexList to;
    to.reserve(from.size());
    for (TTreeNode* node : nodes)
        to.append(IndexOf(node));
    changePersistentIndexList(from, to);
    emit layoutChanged();
}

void TDeviceTreeModel::MoveTo(TTreeNode* node, TTreeNode* parent)
{
    TTreeNode* branch = BranchOf(parent);
    if (!m_Rearranging || !node || !node->InTree() || !branch->m_Branch || node == branch)
        return;
    TTreeNode* old = node->m_Parent;
    auto& from = old->m_Branch->m_Children;
    const int row = node->Row();
    std::unique_ptr<TTreeNode> moved = std::move(from[size_t(row)]);
    from.erase(from.begin() + row);
    Erased(old, row);
    auto& to = branch->m_Branch->m_Children;
    to.push_back(std::move(moved));
    Appended(branch, node);
}

void TDeviceTreeModel::MoveChildren(TTreeNode* from, const std::function<TTreeNode*(TTreeNode* child)>& target)
{
    TTreeNode* source = BranchOf(from);
    if (!m_Rearranging || !source->m_Branch)
        return;
    std::vector<std::unique_ptr<TTreeNode>> children;
    children.swap(source->m_Branch->m_Children);
    source->m_Branch->m_Numbered = 0;
    for (auto& child : children) {
        TTreeNode* branch = BranchOf(target(child.get()));
        TTreeNode* node = child.get();
        branch->m_Branch->m_Children.push_back(std::move(child));
        Appended(branch, node);
    }
}

void TDeviceTreeModel::Reorder(TTreeNode* parent, const std::vector<TTreeNode*>& order)
{
    TTreeNode* branch = BranchOf(parent);
    if (!m_Rearranging || !branch->m_Branch)
        return;
    auto& children = branch->m_Branch->m_Children;
    if (order.size() != children.size())
        return;
    NumberAll(branch);
    // Only a permutation of the children moves anything.
    std::vector<bool> seen(children.size(), false);
    for (TTreeNode* node : order) {
        if (!node || node->m_Parent != branch || seen[size_t(node->m_Row)])
            return;
        seen[size_t(node->m_Row)] = true;
    }
    std::vector<std::unique_ptr<TTreeNode>> sorted(children.size());
    for (size_t row = 0; row < order.size(); ++row)
        sorted[row] = std::move(children[size_t(order[row]->m_Row)]);
    children.swap(sorted);
    NumberAll(branch);
}

// ---------------------------------------------------------------------------
// Changes of captions and images
// ---------------------------------------------------------------------------

void TDeviceTreeModel::SetText(TTreeNode* node, const QString& text)
{
    if (!node || !node->m_Branch || node->m_Branch->Text == text)
        return;
    node->m_Branch->Text = text;
    if (const QModelIndex index = IndexOf(node); index.isValid() && !m_Rearranging)
        emit dataChanged(index, index, {Qt::DisplayRole});
}

void TDeviceTreeModel::NodeChanged(TTreeNode* node)
{
    // A node not in the tree is asked for its caption when it joins.
    if (!node || !node->InTree() || node->m_Hidden)
        return;
    TTreeBranch* branch = node->m_Parent->m_Branch.get();
    const int row = node->Row();
    if (branch->m_ChangedFirst < 0) {
        branch->m_ChangedFirst = branch->m_ChangedLast = row;
        m_Changed.push_back(node->m_Parent);
    } else {
        branch->m_ChangedFirst = std::min(branch->m_ChangedFirst, row);
        branch->m_ChangedLast = std::max(branch->m_ChangedLast, row);
    }
    if (!m_ChangeTimer.isActive())
        m_ChangeTimer.start(ChangeFrameMs, this);
}

void TDeviceTreeModel::FlushChanges()
{
    m_ChangeTimer.stop();
    std::vector<TTreeNode*> changed;
    changed.swap(m_Changed);
    for (TTreeNode* parent : changed) {
        TTreeBranch* branch = parent->m_Branch.get();
        const int last = std::min(branch->m_ChangedLast, parent->ChildCount() - 1);
        const int first = branch->m_ChangedFirst;
        branch->m_ChangedFirst = branch->m_ChangedLast = -1;
        if (first < 0 || first > last)
            continue;
        const QModelIndex parentIndex = IndexOf(parent);
        emit dataChanged(index(first, 0, parentIndex), index(last, 0, parentIndex),
                         {Qt::DisplayRole, Qt::DecorationRole, Qt::AccessibleDescriptionRole});
    }
}

void TDeviceTreeModel::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_ChangeTimer.timerId())
        FlushChanges();
    else
        QAbstractItemModel::timerEvent(event);
}
