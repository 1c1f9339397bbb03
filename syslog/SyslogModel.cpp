#include "SyslogModel.h"

#include "Intp.h"
#include "SyslogParser.h"

#include <QLocale>
#include <QPainter>
#include <QPixmap>

namespace Syslog {

QString EventDateText(const QDateTime& time)
{
    return QLocale::system().toString(time.date(), QLocale::ShortFormat);
}

QString EventTimeText(const QDateTime& time)
{
    return QLocale::system().toString(time.time(), QLocale::LongFormat);
}

namespace {

QIcon MakeSeverityIcon(const QColor& color)
{
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(color.darker(160));
    painter.setBrush(color);
    painter.drawEllipse(QRectF(2.5, 2.5, 11, 11));
    return QIcon(pixmap);
}

} // namespace

const QIcon& SeverityIcon(int index)
{
    // Red for errors and worse, amber for warnings, blue for the rest.
    static const QIcon Icons[3] = {MakeSeverityIcon(QColor(0xd0, 0x30, 0x30)),
                                   MakeSeverityIcon(QColor(0xe8, 0xb0, 0x20)),
                                   MakeSeverityIcon(QColor(0x30, 0x70, 0xd0))};
    return Icons[index < 0 || index > 2 ? 2 : index];
}

TSyslogModel::TSyslogModel(QObject* parent, int batchMs) : QAbstractTableModel(parent)
{
    m_BatchTimer.setSingleShot(true);
    m_BatchTimer.setInterval(batchMs);
    connect(&m_BatchTimer, &QTimer::timeout, this, &TSyslogModel::Flush);
}

int TSyslogModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : int(m_Rows.size());
}

int TSyslogModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : ColCount;
}

QVariant TSyslogModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() < 0 || size_t(index.row()) >= m_Rows.size())
        return {};
    const TSyslogRow& row = m_Rows[size_t(index.row())];
    if (role == Qt::DecorationRole && index.column() == ColEventId)
        return SeverityIcon(SeverityImage(row.Severity));
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
    case ColDate: return EventDateText(row.ReceiveTime);
    case ColTime: return EventTimeText(row.ReceiveTime);
    case ColMessage: return row.Message;
    default: return {};
    }
}

QVariant TSyslogModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    static const char* const Captions[ColCount] = {"Event ID", "Facility", "Severity", "Host",
                                                   "Date",     "Time",     "Messages"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromLatin1(Captions[section]);
}

void TSyslogModel::Append(TSyslogRow row)
{
    m_Pending.push_back(std::move(row));
    if (!m_BatchTimer.isActive())
        m_BatchTimer.start();
}

void TSyslogModel::Flush()
{
    m_BatchTimer.stop();
    if (m_Pending.empty())
        return;
    const int first = int(m_Rows.size());
    beginInsertRows(QModelIndex(), first, first + int(m_Pending.size()) - 1);
    m_Rows.insert(m_Rows.end(), std::make_move_iterator(m_Pending.begin()),
                  std::make_move_iterator(m_Pending.end()));
    m_Pending.clear();
    endInsertRows();
    emit RowsFlushed(int(m_Rows.size()));
}

void TSyslogModel::Clear()
{
    m_BatchTimer.stop();
    m_Pending.clear();
    beginResetModel();
    m_Rows.clear();
    endResetModel();
    emit RowsFlushed(0);
}

} // namespace Syslog
