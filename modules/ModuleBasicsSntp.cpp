#include "ModuleBasicsSntp.h"

#include "IntpSntp.h"
#include "PageEditors.h"
#include "PageFields.h"

#include <QComboBox>
#include <QDateEdit>
#include <QDateTime>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QTimeEdit>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

namespace {

const char* const ZoneNames[] = {
    "(GMT-12:00)Eniwetok, Kwajalein",
    "(GMT-11:00)Midway Island, Samoa",
    "(GMT-10:00)Hawaii",
    "(GMT-09:00)Alaska",
    "(GMT-08:00)Pacific Time (US &amp; Canada), Tijuana",
    "(GMT-07:00)Arizona",
    "(GMT-07:00)Mountain Time (US &amp; Canada)",
    "(GMT-06:00)Central Time (US &amp; Canada)",
    "(GMT-06:00)Mexico City, Tegucigalpa",
    "(GMT-06:00)Saskatchewan",
    "(GMT-05:00)Bogota, Lima, Quito",
    "(GMT-05:00)Eastern Time (US &amp; Canada)",
    "(GMT-05:00)Indiana (East)",
    "(GMT-04:00)Atlantic Time (Canada)",
    "(GMT-04:00)Caracas, La Paz",
    "(GMT-04:00)Santiago",
    "(GMT-03:30)Newfoundland",
    "(GMT-03:00)Brasilia",
    "(GMT-03:00)Buenos Aires, Georgetown",
    "(GMT-02:00)Mid-Atlantic",
    "(GMT-01:00)Azores, Cape Verde Is.",
    "(GMT)Casablanca, Monrovia",
    "(GMT)Greenwich Mean Time: Dublin, Edinburgh, Lisbon, London",
    "(GMT+01:00)Amsterdam, Berlin, Bern, Rome, Stockholm, Vienna",
    "(GMT+01:00)Belgrade, Bratislava, Budapest, Ljubljana, Prague",
    "(GMT+01:00)Brussels, Copenhagen, Madrid, Paris, Vilnius",
    "(GMT+01:00)Sarajevo, Skopje, Sofija, Warsaw, Zagreb",
    "(GMT+02:00)Athens, Istanbul, Minsk",
    "(GMT+02:00)Bucharest",
    "(GMT+02:00)Cairo",
    "(GMT+02:00)Harare, Pretoria",
    "(GMT+02:00)Helsinki, Riga, Tallinn",
    "(GMT+02:00)Jerusalem",
    "(GMT+03:00)Baghdad, Kuwait, Riyadh",
    "(GMT+03:00)Moscow, St. Petersburg, Volgograd",
    "(GMT+03:00)Mairobi",
    "(GMT+03:30)Tehran",
    "(GMT+04:00)Abu Dhabi, Muscat",
    "(GMT+04:00)Baku, Tbilisi",
    "(GMT+04:30)Kabul",
    "(GMT+05:00)Ekaterinburg",
    "(GMT+05:00)Islamabad, Karachi, Tashkent",
    "(GMT+05:30)Bombay, Calcutta, Madras, New Delhi",
    "(GMT+06:00)Astana, Almaty, Dhaka",
    "(GMT+06:00)Colombo",
    "(GMT+07:00)Bangkok, Hanoi, Jakarta",
    "(GMT+08:00)Beijing, Chongqing, Hong Kong, Urumqi",
    "(GMT+08:00)Perth",
    "(GMT+08:00)Singapore",
    "(GMT+08:00)Taipei",
    "(GMT+09:00)Osaka, Sapporo, Tokyo",
    "(GMT+09:00)Seoul",
    "(GMT+09:00)Yakutsk",
    "(GMT+09:30)Adelaide",
    "(GMT+09:30)Darwin",
    "(GMT+10:00)Brisbane",
    "(GMT+10:00)Canberra, Melbourne, Sydney",
    "(GMT+10:00)Guam, Port Moresby",
    "(GMT+10:00)Hobart",
    "(GMT+10:00)Vladivostok",
    "(GMT+11:00)Magadan, Solomon Is., New Caledonia",
    "(GMT+12:00)Auckland, Wllington",
    "(GMT+12:00)Fiji, Kamchatka, Marshall Is.",
};
static_assert(std::size(ZoneNames) == 63);

// The days of seconds 0 and 0xFFFFFFFF (2106-02-07 06:28:15) of the 32-bit
// time fields.
const QDate FieldFirstDay(1970, 1, 1);
const QDate FieldLastDay(2106, 2, 7);

void EnableAll(const std::vector<QWidget*>& widgets, bool on)
{
    for (QWidget* w : widgets)
        w->setEnabled(on);
}

} // namespace

