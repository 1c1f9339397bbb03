#include "FilterForm.h"

#include "AccessibleNames.h"

#include <unordered_set>

#include "Intp.h"
#include "ListColumns.h"
#include "MessageBoxes.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Filter {

// --- Rules -----------------------------------------------------------------

bool IsAccepted(const TFilterSettings& settings, uint32_t address)
{
    if (address == 0)
        return false;
    if (settings.RangeBegin <= address && address <= settings.RangeEnd)
        return true;
    for (const TIpMask& entry : settings.Unicasts)
        if (entry.Ip == address)
            return true;
    return false;
}

void GetTargets(const TFilterSettings& settings, TIpMaskList& targets)
{
    if (settings.Method == MethodLocalSubnet || settings.Method == MethodPrimaryInterface)
        targets.push_back({settings.Address, settings.Mask});
    else if (settings.Unicasts.empty())
        targets.insert(targets.end(), settings.LocalNetworks.begin(), settings.LocalNetworks.end());
    targets.insert(targets.end(), settings.Unicasts.begin(), settings.Unicasts.end());
}

TWorkingRange NetworkRange(uint32_t address, uint32_t mask)
{
    return {address, mask, address & mask, address | ~mask};
}

TWorkingRange CustomRange(uint32_t addressField, uint32_t maskField, bool ranged, uint32_t beginField,
                          uint32_t endField)
{
    TWorkingRange r;
    r.Address = Intp::IsUsableIp(addressField) ? addressField : 0;
    r.Mask = Intp::IsValidNetmask(maskField) ? maskField : 0;
    const uint32_t first = r.Address & r.Mask;
    const uint32_t last = r.Address | ~r.Mask;
    r.Begin = first;
    r.End = last;
    if (ranged) {
        const uint32_t begin = Intp::IsUsableIp(beginField) ? beginField : 0;
        if ((begin & r.Mask) == first)
            r.Begin = begin;
        const uint32_t end = Intp::IsUsableIp(endField) ? endField : 0;
        if (end != 0 && end >= r.Begin && (end & r.Mask) == first)
            r.End = end;
    }
    return r;
}

bool IsPartialRange(const TWorkingRange& range)
{
    return range.Begin != (range.Address & range.Mask) || range.End != (range.Address | ~range.Mask);
}

uint32_t RangeEndPreset(uint32_t address)
{
    if (address == 0)
        return 0;
    // Every zero byte after the last non-zero one becomes 255, so the end
    // stays within the typed network: 10.0.0.0 gives 10.255.255.255 and
    // 192.168.2.0 gives 192.168.2.255.
    uint32_t fill = 0;
    while ((address & (fill << 8 | 0xFF)) == 0)
        fill = fill << 8 | 0xFF;
    return address | fill;
}

TRangeCheck CheckRemoteRange(uint32_t begin, uint32_t end)
{
    if (begin == 0 || end == 0 || begin > end)
        return TRangeCheck::Invalid;
    const uint64_t count = uint64_t(end) - begin + 1;
    if (count > MaxRangeEntries)
        return TRangeCheck::TooMany;
    if (count >= ConfirmRangeEntries)
        return TRangeCheck::Confirm;
    return TRangeCheck::Ok;
}

std::vector<uint32_t> RangeAddresses(uint32_t begin, uint32_t end)
{
    std::vector<uint32_t> out;
    // A 64-bit counter: the last address 255.255.255.255 cannot wrap to 0.
    for (uint64_t a = begin; a <= end && out.size() < MaxRangeEntries; ++a)
        if (Intp::IsUsableIp(uint32_t(a)))
            out.push_back(uint32_t(a));
    return out;
}

