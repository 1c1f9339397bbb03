#include "ModuleBasicsIPConf.h"

#include "FilterServer.h"
#include "IntpIpConf.h"
#include "LocalNet.h"
#include "MessageBoxes.h"
#include "ModuleCallback.h"
#include "PageEditors.h"
#include "PageReads.h"
#include "Resources.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QHeaderView>
#include <QTreeWidget>
#include <QVBoxLayout>

#include <map>

namespace {

enum : int { RowAddress, RowAddress2, RowMask, RowGateway, RowDns1, RowDns2 };

const char* const ImageNames[] = {"RC_BITMAP_16X16_DEVICES", "RC_BITMAP_16X16_ACCEPT", "RC_BITMAP_16X16_CANCEL",
                                  "RC_BITMAP_16X16_ACCEPT_WARINIG", "RC_BITMAP_16X16_DEVICE"};

QString Dotted(uint32_t ip) { return QString::fromStdString(Intp::IpToText(ip)); }

// A field's dotted address; 0 when the text is none.
uint32_t FieldValue(const QLineEdit* field)
{
    uint32_t ip = 0;
    return Intp::ParseIp(field->text().trimmed().toStdString(), ip) ? ip : 0;
}

uint32_t UsableOrZero(uint32_t ip) { return Intp::IsUsableIp(ip) ? ip : 0; }

bool InSubnet(uint32_t a, uint32_t b, uint32_t mask) { return (a & mask) == (b & mask); }

} // namespace

// --- Nodes -------------------------------------------------------------------------

TModuleBasicsIPConf::TNode::TNode(bool device, uint32_t value) : m_Device(device), m_Value(value)
{
    SetImage(device ? ImageUnchanged : ImageGroup);
}

void TModuleBasicsIPConf::TNode::SetImage(int image)
{
    m_Image = image;
    setIcon(0, Resources::Icon(ImageNames[image]));
    // The image's meaning, for screen readers.
    static const char* const texts[] = {"group", "new settings ready", "no address", "new settings ready, address in use",
                                        "current settings"};
    setData(0, Qt::AccessibleDescriptionRole, QString::fromLatin1(texts[image]));
}

bool TModuleBasicsIPConf::TNode::operator<(const QTreeWidgetItem& other) const
{
    return Value() < static_cast<const TNode&>(other).Value();
}

// --- Page --------------------------------------------------------------------------

