// The main window's tree as an item model: page nodes, group nodes and
// device nodes.
//
// Every node keeps its parent and its row, so that the index of a node is
// found at once, without looking for it among its siblings. A removal
// leaves the rows after it to be numbered again when one of them is next
// asked for, and then only up to that one: removing many nodes one after
// another (as deleting every device does) does not number the rest again
// each time. A device node is small (its device, its parent,
// its row and two flags): its caption and image are made from its device
// when a view asks for them. A change of a device's caption or image costs
// only a note on its group; the views hear of the changed rows of each
// group at most once per frame, as one range.
#pragma once

#include "PaintThrottle.h"

#include <QAbstractItemModel>
#include <QBasicTimer>
#include <QIcon>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TModule;
class TTreeNode;
namespace Intp {
class TDevice;
}

// What a page or group node has beyond what a device node has.
struct TTreeBranch {
    QString Text;
    int Image = -1;               // of NodeIcon
    TModule* Page = nullptr;      // page nodes
    bool HasKey = false;          // group nodes: {Key0, Key1}
    uint32_t Key0 = 0, Key1 = 0;

private:
    friend class TDeviceTreeModel;
    friend class TTreeNode;
    std::vector<std::unique_ptr<TTreeNode>> m_Children;   // in row order
    int m_Numbered = 0;   // the first children whose rows are right; the others' rows are never below their own
    int m_ChangedFirst = -1, m_ChangedLast = -1;          // rows changed since the views were told
};

// A node of the main tree: a page, a group of devices, or a device.
class TTreeNode final {
public:
    enum TKind : uint8_t { KindPage, KindGroup, KindDevice };

    explicit TTreeNode(TKind kind);
    ~TTreeNode();
    TTreeNode(const TTreeNode&) = delete;
    TTreeNode& operator=(const TTreeNode&) = delete;

    TKind Kind() const { return m_Kind; }
    // Null for a node at the top and for one not in the tree.
    TTreeNode* Parent() const { return m_Parent && !m_Parent->m_Hidden ? m_Parent : nullptr; }
    int Row() const;
    int ChildCount() const { return m_Branch ? int(m_Branch->m_Children.size()) : 0; }
    TTreeNode* Child(int row) const;
    // The caption and image shown; a device node's are made from its device.
    QString Text() const;
    QIcon Icon() const;
    TModule* Page() const { return m_Branch ? m_Branch->Page : nullptr; }
    // Page and group nodes only (null for a device node).
    TTreeBranch* Branch() const { return m_Branch.get(); }
    // Whether the node is in the tree of a model.
    bool InTree() const { return m_Parent != nullptr; }

    Intp::TDevice* Device = nullptr;    // device nodes (not owned)
    bool Waiting = false;               // device nodes: not in the tree yet

private:
    friend class TDeviceTreeModel;
    std::unique_ptr<TTreeBranch> m_Branch;
    TTreeNode* m_Parent = nullptr;
    mutable int m_Row = -1;
    TKind m_Kind;
    bool m_Hidden = false;   // the model's own root above the top level
};

class TDeviceTreeModel final : public QAbstractItemModel {
    Q_OBJECT

public:
    // How long changed captions wait before the views hear of them: as
    // long as the lists wait between paints.
    static constexpr int ChangeFrameMs = PaintThrottleMs;

    explicit TDeviceTreeModel(QObject* parent = nullptr);
    ~TDeviceTreeModel() override;

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;

    QModelIndex IndexOf(const TTreeNode* node) const;
    TTreeNode* NodeOf(const QModelIndex& index) const;
    int TopLevelCount() const { return m_Root.ChildCount(); }
    TTreeNode* TopLevel(int row) const { return m_Root.Child(row); }

    // Adds `node` as the last child of `parent` (null: at the top level).
    TTreeNode* Append(TTreeNode* parent, std::unique_ptr<TTreeNode> node);
    // Adds `nodes` after the children of `parent`, in their order, as one
    // insertion.
    void AppendAll(TTreeNode* parent, std::vector<std::unique_ptr<TTreeNode>> nodes);
    // Takes `node` (with what is below it) out of the tree.
    std::unique_ptr<TTreeNode> Take(TTreeNode* node);
    // Removes `count` children of `parent` from `first` on, as one removal.
    void RemoveChildren(TTreeNode* parent, int first, int count);

    // Moves nodes within the tree without removing any: `change` calls
    // MoveTo, MoveChildren and Reorder, and may append (a group made on the
    // way). Indexes kept by the views (the current node, the selection,
    // expanded nodes) follow their nodes.
    void Rearrange(const std::function<void()>& change);
    // Makes `node` the last child of `parent`.
    void MoveTo(TTreeNode* node, TTreeNode* parent);
    // Moves every child of `from`, in order, to the end of the children of
    // the node `target` gives for it.
    void MoveChildren(TTreeNode* from, const std::function<TTreeNode*(TTreeNode* child)>& target);
    // Puts the children of `parent` in the order of `order` (the same nodes).
    void Reorder(TTreeNode* parent, const std::vector<TTreeNode*>& order);

    // A page or group node's caption; the views hear of it at once.
    void SetText(TTreeNode* node, const QString& text);
    // A device node's caption or image changed: the views hear of it
    // within a frame, together with the other changes of its group.
    void NodeChanged(TTreeNode* node);
    // Tells the views every change noted so far.
    void FlushChanges();
    bool ChangesPending() const { return !m_Changed.empty(); }

protected:
    void timerEvent(QTimerEvent* event) override;

private:
    TTreeNode* BranchOf(TTreeNode* parent) { return parent ? parent : &m_Root; }
    // Bookkeeping of rows: a child added at the end, children taken out
    // from `row` on, every child in a new order.
    static void Appended(TTreeNode* parent, TTreeNode* child);
    static void Erased(TTreeNode* parent, int row);
    static void NumberAll(TTreeNode* parent);

    TTreeNode m_Root{TTreeNode::KindPage};
    std::vector<TTreeNode*> m_Changed;   // nodes with changed children rows
    QBasicTimer m_ChangeTimer;
    bool m_Rearranging = false;
};
