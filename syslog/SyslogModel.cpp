#include "SyslogModel.h"

#include "Intp.h"
#include "ListColumns.h"
#include "SyslogParser.h"

#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <algorithm>

namespace Syslog {

QString EventDateText(const QDateTime& time)
{
    return QLocale::system().toString(time.date(), QLocale::ShortFormat);
}

QString EventTimeText(const QDateTime& time)
{
    return QLocale::system().toString(time.time(), QLocale::LongFormat);
}

QDateTime EventLocalTime(int64_t receiveMs) { return QDateTime::fromMSecsSinceEpoch(receiveMs); }

int64_t TLocalTimes::OffsetMs(int64_t receiveMs)
{
    // Slots counted towards minus infinity, so that one before the epoch is
    // a whole slot too.
    const int64_t slot = receiveMs >= 0 ? receiveMs / SlotMs : -((-receiveMs + SlotMs - 1) / SlotMs);
    if (slot != m_Slot) {
        m_OffsetMs = int64_t(EventLocalTime(receiveMs).offsetFromUtc()) * 1000;
        m_Slot = slot;
    }
    return m_OffsetMs;
}

QDateTime TLocalTimes::At(int64_t receiveMs)
{
    const int64_t offset = OffsetMs(receiveMs);
    return QDateTime::fromMSecsSinceEpoch(receiveMs, Qt::OffsetFromUTC, int(offset / 1000));
}

namespace {

// A severity mark: red disc with "!" (errors and worse), amber triangle
// (warnings), blue disc with "i" (the rest). Each has a white rim, so that
// it stands out on any row colour, the selection's blue included, and a
// shape of its own, so that the colour is not the only sign.
QIcon MakeSeverityIcon(int index)
{
    static const QColor Colors[3] = {QColor(0xd0, 0x30, 0x30), QColor(0xe8, 0xb0, 0x20), QColor(0x30, 0x70, 0xd0)};
    const QColor color = Colors[index];
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath shape;
    if (index == 1)
        shape.addPolygon(QPolygonF({QPointF(8, 1.5), QPointF(14.5, 13.5), QPointF(1.5, 13.5), QPointF(8, 1.5)}));
    else
        shape.addEllipse(QRectF(2, 2, 12, 12));
    painter.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::white);
    painter.drawPath(shape);
    painter.setPen(QPen(color.darker(170), 1));
    painter.setBrush(color);
    painter.drawPath(shape);
    painter.setPen(QPen(index == 1 ? QColor(40, 30, 0) : QColor(Qt::white), 1.8, Qt::SolidLine, Qt::RoundCap));
    if (index == 2) {
        painter.drawPoint(QPointF(8, 5));
        painter.drawLine(QPointF(8, 7.5), QPointF(8, 11));
    } else {
        const qreal top = index == 1 ? 6 : 4.5;
        painter.drawLine(QPointF(8, top), QPointF(8, top + 3.5));
        painter.drawPoint(QPointF(8, top + 6));
    }
    return QIcon(pixmap);
}

// The list shows one line of a message, so it lays out no more than its
// first bytes (about what a wide column shows, cut on a character
// boundary): a 64 KB message would otherwise cost a long layout on every
// paint. The whole message is in the viewer and in the saved file.
constexpr size_t ShownMessageBytes = 256;

QString ShownMessage(const TStoredEvent& event)
{
    size_t length = event.Length;
    if (length > ShownMessageBytes) {
        length = ShownMessageBytes;
        while (length > 0 && (uint8_t(event.Text[length]) & 0xC0) == 0x80)
            --length;
    }
    return QString::fromUtf8(event.Text, qsizetype(length));
}

} // namespace

const QIcon& SeverityIcon(int index)
{
    static const QIcon Icons[3] = {MakeSeverityIcon(0), MakeSeverityIcon(1), MakeSeverityIcon(2)};
    return Icons[index < 0 || index > 2 ? 2 : index];
}

TSyslogModel::TSyslogModel(QObject* parent, int batchMs) : QAbstractTableModel(parent)
{
    m_BatchTimer.setObjectName(QStringLiteral("syslog-rows"));
    m_BatchTimer.setSingleShot(true);
    m_BatchTimer.setInterval(batchMs);
    connect(&m_BatchTimer, &QTimer::timeout, this, &TSyslogModel::Flush);
}

int TSyslogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_Shown);
}

int TSyslogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColCount;
}

QVariant TSyslogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || size_t(index.row()) >= m_Shown)
        return {};
    const TStoredEvent& row = m_Store.At(size_t(index.row()));
    if (role == Qt::DecorationRole && index.column() == ColEventId)
        return SeverityIcon(SeverityImage(row.Severity));
    // What the list paints, control characters made visible, is what a
    // screen reader gets.
    if (role == Qt::AccessibleTextRole)
        return ShownCellText(data(index, Qt::DisplayRole));
    if (role != Qt::DisplayRole)
        return {};
    switch (index.column()) {
    case ColEventId: return QString::number(row.EventId);
    case ColFacility: return QString::fromLatin1(FacilityName(row.Facility));
    case ColSeverity: {
        const char* name = SeverityName(row.Severity);
        return name ? QString::fromLatin1(name) : QString();
    }
    case ColHost: return QString::fromStdString(Intp::IpToText(row.Sender));
    case ColDate: return DateText(row.ReceiveMs);
    case ColTime: return TimeText(row.ReceiveMs);
    case ColMessage: return ShownMessage(row);
    default: return {};
    }
}

void TSyslogModel::CacheTimeTexts(int64_t receiveMs) const
{
    // Seconds counted towards minus infinity, so that a second before the
    // epoch is one second too.
    const int64_t second = receiveMs >= 0 ? receiveMs / 1000 : -((-receiveMs + 999) / 1000);
    if (second == m_CachedSecond)
        return;
    const QDateTime local = EventLocalTime(receiveMs);
    m_CachedDate = EventDateText(local);
    m_CachedTime = EventTimeText(local);
    m_CachedSecond = second;
}

const QString& TSyslogModel::DateText(int64_t receiveMs) const
{
    CacheTimeTexts(receiveMs);
    return m_CachedDate;
}

const QString& TSyslogModel::TimeText(int64_t receiveMs) const
{
    CacheTimeTexts(receiveMs);
    return m_CachedTime;
}

QVariant TSyslogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const Captions[ColCount] = {"Event ID", "Facility", "Severity", "Host",
                                                   "Date",     "Time",     "Messages"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(Captions[section]);
}

size_t TSyslogModel::Append(const TStoredEvent& event, std::string_view message)
{
    m_Store.Append(event, message);
    if (!m_BatchTimer.isActive())
        m_BatchTimer.start();
    if (m_Held || m_Store.Bytes() <= m_Store.Limit())
        return 0;
    const size_t over = m_Store.OverLimit();
    DropOldest(over);
    return over;
}

size_t TSyslogModel::ReleaseLimit()
{
    m_Held = false;
    const size_t over = m_Store.OverLimit();
    DropOldest(over);
    return over;
}

void TSyslogModel::Flush()
{
    m_BatchTimer.stop();
    if (m_Shown == m_Store.Size())
        return;
    beginInsertRows(QModelIndex(), int(m_Shown), int(m_Store.Size()) - 1);
    m_Shown = m_Store.Size();
    endInsertRows();
    emit RowsFlushed(int(m_Shown));
}

void TSyslogModel::DropOldest(size_t n)
{
    n = std::min(n, m_Store.Size());
    if (n == 0)
        return;
    const size_t shown = std::min(n, m_Shown);
    if (shown > 0)
        beginRemoveRows(QModelIndex(), 0, int(shown) - 1);
    m_Store.DropOldest(n);
    m_Shown -= shown;
    if (shown > 0)
        endRemoveRows();
}

size_t TSyslogModel::SetLimit(size_t bytes)
{
    m_Store.SetLimit(bytes);
    if (m_Held)
        return 0;
    const size_t over = m_Store.OverLimit();
    DropOldest(over);
    return over;
}

void TSyslogModel::Clear()
{
    m_BatchTimer.stop();
    beginResetModel();
    m_Store.Clear();
    ++m_Clears;
    m_Shown = 0;
    endResetModel();
    emit RowsFlushed(0);
}

} // namespace Syslog