TModuleBasicsIPConf::TModuleBasicsIPConf(QWidget* parent)
    : TModulePage(QStringLiteral("IP Configuration"), parent),
      m_ArpRemover([](const std::vector<uint32_t>& addresses, bool includeStatic) {
          Intp::DeleteArpEntries(addresses, includeStatic);
      })
{
    m_NumDevices = new QLabel(this);
    m_NumDevices->setObjectName("m_NumDevices");
    PageLayout()->addWidget(m_NumDevices);
    m_Tree = new QTreeWidget(this);
    m_Tree->setObjectName("m_Tree");
    m_Tree->setHeaderHidden(true);
    m_Tree->setSelectionMode(QAbstractItemView::SingleSelection);
    m_Tree->setUniformRowHeights(true);
    m_Tree->setContextMenuPolicy(Qt::CustomContextMenu);
    m_Tree->header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_Tree->header()->setStretchLastSection(false);
    PageLayout()->addWidget(m_Tree, 1);
    m_Popup = new QMenu(this);
    m_PM1Discard = m_Popup->addAction(QStringLiteral("&Discard Settings"));

    auto* grid = new QGridLayout;
    auto* methodLabel = new QLabel(QStringLiteral("&Method:"), this);
    TChoice* method = NewChoice({QStringLiteral("DHCP"), QStringLiteral("Auto Range"), QStringLiteral("Manual")}, this);
    // The method is the user's, not a switch's: the rebuilds after every
    // read leave it (and the fields it shows) as they are.
    method->SetViewChoice(true);
    m_Method = method;
    m_Method->setObjectName("m_Method");
    methodLabel->setBuddy(m_Method);
    grid->addWidget(methodLabel, 0, 0);
    grid->addWidget(m_Method, 0, 1);
    m_DhcpLabel = new QLabel(QStringLiteral("&DHCP:"), this);
    m_Dhcp = new QCheckBox(this);
    m_Dhcp->setObjectName("m_Dhcp");
    m_DhcpLabel->setBuddy(m_Dhcp);
    grid->addWidget(m_DhcpLabel, 1, 0);
    grid->addWidget(m_Dhcp, 1, 1);
    auto addRow = [this, grid](const QString& caption) {
        auto* field = new QLineEdit(this);
        field->setMaxLength(15);
        auto* label = new QLabel(caption, this);
        label->setBuddy(field);
        const int row = grid->rowCount();
        grid->addWidget(label, row, 0);
        grid->addWidget(field, row, 1);
        m_Rows.emplace_back(label, field);
        return field;
    };
    m_Address = addRow(QStringLiteral("&IP Addr:"));
    m_AddressLabel = static_cast<QLabel*>(m_Rows.back().first);
    m_Address2 = addRow(QStringLiteral("IP &End:"));
    m_Mask = addRow(QStringLiteral("&Netmask:"));
    m_Gateway = addRow(QStringLiteral("&Gateway:"));
    m_Dns1 = addRow(QStringLiteral("DNS Server1:"));
    m_Dns2 = addRow(QStringLiteral("DNS Server2:"));
    PageLayout()->addLayout(grid);

    auto* buttons = new QHBoxLayout;
    m_Set = new QPushButton(Resources::Icon("RC_BITMAP_16X16_ACCEPT"), QStringLiteral("&Set"), this);
    m_Filter = new QPushButton(Resources::Icon("RC_BITMAP_16X16_FILTER"), QString(), this);
    m_Filter->setToolTip(QStringLiteral("Load Discovery Filter"));
    buttons->addWidget(m_Set);
    buttons->addWidget(m_Filter);
    buttons->addStretch(1);
    PageLayout()->addLayout(buttons);
    // Apply sends to the tree's switches, not to the current devices.
    QPushButton* apply = AddApplyButton(buttons);
    disconnect(apply, &QPushButton::clicked, this, nullptr);
    connect(apply, &QPushButton::clicked, this, &TModuleBasicsIPConf::EventOnSendClick);
    SetFillsWhileShown(true);
    // Each switch's read failure shows in its own preview line ("Retrieve
    // device info failed"), so the page takes no read state of its own.
    OnRead([](Intp::TDevice*, bool) -> Intp::TSession* { return new Intp::TSessionBasicsIPConfGet; });
    AddReloadCode(Intp::TPropertyBasicsIPConf::GetCommand);
    OnClear([this] { m_Tree->clear(); });
    OnFill([this](Intp::TDevice*) { BuildTree(); });
    OnReloaded([this](Intp::TDevice*) {
        m_Tree->sortItems(0, Qt::AscendingOrder);
        m_Tree->expandAll();
        TDeviceList devices;
        if (g_ModuleCallback)
            g_ModuleCallback->GetSelectedDevices(devices);
        m_NumDevices->setText(QString::asprintf("Total %d devices:", int(devices.size())));
        ShowMethodControls();
        UpdateApply();
    });
    OnLeaving([this] { m_Tree->clear(); });

    connect(m_Method, &QComboBox::activated, this, &TModuleBasicsIPConf::EventOnMethodChange);
    connect(m_Dhcp, &QCheckBox::toggled, this, &TModuleBasicsIPConf::EnableAddressFields);
    connect(m_Set, &QPushButton::clicked, this, &TModuleBasicsIPConf::EventOnSetClick);
    connect(m_Filter, &QPushButton::clicked, this, &TModuleBasicsIPConf::EventOnFilterClick);
    connect(m_PM1Discard, &QAction::triggered, this, &TModuleBasicsIPConf::EventOnDiscardClick);
    connect(m_Tree, &QTreeWidget::itemSelectionChanged, this, [this] {
        if (m_Method->currentIndex() == MethodManual)
            ShowMethodControls();
    });
    connect(m_Tree, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        m_PM1Discard->setEnabled(SelectedDeviceNode() != nullptr);
        m_Popup->popup(m_Tree->viewport()->mapToGlobal(at));
    });
    EventOnMethodChange();
}

void TModuleBasicsIPConf::Notify(Intp::TDevice* device, uint16_t code, uint16_t status)
{
    NoteReport(device, code, status);
    switch (code) {
    case Intp::TPropertyBasicsIPConf::GetCommand:
    case Intp::TSessionBasicsIPConfSet::Command:
    case EventPageShown:
    case EventDeviceRemoved:
    case EventDeviceIpChanged:
    case EventDeviceFlagsChanged:
        Reload();
        break;
    default:
        break;
    }
}