QString TextInvalidAddress() { return QStringLiteral("Invalid IP address!"); }
QString TextInvalidRange() { return QStringLiteral("Invalid IP range!"); }
QString TextConfirmManyEntries()
{
    return QStringLiteral("You are going to add more then 64 unicast discovery entries, which might cause great "
                          "performance drop.\n\nAre you sure to do this?");
}
QString TextTooManyEntries(uint64_t count)
{
    return QStringLiteral("The range holds %1 addresses, but at most %2 unicast discovery entries can be added at "
                          "once.\n\nPlease choose a smaller range.")
        .arg(count)
        .arg(MaxRangeEntries);
}
QString TextNoNetworks() { return QStringLiteral("No networking or fetch subnets failed!"); }
QString NetworkText(const TIpMask& network)
{
    return QString::fromStdString(Intp::IpToText(network.Ip) + "/" + Intp::IpToText(network.Mask));
}

TRemoteItem::TRemoteItem(uint32_t address, const TBestRoute* route)
    : Address(address), NextHop(route ? route->NextHop : 0xFFFFFFFFu), IfIndex(route ? route->IfIndex : 0xFFFFFFFFu)
{
    setText(0, QString::fromStdString(Intp::IpToText(address)));
    setText(1, route ? QString::fromStdString(Intp::IpToText(route->NextHop)) : QStringLiteral("(Invalid)"));
    setText(2, route ? route->IfName : QStringLiteral("(Invalid)"));
}

bool TRemoteItem::operator<(const QTreeWidgetItem& other) const
{
    const auto* o = dynamic_cast<const TRemoteItem*>(&other);
    if (!o)
        return QTreeWidgetItem::operator<(other);
    switch (treeWidget() ? treeWidget()->sortColumn() : 0) {
    case 1: return NextHop < o->NextHop;
    case 2: return IfIndex < o->IfIndex;
    default: return Address < o->Address;
    }
}

} // namespace Filter

using namespace Filter;

namespace {

// A field's dotted address, or 0 when it does not parse.
uint32_t FieldValue(const QLineEdit* edit)
{
    uint32_t v = 0;
    return Intp::ParseIp(edit->text().trimmed().toStdString(), v) ? v : 0;
}

uint32_t UsableFieldValue(const QLineEdit* edit)
{
    const uint32_t v = FieldValue(edit);
    return Intp::IsUsableIp(v) ? v : 0;
}

QString Dotted(uint32_t v) { return QString::fromStdString(Intp::IpToText(v)); }

} // namespace

TFilterForm::TFilterForm(TNetProvider* net, QWidget* parent) : QDialog(parent), m_Net(net)
{
    setWindowTitle(QStringLiteral("Set Discovery Filter"));
    if (m_Net)
        m_Net->GetLocalNetworks(m_Settings.LocalNetworks);
    m_Working = {m_Settings.Address, m_Settings.Mask, m_Settings.RangeBegin, m_Settings.RangeEnd};
    BuildControls();
    RefreshControls();
    NameControls(this, windowTitle());
}

