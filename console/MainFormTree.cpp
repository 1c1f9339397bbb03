// The device tree: group nodes by sort mode, device nodes, the selection
// rules and the page that the selection shows.
#include "MainForm.h"

#include "VisibleText.h"

#include <QComboBox>
#include <QEvent>
#include <QItemSelectionModel>
#include <QSet>
#include <QTimer>
#include <QTreeView>

#include <algorithm>
#include <functional>

QIcon NodeIcon(int index);

namespace {

constexpr int ImageGroup = 5;

// The main tree's selection model: it asks before the focus moves to
// another node, so that a refused change leaves the focus and the whole
// selection as they were. A click moves the focus first and selects
// afterwards (on the press, on moving and on the release), so once a click
// or key has been refused, or has put the focus on a node that was already
// selected, the rest of its selection commands are dropped.
class TTreeSelectionModel final : public QItemSelectionModel {
public:
    TTreeSelectionModel(QAbstractItemModel* model, QTreeView* view) : QItemSelectionModel(model, view)
    {
        view->installEventFilter(this);
        view->viewport()->installEventFilter(this);
    }

    // Asked before the focus moves from one node to another; false refuses.
    std::function<bool(const QModelIndex& from, const QModelIndex& to)> CanChange;
    // True while the window itself rearranges the tree: nothing is asked.
    std::function<bool()> Quiet;

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override
    {
        if (Quiet && Quiet()) {
            QItemSelectionModel::setCurrentIndex(index, command);
            return;
        }
        if (index != currentIndex()) {
            const bool wasSelected = index.isValid() && isSelected(index);
            if (CanChange && !CanChange(currentIndex(), index)) {
                m_Drop = m_InInput;
                return;
            }
            if (wasSelected) {
                // The focus moves onto a node that is already selected: the
                // multi-selection ends with that node alone selected.
                m_Drop = false;
                QItemSelectionModel::setCurrentIndex(index, ClearAndSelect | Rows);
                m_Drop = m_InInput;
                return;
            }
        }
        m_Drop = false;
        QItemSelectionModel::setCurrentIndex(index, command);
    }

    void select(const QItemSelection& selection, SelectionFlags command) override
    {
        if (Quiet && Quiet()) {
            QItemSelectionModel::select(selection, command);
            return;
        }
        if (m_Drop)
            return;
        // The focused node stays selected: a Ctrl-click on it does not take
        // it out of the selection.
        const QModelIndex current = currentIndex();
        if ((command & (Deselect | Toggle)) && current.isValid() && selection.contains(current)) {
            QItemSelection others;
            for (const QModelIndex& index : selection.indexes())
                if (index.row() != current.row() || index.parent() != current.parent())
                    others.select(index, index);
            QItemSelectionModel::select(others, command);
            return;
        }
        QItemSelectionModel::select(selection, command);
    }
    using QItemSelectionModel::select;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
        case QEvent::KeyPress:
            // A new request of the user.
            m_Drop = false;
            m_InInput = true;
            break;
        case QEvent::MouseButtonRelease:
        case QEvent::KeyRelease:
        case QEvent::FocusOut:
            // Over once the view has handled this event.
            QTimer::singleShot(0, this, [this] { m_Drop = m_InInput = false; });
            break;
        default:
            break;
        }
        return false;
    }

private:
    bool m_InInput = false;   // a click or key on the tree is being handled
    bool m_Drop = false;
};

} // namespace

QString TMainForm::DeviceCaption(const Intp::TDevice* device)
{
    // The name comes from the switch: its control characters are shown as
    // symbols, so that they cannot cut the caption short, and it is isolated,
    // so that it cannot reorder the addresses after it.
    return QString("%1 (%2, %3)")
        .arg(Resources::IsolatedText(device->GetName()), QString::fromStdString(Intp::IpToText(device->GetIp())),
             QString::fromStdString(Intp::MacToText(device->GetMac())));
}

QString TMainForm::DeviceStateText(const Intp::TDevice* device)
{
    // What the node's image shows, for screen readers.
    QStringList states;
    if (device->TestFlags(Intp::DeviceFlagLoggedIn))
        states << QStringLiteral("logged in");
    if (device->TestFlags(Intp::DeviceFlagWarning))
        states << QStringLiteral("warning");
    return states.join(QStringLiteral(", "));
}