// --- The tree ----------------------------------------------------------------------

std::vector<TModuleBasicsIPConf::TNode*> TModuleBasicsIPConf::DeviceNodes() const
{
    std::vector<TNode*> nodes;
    for (int g = 0; g < m_Tree->topLevelItemCount(); ++g) {
        QTreeWidgetItem* group = m_Tree->topLevelItem(g);
        for (int d = 0; d < group->childCount(); ++d)
            nodes.push_back(static_cast<TNode*>(group->child(d)));
    }
    return nodes;
}

TModuleBasicsIPConf::TNode* TModuleBasicsIPConf::SelectedDeviceNode() const
{
    const QList<QTreeWidgetItem*> selected = m_Tree->selectedItems();
    auto* node = selected.isEmpty() ? nullptr : static_cast<TNode*>(selected.front());
    return node && node->IsDevice() ? node : nullptr;
}

QString TModuleBasicsIPConf::PreviewText(const TPending& pending)
{
    QString text = QString::fromStdString(Intp::MacToText(pending.Mac));
    Intp::TDevice* device = Intp::GetDevice(pending.Mac, false);
    if (!device || !Intp::GetPropertyBasicsIPConf(device).Valid)
        text += QStringLiteral("(Retrieve device info failed)");
    if (pending.Dhcp)
        return text + QStringLiteral(" => DHCP");
    return text + QStringLiteral(" => %1/%2, gw = %3, dns1 = %4, dns2 = %5")
                      .arg(Dotted(pending.Ip), Dotted(pending.Netmask), Dotted(pending.Gateway),
                           Dotted(pending.Dns1), Dotted(pending.Dns2));
}

void TModuleBasicsIPConf::SetNode(TNode* node, const TPending& pending, int image)
{
    node->Pending = pending;
    node->SetImage(image);
    const QString text = PreviewText(pending);
    node->setText(0, text);
    // The preview is long (up to five addresses): the tree scrolls sideways
    // to it, and it is also the node's tool tip.
    node->setToolTip(0, text);
}

void TModuleBasicsIPConf::PendingFromDevice(TNode* node)
{
    TPending pending;
    pending.Mac = node->Pending.Mac;
    if (Intp::TDevice* device = Intp::GetDevice(pending.Mac, false)) {
        pending.Ip = device->GetIp();
        const Intp::TPropertyBasicsIPConf& record = Intp::GetPropertyBasicsIPConf(device);
        if (record.Valid) {
            pending.Dhcp = record.Dhcp;
            pending.Netmask = record.Netmask;
            pending.Gateway = record.Gateway;
            pending.Dns1 = record.Dns1;
            pending.Dns2 = record.Dns2;
        }
    }
    SetNode(node, pending, ImageUnchanged);
}

void TModuleBasicsIPConf::BuildTree()
{
    TDeviceList devices;
    g_ModuleCallback->GetSelectedDevices(devices);
    std::map<uint32_t, TNode*> groups;
    std::map<Intp::TMacAddr, TNode*> nodes;
    for (Intp::TDevice* device : devices) {
        if (!device || device->GetIp() == 0 || nodes.count(device->GetMac()))
            continue;
        TNode*& group = groups[device->GetIp()];
        if (!group) {
            group = new TNode(false, device->GetIp());
            group->setText(0, Dotted(device->GetIp()));
            m_Tree->addTopLevelItem(group);
        }
        auto* node = new TNode(true, 0);
        node->Pending.Mac = device->GetMac();
        group->addChild(node);
        nodes[device->GetMac()] = node;
        PendingFromDevice(node);
    }
}

void TModuleBasicsIPConf::UpdateApply()
{
    // Something to send, and no switch left without an address.
    bool change = false, failed = false;
    for (TNode* node : DeviceNodes()) {
        change = change || node->Image() == ImageReady || node->Image() == ImageReadyKnown;
        failed = failed || node->Image() == ImageFailed;
    }
    ApplyButton()->setEnabled(change && !failed);
}

// --- Methods and fields ------------------------------------------------------------

void TModuleBasicsIPConf::LoadFields(const TPending& pending)
{
    m_Dhcp->setChecked(pending.Dhcp != 0);
    m_Address->setText(Dotted(pending.Ip));
    m_Mask->setText(Dotted(pending.Netmask));
    m_Gateway->setText(Dotted(pending.Gateway));
    m_Dns1->setText(Dotted(pending.Dns1));
    m_Dns2->setText(Dotted(pending.Dns2));
}