void TFilterForm::BuildControls()
{
    auto* tabs = new QTabWidget(this);
    auto* page = new QWidget(tabs);
    tabs->addTab(page, QStringLiteral("Discovery Type"));
    auto* grid = new QGridLayout(page);

    m_LocalRadio = new QRadioButton(QStringLiteral("&Local Subnets"), page);
    m_SubnetList = new QComboBox(page);
    m_PrimaryRadio = new QRadioButton(QStringLiteral("&Primary Interface/Gateway/Default Route"), page);
    m_PrimaryLabel = new QLabel(page);
    m_CustomRadio = new QRadioButton(QStringLiteral("C&ustomize"), page);
    m_CustomRadio->setChecked(true);
    m_IpAddress = new QLineEdit(page);
    m_Mask = new QLineEdit(page);
    m_Range = new QCheckBox(QStringLiteral("&Range in this subnet"), page);
    m_Begin = new QLineEdit(page);
    m_End = new QLineEdit(page);

    auto label = [page](const char* text, QWidget* buddy) {
        auto* l = new QLabel(QString::fromUtf8(text), page);
        l->setBuddy(buddy);
        return l;
    };
    int row = 0;
    grid->addWidget(m_LocalRadio, row++, 0, 1, 2);
    grid->addWidget(m_SubnetList, row++, 1);
    grid->addWidget(m_PrimaryRadio, row++, 0, 1, 2);
    grid->addWidget(m_PrimaryLabel, row++, 1);
    grid->addWidget(m_CustomRadio, row++, 0, 1, 2);
    grid->addWidget(label("&IP Address:", m_IpAddress), row, 0);
    grid->addWidget(m_IpAddress, row++, 1);
    grid->addWidget(label("&Mask:", m_Mask), row, 0);
    grid->addWidget(m_Mask, row++, 1);
    grid->addWidget(m_Range, row++, 0, 1, 2);
    grid->addWidget(label("&Begin:", m_Begin), row, 0);
    grid->addWidget(m_Begin, row++, 1);
    grid->addWidget(label("&End:", m_End), row, 0);
    grid->addWidget(m_End, row++, 1);
    grid->setRowStretch(row, 1);

    m_Ok = new QPushButton(QStringLiteral("&OK"), this);
    m_Ok->setDefault(true);
    m_Cancel = new QPushButton(QStringLiteral("&Cancel"), this);
    m_Remote = new QPushButton(QStringLiteral("Remo&te >>"), this);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_Ok);
    buttons->addWidget(m_Cancel);
    buttons->addWidget(m_Remote);
    buttons->addStretch(1);

    m_RemotePanel = new QGroupBox(this);
    auto* remote = new QGridLayout(m_RemotePanel);
    m_RemoteIp = new QLineEdit(m_RemotePanel);
    m_RemoteAdd = new QPushButton(QStringLiteral("Add"), m_RemotePanel);
    m_RemoteEnd = new QLineEdit(m_RemotePanel);
    m_RemoteAddRange = new QPushButton(QStringLiteral("Add Range"), m_RemotePanel);
    m_RemoteList = new QTreeWidget(m_RemotePanel);
    m_RemoteList->setRootIsDecorated(false);
    m_RemoteList->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_RemoteList->setHeaderLabels({QStringLiteral("Destination"), QStringLiteral("Next Hop"),
                                   QStringLiteral("Interface")});
    m_RemoteList->header()->setSectionsClickable(true);
    m_RemoteList->header()->setSortIndicatorShown(true);
    FitColumns(m_RemoteList);
    m_Delete = new QPushButton(QStringLiteral("Delete"), m_RemotePanel);
    m_Clear = new QPushButton(QStringLiteral("Clear"), m_RemotePanel);
    auto* remoteLabel = new QLabel(QStringLiteral("Remote IP A&ddress:"), m_RemotePanel);
    remoteLabel->setBuddy(m_RemoteIp);
    auto* rangeLabel = new QLabel(QStringLiteral("or to ran&ge:"), m_RemotePanel);
    rangeLabel->setBuddy(m_RemoteEnd);
    remote->addWidget(remoteLabel, 0, 0);
    remote->addWidget(m_RemoteIp, 0, 1);
    remote->addWidget(m_RemoteAdd, 0, 2);
    remote->addWidget(rangeLabel, 1, 0);
    remote->addWidget(m_RemoteEnd, 1, 1);
    remote->addWidget(m_RemoteAddRange, 1, 2);
    remote->addWidget(m_RemoteList, 2, 0, 1, 3);
    auto* listButtons = new QHBoxLayout;
    listButtons->addStretch(1);
    listButtons->addWidget(m_Delete);
    listButtons->addWidget(m_Clear);
    remote->addLayout(listButtons, 3, 0, 1, 3);
    m_RemotePanel->setVisible(false);
    m_RemotePanel->setEnabled(false);
    m_Delete->setEnabled(false);
    m_Clear->setEnabled(false);

    auto* top = new QHBoxLayout(this);
    top->addWidget(tabs, 1);
    top->addLayout(buttons);
    top->addWidget(m_RemotePanel, 1);

    for (QRadioButton* radio : {m_LocalRadio, m_PrimaryRadio, m_CustomRadio})
        connect(radio, &QRadioButton::clicked, this, [this] { EventOnMethodClick(); });
    connect(m_SubnetList, &QComboBox::currentIndexChanged, this, [this](int i) { EventOnSubnetChange(i); });
    for (QLineEdit* edit : {m_IpAddress, m_Mask, m_Begin, m_End}) {
        connect(edit, &QLineEdit::textChanged, this, [this] { EventOnCustomChange(); });
        connect(edit, &QLineEdit::editingFinished, this, [this] { EventOnCustomEditingFinished(); });
    }
    connect(m_Range, &QCheckBox::toggled, this, [this] {
        EventOnCustomChange();
        EnableMethodControls();
    });
    connect(m_RemoteIp, &QLineEdit::textChanged, this, [this] { EventOnRemoteIpEdited(); });
    // Like every address field, the two remote fields show their value again
    // when they lose the focus (an unusable address as 0.0.0.0).
    for (QLineEdit* edit : {m_RemoteIp, m_RemoteEnd})
        connect(edit, &QLineEdit::editingFinished, this, [edit] {
            const QString shown = Dotted(UsableFieldValue(edit));
            if (edit->text() != shown)
                edit->setText(shown);
        });
    connect(m_RemoteAdd, &QPushButton::clicked, this, [this] { EventOnRemoteAddClick(); });
    connect(m_RemoteAddRange, &QPushButton::clicked, this, [this] { EventOnRemoteAddRangeClick(); });
    connect(m_Delete, &QPushButton::clicked, this, [this] { EventOnDeleteClick(); });
    connect(m_Clear, &QPushButton::clicked, this, [this] { EventOnClearClick(); });
    connect(m_RemoteList, &QTreeWidget::itemSelectionChanged, this,
            [this] { m_Delete->setEnabled(!m_RemoteList->selectedItems().isEmpty()); });
    connect(m_RemoteList->header(), &QHeaderView::sectionClicked, this, [this](int c) { EventOnHeaderClick(c); });
    connect(m_Ok, &QPushButton::clicked, this, &TFilterForm::accept);
    connect(m_Cancel, &QPushButton::clicked, this, &TFilterForm::reject);
    connect(m_Remote, &QPushButton::clicked, this, [this] { EventOnRemoteClick(); });
}

