#include "ModuleFrame.h"

#include "AccessibleNames.h"

#include "Intp.h"
#include "ModuleBannerBrivo6042G.h"
#include "ModuleBasics.h"
#include "ModuleBasicsBackup.h"
#include "ModuleBasicsDefault.h"
#include "ModuleBasicsDhcp.h"
#include "ModuleBasicsDhcpEntry.h"
#include "ModuleBasicsDhcpPortIp.h"
#include "ModuleBasicsIPConf.h"
#include "ModuleBasicsPassword.h"
#include "ModuleBasicsReboot.h"
#include "ModuleBasicsRestore.h"
#include "ModuleBasicsSettings.h"
#include "ModuleBasicsSntp.h"
#include "ModuleBasicsUpgrade.h"
#include "ModuleCallback.h"
#include "ModuleIgmp.h"
#include "ModuleIgmpTable.h"
#include "ModuleLldp.h"
#include "ModuleMonitorEvent.h"
#include "ModuleMonitorMac.h"
#include "ModuleMonitorMirror.h"
#include "ModuleMonitorPort.h"
#include "ModulePortConfig.h"
#include "ModulePortLimit.h"
#include "ModulePortStatus.h"
#include "ModulePortTrunk.h"
#include "ModulePortTrunkStatus.h"
#include "ModuleQos.h"
#include "ModuleQosCos.h"
#include "ModuleQosPort.h"
#include "ModuleQosTos.h"
#include "ModuleRedundancyQloop.h"
#include "ModuleRedundancyRstp.h"
#include "ModuleRedundancyRstpInfo.h"
#include "ModuleSave.h"
#include "ModuleSecurity8021x.h"
#include "ModuleSecurity8021xPort.h"
#include "ModuleSecurityIP.h"
#include "ModuleSecurityMac.h"
#include "ModuleSecurityPort.h"
#include "ModuleSnmp.h"
#include "ModuleSnmpCommunity.h"
#include "ModuleSnmpTrap.h"
#include "ModuleSnmpUser.h"
#include "ModuleVlan8021q.h"
#include "ModuleVlan8021qPort.h"
#include "ModuleVlanTable.h"
#include "ModuleWarningEvent.h"
#include "ModuleWarningFault.h"
#include "ModuleWarningSmtp.h"
#include "ModuleWarningSyslog.h"
#include "Resources.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QResizeEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSplitter>
#include <QStyle>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>
#include <QVBoxLayout>
#include <algorithm>
#include <functional>
#include <iterator>

namespace {

// A selection model that asks before the current node changes: a refused
// change leaves the current node and the selection exactly as they were, so
// the page being left sees no second round of events.
class TVetoSelectionModel final : public QItemSelectionModel {
public:
    using QItemSelectionModel::QItemSelectionModel;
    std::function<bool(const QModelIndex& from, const QModelIndex& to)> CanChange;

    void setCurrentIndex(const QModelIndex& index, SelectionFlags command) override
    {
        if (index != currentIndex() && CanChange && !CanChange(currentIndex(), index))
            return;
        m_Pending = index;
        QItemSelectionModel::setCurrentIndex(index, command);
        m_Pending = QPersistentModelIndex();
    }

    void select(const QItemSelection& selection, SelectionFlags command) override
    {
        // Only the current node (or the one becoming current) may be selected,
        // and the selection is never emptied while a node is current.
        if ((command & Clear) && selection.isEmpty() && currentIndex().isValid())
            return;
        for (const QModelIndex& index : selection.indexes())
            if (!SameRow(index, currentIndex()) && !SameRow(index, m_Pending))
                return;
        QItemSelectionModel::select(selection, command);
    }
    using QItemSelectionModel::select;

private:
    static bool SameRow(const QModelIndex& a, const QModelIndex& b)
    {
        return b.isValid() && a.row() == b.row() && a.parent() == b.parent();
    }
    QPersistentModelIndex m_Pending;
};

} // namespace

