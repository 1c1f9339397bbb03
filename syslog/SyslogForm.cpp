#include "SyslogForm.h"

#include "AccessibleNames.h"

#include "Intp.h"
#include "ModuleCallback.h"
#include "PageList.h"
#include "Resources.h"
#include "SyslogModel.h"
#include "SyslogParser.h"
#include "VisibleText.h"

#include <QApplication>
#include <QClipboard>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSplitter>
#include <QTabBar>
#include <QTimeZone>
#include <QVBoxLayout>


namespace {

// What each row keeps besides its texts (TPageRow::Loaded).
enum TValue { ValFacility, ValSeverity, ValEventId, ValDay, ValMsOfDay, ValTime, ValSender, ValCount };

TSyslogForm::TModalHook& ModalHook()
{
    static TSyslogForm::TModalHook hook;
    return hook;
}

QLineEdit* NewField(QWidget* parent)
{
    auto* field = new QLineEdit(parent);
    field->setReadOnly(true);
    field->setFrame(false);
    return field;
}

// A detail field shows its text from the start (a line edit would show the
// end of a text longer than itself), and the whole text as its tool tip.
void SetField(QLineEdit* field, const QString& text)
{
    field->setText(text);
    field->setCursorPosition(0);
    field->setToolTip(text);
}

} // namespace

