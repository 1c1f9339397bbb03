#include "StatusFrame.h"

#include "IntpProtocol.h"
#include "ListColumns.h"
#include "MessageBoxes.h"
#include "PaintThrottle.h"
#include "Resources.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLocale>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

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
    // Every cell is computed by data() when it is shown.
    : Number(number), Ip(ip), Mac(mac), NowIp(ip), m_Model(model)
{
    // The item only holds a place for each column (the last one makes them
    // all), so that a change of the row covers every column.
    setData(ColumnCount - 1, Qt::DisplayRole, QString());
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
    return QStringLiteral("IP Address: ") + IpCell() + QStringLiteral("\nMAC Address: ") + text(ColMac) +
           QStringLiteral("\nDevice Model: ") + text(ColModel) + QStringLiteral("\nLast Reported Time: ") +
           TimeCell() + QStringLiteral("\nStatus: ") + StatusText(Bits, PowerAlarm, PortAlarm);
}

QVariant TStatusRow::data(int column, int role) const
{
    if (column < 0 || column >= ColumnCount)
        return QTreeWidgetItem::data(column, role);
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        switch (column) {
        case ColNumber: return QString::number(Number);
        case ColMac: return QString::fromStdString(Intp::MacToText(Mac));
        case ColModel: return m_Model;
        case ColIp: return IpCell();
        case ColTime: return TimeCell();
        case ColStatus: return StatusText(Bits, PowerAlarm, PortAlarm);
        default: break;
        }
        break;
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
    return QTreeWidgetItem::data(column, role);
}

bool TStatusRow::operator<(const QTreeWidgetItem& other) const
{
    const auto* o = dynamic_cast<const TStatusRow*>(&other);
    const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
    if (!o)
        return QTreeWidgetItem::operator<(other);
    switch (column) {
    case ColNumber: return Number < o->Number;
    case ColIp: return Ip < o->Ip;
    case ColMac: return Mac < o->Mac;
    case ColTime: return LastReported < o->LastReported;
    default: return text(column) < o->text(column);
    }
}

} // namespace Status

using namespace Status;

namespace {

// Draws a selected row that has a status colour in that colour darkened,
// with white text, instead of the list's selection colour.
class TStatusRowDelegate final : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (!(option->state & QStyle::State_Selected))
            return;
        const QVariant bits = index.data(StatusBitsRole);
        const QColor selected = SelectedStatusColor(bits.toUInt());
        if (!selected.isValid())
            return;
        option->state &= ~QStyle::State_Selected;
        option->backgroundBrush = selected;
        option->palette.setColor(QPalette::Text, Qt::white);
    }
};

// Fixed widths, so that "Status" (the last column) always stays in view:
// the addresses, the time and the status as wide as their usual texts, the
// model's long description taking what is left. Longer texts are cut; the
// row's tool tip holds every cell whole.
void FixStatusColumns(QTreeWidget* list)
{
    const QFontMetrics metrics = list->fontMetrics();
    const int pad = 2 * metrics.averageCharWidth() + 8;
    const QString time = QLocale().toString(QDateTime(QDate(2026, 12, 28), QTime(23, 59, 59)), QLocale::ShortFormat);
    std::vector<int> widths(TStatusRow::ColumnCount, 0);
    widths[TStatusRow::ColNumber] = list->iconSize().width() + metrics.horizontalAdvance(QStringLiteral("0000")) + pad + 16;
    widths[TStatusRow::ColIp] = metrics.horizontalAdvance(QStringLiteral("255.255.255.255")) + pad;
    widths[TStatusRow::ColMac] = metrics.horizontalAdvance(QStringLiteral("00:00:00:00:00:00")) + pad;
    widths[TStatusRow::ColModel] = metrics.averageCharWidth() * 12 + pad;
    widths[TStatusRow::ColTime] = std::max(metrics.horizontalAdvance(time) + pad,
                                           metrics.horizontalAdvance(QStringLiteral("(No response yet)")) + pad);
    widths[TStatusRow::ColStatus] = metrics.horizontalAdvance(QStringLiteral("Online/power1 fail/port 8 fail")) + pad;
    for (int column = 0; column < TStatusRow::ColumnCount; ++column)
        widths[size_t(column)] = std::max(widths[size_t(column)], list->header()->sectionSizeHint(column));
    FixColumns(list, widths, TStatusRow::ColModel);
}

} // namespace

