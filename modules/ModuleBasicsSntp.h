// "Time (SNTP)": the switch's SNTP client, server, time zone and daylight
// saving period, with the switch's clock running second by second and a
// fresh read once the clock passes the start or the end of the period.
// Every field shows what the switch's record holds, also while greyed (the
// client or daylight saving off); Apply sends each switch the fields the
// user changed and, for the others, that switch's own values as read.
#pragma once

#include "ModulePage.h"

#include <QDate>
#include <QTime>

#include <cstdint>
#include <functional>

class QComboBox;
class QDateEdit;
class QLabel;
class QSpinBox;
class QTimeEdit;
class QTimer;
class TChoice;
class TIpEdit;

class TModuleBasicsSntp final : public TModulePage {
    Q_OBJECT
public:
    explicit TModuleBasicsSntp(QWidget* parent);

    // The workstation's clock in seconds since 1970-01-01 00:00:00 UTC; the
    // system clock unless replaced (tests drive it by hand).
    using TClock = std::function<int64_t()>;
    void SetClock(TClock clock) { m_Clock = std::move(clock); }

    // The 63 time zone captions, index = the record's time zone value.
    static QStringList TimeZoneNames();
    // Picker values <-> seconds since 1970-01-01 00:00:00, no time zone
    // applied; seconds past the 32-bit field's end read as its end.
    static uint32_t ToSeconds(const QDate& date, const QTime& time);
    static void FromSeconds(uint32_t seconds, QDate& date, QTime& time);

    // One tick of the running clock.
    void EventOnTimer();

    QComboBox* m_Sntp;
    TChoice* m_Timezone;   // a zone beyond the list shows as its number
    TIpEdit* m_Address;
    QLabel* m_CurrentLabel;
    QLabel* m_Current;
    QComboBox* m_Daylight;
    QDateEdit* m_BeginDate;
    QTimeEdit* m_BeginTime;
    QDateEdit* m_EndDate;
    QTimeEdit* m_EndTime;
    QSpinBox* m_Offset;
    QTimer* m_Timer;

private:
    // The record's settings, the switch's clock and the period's markers.
    void ShowSettings(Intp::TDevice* device);
    void SntpRule();
    void DaylightRule();
    void ApplyRule();
    void ShowDates(uint32_t begin, uint32_t end);
    // The request for `device`: the edited fields from the controls, the
    // others from the device's record; null without a valid record.
    Intp::TSession* NewSet(Intp::TDevice* device) const;
    // The fields the user changed since the last reload.
    enum TField : uint32_t {
        FieldSntp = 1,
        FieldZone = 2,
        FieldServer = 4,
        FieldDaylight = 8,
        FieldBegin = 16,
        FieldEnd = 32,
        FieldOffset = 64
    };
    bool Edited(TField field) const { return (m_Edited & field) != 0; }
    void MarkEdited(TField field);
    int64_t SwitchNow() const { return m_Clock() + m_ClockOffset; }

    TClock m_Clock;
    QLabel* m_BasicTitle;
    QLabel* m_SntpLabel;
    QLabel* m_DaylightTitle;
    std::vector<QWidget*> m_SntpControls;       // enabled with "Enable"
    std::vector<QWidget*> m_DaylightControls;   // enabled with both "Enable"
    bool m_CanApply = false;       // a current device whose record was read
    bool m_Filling = false;        // a reload sets the controls
    uint32_t m_Edited = 0;         // TField bits
    int64_t m_ClockOffset = 0;     // switch clock - workstation clock, seconds
    int64_t m_BeginMarker = 0;     // on the switch's clock; 0 = none
    int64_t m_EndMarker = 0;
    int64_t m_LastTick = 0;        // the switch time of the previous tick
};