void TFilterForm::showEvent(QShowEvent* event)
{
    RefreshControls();
    QDialog::showEvent(event);
}

void TFilterForm::LoadSettings(const TFilterSettings& settings)
{
    m_Settings = settings;
    RefreshControls();
}

void TFilterForm::RefreshControls()
{
    m_Filling = true;
    const TIpMaskVector& networks = m_Settings.LocalNetworks;

    m_SubnetList->clear();
    int noted = -1;
    for (size_t i = 0; i < networks.size(); ++i) {
        m_SubnetList->addItem(NetworkText(networks[i]));
        if (noted < 0 && networks[i].Ip == m_Settings.Address && networks[i].Mask == m_Settings.Mask)
            noted = int(i);
    }

    uint8_t method = m_Settings.Method;
    if (networks.empty()) {
        m_LocalRadio->setEnabled(false);
        m_PrimaryRadio->setEnabled(false);
        m_PrimaryLabel->setText(TextNoNetworks());
        // Only the custom method can be offered without a local network.
        if (method != MethodCustom)
            method = MethodCustom;
    } else {
        m_LocalRadio->setEnabled(true);
        m_PrimaryRadio->setEnabled(true);
        if (noted >= 0)
            m_SubnetList->setCurrentIndex(noted);
        m_PrimaryLabel->setText(NetworkText(networks.front()));
        const TIpMask* chosen = nullptr;
        if (method == MethodLocalSubnet && noted >= 0)
            chosen = &networks[size_t(noted)];
        else if (method == MethodPrimaryInterface)
            chosen = &networks.front();
        if (chosen) {
            const TWorkingRange whole = NetworkRange(chosen->Ip, chosen->Mask);
            m_Settings.Address = whole.Address;
            m_Settings.Mask = whole.Mask;
            m_Settings.RangeBegin = whole.Begin;
            m_Settings.RangeEnd = whole.End;
        }
    }

    m_Working = {m_Settings.Address, m_Settings.Mask, m_Settings.RangeBegin, m_Settings.RangeEnd};
    m_IpAddress->setText(Dotted(m_Working.Address));
    m_Mask->setText(Dotted(m_Working.Mask));
    m_Begin->setText(Dotted(m_Working.Begin));
    m_End->setText(Dotted(m_Working.End));
    m_Range->setChecked(IsPartialRange(m_Working));

    m_LocalRadio->setChecked(method == MethodLocalSubnet);
    m_PrimaryRadio->setChecked(method == MethodPrimaryInterface);
    m_CustomRadio->setChecked(method == MethodCustom);
    EnableMethodControls();

    m_RemoteList->clear();
    m_Clear->setEnabled(false);
    m_Delete->setEnabled(false);
    // Each address once, found by a hash set: a loaded file may bring
    // thousands.
    std::unordered_set<uint32_t> listed;
    for (const TIpMask& entry : m_Settings.Unicasts)
        if (listed.insert(entry.Ip).second)
            AddRemoteItem(entry.Ip);
    m_Filling = false;
}