TStatusFrame::TStatusFrame(QWidget* parent)
    : QFrame(parent), m_Clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_List = new QTreeWidget(this);
    m_List->setRootIsDecorated(false);
    // One-line rows: a changed cell need not be measured again.
    m_List->setUniformRowHeights(true);
    m_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_List->setColumnCount(TStatusRow::ColumnCount);
    m_List->setHeaderLabels({QString(), QStringLiteral("IP"), QStringLiteral("MAC Address"), QStringLiteral("Model"),
                             QStringLiteral("Last Reported Time"), QStringLiteral("Status")});
    m_List->header()->setSectionsClickable(true);
    m_List->setContextMenuPolicy(Qt::CustomContextMenu);
    m_List->setItemDelegate(new TStatusRowDelegate(m_List));
    QPalette palette = m_List->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, SelectionColor());
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    m_List->setPalette(palette);
    FixStatusColumns(m_List);
    // Every found switch adds a row, and every poll answer changes one.
    ThrottlePaints(m_List);

    m_Period = new QSpinBox(this);
    m_Period->setRange(5, 86400);
    m_Period->setValue(10);
    m_Timeout = new QSpinBox(this);
    m_Timeout->setRange(1, 9);
    m_Timeout->setValue(5);
    m_PeriodRange = new QLabel(QStringLiteral("(%1 - %2)").arg(5).arg(86400), this);
    m_TimeoutRange = new QLabel(QStringLiteral("(%1 - %2)").arg(1).arg(9), this);
    m_Beep = new QCheckBox(QStringLiteral("&Beep Alarm:"), this);
    m_Beep->setLayoutDirection(Qt::RightToLeft);
    m_ClearError = new QPushButton(QStringLiteral("&Clear Error"), this);
    m_Refresh = new QPushButton(QStringLiteral("&Refresh"), this);

    auto* periodLabel = new QLabel(QStringLiteral("Query &Period:"), this);
    periodLabel->setBuddy(m_Period);
    auto* timeoutLabel = new QLabel(QStringLiteral("Query &Timeout:"), this);
    timeoutLabel->setBuddy(m_Timeout);
    auto* controls = new QHBoxLayout;
    controls->addWidget(periodLabel);
    controls->addWidget(m_Period);
    controls->addWidget(m_PeriodRange);
    controls->addSpacing(12);
    controls->addWidget(timeoutLabel);
    controls->addWidget(m_Timeout);
    controls->addWidget(m_TimeoutRange);
    controls->addSpacing(12);
    controls->addWidget(m_Beep);
    controls->addStretch(1);
    controls->addWidget(m_ClearError);
    controls->addWidget(m_Refresh);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_List, 1);
    layout->addLayout(controls);

    m_Menu = new QMenu(this);
    QAction* clearAction = m_Menu->addAction(QStringLiteral("&Clear Error"));
    QAction* refreshAction = m_Menu->addAction(QStringLiteral("&Refresh"));
    connect(clearAction, &QAction::triggered, this, &TStatusFrame::ClearErrors);
    connect(refreshAction, &QAction::triggered, this, &TStatusFrame::PollAll);
    connect(m_List, &QWidget::customContextMenuRequested, this, [this, clearAction, refreshAction](const QPoint& p) {
        clearAction->setEnabled(m_ClearError->isEnabled());
        refreshAction->setEnabled(m_Refresh->isEnabled());
        m_Menu->popup(m_List->viewport()->mapToGlobal(p));
    });

    m_PollTimer = new QTimer(this);
    m_PollTimer->setInterval(10000);
    m_BeepTimer = new QTimer(this);
    m_BeepTimer->setInterval(2000);
    connect(m_PollTimer, &QTimer::timeout, this, &TStatusFrame::PollAll);
    connect(m_BeepTimer, &QTimer::timeout, this, &TStatusFrame::BeepTick);
    connect(m_Period, &QSpinBox::valueChanged, this, [this](int v) { EventOnPeriodChange(v); });
    connect(m_Beep, &QCheckBox::toggled, this, [this](bool on) {
        if (on)
            m_BeepTimer->start();
        else
            m_BeepTimer->stop();
    });
    connect(m_ClearError, &QPushButton::clicked, this, &TStatusFrame::ClearErrors);
    connect(m_Refresh, &QPushButton::clicked, this, &TStatusFrame::PollAll);
    connect(m_List, &QTreeWidget::itemSelectionChanged, this, [this] { UpdateButtons(); });
    connect(m_List->header(), &QHeaderView::sectionClicked, this, [this](int c) { EventOnHeaderClick(c); });

    UpdateButtons();
    m_PollTimer->start();
}

TStatusFrame::~TStatusFrame()
{
    // Polls still pending must not report to a monitor that is gone.
    for (Intp::TSession* session : Intp::SessionList())
        if (session->GetObserver() == this)
            session->SetObserver(nullptr);
}

void TStatusFrame::AddDevices(const std::vector<Intp::TDevice*>& devices)
{
    for (Intp::TDevice* device : devices)
        AddDevice(device);
}

void TStatusFrame::AddDevice(Intp::TDevice* device)
{
    if (!device)
        return;
    // One look-up finds an existing row or makes the place for the new one.
    const auto [place, added] = m_Rows.try_emplace(device->GetMac(), nullptr);
    if (!added)
        return;
    auto* row = new TStatusRow(m_NextNumber++, device->GetIp(), device->GetMac(),
                               QString::fromStdString(device->GetTypeName()));
    place->second = row;
    m_List->addTopLevelItem(row);
    UpdateButtons();
    PollRow(row, unsigned(m_Timeout->value()) * 1000u);
}

