#include "SyslogForm.h"

#include "Intp.h"
#include "ModuleCallback.h"
#include "PageList.h"
#include "Resources.h"
#include "SyslogModel.h"
#include "SyslogParser.h"

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

#include <limits>

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

// UTF-16 compared in code point order (the order of the UTF-8 bytes): a
// surrogate pair sorts above every other unit.
int CompareCodePoints(const QString& a, const QString& b)
{
    const qsizetype n = std::min(a.size(), b.size());
    for (qsizetype i = 0; i < n; ++i) {
        char16_t x = a[i].unicode(), y = b[i].unicode();
        if (x == y)
            continue;
        auto fix = [](char16_t c) { return c >= 0xD800 && c < 0xE000 ? char16_t(c + 0x2000) : char16_t(c >= 0xE000 ? c - 0x800 : c); };
        return fix(x) < fix(y) ? -1 : 1;
    }
    return CompareNumbers(a.size(), b.size());
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
    m_LogList->SetCompare(&TSyslogForm::Compare);

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

    connect(m_Prev, &QPushButton::clicked, this, &TSyslogForm::EventOnPrevClick);
    connect(m_Next, &QPushButton::clicked, this, &TSyslogForm::EventOnNextClick);
    connect(m_Copy, &QPushButton::clicked, this, &TSyslogForm::EventOnCopyClick);
    connect(m_Close, &QPushButton::clicked, this, &TSyslogForm::EventOnCloseClick);
    connect(m_LogList, &TPageList::RowSelected, this, &TSyslogForm::EventOnLogListSelectItem);

    // The rows, in the list's order.
    Syslog::TSyslogServer* server = g_ModuleCallback ? g_ModuleCallback->GetSyslogServer() : nullptr;
    const QLocale locale = QLocale::system();
    QString months[13];
    for (int m = 1; m <= 12; ++m)
        months[m] = locale.monthName(m, QLocale::ShortFormat);
    // The local time of each event; the offset from UTC is looked up once
    // per hour of receive time, not once per event.
    qint64 offsetHour = std::numeric_limits<qint64>::min(), offsetMs = 0;
    std::vector<TPageRow> rows;
    rows.reserve(list.size());
    for (const Syslog::TSyslogListNode& event : list) {
        const qint64 utc = event.ReceiveTime.toMSecsSinceEpoch();
        if (utc / 3600000 != offsetHour) {
            offsetHour = utc / 3600000;
            offsetMs = qint64(event.ReceiveTime.toLocalTime().offsetFromUtc()) * 1000;
        }
        const QDateTime local = QDateTime::fromMSecsSinceEpoch(utc + offsetMs, Qt::UTC);
        TPageRow row;
        row.Texts = {QString::number(event.EventId),
                     server ? server->GetFacilityName(event.Facility) : QString::number(event.Facility),
                     server ? server->GetSeverityName(event.Severity) : QString::number(event.Severity),
                     QString::fromStdString(Intp::IpToText(event.Sender)),
                     months[local.date().month()] + QLatin1Char(' ') + QString::number(local.date().day()),
                     Syslog::EventTimeText(local),
                     event.Message};
        row.Icon = Syslog::SeverityIcon(Syslog::SeverityImage(event.Severity));
        row.Loaded = {int64_t(event.Facility),        int64_t(event.Severity),
                      int64_t(event.EventId),         local.date().toJulianDay(),
                      local.time().msecsSinceStartOfDay(), event.ReceiveTime.toMSecsSinceEpoch(),
                      int64_t(event.Sender)};
        rows.push_back(std::move(row));
    }
    m_LogList->Model()->Append(std::move(rows));
    if (m_LogList->RowCount() > 0)
        m_LogList->SelectRow(m_LogList->RowCount() - 1);
}

int TSyslogForm::Compare(const TPageRow& a, const TPageRow& b, int column)
{
    auto value = [](const TPageRow& r, int v) { return r.Loaded[size_t(v)]; };
    switch (column) {
    case ColEventId: return CompareNumbers(value(a, ValEventId), value(b, ValEventId));
    case ColFacility: return CompareNumbers(value(a, ValFacility), value(b, ValFacility));
    case ColSeverity: return CompareNumbers(value(a, ValSeverity), value(b, ValSeverity));
    case ColHost: return CompareNumbers(uint32_t(value(a, ValSender)), uint32_t(value(b, ValSender)));
    case ColDate:
        // Events of one day are equal; other days by their receive time.
        return value(a, ValDay) == value(b, ValDay) ? 0 : CompareNumbers(value(a, ValTime), value(b, ValTime));
    case ColTime:
        // Whole milliseconds of the time of day: a strict weak order.
        return CompareNumbers(value(a, ValMsOfDay), value(b, ValMsOfDay));
    case ColMessage: return CompareCodePoints(a.Texts.at(ColMessage), b.Texts.at(ColMessage));
    default: return 0;
    }
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
    const TPageRow& r = m_LogList->Row(row);
    m_EventId->setText(r.Texts.value(ColEventId));
    m_Facility->setText(r.Texts.value(ColFacility));
    m_Severity->setText(r.Texts.value(ColSeverity));
    m_Host->setText(r.Texts.value(ColHost));
    m_Date->setText(r.Texts.value(ColDate));
    m_Time->setText(r.Texts.value(ColTime));
    m_Memo->clear();
    m_Memo->setPlainText(r.Texts.value(ColMessage));
    m_Prev->setEnabled(row > 0);
    m_Next->setEnabled(row < m_LogList->RowCount() - 1);
    m_Copy->setEnabled(true);
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