QStringList TModuleBasicsSntp::TimeZoneNames()
{
    QStringList names;
    for (const char* name : ZoneNames)
        names << QString::fromLatin1(name).replace(QStringLiteral("&amp;"), QStringLiteral("&"));
    return names;
}

uint32_t TModuleBasicsSntp::ToSeconds(const QDate& date, const QTime& time)
{
    const int64_t ms = QDateTime(date, time, Qt::UTC).toMSecsSinceEpoch();
    const int64_t seconds = (ms + 500) / 1000;
    return seconds <= 0 ? 0 : (seconds >= 0xFFFFFFFFll ? 0xFFFFFFFFu : uint32_t(seconds));
}

void TModuleBasicsSntp::FromSeconds(uint32_t seconds, QDate& date, QTime& time)
{
    const QDateTime at = QDateTime::fromSecsSinceEpoch(int64_t(seconds), Qt::UTC);
    date = at.date();
    time = at.time();
}

TModuleBasicsSntp::TModuleBasicsSntp(QWidget* parent)
    : TModulePage(QStringLiteral("Time (SNTP)"), parent), m_Clock([] { return QDateTime::currentSecsSinceEpoch(); })
{
    auto* form = new QFormLayout;
    m_BasicTitle = NewHeading(QStringLiteral("Basic Settings:"), this);
    form->addRow(m_BasicTitle);
    m_Sntp = NewChoice({QStringLiteral("Disable"), QStringLiteral("Enable")}, this);
    m_Sntp->setObjectName("m_Sntp");
    m_SntpLabel = AddFormRow(form, QStringLiteral("&SNTP Client:"), m_Sntp);
    m_Timezone = NewChoice(TimeZoneNames(), this);
    m_Timezone->setObjectName("m_Timezone");
    QLabel* zoneLabel = AddFormRow(form, QStringLiteral("&UTC Timezone:"), m_Timezone);
    m_Address = new TIpEdit(this);
    m_Address->setObjectName("m_Address");
    QLabel* addressLabel = AddFormRow(form, QStringLiteral("Server IP &Address:"), m_Address);
    m_Current = new QLabel(QStringLiteral("(Invalid)"), this);
    m_Current->setObjectName("m_Current");
    m_CurrentLabel = AddFormRow(form, QStringLiteral("Current System Time:"), m_Current);

    m_DaylightTitle = NewHeading(QStringLiteral("Daylight Saving Time:"), this);
    form->addRow(m_DaylightTitle);
    m_Daylight = NewChoice({QStringLiteral("Disable"), QStringLiteral("Enable")}, this);
    m_Daylight->setObjectName("m_Daylight");
    QLabel* daylightLabel = AddFormRow(form, QStringLiteral("&Daylight Saving:"), m_Daylight);

    // The pickers carry exactly what the 32-bit second fields can.
    auto newDate = [this] {
        auto* edit = new QDateEdit(this);
        edit->setDisplayFormat(QLocale().dateFormat(QLocale::LongFormat));
        edit->setDateRange(FieldFirstDay, FieldLastDay);
        return edit;
    };
    auto newTime = [this] {
        auto* edit = new QTimeEdit(this);
        edit->setDisplayFormat(QStringLiteral("HH:mm:ss"));
        return edit;
    };
    m_BeginDate = newDate();
    m_BeginTime = newTime();
    m_EndDate = newDate();
    m_EndTime = newTime();
    auto pair = [this](QWidget* a, QWidget* b) {
        auto* row = new QHBoxLayout;
        row->addWidget(a);
        row->addWidget(b);
        row->addStretch(1);
        auto* holder = new QWidget(this);
        holder->setLayout(row);
        row->setContentsMargins(0, 0, 0, 0);
        return holder;
    };
    QWidget* beginRow = pair(m_BeginDate, m_BeginTime);
    QWidget* endRow = pair(m_EndDate, m_EndTime);
    QLabel* beginLabel = AddFormRow(form, QStringLiteral("Period &Begin:"), beginRow);
    beginLabel->setBuddy(m_BeginDate);
    m_BeginDate->setAccessibleName(QStringLiteral("Period Begin date"));
    m_BeginTime->setAccessibleName(QStringLiteral("Period Begin time"));
    QLabel* endLabel = AddFormRow(form, QStringLiteral("Period &End:"), endRow);
    endLabel->setBuddy(m_EndDate);
    m_EndDate->setAccessibleName(QStringLiteral("Period End date"));
    m_EndTime->setAccessibleName(QStringLiteral("Period End time"));
    m_Offset = new QSpinBox(this);
    m_Offset->setObjectName("m_Offset");
    m_Offset->setRange(INT_MIN, INT_MAX);
    auto* unit = new QLabel(QStringLiteral("(minutes)"), this);
    QLabel* offsetLabel = AddFormRow(form, QStringLiteral("&Offset:"), pair(m_Offset, unit));
    offsetLabel->setBuddy(m_Offset);
    PageLayout()->addLayout(form);
    PageLayout()->addStretch(1);
    AddApplyButton();

    m_Timer = new QTimer(this);
    m_Timer->setInterval(1000);
    connect(m_Timer, &QTimer::timeout, this, &TModuleBasicsSntp::EventOnTimer);

    m_SntpControls = {zoneLabel, m_Timezone, addressLabel, m_Address, m_DaylightTitle, daylightLabel, m_Daylight};
    m_DaylightControls = {beginLabel, m_BeginDate, m_BeginTime, endLabel, m_EndDate, m_EndTime,
                          offsetLabel, m_Offset, unit};
    Reads<Intp::TSessionBasicsSntpGet>();
    OnClear([this] {
        // The reload's own changes are no edits.
        m_Filling = true;
        m_Edited = 0;
        m_Sntp->setCurrentIndex(0);
        m_Timezone->setCurrentIndex(0);
        m_Address->SetValue(0);
        m_BeginMarker = m_EndMarker = 0;
        m_Daylight->setCurrentIndex(0);
        ShowDates(0, 0);
        m_Offset->setValue(0);
        m_Timer->stop();
        m_Current->setText(QStringLiteral("(Invalid)"));
    });
    OnFill([this](Intp::TDevice* device) { ShowSettings(device); });
    OnWrite([this](Intp::TDevice* device) { return NewSet(device); });
    OnReloaded([this](Intp::TDevice* device) {
        m_Filling = false;
        const bool hasDevice = device != nullptr;
        m_CanApply = hasDevice && Intp::GetPropertyBasicsSntp(device).Valid;
        m_BasicTitle->setEnabled(hasDevice);
        m_SntpLabel->setEnabled(hasDevice);
        m_Sntp->setEnabled(hasDevice);
        SntpRule();
    });

    connect(m_Sntp, &QComboBox::currentIndexChanged, this, [this] {
        MarkEdited(FieldSntp);
        SntpRule();
    });
    connect(m_Timezone, &QComboBox::currentIndexChanged, this, [this] { MarkEdited(FieldZone); });
    connect(m_Daylight, &QComboBox::currentIndexChanged, this, [this] {
        MarkEdited(FieldDaylight);
        DaylightRule();
    });
    connect(m_Address, &QLineEdit::textChanged, this, [this] {
        MarkEdited(FieldServer);
        ApplyRule();
    });
    for (QDateTimeEdit* edit : {static_cast<QDateTimeEdit*>(m_BeginDate), static_cast<QDateTimeEdit*>(m_BeginTime),
                                static_cast<QDateTimeEdit*>(m_EndDate), static_cast<QDateTimeEdit*>(m_EndTime)}) {
        const TField field = edit == m_BeginDate || edit == m_BeginTime ? FieldBegin : FieldEnd;
        connect(edit, &QDateTimeEdit::dateTimeChanged, this, [this, field] {
            MarkEdited(field);
            ApplyRule();
        });
    }
    connect(m_Offset, &QSpinBox::valueChanged, this, [this] { MarkEdited(FieldOffset); });
    SntpRule();
}

