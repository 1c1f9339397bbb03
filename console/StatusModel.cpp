#include "StatusModel.h"

#include "Resources.h"

#include <QBrush>
#include <QDateTime>
#include <QIcon>
#include <QLocale>
#include <QTimerEvent>

#include <algorithm>
#include <cmath>

namespace Status {

QString StatusText(uint32_t bits, uint32_t powerAlarm, uint32_t portAlarm)
{
    if (bits & StatusOffline)
        return QStringLiteral("Offline");
    QString text = QStringLiteral("Online");
    if (bits & StatusQueryFail) {
        text += QStringLiteral("/query fail");
    } else {
        if (powerAlarm & 1)
            text += QStringLiteral("/power1 fail");
        if (powerAlarm & 2)
            text += QStringLiteral("/power2 fail");
        if (portAlarm) {
            text += QStringLiteral("/port ");
            bool first = true;
            for (int i = 0; i < 32; ++i) {
                if (!(portAlarm & (1u << i)))
                    continue;
                text += first ? QString::number(i + 1) : QStringLiteral(",%1").arg(i + 1);
                first = false;
            }
            text += QStringLiteral(" fail");
        }
    }
    if (bits & StatusIpDifferent)
        text += QStringLiteral("/IP different");
    return text;
}

QColor StatusColor(uint32_t bits)
{
    // Light tints, each far from the other three, from the list's own
    // selection (a dark grey) and from the desktop's usual selection blue,
    // with black text in light and dark palettes alike; the red "offline"
    // mark stays visible on every one of them.
    if (bits & StatusOffline)
        return QColor(255, 190, 190);   // red
    if (bits & StatusQueryFail)
        return QColor(255, 240, 140);   // yellow
    if (bits & StatusIpDifferent)
        return QColor(215, 190, 255);   // violet
    if (bits & StatusAlarm)
        return QColor(255, 200, 140);   // orange
    return QColor();
}

namespace {

// Relative luminance of a colour (sRGB).
double Luminance(const QColor& c)
{
    auto channel = [](double v) { return v <= 0.03928 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

// Black or white, whichever contrasts more with the background.
QColor ReadableOn(const QColor& background)
{
    const double l = Luminance(background);
    return (1.05 / (l + 0.05)) > ((l + 0.05) / 0.05) ? QColor(Qt::white) : QColor(Qt::black);
}

} // namespace

QColor StatusTextColor(uint32_t bits)
{
    const QColor background = StatusColor(bits);
    return background.isValid() ? ReadableOn(background) : QColor();
}

QColor SelectedStatusColor(uint32_t bits)
{
    const QColor background = StatusColor(bits);
    return background.isValid() ? background.darker(220) : QColor();
}

QColor SelectionColor() { return QColor(64, 64, 64); }

namespace {

QString IpText(uint32_t ip) { return QString::fromStdString(Intp::IpToText(ip)); }

} // namespace

TStatusRow::TStatusRow(uint32_t number, uint32_t ip, const Intp::TMacAddr& mac, const QString& model)
    // Every cell is computed by Data() when it is shown.
    : Number(number), Ip(ip), Mac(mac), NowIp(ip), m_Model(model)
{
}

QString TStatusRow::IpCell() const
{
    if (Bits & StatusIpDifferent)
        return QStringLiteral("Original: %1, Now: %2").arg(IpText(Ip), IpText(NowIp));
    return IpText(Ip);
}

QString TStatusRow::TimeCell() const
{
    if (LastReported == NotReported)
        return QStringLiteral("(No response yet)");
    if (m_TimeOf != LastReported) {
        m_TimeText = QLocale().toString(QDateTime::fromMSecsSinceEpoch(LastReported, Qt::LocalTime), QLocale::ShortFormat);
        m_TimeOf = LastReported;
    }
    return m_TimeText;
}

QString TStatusRow::ToolTip() const
{
    return QStringLiteral("IP Address: ") + IpCell() + QStringLiteral("\nMAC Address: ") + Text(ColMac) +
           QStringLiteral("\nDevice Model: ") + Text(ColModel) + QStringLiteral("\nLast Reported Time: ") +
           TimeCell() + QStringLiteral("\nStatus: ") + StatusText(Bits, PowerAlarm, PortAlarm);
}

QString TStatusRow::Text(int column) const
{
    switch (column) {
    case ColNumber: return QString::number(Number);
    case ColMac: return QString::fromStdString(Intp::MacToText(Mac));
    case ColModel: return m_Model;
    case ColIp: return IpCell();
    case ColTime: return TimeCell();
    case ColStatus: return StatusText(Bits, PowerAlarm, PortAlarm);
    default: return QString();
    }
}

QVariant TStatusRow::Data(int column, int role) const
{
    if (column < 0 || column >= ColumnCount)
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole: return Text(column);
    case Qt::DecorationRole:
        if (column == ColNumber) {
            // One icon per image, shared by the rows.
            static const QIcon online = Resources::Icon(QStringLiteral("RC_BITMAP_16X16_DEVICE"));
            static const QIcon offline = Resources::Icon(QStringLiteral("RC_BITMAP_16X16_CANCEL"));
            return Image ? offline : online;
        }
        break;
    case Qt::ToolTipRole: return ToolTip();
    // The row's colour and image, told to screen readers.
    case Qt::AccessibleDescriptionRole: return StatusText(Bits, PowerAlarm, PortAlarm);
    case Qt::BackgroundRole: {
        const QColor color = StatusColor(Bits);
        return color.isValid() ? QVariant(QBrush(color)) : QVariant();
    }
    case Qt::ForegroundRole: {
        const QColor color = StatusTextColor(Bits);
        return color.isValid() ? QVariant(QBrush(color)) : QVariant();
    }
    case StatusBitsRole: return Bits;
    default: break;
    }
    return QVariant();
}

bool TStatusRow::Less(const TStatusRow& a, const TStatusRow& b, int column)
{
    switch (column) {
    case ColNumber: return a.Number < b.Number;
    case ColIp: return a.Ip < b.Ip;
    case ColMac: return a.Mac < b.Mac;
    case ColTime: return a.LastReported < b.LastReported;
    default: return a.Text(column) < b.Text(column);
    }
}

// --- TStatusModel ------------------------------------------------------------

TStatusModel::TStatusModel(QObject* parent) : QAbstractTableModel(parent) {}

TStatusModel::~TStatusModel() = default;

std::vector<TStatusRow*> TStatusModel::Add(const std::vector<Intp::TDevice*>& devices)
{
    std::vector<TStatusRow*> added;
    // The rows are made first (a device listed twice gets one), so that the
    // views hear of them all in one insertion.
    for (Intp::TDevice* device : devices) {
        if (!device)
            continue;
        // One look-up finds an existing row or makes the place for the new one.
        const auto [place, isNew] = m_ByMac.try_emplace(device->GetMac(), nullptr);
        if (!isNew)
            continue;
        TStatusRow& row = m_Storage.emplace_back(m_NextNumber++, device->GetIp(), device->GetMac(),
                                                 QString::fromStdString(device->GetTypeName()));
        row.m_Position = int(m_Order.size() + added.size());
        place->second = &row;
        added.push_back(&row);
    }
    if (added.empty())
        return added;
    const int first = int(m_Order.size());
    beginInsertRows({}, first, first + int(added.size()) - 1);
    m_Order.insert(m_Order.end(), added.begin(), added.end());
    endInsertRows();
    return added;
}

TStatusRow* TStatusModel::Find(const Intp::TMacAddr& mac) const
{
    const auto it = m_ByMac.find(mac);
    return it == m_ByMac.end() ? nullptr : it->second;
}

void TStatusModel::Changed(const TStatusRow* row)
{
    if (!row)
        return;
    m_DirtyFirst = std::min(m_DirtyFirst, row->m_Position);
    m_DirtyLast = std::max(m_DirtyLast, row->m_Position);
    if (!m_FlushTimer.isActive())
        m_FlushTimer.start(ChangeIntervalMs, Qt::CoarseTimer, this);
}

void TStatusModel::FlushChanges()
{
    m_FlushTimer.stop();
    if (!ChangesPending())
        return;
    const int first = m_DirtyFirst;
    const int last = m_DirtyLast;
    m_DirtyFirst = NoneDirty;
    m_DirtyLast = -1;
    emit dataChanged(index(first, 0), index(last, TStatusRow::ColumnCount - 1));
}

void TStatusModel::timerEvent(QTimerEvent* event)
{
    if (event->timerId() == m_FlushTimer.timerId())
        FlushChanges();
    else
        QAbstractTableModel::timerEvent(event);
}

int TStatusModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_Order.size());
}

int TStatusModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : TStatusRow::ColumnCount;
}

QVariant TStatusModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.model() != this || size_t(index.row()) >= m_Order.size())
        return QVariant();
    return m_Order[size_t(index.row())]->Data(index.column(), role);
}

QVariant TStatusModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const captions[TStatusRow::ColumnCount] = {"", "IP", "MAC Address", "Model",
                                                                  "Last Reported Time", "Status"};
    if (orientation != Qt::Horizontal || section < 0 || section >= TStatusRow::ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    if (role == Qt::DisplayRole)
        return QString::fromLatin1(captions[section]);
    return QVariant();
}

Qt::ItemFlags TStatusModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemNeverHasChildren;
}

void TStatusModel::sort(int column, Qt::SortOrder order)
{
    if (column < 0 || column >= TStatusRow::ColumnCount || m_Order.size() < 2)
        return;
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    const std::vector<TStatusRow*> old = m_Order;
    const bool ascending = order == Qt::AscendingOrder;
    if (column == TStatusRow::ColModel || column == TStatusRow::ColStatus) {
        // By text: each row's text made once, not once per comparison.
        std::vector<std::pair<QString, TStatusRow*>> keyed;
        keyed.reserve(m_Order.size());
        for (TStatusRow* row : m_Order)
            keyed.emplace_back(row->Text(column), row);
        std::stable_sort(keyed.begin(), keyed.end(), [ascending](const auto& a, const auto& b) {
            return ascending ? a.first < b.first : b.first < a.first;
        });
        for (size_t i = 0; i < keyed.size(); ++i)
            m_Order[i] = keyed[i].second;
    } else {
        std::stable_sort(m_Order.begin(), m_Order.end(), [column, ascending](const TStatusRow* a, const TStatusRow* b) {
            return ascending ? TStatusRow::Less(*a, *b, column) : TStatusRow::Less(*b, *a, column);
        });
    }
    for (size_t i = 0; i < m_Order.size(); ++i)
        m_Order[i]->m_Position = int(i);
    // Each persistent index (the selection, the current row) follows its
    // row: the row that was at its old place is found in the old order.
    const QModelIndexList from = persistentIndexList();
    QModelIndexList to;
    to.reserve(from.size());
    for (const QModelIndex& index : from)
        to.append(this->index(old[size_t(index.row())]->m_Position, index.column()));
    changePersistentIndexList(from, to);
    // The changes gathered before the sort were at the rows' old places.
    if (ChangesPending()) {
        m_DirtyFirst = 0;
        m_DirtyLast = int(m_Order.size()) - 1;
    }
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
}

} // namespace Status