int TMainForm::DeviceImage(const Intp::TDevice* device)
{
    return (device->TestFlags(Intp::DeviceFlagLoggedIn) ? 1 : 0) + (device->TestFlags(Intp::DeviceFlagWarning) ? 2 : 0);
}

bool TMainForm::IsShown(Intp::TDevice* device) const
{
    if (!device || device->GetType() == 0 || device->GetIp() == 0)
        return false;
    return m_FilterForm && m_FilterForm->IsAccepted(device->GetIp());
}

// The key and caption of the group a device belongs to under the current
// sort mode.
bool TMainForm::GroupKeyFor(Intp::TDevice* device, uint32_t& key0, uint32_t& key1, QString& caption) const
{
    const uint32_t ip = device->GetIp();
    switch (m_TreeSort->currentIndex()) {
    case SortModel:
        key0 = device->GetType();
        key1 = 0;
        caption = QString::fromStdString(device->GetTypeName());
        return true;
    case SortIpAddress:
        key0 = ip;
        key1 = 0;
        caption = QString::fromStdString(Intp::IpToText(ip));
        return true;
    case SortFilterMethod: {
        key0 = key1 = 0xFFFFFFFFu;
        caption = "Others";
        if (!m_FilterForm)
            return true;
        const Filter::TFilterSettings& settings = m_FilterForm->GetSettings();
        for (const auto& unicast : settings.Unicasts)
            if (unicast.Ip == ip) {
                key0 = key1 = 0;
                caption = "Unicast Devices";
                return true;
            }
        for (const auto& network : settings.LocalNetworks)
            if (((ip ^ network.Ip) & network.Mask) == 0) {
                key0 = network.Ip;
                key1 = network.Mask;
                caption = QString("%1/").arg(QString::fromStdString(Intp::IpToText(network.Ip))) +
                          QString::fromStdString(Intp::IpToText(network.Mask));
                return true;
            }
        return true;
    }
    default:
        key0 = 1;
        key1 = 0;
        caption = "All Devices";
        return true;
    }
}

bool TMainForm::GroupMatches(const TTreeNode* group, uint32_t key0, uint32_t key1) const
{
    const TTreeBranch* branch = group->Branch();
    if (!branch || !branch->HasKey)
        return false;
    switch (m_TreeSort->currentIndex()) {
    case SortNone:
        return branch->Key0 != 0;
    case SortModel:
    case SortIpAddress:
        return branch->Key0 == key0;
    default:
        return branch->Key0 == key0 && branch->Key1 == key1;
    }
}

int TMainForm::CompareGroups(const TTreeNode* a, const TTreeNode* b) const
{
    auto cmp = [](auto x, auto y) { return x < y ? -1 : (y < x ? 1 : 0); };
    const TTreeBranch& x = *a->Branch();
    const TTreeBranch& y = *b->Branch();
    switch (m_TreeSort->currentIndex()) {
    case SortIpAddress:
        return cmp(x.Key0, y.Key0);
    case SortFilterMethod:
        if (int c = cmp(x.Key0, y.Key0))
            return c;
        return cmp(x.Key1, y.Key1);
    default:   // "None" and "Model": as signed numbers
        return cmp(int32_t(x.Key0), int32_t(y.Key0));
    }
}

TTreeNode* TMainForm::FindDeviceNode(Intp::TDevice* device) const
{
    if (!m_DevicesNode || !device)
        return nullptr;
    // One reply often reaches the same node several times in a row.
    if (m_LastFound.first == device)
        return m_LastFound.second;
    TTreeNode* const* found = m_DeviceNodes.Find(device);
    TTreeNode* node = found ? *found : nullptr;
    if (node)
        m_LastFound = {device, node};
    return node;
}