// The banner's place: as high as the banner, scrolling sideways when the
// banner is wider than the room it has.
class TBannerScroll final : public QScrollArea {
public:
    TBannerScroll(QWidget* panel, QWidget* parent) : QScrollArea(parent)
    {
        setFrameShape(QFrame::NoFrame);
        setWidgetResizable(true);
        setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
        setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
        setWidget(panel);
        panel->installEventFilter(this);
        FitHeight();
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (watched == widget() && event->type() == QEvent::LayoutRequest)
            FitHeight();
        return QScrollArea::eventFilter(watched, event);
    }
    void resizeEvent(QResizeEvent* event) override
    {
        QScrollArea::resizeEvent(event);
        FitHeight();
    }

public:
    // Takes the banner's height now (and lays out the pages' side with it),
    // so that a banner just shown is in place before the next event.
    void FitHeight()
    {
        QWidget* panel = widget();
        // A banner that wraps its groups to the width it has is as high as
        // it then needs.
        const bool across = panel->minimumSizeHint().width() > width();
        const int height = panel->hasHeightForWidth()
                               ? panel->heightForWidth(std::max(width(), panel->minimumSizeHint().width()))
                               : panel->sizeHint().height();
        const int wanted = height <= 0 ? 0 : height + (across ? horizontalScrollBar()->sizeHint().height() : 0);
        if (maximumHeight() == wanted && minimumHeight() == wanted)
            return;
        setFixedHeight(wanted);
        if (parentWidget() && parentWidget()->layout())
            parentWidget()->layout()->activate();
    }
};

namespace {

void PlaceFilling(QWidget* panel, QWidget* control)
{
    control->setParent(panel);
    control->hide();
    static_cast<QGridLayout*>(panel->layout())->addWidget(control, 0, 0);
}

} // namespace

// --- TModuleFrame ---------------------------------------------------------------

TModuleFrame::TModuleFrame(QWidget* parent) : QFrame(parent)
{
    m_PageTree = new QTreeWidget(this);
    m_PageTree->setHeaderHidden(true);
    m_PageTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_PageTree->setSelectionMode(QAbstractItemView::SingleSelection);
    auto* veto = new TVetoSelectionModel(m_PageTree->model(), m_PageTree);
    veto->CanChange = [this](const QModelIndex& from, const QModelIndex& to) {
        if (m_Changing)
            return true;
        if (!to.isValid())
            return false;
        TModule* page = from.isValid() ? PageOf(m_PageTree->itemFromIndex(from)) : nullptr;
        return !page || page->Leave(false);
    };
    QItemSelectionModel* old = m_PageTree->selectionModel();
    m_PageTree->setSelectionModel(veto);
    delete old;

    auto* treeLabel = new QLabel(QStringLiteral("All &Functions:"), this);
    treeLabel->setBuddy(m_PageTree);
    m_PageTree->setAccessibleName(LabelName(treeLabel->text()));
    auto* leftPane = new QWidget(this);
    auto* left = new QVBoxLayout(leftPane);
    left->setContentsMargins(0, 0, 0, 0);
    left->addWidget(treeLabel);
    left->addWidget(m_PageTree, 1);

    // The banner scrolls sideways when the pages' side is narrower than it,
    // rather than pressing on the function list.
    m_LinkPanel = new QWidget;
    new QGridLayout(m_LinkPanel);
    m_LinkPanel->layout()->setContentsMargins(0, 0, 0, 0);
    m_LinkScroll = new TBannerScroll(m_LinkPanel, this);
    m_PagePanel = new QWidget(this);
    new QGridLayout(m_PagePanel);
    m_PagePanel->layout()->setContentsMargins(0, 0, 0, 0);
    m_WaitLabel = new QLabel(QStringLiteral("Retrieving devices info ..."), m_PagePanel);
    m_WaitLabel->setAlignment(Qt::AlignCenter);
    static_cast<QGridLayout*>(m_PagePanel->layout())->addWidget(m_WaitLabel, 0, 0);
    m_WaitLabel->hide();

    auto* rightPane = new QWidget(this);
    auto* right = new QVBoxLayout(rightPane);
    right->setContentsMargins(0, 0, 0, 0);
    right->addWidget(m_LinkScroll);
    right->addSpacing(6);
    right->addWidget(m_PagePanel, 1);

    // The function list and the pages, with an edge the user can drag; the
    // list never gets narrower than its longest caption.
    m_Splitter = new QSplitter(Qt::Horizontal, this);
    m_Splitter->setObjectName(QStringLiteral("m_PageSplitter"));
    m_Splitter->setChildrenCollapsible(false);
    m_Splitter->addWidget(leftPane);
    m_Splitter->addWidget(rightPane);
    m_Splitter->setStretchFactor(0, 0);
    m_Splitter->setStretchFactor(1, 1);
    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_Splitter);
    connect(m_Splitter, &QSplitter::splitterMoved, this, [this] { m_ListMoved = true; });

    // The tree's own item signals stay with its first selection model, so
    // follow the one installed here.
    connect(veto, &QItemSelectionModel::currentChanged, this, [this](const QModelIndex& now, const QModelIndex& was) {
        EventOnPageTreeChange(m_PageTree->itemFromIndex(now), m_PageTree->itemFromIndex(was));
    });
}