void TFilterForm::EnableMethodControls()
{
    const bool custom = m_CustomRadio->isChecked();
    m_SubnetList->setEnabled(m_LocalRadio->isChecked() && m_SubnetList->count() > 0);
    m_IpAddress->setEnabled(custom);
    m_Mask->setEnabled(custom);
    m_Range->setEnabled(custom);
    m_Begin->setEnabled(custom && m_Range->isChecked());
    m_End->setEnabled(custom && m_Range->isChecked());
}

void TFilterForm::SetNetwork(const TIpMask& network)
{
    m_Working = NetworkRange(network.Ip, network.Mask);
}

void TFilterForm::EventOnMethodClick()
{
    const TIpMaskVector& networks = m_Settings.LocalNetworks;
    if (m_LocalRadio->isChecked()) {
        const int i = m_SubnetList->currentIndex();
        if (i >= 0 && size_t(i) < networks.size())
            SetNetwork(networks[size_t(i)]);
    } else if (m_PrimaryRadio->isChecked()) {
        if (!networks.empty())
            SetNetwork(networks.front());
    } else {
        EventOnCustomChange();
    }
    EnableMethodControls();
}

void TFilterForm::EventOnSubnetChange(int index)
{
    if (m_Filling || !m_LocalRadio->isChecked())
        return;
    if (index >= 0 && size_t(index) < m_Settings.LocalNetworks.size())
        SetNetwork(m_Settings.LocalNetworks[size_t(index)]);
}

void TFilterForm::EventOnCustomChange()
{
    if (m_Filling || !m_CustomRadio->isChecked())
        return;
    m_Working = CustomRange(FieldValue(m_IpAddress), FieldValue(m_Mask), m_Range->isChecked(), FieldValue(m_Begin),
                            FieldValue(m_End));
}

void TFilterForm::EventOnCustomEditingFinished()
{
    if (m_Filling || !m_CustomRadio->isChecked())
        return;
    ShowWorking();
}

void TFilterForm::ShowWorking()
{
    m_Filling = true;
    m_IpAddress->setText(Dotted(m_Working.Address));
    m_Mask->setText(Dotted(m_Working.Mask));
    m_Begin->setText(Dotted(m_Working.Begin));
    m_End->setText(Dotted(m_Working.End));
    m_Filling = false;
}