TTreeNode* TMainForm::GetGroupNode(Intp::TDevice* device, bool create)
{
    uint32_t key0, key1;
    QString caption;
    GroupKeyFor(device, key0, key1, caption);
    for (int g = 0; g < m_DevicesNode->ChildCount(); ++g) {
        TTreeNode* group = m_DevicesNode->Child(g);
        if (GroupMatches(group, key0, key1))
            return group;
    }
    if (!create)
        return nullptr;
    auto made = std::make_unique<TTreeNode>(TTreeNode::KindGroup);
    TTreeBranch* branch = made->Branch();
    branch->HasKey = true;
    branch->Key0 = key0;
    branch->Key1 = key1;
    branch->Text = caption;
    branch->Image = ImageGroup;
    TTreeNode* group = m_TreeModel->Append(m_DevicesNode, std::move(made));
    NoteCaption(group);
    return group;
}

// ---------------------------------------------------------------------------
// The tree's nodes in its view
// ---------------------------------------------------------------------------

QModelIndex TMainForm::IndexOf(const TTreeNode* node) const { return m_TreeModel->IndexOf(node); }

TTreeNode* TMainForm::NodeOf(const QModelIndex& index) const { return m_TreeModel->NodeOf(index); }

TTreeNode* TMainForm::CurrentNode() const { return NodeOf(m_Tree->selectionModel()->currentIndex()); }

void TMainForm::SetCurrentNode(TTreeNode* node) { m_Tree->setCurrentIndex(IndexOf(node)); }

QList<TTreeNode*> TMainForm::SelectedNodes() const
{
    const QModelIndexList indexes = m_Tree->selectionModel()->selectedIndexes();
    QList<TTreeNode*> nodes;
    nodes.reserve(indexes.size());
    QSet<TTreeNode*> seen;
    for (const QModelIndex& index : indexes)
        if (TTreeNode* node = NodeOf(index); node && !seen.contains(node)) {
            seen.insert(node);
            nodes.append(node);
        }
    return nodes;
}

bool TMainForm::IsNodeSelected(const TTreeNode* node) const
{
    const QModelIndex index = IndexOf(node);
    return index.isValid() && m_Tree->selectionModel()->isSelected(index);
}

void TMainForm::SetNodeSelected(TTreeNode* node, bool selected)
{
    const QModelIndex index = IndexOf(node);
    if (index.isValid())
        m_Tree->selectionModel()->select(
            index, (selected ? QItemSelectionModel::Select : QItemSelectionModel::Deselect) | QItemSelectionModel::Rows);
}

bool TMainForm::IsNodeExpanded(const TTreeNode* node) const
{
    const QModelIndex index = IndexOf(node);
    return index.isValid() && m_Tree->isExpanded(index);
}

QRect TMainForm::NodeRect(const TTreeNode* node) const { return m_Tree->visualRect(IndexOf(node)); }

// ---------------------------------------------------------------------------
// Changes of the tree
// ---------------------------------------------------------------------------