TModuleFrame::~TModuleFrame()
{
    // The tree's items point at pages; let the view go first.
    m_Changing = true;
    delete m_PageTree;
    m_PageTree = nullptr;
}

TModule* TModuleFrame::PageOf(const QTreeWidgetItem* item)
{
    return item ? reinterpret_cast<TModule*>(item->data(0, Qt::UserRole).value<quintptr>()) : nullptr;
}

QTreeWidgetItem* TModuleFrame::AddPage(QTreeWidgetItem* parent, TModule* page)
{
    if (!page)
        return nullptr;
    if (QWidget* control = page->GetControl()) {
        PlaceFilling(m_PagePanel, control);
        NameControls(control, page->GetCaption());
    }
    auto* item = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_PageTree);
    item->setText(0, page->GetCaption());
    item->setData(0, Qt::UserRole, QVariant::fromValue<quintptr>(reinterpret_cast<quintptr>(page)));
    FitPageTree(item);
    return item;
}

int TModuleFrame::PageTreeWidth(const QTreeWidgetItem* item) const
{
    int depth = m_PageTree->rootIsDecorated() ? 1 : 0;
    for (const QTreeWidgetItem* p = item->parent(); p; p = p->parent())
        ++depth;
    const QModelIndex index = m_PageTree->indexFromItem(item);
    return m_PageTree->sizeHintForIndex(index).width() + depth * m_PageTree->indentation();
}

void TModuleFrame::FitPageTree(const QTreeWidgetItem* item)
{
    // Every caption whole, collapsed ones included, beside a vertical
    // scroll bar.
    const int caption = item ? PageTreeWidth(item) : 0;
    m_WidestPage = std::max(m_WidestPage, caption);
    const int chrome = 2 * m_PageTree->frameWidth() +
                       m_PageTree->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, m_PageTree) + 2;
    m_PageTree->setMinimumWidth(m_WidestPage + chrome);
}

void TModuleFrame::showEvent(QShowEvent* event)
{
    QFrame::showEvent(event);
    // The list starts as narrow as its captions allow, leaving the pages
    // and the banner the most room, until the user drags its edge.
    const QList<int> sizes = m_Splitter->sizes();
    if (!m_ListMoved && sizes.size() == 2 && sizes[0] != m_PageTree->minimumWidth())
        m_Splitter->setSizes({m_PageTree->minimumWidth(), sizes[0] + sizes[1] - m_PageTree->minimumWidth()});
}

void TModuleFrame::changeEvent(QEvent* event)
{
    QFrame::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        m_WidestPage = 0;
        for (QTreeWidgetItemIterator it(m_PageTree); *it; ++it)
            m_WidestPage = std::max(m_WidestPage, PageTreeWidth(*it));
        FitPageTree(nullptr);
    }
}

QTreeWidgetItem* TModuleFrame::AddCategory(QTreeWidgetItem* parent, const QString& caption)
{
    m_Categories.push_back(std::make_unique<TModuleDummy>(caption));
    return AddPage(parent, m_Categories.back().get());
}