void TFilterForm::EventOnRemoteIpEdited()
{
    m_RemoteEnd->setText(Dotted(RangeEndPreset(UsableFieldValue(m_RemoteIp))));
}

void TFilterForm::EventOnRemoteAddClick()
{
    const uint32_t address = UsableFieldValue(m_RemoteIp);
    if (address == 0) {
        ShowError(TextInvalidAddress());
        return;
    }
    AddRemoteEntry(address);
}

void TFilterForm::EventOnRemoteAddRangeClick()
{
    AddRemoteRange(UsableFieldValue(m_RemoteIp), UsableFieldValue(m_RemoteEnd));
}

void TFilterForm::AddRemoteRange(uint32_t begin, uint32_t end)
{
    switch (CheckRemoteRange(begin, end)) {
    case TRangeCheck::Invalid:
        ShowError(TextInvalidRange());
        return;
    case TRangeCheck::TooMany:
        ShowError(TextTooManyEntries(uint64_t(end) - begin + 1));
        return;
    case TRangeCheck::Confirm:
        if (!ConfirmOkCancel(TextConfirmManyEntries()))
            return;
        break;
    case TRangeCheck::Ok:
        break;
    }
    for (uint32_t address : RangeAddresses(begin, end))
        AddRemoteEntry(address);
}

void TFilterForm::AddRemoteEntry(uint32_t address)
{
    for (int i = 0; i < m_RemoteList->topLevelItemCount(); ++i)
        if (static_cast<TRemoteItem*>(m_RemoteList->topLevelItem(i))->Address == address)
            return;
    AddRemoteItem(address);
}

void TFilterForm::AddRemoteItem(uint32_t address)
{
    TBestRoute route;
    const bool found = m_Net && m_Net->GetBestRoute(address, route);
    m_RemoteList->addTopLevelItem(new TRemoteItem(address, found ? &route : nullptr));
    m_Clear->setEnabled(true);
}

void TFilterForm::EventOnDeleteClick()
{
    qDeleteAll(m_RemoteList->selectedItems());
    m_Delete->setEnabled(!m_RemoteList->selectedItems().isEmpty());
}

void TFilterForm::EventOnClearClick()
{
    m_RemoteList->clear();
    m_Clear->setEnabled(false);
    m_Delete->setEnabled(false);
}

void TFilterForm::EventOnHeaderClick(int column)
{
    if (column == m_SortColumn)
        m_SortAscending = !m_SortAscending;
    else
        m_SortAscending = true;
    m_SortColumn = column;
    m_RemoteList->sortItems(column, m_SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TFilterForm::EventOnRemoteClick()
{
    m_RemoteShown = !m_RemoteShown;
    m_RemotePanel->setVisible(m_RemoteShown);
    m_RemotePanel->setEnabled(m_RemoteShown);
    m_Remote->setText(m_RemoteShown ? QStringLiteral("Re&mote <<") : QStringLiteral("Remo&te >>"));
    adjustSize();
}

void TFilterForm::accept()
{
    if (m_LocalRadio->isChecked())
        m_Settings.Method = MethodLocalSubnet;
    else if (m_PrimaryRadio->isChecked())
        m_Settings.Method = MethodPrimaryInterface;
    else
        m_Settings.Method = MethodCustom;
    m_Settings.Address = m_Working.Address;
    m_Settings.Mask = m_Working.Mask;
    m_Settings.RangeBegin = m_Working.Begin;
    m_Settings.RangeEnd = m_Working.End;
    m_Settings.Unicasts.clear();
    for (int i = 0; i < m_RemoteList->topLevelItemCount(); ++i)
        m_Settings.Unicasts.push_back({static_cast<TRemoteItem*>(m_RemoteList->topLevelItem(i))->Address,
                                       0xFFFFFFFFu});
    QDialog::accept();
}
