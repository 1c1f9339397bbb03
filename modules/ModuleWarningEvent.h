// "Event Settings": which system and port events the switch reports by
// syslog and by e-mail. Reads the SMTP settings, then the syslog settings,
// then the event settings: a way of reporting is offered only while the
// switch has it switched on.
#pragma once

#include "ModulePage.h"

#include <cstdint>

class QComboBox;
class QLabel;
class TPageList;
class TRowEditors;

namespace Intp {
struct TPropertyWarningEvent;
}

class TModuleWarningEvent final : public TModulePage {
    Q_OBJECT
public:
    // `systemEvents`: the system event bits the page lists.
    TModuleWarningEvent(QWidget* parent, uint32_t systemEvents);

    // One list with its pair of drop-down lists ("Syslog:", "SMTP:").
    struct TEventList {
        TPageList* List = nullptr;
        TRowEditors* Editors = nullptr;
        QComboBox* Syslog = nullptr;
        QComboBox* Smtp = nullptr;
        QLabel* SyslogLabel = nullptr;
        QLabel* SmtpLabel = nullptr;
    };
    const TEventList& SysList() const { return m_Sys; }
    const TEventList& PortList() const { return m_Port; }
    bool SyslogAvailable() const { return m_SyslogAvailable; }
    bool SmtpAvailable() const { return m_SmtpAvailable; }

private:
    enum { ColName, ColSyslog, ColSmtp };
    enum { SlotSyslog, SlotSmtp };

    void BuildList(TEventList& list, const QString& title, const QString& firstColumn, const QStringList& items);
    // The rows from the device's event record (all off when not valid).
    void FillRows(Intp::TDevice* device);
    // The event masks the rows' edited values give.
    Intp::TPropertyWarningEvent EventRequest() const;
    // Enables a drop-down list of the selected row only while it is available.
    void EventOnRowSelected(const TEventList& list, int row);
    void EventOnHeaderClick(const TEventList& list, int column);

    uint32_t m_SystemEvents;
    TEventList m_Sys;
    TEventList m_Port;
    bool m_SyslogAvailable = false;
    bool m_SmtpAvailable = false;
    // The masks as read (all 0 when not valid); the bits that no row stands
    // for go back as read.
    uint32_t m_Read[6] = {};
    uint32_t m_SystemRows = 0;
    uint32_t m_PortRows = 0;
};