bool TModuleFrame::RegisterBanner(int model, TModule* page)
{
    if (!page || (model == 0 && m_DefaultBanner))
        return false;
    QWidget* control = page->GetControl();
    if (control && control->parentWidget() != m_LinkPanel) {
        PlaceFilling(m_LinkPanel, control);
        NameControls(control, page->GetCaption());
    }
    m_Banners.emplace(model, page);
    if (model == 0)
        m_DefaultBanner = page;
    return true;
}

TModule* TModuleFrame::GetCurrentPage() const
{
    return m_PageTree ? PageOf(m_PageTree->currentItem()) : nullptr;
}

void TModuleFrame::NotifyCurrentPage(Intp::TDevice* device, uint16_t code, uint16_t status)
{
    TModule* page = GetCurrentPage();
    if (!page)
        return;
    QWidget* control = page->GetControl();
    if (control)
        m_WaitLabel->show();
    if (code == EventPageShown && page->Refresh(true) != 0) {
        // The page shows itself again when one of its reads reports.
        if (control)
            control->hide();
        return;
    }
    page->Notify(device, code, status);
}

void TModuleFrame::Notify(Intp::TDevice* device, uint16_t code, uint16_t status)
{
    show();
    if (code == EventPageShown) {
        const int model = device ? int(device->GetType()) : 0;
        auto it = m_Banners.find(model);
        TModule* banner = it != m_Banners.end() ? it->second : m_DefaultBanner;
        if (m_CurrentBanner && m_CurrentBanner != banner)
            m_CurrentBanner->Leave(true);
        m_CurrentBanner = banner;
        if (banner)
            banner->Refresh(false);
    }
    if (m_CurrentBanner)
        m_CurrentBanner->Notify(device, code, status);
    m_LinkScroll->FitHeight();
    NotifyCurrentPage(device, code, status);
}

bool TModuleFrame::Leave(bool force)
{
    if (TModule* page = GetCurrentPage(); page && !page->Leave(force))
        return false;
    if (m_CurrentBanner)
        m_CurrentBanner->Leave(force);
    hide();
    return true;
}

int TModuleFrame::Refresh(bool shown)
{
    if (shown) {
        TModule* page = GetCurrentPage();
        return page ? page->Refresh(true) : 0;
    }
    int started = 0;
    for (QTreeWidgetItemIterator it(m_PageTree); *it; ++it)
        if (TModule* page = PageOf(*it))
            started += page->Refresh(false);
    return started;
}

void TModuleFrame::SelectQuietly(QTreeWidgetItem* item)
{
    m_Changing = true;
    m_PageTree->setCurrentItem(item);
    m_Changing = false;
}

void TModuleFrame::EventOnPageTreeChange(QTreeWidgetItem* current, QTreeWidgetItem*)
{
    if (m_Changing || !current)
        return;
    Intp::TDevice* device = nullptr;
    const int count = g_ModuleCallback ? g_ModuleCallback->GetCurrentDevice(device) : 0;
    if (count <= 0)
        device = nullptr;
    // Without a logged-in device only the first page (where the user logs in)
    // can be shown.
    if (!device || !device->IsLoggedIn()) {
        QTreeWidgetItem* first = m_PageTree->topLevelItem(0);
        if (first && first != current)
            SelectQuietly(first);
    }
    NotifyCurrentPage(device, EventPageShown, 0);
}

// --- The page tree ---------------------------------------------------------------