TSyslogForm::TSyslogForm(QWidget* owner, const Syslog::TSyslogList& list) : QDialog(owner)
{
    setSizeGripEnabled(false);
    auto* tabs = new QTabBar(this);
    tabs->addTab(QStringLiteral("Log"));

    m_Date = NewField(this);
    m_Time = NewField(this);
    m_Host = NewField(this);
    m_Facility = NewField(this);
    m_Severity = NewField(this);
    m_EventId = NewField(this);
    // Wide enough for the longest facility name.
    m_Facility->setMinimumWidth(m_Facility->fontMetrics().horizontalAdvance(
                                    QStringLiteral("messages generated internally by syslogd")) +
                                m_Facility->fontMetrics().averageCharWidth() * 2);
    auto* fields = new QFormLayout;
    const std::pair<const char*, QLineEdit*> labels[] = {{"&Date:", m_Date},         {"&Time:", m_Time},
                                                       {"&Host:", m_Host},         {"&Facility:", m_Facility},
                                                       {"&Severity:", m_Severity}, {"&Event ID:", m_EventId}};
    for (auto& [label, field] : labels) {
        auto* l = new QLabel(QString::fromLatin1(label), this);
        l->setBuddy(field);
        fields->addRow(l, field);
    }

    m_Prev = new QPushButton(Resources::Icon("RC_BITMAP_16X16_PREVIOUS"), QString(), this);
    m_Next = new QPushButton(Resources::Icon("RC_BITMAP_16X16_NEXT"), QString(), this);
    m_Copy = new QPushButton(Resources::Icon("RC_BITMAP_16X16_COPY"), QString(), this);
    m_Prev->setAccessibleName(QStringLiteral("Previous"));
    m_Next->setAccessibleName(QStringLiteral("Next"));
    m_Copy->setAccessibleName(QStringLiteral("Copy"));
    for (QPushButton* b : {m_Prev, m_Next, m_Copy})
        b->setEnabled(false);
    auto* steps = new QVBoxLayout;
    steps->addWidget(m_Prev);
    steps->addWidget(m_Next);
    steps->addWidget(m_Copy);
    steps->addStretch(1);

    m_Memo = new QPlainTextEdit(this);
    m_Memo->setReadOnly(true);
    m_Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    auto* memoLabel = new QLabel(QStringLiteral("&Content:"), this);
    memoLabel->setBuddy(m_Memo);

    m_LogList = new TPageList({QStringLiteral("Event ID"), QStringLiteral("Facility"), QStringLiteral("Severity"),
                               QStringLiteral("Host"), QStringLiteral("Date"), QStringLiteral("Time"),
                               QStringLiteral("Message")},
                              this);
    m_LogList->setShowGrid(true);
    m_LogList->SetColumnWidths({60, 110, 80, 100, 60, 80});
    m_LogList->SetSortRule(TPageList::SortShared, ColEventId, 1);
    // Numbers for every column but the message, which compares its bytes.
    m_LogList->SetSortKey([](const TPageRow& row, int column, int64_t& key) {
        static const int values[] = {ValEventId, ValFacility, ValSeverity, ValSender, ValDay, ValMsOfDay};
        if (column < ColEventId || column > ColTime)
            return false;
        // Events of one day are equal by "Date"; other days order by time,
        // as their days do.
        key = row.Loaded[size_t(values[column])];
        return true;
    });
    m_LogList->SetSortText([](const TPageRow& row, int column) {
        return column == ColMessage ? &row.Texts.at(ColMessage) : nullptr;
    });

    auto* detail = new QWidget(this);
    auto* detailLayout = new QHBoxLayout(detail);
    detailLayout->setContentsMargins(0, 0, 0, 0);
    auto* memoColumn = new QVBoxLayout;
    memoColumn->addWidget(memoLabel);
    memoColumn->addWidget(m_Memo, 1);
    detailLayout->addLayout(fields);
    detailLayout->addLayout(steps);
    detailLayout->addLayout(memoColumn, 1);
    auto* splitter = new QSplitter(Qt::Vertical, this);
    splitter->setObjectName("m_Splitter");
    splitter->addWidget(detail);
    splitter->addWidget(m_LogList);
    splitter->setStretchFactor(1, 1);

    m_Close = new QPushButton(Resources::Icon("RC_BITMAP_16X16_EXIT"), QStringLiteral("&Close"), this);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_Close);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(tabs);
    layout->addWidget(splitter, 1);
    layout->addLayout(bottom);
    resize(760, 520);

    // The list is the "Log" tab's.
    NameControls(this, tabs->tabText(0));

    connect(m_Prev, &QPushButton::clicked, this, &TSyslogForm::EventOnPrevClick);
    connect(m_Next, &QPushButton::clicked, this, &TSyslogForm::EventOnNextClick);
    connect(m_Copy, &QPushButton::clicked, this, &TSyslogForm::EventOnCopyClick);
    connect(m_Close, &QPushButton::clicked, this, &TSyslogForm::EventOnCloseClick);
    connect(m_LogList, &TPageList::RowSelected, this, &TSyslogForm::EventOnLogListSelectItem);
    // A sort moves the selected row without selecting it again.
    connect(m_LogList->Model(), &QAbstractItemModel::layoutChanged, this, &TSyslogForm::UpdateSteps);

    // The rows, in the list's order.
    Syslog::TSyslogServer* server = g_ModuleCallback ? g_ModuleCallback->GetSyslogServer() : nullptr;
    const QLocale locale = QLocale::system();
    QStringList months(13);
    for (int m = 1; m <= 12; ++m)
        months[m] = locale.monthName(m, QLocale::ShortFormat);
    // The local time of each event; the offset from UTC is looked up once
    // per quarter hour of receive time, not once per event.
    Syslog::TLocalTimes offsets;
    std::vector<TPageRow> rows;
    rows.reserve(list.size());
    for (const Syslog::TSyslogListNode& event : list) {
        const qint64 utc = event.ReceiveTime.toMSecsSinceEpoch();
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(utc + offsets.OffsetMs(utc), Qt::UTC);
        TPageRow row;
        // Only the message is kept as text; the other columns are made from
        // the row's values when they are shown.
        row.Texts = {QString(), QString(), QString(), QString(), QString(), QString(), event.Message};
        row.Icon = Syslog::SeverityIcon(Syslog::SeverityImage(event.Severity));
        row.Loaded = {int64_t(event.Facility),        int64_t(event.Severity),
                      int64_t(event.EventId),         local.date().toJulianDay(),
                      local.time().msecsSinceStartOfDay(), event.ReceiveTime.toMSecsSinceEpoch(),
                      int64_t(event.Sender)};
        rows.push_back(std::move(row));
    }
    m_LogList->Model()->SetTextFunction([server, months](const TPageRow& row, int column) -> QString {
        auto value = [&row](int v) { return row.Loaded[size_t(v)]; };
        switch (column) {
        case ColEventId: return QString::number(value(ValEventId));
        case ColFacility:
            return server ? server->GetFacilityName(uint32_t(value(ValFacility))) : QString::number(value(ValFacility));
        case ColSeverity:
            return server ? server->GetSeverityName(uint32_t(value(ValSeverity))) : QString::number(value(ValSeverity));
        case ColHost: return QString::fromStdString(Intp::IpToText(uint32_t(value(ValSender))));
        case ColDate: {
            const QDate date = QDate::fromJulianDay(value(ValDay));
            return months[date.month()] + QLatin1Char(' ') + QString::number(date.day());
        }
        case ColTime: return QLocale::system().toString(QTime::fromMSecsSinceStartOfDay(int(value(ValMsOfDay))), QLocale::LongFormat);
        default: return {};
        }
    });
    m_LogList->Model()->Append(std::move(rows));
    if (m_LogList->RowCount() > 0)
        m_LogList->SelectRow(m_LogList->RowCount() - 1);
}