void TMainForm::QuietTreeChange(const std::function<void()>& change)
{
    // Structural changes (moving nodes between groups, sorting, removing)
    // must not look like the user changing the selection: the pages are told
    // what happened by the callers. Nodes deleted on the way leave the saved
    // selection through DeleteNode.
    const bool nested = m_TreeChanging;
    if (!nested) {
        m_SavedSelection = SelectedNodes();
        m_SavedCurrent = CurrentNode();
    }
    m_TreeChanging = true;
    {
        QSignalBlocker treeBlock(m_Tree);
        change();
        if (!nested) {
            QItemSelectionModel* selection = m_Tree->selectionModel();
            QSignalBlocker selectionBlock(selection);
            TTreeNode* current = m_SavedCurrent ? m_SavedCurrent : m_DevicesNode;
            selection->setCurrentIndex(IndexOf(current), QItemSelectionModel::NoUpdate);
            QItemSelection saved;
            for (TTreeNode* node : m_SavedSelection)
                if (const QModelIndex index = IndexOf(node); index.isValid())
                    saved.select(index, index);
            if (m_SavedSelection.isEmpty() && current)
                saved.select(IndexOf(current), IndexOf(current));
            selection->select(saved, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        }
    }
    m_TreeChanging = nested;
    if (!nested) {
        m_SavedSelection.clear();
        m_SavedCurrent = nullptr;
        m_Tree->viewport()->update();
    }
}

void TMainForm::ForgetSavedNode(TTreeNode* node)
{
    // The node and everything below it leave the saved selection.
    auto contains = [node](TTreeNode* other) {
        for (; other; other = other->Parent())
            if (other == node)
                return true;
        return false;
    };
    m_SavedSelection.removeIf(contains);
    if (contains(m_SavedCurrent))
        m_SavedCurrent = nullptr;
}

void TMainForm::DeleteNode(TTreeNode* node)
{
    // Forget the node and everything below it before it goes.
    ForgetSavedNode(node);
    m_TreeModel->Take(node);
}

void TMainForm::SortGroupNodes()
{
    if (!m_DevicesNode || m_DevicesNode->ChildCount() < 2)
        return;
    std::vector<TTreeNode*> groups;
    for (int g = 0; g < m_DevicesNode->ChildCount(); ++g)
        groups.push_back(m_DevicesNode->Child(g));
    std::vector<TTreeNode*> sorted = groups;
    std::stable_sort(sorted.begin(), sorted.end(),
                     [this](const TTreeNode* a, const TTreeNode* b) { return CompareGroups(a, b) < 0; });
    if (sorted == groups)
        return;
    QuietTreeChange([&] { m_TreeModel->Rearrange([&] { m_TreeModel->Reorder(m_DevicesNode, sorted); }); });
    ExpandDevices();
}

void TMainForm::ExpandDevices()
{
    m_Tree->expand(IndexOf(m_DevicesNode));
    for (int g = 0; g < m_DevicesNode->ChildCount(); ++g)
        m_Tree->expand(IndexOf(m_DevicesNode->Child(g)));
}

void TMainForm::SetDevicesCaption()
{
    m_TreeModel->SetText(m_DevicesNode, QString("Devices (%1)").arg(m_DeviceCount));
}

uint16_t TMainForm::UpdateDeviceNode(Intp::TDevice* device, uint16_t code)
{
    if (!device || !m_DevicesNode)
        return 0xFF00;
    uint16_t result = code;
    TTreeNode* node = FindDeviceNode(device);
    if (!node) {
        if (!IsShown(device))
            return 0xFF00;
        auto made = std::make_unique<TTreeNode>(TTreeNode::KindDevice);
        made->Device = device;
        made->Waiting = true;
        node = made.get();
        m_DeviceNodes[device] = node;
        m_NewNodes.push_back(std::move(made));
        // The page hears of the node when it joins the tree.
        const qint64 now = m_NewNodeClock.elapsed();
        const bool alone = m_NewNodes.size() == 1 && (m_LastNewNode < 0 || now - m_LastNewNode >= NewNodeFrameMs);
        m_LastNewNode = now;
        if (alone)
            AttachNewNodes();
        else if (!m_NewNodeTimer->isActive())
            m_NewNodeTimer->start(m_NewNodeInterval);
        return EventDeviceAdded;
    }
    if (node->Waiting) {
        // Not in the tree yet: its group is chosen when it joins, and its
        // image is made from the device when it is shown.
        if (!IsShown(device)) {
            DropWaitingNode(node);
            return 0xFF00;
        }
        return code;
    }
    if (IsShown(device)) {
        TTreeNode* group = GetGroupNode(device, true);
        if (group != node->Parent()) {
            QuietTreeChange([&] {
                TTreeNode* old = node->Parent();
                m_TreeModel->Rearrange([&] { m_TreeModel->MoveTo(node, group); });
                if (old->ChildCount() == 0)
                    DeleteNode(old);
            });
            SortGroupNodes();
            ExpandDevices();
        }
        m_TreeModel->NodeChanged(node);
    } else {
        RemoveDeviceNode(node);
        result = EventDeviceRemoved;
    }
    NotifyCurrentModule(device, result, 0);
    return result;
}

void TMainForm::AttachNewNodes()
{
    m_NewNodeTimer->stop();
    if (m_NewNodes.empty() || !m_DevicesNode)
        return;
    std::vector<std::unique_ptr<TTreeNode>> nodes;
    nodes.swap(m_NewNodes);
    // One insertion per group, in the order the nodes came.
    std::vector<std::pair<TTreeNode*, std::vector<std::unique_ptr<TTreeNode>>>> groups;
    std::vector<Intp::TDevice*> added;
    added.reserve(nodes.size());
    for (auto& node : nodes) {
        node->Waiting = false;
        TTreeNode* group = GetGroupNode(node->Device, true);
        auto it = std::find_if(groups.begin(), groups.end(), [group](const auto& g) { return g.first == group; });
        if (it == groups.end()) {
            groups.emplace_back(group, std::vector<std::unique_ptr<TTreeNode>>());
            it = groups.end() - 1;
        }
        added.push_back(node->Device);
        it->second.push_back(std::move(node));
    }
    QElapsedTimer cost;
    cost.start();
    for (auto& [group, children] : groups)
        m_TreeModel->AppendAll(group, std::move(children));
    m_DeviceCount += int(nodes.size());
    SetDevicesCaption();
    SortGroupNodes();
    ExpandDevices();
    // The tree lays its rows out now rather than after this pass, so that
    // the cost of a join is known: the more nodes the tree holds, the longer
    // the next ones wait, keeping joins near a sixteenth of the window thread.
    if (m_Tree->isVisible())
        m_Tree->indexAt(QPoint(0, 0));
    m_NewNodeInterval = int(std::clamp<qint64>(NewNodeShare * cost.nsecsElapsed() / 1000000, NewNodeFrameMs, NewNodeMaxMs));
    for (Intp::TDevice* device : added)
        NotifyCurrentModule(device, EventDeviceAdded, 0);
}

void TMainForm::ForgetDeviceNode(TTreeNode* node)
{
    m_DeviceNodes.Erase(node->Device);
    if (m_LastFound.second == node)
        m_LastFound = {};
}

void TMainForm::DropWaitingNode(TTreeNode* node)
{
    ForgetDeviceNode(node);
    m_NewNodes.erase(std::remove_if(m_NewNodes.begin(), m_NewNodes.end(),
                                    [node](const std::unique_ptr<TTreeNode>& waiting) { return waiting.get() == node; }),
                     m_NewNodes.end());
}

void TMainForm::RemoveDeviceNode(TTreeNode* node)
{
    if (!node)
        return;
    if (node->Waiting) {
        DropWaitingNode(node);
        return;
    }
    // A removed node that held the focus or the selection must not hand it
    // to a neighbouring device (whose page would then start reading it):
    // the focus goes to the devices node instead, quietly.
    const bool focused = node == CurrentNode();
    TTreeNode* group = node->Parent();
    ForgetDeviceNode(node);
    QuietTreeChange([&] {
        DeleteNode(node);
        if (group && group->ChildCount() == 0)
            DeleteNode(group);
        if (focused) {
            m_SavedSelection.clear();
            m_SavedCurrent = m_DevicesNode;
        }
    });
    if (focused)
        m_Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    --m_DeviceCount;
    SetDevicesCaption();
}

void TMainForm::EventOnTreeSortChange(int)
{
    if (!m_DevicesNode || m_DevicesNode->ChildCount() == 0)
        return;
    QuietTreeChange([&] {
        // The groups of the new mode are made in the order of the devices,
        // group by group, after the old ones; the devices move to them in
        // that order, and the old groups go.
        const int old = m_DevicesNode->ChildCount();
        for (int g = 0; g < old; ++g)
            m_DevicesNode->Child(g)->Branch()->HasKey = false;
        std::vector<TTreeNode*> targets;
        targets.reserve(size_t(m_DeviceCount));
        for (int g = 0; g < old; ++g) {
            TTreeNode* group = m_DevicesNode->Child(g);
            for (int d = 0; d < group->ChildCount(); ++d)
                targets.push_back(GetGroupNode(group->Child(d)->Device, true));
        }
        size_t next = 0;
        m_TreeModel->Rearrange([&] {
            for (int g = 0; g < old; ++g)
                m_TreeModel->MoveChildren(m_DevicesNode->Child(g), [&](TTreeNode*) { return targets[next++]; });
        });
        for (int g = 0; g < old; ++g)
            ForgetSavedNode(m_DevicesNode->Child(g));
        m_TreeModel->RemoveChildren(m_DevicesNode, 0, old);
    });
    SortGroupNodes();
    ExpandDevices();
}

// ---------------------------------------------------------------------------
// Selection and the shown page
// ---------------------------------------------------------------------------

bool TMainForm::IsUnderDevicesNode(TTreeNode* node) const
{
    for (; node; node = node->Parent())
        if (node == m_DevicesNode)
            return true;
    return false;
}

TModule* TMainForm::ModuleOfNode(TTreeNode* node) const
{
    if (!node)
        return nullptr;
    if (IsUnderDevicesNode(node))
        return m_ModuleFrame;
    return node->Page();
}

TModule* TMainForm::GetCurrentModule() const { return ModuleOfNode(CurrentNode()); }

void TMainForm::NotifyCurrentModule(Intp::TDevice* device, uint16_t code, uint16_t status)
{
    if (m_ShutDown)
        return;
    if (TModule* page = GetCurrentModule())
        page->Notify(device, code, status);
}

void TMainForm::InstallTreeSelection()
{
    auto* selection = new TTreeSelectionModel(m_TreeModel, m_Tree);
    selection->CanChange = [this](const QModelIndex& from, const QModelIndex& to) {
        return EventOnTreeChanging(NodeOf(from), NodeOf(to));
    };
    selection->Quiet = [this] { return m_TreeChanging; };
    QItemSelectionModel* old = m_Tree->selectionModel();
    m_Tree->setSelectionModel(selection);
    delete old;
    connect(selection, &QItemSelectionModel::currentChanged, this, &TMainForm::EventOnTreeChange);
    connect(selection, &QItemSelectionModel::selectionChanged, this, &TMainForm::EventOnTreeSelectionChange);
}

void TMainForm::DetachTreeSelection()
{
    // The tree goes after the window's own part: what it reports on its way
    // out must not reach the window.
    if (auto* selection = dynamic_cast<TTreeSelectionModel*>(m_Tree->selectionModel())) {
        selection->CanChange = nullptr;
        selection->Quiet = nullptr;
        selection->disconnect(this);
    }
}

// Before the focus moves from `selected` to `next`: the page shown is asked
// to be left, and its answer allows or refuses the change.
bool TMainForm::EventOnTreeChanging(TTreeNode* selected, TTreeNode* next)
{
    if (!next)
        return false;   // a change to no node is refused
    TModule* leaving = ModuleOfNode(selected);
    return !leaving || leaving->Leave(false);
}

void TMainForm::EventOnTreeChange(const QModelIndex& now, const QModelIndex& was)
{
    if (m_TreeChanging)
        return;
    TTreeNode* current = NodeOf(now);
    if (!current) {
        // A change to no node is refused.
        if (TTreeNode* previous = NodeOf(was); previous && previous->InTree()) {
            m_TreeChanging = true;
            SetCurrentNode(previous);
            m_TreeChanging = false;
        }
        return;
    }
    const bool onDevice = current->Kind() == TTreeNode::KindDevice;
    m_Tree->setSelectionMode(onDevice ? QAbstractItemView::ExtendedSelection : QAbstractItemView::SingleSelection);
    if (!onDevice) {
        m_TreeChanging = true;
        m_Tree->clearSelection();
        SetNodeSelected(current, true);
        m_TreeChanging = false;
    }
    PostSelectionNotify();
}

void TMainForm::EventOnTreeSelectionChange()
{
    if (m_TreeChanging)
        return;
    // Several nodes may be selected only among the siblings of the focused
    // device node.
    QItemSelectionModel* selection = m_Tree->selectionModel();
    const QModelIndex current = selection->currentIndex();
    if (!current.isValid())
        return;
    m_TreeChanging = true;
    QItemSelection others;
    for (const QModelIndex& index : selection->selectedIndexes())
        if (index.parent() != current.parent())
            others.select(index, index);
    if (!others.isEmpty())
        selection->select(others, QItemSelectionModel::Deselect | QItemSelectionModel::Rows);
    m_TreeChanging = false;
    if (NodeOf(current)->Kind() == TTreeNode::KindDevice)
        PostSelectionNotify();
}

// A click changes the focus and the selection in two steps; the page hears
// of the new selection once, when both are done.
void TMainForm::PostSelectionNotify()
{
    if (m_SelectionNotifyPosted)
        return;
    m_SelectionNotifyPosted = true;
    QTimer::singleShot(0, this, [this] {
        m_SelectionNotifyPosted = false;
        Intp::TDevice* device = nullptr;
        GetCurrentDevice(device);
        NotifyCurrentModule(device, EventPageShown, 0);
    });
}