void TModuleBasicsSntp::ShowDates(uint32_t begin, uint32_t end)
{
    QDate date;
    QTime time;
    FromSeconds(begin, date, time);
    m_BeginDate->setDate(date);
    m_BeginTime->setTime(time);
    FromSeconds(end, date, time);
    m_EndDate->setDate(date);
    m_EndTime->setTime(time);
}

void TModuleBasicsSntp::ShowSettings(Intp::TDevice* device)
{
    const Intp::TPropertyBasicsSntp& record = Intp::GetPropertyBasicsSntp(device);
    if (!record.Valid)
        return;
    // Every field from this switch's record, the greyed ones too, so that
    // nothing of the switch shown before stays in a control.
    const bool on = record.Enabled != 0;
    m_Sntp->setCurrentIndex(on ? 1 : 0);
    // A zone beyond the list shows as its number, a server address that is
    // not usable as it is: each shows what goes back.
    m_Timezone->SetValue(record.TimeZone);
    m_Address->SetReadValue(record.Server);
    m_Daylight->setCurrentIndex(record.DstEnabled ? 1 : 0);
    ShowDates(record.DstBegin, record.DstEnd);
    const int32_t offset = int32_t(record.DstOffset);
    m_Offset->setValue(offset);
    if (!on)
        return;   // the switch's clock is not kept by its client
    if (record.SwitchTime != Intp::SntpTimeUnknown) {
        m_ClockOffset = int64_t(record.SwitchTime) - m_Clock();
        m_LastTick = SwitchNow();
        m_Timer->start();
    }
    if (record.DstEnabled) {
        // Read again 3 seconds after the switch's clock crossed either end.
        m_BeginMarker = int64_t(record.DstBegin) + 3;
        m_EndMarker = int64_t(record.DstEnd) + 3 + 60 * int64_t(offset);
    }
}