void TModuleBasicsIPConf::EnableAddressFields()
{
    if (m_Method->currentIndex() != MethodManual)
        return;
    for (auto& [label, field] : m_Rows) {
        label->setEnabled(!m_Dhcp->isChecked());
        field->setEnabled(!m_Dhcp->isChecked());
    }
}

void TModuleBasicsIPConf::ShowMethodControls()
{
    const int method = m_Method->currentIndex();
    TNode* node = method == MethodManual ? SelectedDeviceNode() : nullptr;
    const bool dhcpRow = method == MethodDhcp || node;
    const bool fields = method == MethodAutoRange || node;
    m_DhcpLabel->setVisible(dhcpRow);
    m_Dhcp->setVisible(dhcpRow);
    m_Dhcp->setEnabled(method == MethodManual);
    for (size_t r = 0; r < m_Rows.size(); ++r) {
        const bool shown = fields && (r != RowAddress2 || method == MethodAutoRange);
        m_Rows[r].first->setVisible(shown);
        m_Rows[r].second->setVisible(shown);
        m_Rows[r].first->setEnabled(true);
        m_Rows[r].second->setEnabled(true);
    }
    m_Set->setVisible(fields);
    m_Filter->setVisible(method == MethodAutoRange);
    m_AddressLabel->setText(method == MethodAutoRange ? QStringLiteral("&IP Begin:") : QStringLiteral("&IP Addr:"));
    if (node) {
        LoadFields(node->Pending);
        EnableAddressFields();
    }
}

void TModuleBasicsIPConf::EventOnMethodChange()
{
    if (m_Method->currentIndex() == MethodDhcp) {
        m_Dhcp->setChecked(true);
        TPending dhcp;
        dhcp.Dhcp = 1;
        for (TNode* node : DeviceNodes()) {
            dhcp.Mac = node->Pending.Mac;
            SetNode(node, dhcp, ImageReady);
        }
        m_Tree->sortItems(0, Qt::AscendingOrder);
        UpdateApply();
    }
    ShowMethodControls();
}

void TModuleBasicsIPConf::EventOnSetClick()
{
    if (m_Method->currentIndex() == MethodManual) {
        if (TNode* node = SelectedDeviceNode())
            SetManual(node);
    } else if (m_Method->currentIndex() == MethodAutoRange) {
        SetRange();
    }
}

void TModuleBasicsIPConf::SetManual(TNode* node)
{
    TPending pending;
    pending.Mac = node->Pending.Mac;
    int image = ImageReady;
    if (m_Dhcp->isChecked()) {
        pending.Dhcp = 1;
    } else {
        pending.Ip = FieldValue(m_Address);
        pending.Netmask = FieldValue(m_Mask);
        if (!Intp::IsUsableIp(pending.Ip) || !Intp::IsValidNetmask(pending.Netmask)) {
            ShowError(QStringLiteral("Wrong IP/Netmask!"));
            return;
        }
        const uint32_t gateway = FieldValue(m_Gateway);
        pending.Gateway =
            Intp::IsUsableIp(gateway) && InSubnet(gateway, pending.Ip, pending.Netmask) ? gateway : 0;
        pending.Dns1 = UsableOrZero(FieldValue(m_Dns1));
        pending.Dns2 = UsableOrZero(FieldValue(m_Dns2));
        if (Intp::FindDeviceByIp(pending.Ip))
            image = ImageReadyKnown;
    }
    SetNode(node, pending, image);
    m_Tree->sortItems(0, Qt::AscendingOrder);
    UpdateApply();
}

bool TModuleBasicsIPConf::FindRangeAddress(uint64_t candidate, uint32_t end, uint32_t mask, const uint32_t excluded[3],
                                           uint32_t& found)
{
    const uint32_t host = ~mask;
    if (host < 3)   // fewer than two host bits: every address is a first or a last
        return false;
    for (uint64_t a = candidate; a <= end; ++a) {
        const uint32_t ip = uint32_t(a);
        if ((ip >> 24) == 127) {   // the loopback network, skipped whole
            a = 0x7FFFFFFFull;
            continue;
        }
        if (!Intp::IsUsableIp(ip) || (ip & host) == 0 || (ip & host) == host)
            continue;
        if (ip == excluded[0] || ip == excluded[1] || ip == excluded[2])
            continue;
        found = ip;
        return true;
    }
    return false;
}