void TSyslogForm::SelectEvent(uint32_t eventId)
{
    for (int row = m_LogList->RowCount() - 1; row >= 0; --row)
        if (m_LogList->Row(row).Loaded[ValEventId] == int64_t(eventId)) {
            m_LogList->SelectRow(row);
            return;
        }
}

void TSyslogForm::EventOnLogListSelectItem(int row)
{
    if (row < 0)
        return;
    SetField(m_EventId, m_LogList->Text(row, ColEventId));
    SetField(m_Facility, m_LogList->Text(row, ColFacility));
    SetField(m_Severity, m_LogList->Text(row, ColSeverity));
    SetField(m_Host, m_LogList->Text(row, ColHost));
    SetField(m_Date, m_LogList->Text(row, ColDate));
    SetField(m_Time, m_LogList->Text(row, ColTime));
    m_Memo->clear();
    // The message as the switch sent it, its control characters (line
    // breaks and bidirectional controls too) made visible as in the lists.
    m_Memo->setPlainText(Resources::VisibleText(m_LogList->Text(row, ColMessage)));
    m_Copy->setEnabled(true);
    UpdateSteps();
}

void TSyslogForm::UpdateSteps()
{
    // Positions in the list as it is sorted now.
    const int row = m_LogList->SelectedRow();
    if (row < 0)
        return;
    m_Prev->setEnabled(row > 0);
    m_Next->setEnabled(row < m_LogList->RowCount() - 1);
}

void TSyslogForm::EventOnPrevClick()
{
    const int selected = m_LogList->SelectedRow();
    const int target = selected >= 0 ? selected - 1 : 0;
    if (m_LogList->RowCount() > 0 && target >= 0)
        m_LogList->SelectRow(target);
}

void TSyslogForm::EventOnNextClick()
{
    const int selected = m_LogList->SelectedRow();
    const int target = selected >= 0 ? selected + 1 : 0;
    if (target < m_LogList->RowCount())
        m_LogList->SelectRow(target);
}

void TSyslogForm::EventOnCopyClick()
{
    m_Memo->selectAll();
    QApplication::clipboard()->setText(m_Memo->toPlainText());
}

void TSyslogForm::EventOnCloseClick() { accept(); }

void TSyslogForm::SetModalHook(TModalHook hook) { ModalHook() = std::move(hook); }

void TSyslogForm::Show(QWidget* owner, const Syslog::TSyslogList& list, const QString& caption, int64_t eventId)
{
    TSyslogForm form(owner, list);
    form.setWindowTitle(caption);
    if (eventId >= 0)
        form.SelectEvent(uint32_t(eventId));
    if (ModalHook())
        ModalHook()(form);
    else
        form.exec();
}