void TModuleBasicsSntp::MarkEdited(TField field)
{
    if (!m_Filling)
        m_Edited |= field;
}

Intp::TSession* TModuleBasicsSntp::NewSet(Intp::TDevice* device) const
{
    // Each switch keeps what the user left alone as its own record holds
    // it; a switch whose settings were not read gets nothing.
    const Intp::TPropertyBasicsSntp& record = Intp::GetPropertyBasicsSntp(device);
    if (!record.Valid)
        return nullptr;
    Intp::TBasicsSntpValue value;
    value.Enabled = Edited(FieldSntp) ? uint8_t(m_Sntp->currentIndex() == 1 ? 1 : 0) : record.Enabled;
    value.TimeZone = Edited(FieldZone) ? uint16_t(m_Timezone->Value()) : uint16_t(record.TimeZone);
    value.Server = Edited(FieldServer) ? m_Address->Value() : record.Server;
    value.DstEnabled = Edited(FieldDaylight) ? uint8_t(m_Daylight->currentIndex() == 1 ? 1 : 0) : record.DstEnabled;
    value.DstBegin = Edited(FieldBegin) ? ToSeconds(m_BeginDate->date(), m_BeginTime->time()) : record.DstBegin;
    value.DstEnd = Edited(FieldEnd) ? ToSeconds(m_EndDate->date(), m_EndTime->time()) : record.DstEnd;
    value.DstOffset = Edited(FieldOffset) ? uint32_t(m_Offset->value()) : record.DstOffset;
    auto* set = new Intp::TSessionBasicsSntpSet;
    set->SetValue(value);
    return set;
}

void TModuleBasicsSntp::SntpRule()
{
    const bool on = m_Sntp->currentIndex() == 1;
    EnableAll(m_SntpControls, on);
    m_CurrentLabel->setEnabled(on && m_Timer->isActive());
    m_Current->setEnabled(on && m_Timer->isActive());
    DaylightRule();
}

void TModuleBasicsSntp::DaylightRule()
{
    EnableAll(m_DaylightControls, m_Sntp->currentIndex() == 1 && m_Daylight->currentIndex() == 1);
    ApplyRule();
}

void TModuleBasicsSntp::ApplyRule()
{
    bool ok = m_Sntp->currentIndex() != 1;
    if (!ok) {
        ok = Intp::IsUsableIp(m_Address->Value());
        if (ok && m_Daylight->currentIndex() == 1)
            ok = m_EndDate->date() > m_BeginDate->date() ||
                 (m_EndDate->date() == m_BeginDate->date() && m_BeginTime->time().msecsTo(m_EndTime->time()) > 1);
    }
    ApplyButton()->setEnabled(m_CanApply && ok);
}

void TModuleBasicsSntp::EventOnTimer()
{
    const int64_t now = SwitchNow();
    // A marker passed since the previous tick (however late this one comes)
    // reads the settings again, once.
    const int64_t previous = m_LastTick;
    m_LastTick = now;
    auto passed = [&](int64_t marker) { return previous < marker && marker <= now; };
    if (m_BeginMarker != 0 && (passed(m_BeginMarker) || passed(m_EndMarker)))
        Refresh(true);
    m_Current->setText(QDateTime::fromSecsSinceEpoch(now, Qt::UTC).toString(QStringLiteral("yyyy/MM/dd HH:mm:ss")));
}