uint32_t TStatusFrame::GetStatusFlags(Intp::TDevice* device)
{
    const TStatusRow* row = device ? FindRow(device->GetMac()) : nullptr;
    return row ? row->Bits : 0;
}

TStatusRow* TStatusFrame::FindRow(const Intp::TMacAddr& mac) const
{
    auto it = m_Rows.find(mac);
    return it == m_Rows.end() ? nullptr : it->second;
}

void TStatusFrame::PollAll()
{
    m_PollTimer->stop();
    const unsigned timeoutMs = unsigned(m_Timeout->value()) * 1000u;
    for (int i = 0; i < m_List->topLevelItemCount(); ++i)
        PollRow(static_cast<TStatusRow*>(m_List->topLevelItem(i)), timeoutMs);
    m_PollTimer->setInterval(m_Period->value() * 1000);
    m_PollTimer->start();
}

void TStatusFrame::PollRow(TStatusRow* row, unsigned timeoutMs)
{
    Intp::TDevice* device = Intp::GetDevice(row->Mac, false);
    if (!device) {
        // A new discovery deleted it: bring it back at its recorded address.
        device = Intp::GetDevice(row->Mac, true);
        if (device)
            device->SetIp(row->Ip);
    }
    if (!device) {
        row->Bits |= StatusOffline;
        row->Image = 1;
    } else {
        auto* session = new Intp::TSessionIntpPing2(timeoutMs);
        if (Intp::StartSession(session, device, this))
            return;
        delete session;
        row->Bits |= StatusQueryFail;
    }
    row->Changed();
}

void TStatusFrame::OnSessionEvent(Intp::TDevice* device, int command, uint16_t status, void*)
{
    if (!device || command != Intp::TSessionIntpPing2::Command)
        return;
    TStatusRow* row = FindRow(device->GetMac());
    if (!row)
        return;
    if (status == Intp::StatusTimeout) {
        row->Bits |= StatusOffline;
        row->Image = 1;
    } else {
        row->Bits &= ~StatusOffline;
        row->Image = 0;
        if (status == Intp::StatusOk) {
            row->Bits &= ~StatusQueryFail;
            const Intp::TPropertyIntpPing2& ping = Intp::GetPropertyIntpPing2(device);
            row->PowerAlarm = ping.PowerAlarm;
            row->PortAlarm = ping.PortAlarm;
            if (ping.PowerAlarm || ping.PortAlarm)
                row->Bits |= StatusAlarm;
            else
                row->Bits &= ~StatusAlarm;
        } else {
            row->Bits |= StatusQueryFail;
        }
        row->NowIp = device->GetIp();
        if (row->NowIp == row->Ip)
            row->Bits &= ~StatusIpDifferent;
        else
            row->Bits |= StatusIpDifferent;
        row->LastReported = m_Clock();
    }
    row->Changed();
}

void TStatusFrame::BeepTick()
{
    for (int i = 0; i < m_List->topLevelItemCount(); ++i) {
        const auto* row = static_cast<const TStatusRow*>(m_List->topLevelItem(i));
        if (row->Bits & (StatusOffline | StatusQueryFail | StatusAlarm)) {
            UserInterface().Beep(341, 100);
            return;
        }
    }
}

void TStatusFrame::ClearErrors()
{
    for (QTreeWidgetItem* item : m_List->selectedItems()) {
        auto* row = static_cast<TStatusRow*>(item);
        row->Bits = 0;
        row->PowerAlarm = 0;
        row->PortAlarm = 0;
        if (const Intp::TDevice* device = Intp::GetDevice(row->Mac, false))
            row->Ip = device->GetIp();
        row->NowIp = row->Ip;
        row->Image = 0;
        row->Changed();
    }
}

void TStatusFrame::EventOnPeriodChange(int period)
{
    m_Timeout->setMaximum(period - 1);   // also lowers a larger value
    m_TimeoutRange->setText(QStringLiteral("(%1 - %2)").arg(m_Timeout->minimum()).arg(m_Timeout->maximum()));
}

void TStatusFrame::EventOnHeaderClick(int column)
{
    m_SortAscending = column == m_SortColumn ? !m_SortAscending : true;
    m_SortColumn = column;
    m_List->sortItems(column, m_SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder);
}

void TStatusFrame::UpdateButtons()
{
    m_Refresh->setEnabled(m_List->topLevelItemCount() > 0);
    // Not selectedItems(): that lists every selected row, and this runs for
    // every added row.
    m_ClearError->setEnabled(m_List->selectionModel()->hasSelection());
}

void TStatusFrame::Notify(Intp::TDevice*, uint16_t code, uint16_t)
{
    if (code == EventPageShown)
        show();
}

bool TStatusFrame::Leave(bool)
{
    hide();
    return true;
}

int TStatusFrame::Refresh(bool)
{
    PollAll();
    return 0;
}