void BuildPageTree(TModuleFrame& host)
{
    // One link state banner for every model of the family; unknown devices
    // (model 0) show none.
    TModule* banner = new TModuleBannerBrivo6042G(&host);
    for (int model = 1; model <= int(std::size(Intp::BuiltinModels)); ++model)
        host.RegisterBanner(model, banner);

    QTreeWidgetItem* basics = host.AddPage(nullptr, new TModuleBasics(&host));
    host.AddPage(basics, new TModuleBasicsSettings(&host));
    host.AddPage(basics, new TModuleBasicsPassword(&host));
    host.AddPage(basics, new TModuleBasicsIPConf(&host));
    host.AddPage(basics, new TModuleBasicsSntp(&host));
    QTreeWidgetItem* dhcp = host.AddPage(basics, new TModuleBasicsDhcp(&host));
    host.AddPage(dhcp, new TModuleBasicsDhcpEntry(&host));
    host.AddPage(dhcp, new TModuleBasicsDhcpPortIp(&host));
    host.AddPage(basics, new TModuleBasicsBackup(&host));
    host.AddPage(basics, new TModuleBasicsRestore(&host));
    host.AddPage(basics, new TModuleBasicsUpgrade(&host));
    host.AddPage(basics, new TModuleBasicsDefault(&host));
    host.AddPage(basics, new TModuleBasicsReboot(&host));

    QTreeWidgetItem* port = host.AddPage(nullptr, new TModulePortConfig(&host));
    host.AddPage(port, new TModulePortStatus(&host));
    host.AddPage(port, new TModulePortLimit(&host));
    QTreeWidgetItem* trunk = host.AddPage(port, new TModulePortTrunk(&host));
    host.AddPage(trunk, new TModulePortTrunkStatus(&host));

    QTreeWidgetItem* redundancy = host.AddCategory(nullptr, "Redundancy");
    host.AddPage(redundancy, new TModuleRedundancyQloop(&host));
    QTreeWidgetItem* rstp = host.AddPage(redundancy, new TModuleRedundancyRstp(&host));
    host.AddPage(rstp, new TModuleRedundancyRstpInfo(&host));

    QTreeWidgetItem* qos = host.AddPage(nullptr, new TModuleQos(&host));
    host.AddPage(qos, new TModuleQosPort(&host));
    host.AddPage(qos, new TModuleQosCos(&host));
    host.AddPage(qos, new TModuleQosTos(&host));

    QTreeWidgetItem* igmp = host.AddPage(nullptr, new TModuleIgmp(&host));
    host.AddPage(igmp, new TModuleIgmpTable(&host));

    QTreeWidgetItem* vlan = host.AddPage(nullptr, new TModuleVlan8021q(&host));
    host.AddPage(vlan, new TModuleVlan8021qPort(&host));
    host.AddPage(vlan, new TModuleVlanTable(&host));

    QTreeWidgetItem* snmp = host.AddPage(nullptr, new TModuleSnmp(&host));
    host.AddPage(snmp, new TModuleSnmpCommunity(&host));
    host.AddPage(snmp, new TModuleSnmpUser(&host));
    host.AddPage(snmp, new TModuleSnmpTrap(&host));

    QTreeWidgetItem* security = host.AddCategory(nullptr, "Security");
    host.AddPage(security, new TModuleSecurityIP(&host));
    host.AddPage(security, new TModuleSecurityPort(&host));
    host.AddPage(security, new TModuleSecurityMac(&host));
    QTreeWidgetItem* dot1x = host.AddPage(security, new TModuleSecurity8021x(&host));
    host.AddPage(dot1x, new TModuleSecurity8021xPort(&host));

    QTreeWidgetItem* warning = host.AddCategory(nullptr, "Warning");
    host.AddPage(warning, new TModuleWarningFault(&host));
    host.AddPage(warning, new TModuleWarningSyslog(&host));
    host.AddPage(warning, new TModuleWarningSmtp(&host));
    host.AddPage(warning, new TModuleWarningEvent(&host, 0x0F));   // system events 0 to 3

    QTreeWidgetItem* monitor = host.AddCategory(nullptr, "Monitor And Diagnostic");
    host.AddPage(monitor, new TModuleMonitorMac(&host));
    host.AddPage(monitor, new TModuleMonitorPort(&host));
    host.AddPage(monitor, new TModuleMonitorMirror(&host));
    host.AddPage(monitor, new TModuleMonitorEvent(&host));
    host.AddPage(monitor, new TModuleLldp(&host));

    host.AddPage(nullptr, new TModuleSave(&host));
}
