#include "StatusFrame.h"

#include "IntpProtocol.h"
#include "ListColumns.h"
#include "MessageBoxes.h"
#include "PaintThrottle.h"

#include <QCheckBox>
#include <QDateTime>
#include <QFontMetrics>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QStyle>
#include <QStyledItemDelegate>
#include <QTimer>
#include <QTreeView>
#include <QVBoxLayout>

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

} // namespace

TStatusFrame::TStatusFrame(QWidget* parent)
    : QFrame(parent), m_Clock([] { return QDateTime::currentMSecsSinceEpoch(); })
{
    m_Model = new TStatusModel(this);
    m_List = new QTreeView(this);
    m_List->setModel(m_Model);
    m_List->setRootIsDecorated(false);
    // One-line rows: a changed cell need not be measured again.
    m_List->setUniformRowHeights(true);
    m_List->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_List->header()->setSectionsClickable(true);
    m_List->setContextMenuPolicy(Qt::CustomContextMenu);
    m_List->setItemDelegate(new TStatusRowDelegate(m_List));
    QPalette palette = m_List->palette();
    for (QPalette::ColorGroup group : {QPalette::Active, QPalette::Inactive}) {
        palette.setColor(group, QPalette::Highlight, SelectionColor());
        palette.setColor(group, QPalette::HighlightedText, Qt::white);
    }
    m_List->setPalette(palette);
    // Columns as wide as what they show, "Status" (the last) taking the
    // rest. In a pane too narrow for them all the model's long description
    // is cut first, then the others down to a number, an address or a time
    // (an address that changed shows two), then the status; the row's tool
    // tip holds every cell whole.
    const QFontMetrics metrics = m_List->fontMetrics();
    const int margins = 2 * (m_List->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, m_List) + 1);
    std::vector<int> minimums(TStatusRow::ColumnCount, 0);
    minimums[TStatusRow::ColNumber] =
        m_List->iconSize().width() + metrics.horizontalAdvance(QStringLiteral("0000")) + 2 * margins;
    minimums[TStatusRow::ColIp] = metrics.horizontalAdvance(QStringLiteral("255.255.255.255")) + margins;
    minimums[TStatusRow::ColMac] = metrics.horizontalAdvance(QStringLiteral("DD:DD:DD:DD:DD:DD")) + margins;
    minimums[TStatusRow::ColTime] = metrics.horizontalAdvance(QStringLiteral("(No response yet)")) + margins;
    FitColumns(m_List, minimums, TStatusRow::ColModel);
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
    connect(m_List->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] { UpdateButtons(); });
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
    const std::vector<TStatusRow*> added = m_Model->Add(devices);
    if (added.empty())
        return;
    UpdateButtons();
    const unsigned timeoutMs = unsigned(m_Timeout->value()) * 1000u;
    for (TStatusRow* row : added)
        PollRow(row, timeoutMs);
}

void TStatusFrame::AddDevice(Intp::TDevice* device)
{
    AddDevices({device});
}

uint32_t TStatusFrame::GetStatusFlags(Intp::TDevice* device)
{
    const TStatusRow* row = device ? FindRow(device->GetMac()) : nullptr;
    return row ? row->Bits : 0;
}

TStatusRow* TStatusFrame::FindRow(const Intp::TMacAddr& mac) const
{
    return m_Model->Find(mac);
}

int TStatusFrame::RowCount() const
{
    return m_Model->RowCount();
}

TStatusRow* TStatusFrame::RowAt(int i) const
{
    return i >= 0 && i < m_Model->RowCount() ? m_Model->Row(i) : nullptr;
}

void TStatusFrame::SelectRow(int i, bool selected)
{
    if (i < 0 || i >= m_Model->RowCount())
        return;
    m_List->selectionModel()->select(m_Model->index(i, 0), (selected ? QItemSelectionModel::Select
                                                                     : QItemSelectionModel::Deselect) |
                                                                QItemSelectionModel::Rows);
}

void TStatusFrame::PollAll()
{
    m_PollTimer->stop();
    const unsigned timeoutMs = unsigned(m_Timeout->value()) * 1000u;
    for (int i = 0; i < m_Model->RowCount(); ++i)
        PollRow(m_Model->Row(i), timeoutMs);
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
    m_Model->Changed(row);
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
    m_Model->Changed(row);
}

void TStatusFrame::BeepTick()
{
    for (int i = 0; i < m_Model->RowCount(); ++i) {
        const TStatusRow* row = m_Model->Row(i);
        if (row->Bits & (StatusOffline | StatusQueryFail | StatusAlarm)) {
            UserInterface().Beep(341, 100);
            return;
        }
    }
}

void TStatusFrame::ClearErrors()
{
    // Every row with a selected cell, once.
    std::vector<bool> chosen(size_t(m_Model->RowCount()), false);
    for (const QItemSelectionRange& range : m_List->selectionModel()->selection())
        for (int i = range.top(); i <= range.bottom(); ++i)
            chosen[size_t(i)] = true;
    for (int i = 0; i < m_Model->RowCount(); ++i) {
        if (!chosen[size_t(i)])
            continue;
        TStatusRow* row = m_Model->Row(i);
        row->Bits = 0;
        row->PowerAlarm = 0;
        row->PortAlarm = 0;
        if (const Intp::TDevice* device = Intp::GetDevice(row->Mac, false))
            row->Ip = device->GetIp();
        row->NowIp = row->Ip;
        row->Image = 0;
        m_Model->Changed(row);
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
    const Qt::SortOrder order = m_SortAscending ? Qt::AscendingOrder : Qt::DescendingOrder;
    // The header only remembers the column (it shows no arrow); the rows
    // are sorted once, and rows found later go at the end.
    m_List->header()->setSortIndicator(column, order);
    m_Model->sort(column, order);
}

void TStatusFrame::UpdateButtons()
{
    m_Refresh->setEnabled(m_Model->RowCount() > 0);
    // Not selectedRows(): that lists every selected row, and this runs for
    // every batch of added rows.
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