void TModuleBasicsIPConf::SetRange()
{
    const uint32_t begin = FieldValue(m_Address), end = FieldValue(m_Address2), mask = FieldValue(m_Mask);
    const uint32_t dns1 = UsableOrZero(FieldValue(m_Dns1)), dns2 = UsableOrZero(FieldValue(m_Dns2));
    if (begin > end || !Intp::IsValidNetmask(mask)) {
        ShowError(QStringLiteral("Wrong range/netmask!"));
        return;
    }
    uint32_t gateway = FieldValue(m_Gateway);
    if (!InSubnet(begin, end, mask) || !Intp::IsUsableIp(gateway) || !InSubnet(gateway, begin, mask))
        gateway = 0;
    const uint32_t excluded[3] = {gateway, dns1, dns2};
    uint64_t candidate = begin;
    for (TNode* node : DeviceNodes()) {
        TPending pending;
        pending.Mac = node->Pending.Mac;
        uint32_t found = 0;
        if (FindRangeAddress(candidate, end, mask, excluded, found)) {
            pending.Ip = found;
            pending.Netmask = mask;
            pending.Gateway = gateway;
            pending.Dns1 = dns1;
            pending.Dns2 = dns2;
            SetNode(node, pending, Intp::FindDeviceByIp(found) ? ImageReadyKnown : ImageReady);
            candidate = uint64_t(found) + 1;
        } else {
            // Every later switch finds nothing either.
            SetNode(node, pending, ImageFailed);
            candidate = uint64_t(end) + 1;
        }
    }
    m_Tree->sortItems(0, Qt::AscendingOrder);
    UpdateApply();
}

void TModuleBasicsIPConf::EventOnFilterClick()
{
    // Without a filter: 0.0.0.0 to 255.255.255.255, mask 0.0.0.0.
    Filter::TFilterSettings settings;
    if (Filter::TFilterServer* filter = g_ModuleCallback ? g_ModuleCallback->GetFilterServer() : nullptr)
        settings = filter->GetSettings();
    m_Address->setText(Dotted(settings.RangeBegin));
    m_Address2->setText(Dotted(settings.RangeEnd));
    m_Mask->setText(Dotted(settings.Mask));
    for (QLineEdit* field : {m_Gateway, m_Dns1, m_Dns2})
        field->setText(Dotted(0));
}

void TModuleBasicsIPConf::EventOnDiscardClick()
{
    TNode* node = SelectedDeviceNode();
    if (!node)
        return;
    PendingFromDevice(node);
    UpdateApply();
    if (m_Method->currentIndex() == MethodManual)
        ShowMethodControls();
    else if (m_Method->currentIndex() != MethodDhcp)
        LoadFields(node->Pending);
}

// --- Apply -------------------------------------------------------------------------

void TModuleBasicsIPConf::EventOnSendClick()
{
    if (!ApplyButton()->isEnabled() || !g_ModuleCallback)
        return;
    QString user, password;
    if (!g_ModuleCallback->AskLogin(user, password) || user.isEmpty())
        return;
    Intp::TBasicsIPConfValue value;
    const QByteArray u = user.toUtf8(), p = password.toUtf8();
    Intp::LoginDigest(std::string_view(u.constData(), size_t(u.size())),
                      std::string_view(p.constData(), size_t(p.size())), value.Digest);
    std::vector<uint32_t> oldAddresses;
    for (TNode* node : DeviceNodes()) {
        if (node->Image() != ImageReady && node->Image() != ImageReadyKnown)
            continue;
        // The switch as it is known now; one deleted since is skipped.
        Intp::TDevice* device = Intp::GetDevice(node->Pending.Mac, false);
        if (!device)
            continue;
        const TPending& pending = node->Pending;
        value.Dhcp = pending.Dhcp ? 1 : 0;
        value.Ip = pending.Ip;
        value.Netmask = pending.Netmask;
        value.Gateway = pending.Gateway;
        value.Dns1 = pending.Dns1;
        value.Dns2 = pending.Dns2;
        auto* set = new Intp::TSessionBasicsIPConfSet;
        set->SetValue(value);
        const uint32_t oldIp = device->GetIp();
        if (StartOnDevice(set, device))
            oldAddresses.push_back(oldIp);
    }
    // The workstation resolves the switches anew at their new addresses.
    if (!oldAddresses.empty() && m_ArpRemover)
        m_ArpRemover(oldAddresses, true);
}
