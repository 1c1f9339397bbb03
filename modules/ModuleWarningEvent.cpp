#include "ModuleWarningEvent.h"

#include "IntpWarning.h"
#include "PageEditors.h"
#include "PageList.h"
#include "Resources.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>

#include <algorithm>
#include <iterator>

namespace {

QString SystemEventName(uint32_t bit)
{
    switch (bit) {
    case 0: return QStringLiteral("System Cold Start");
    case 1: return QStringLiteral("Power Status");
    case 2: return QStringLiteral("SNMP Authentication Failure");
    case 3: return Resources::String(Resources::StrRingTopologyChange);
    default: return QString();
    }
}

constexpr uint32_t SystemEventCount = 4;

// A port row's value: bit 0 link up, bit 1 link down.
int64_t PortValue(uint32_t up, uint32_t down, uint32_t port)
{
    return ((up >> port) & 1) + 2 * ((down >> port) & 1);
}

} // namespace

TModuleWarningEvent::TModuleWarningEvent(QWidget* parent, uint32_t systemEvents)
    : TModulePage(QStringLiteral("Event Settings"), parent), m_SystemEvents(systemEvents)
{
    BuildList(m_Sys, QStringLiteral("&System Event:"), QStringLiteral("Event"),
              {QStringLiteral("Disable"), QStringLiteral("Enable")});
    m_Sys.List->setObjectName("m_SysList");
    BuildList(m_Port, QStringLiteral("&Port Event:"), QStringLiteral("Port No."),
              {QStringLiteral("Disable"), QStringLiteral("Link Up"), QStringLiteral("Link Down"),
               QStringLiteral("Link Up & Down")});
    m_Port.List->setObjectName("m_PortList");
    AddApplyButton()->setText(QStringLiteral("Apply"));
    // Shown: the SMTP settings first (their report goes on to the syslog
    // settings, then to the events).
    OnRead([](Intp::TDevice*, bool shown) -> Intp::TSession* {
        if (shown)
            return new Intp::TSessionWarningSmtpGet;
        return new Intp::TSessionWarningEventGet;
    });
    SetReloadCodes({Intp::TPropertyWarningEvent::GetCommand});
    ReadsRecord<Intp::TPropertyWarningSmtp>();
    ReadsRecord<Intp::TPropertyWarningSyslog>();
    ReadsRecord<Intp::TPropertyWarningEvent>();
    AddChainStep(Intp::TPropertyWarningSmtp::GetCommand, [](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyWarningSmtp(device).Valid ? new Intp::TSessionWarningSyslogGet : nullptr;
    });
    AddChainStep(Intp::TPropertyWarningSyslog::GetCommand, [](Intp::TDevice* device) -> Intp::TSession* {
        return Intp::GetPropertyWarningSyslog(device).Valid ? new Intp::TSessionWarningEventGet : nullptr;
    });
    OnClear([this] {
        for (TEventList* list : {&m_Sys, &m_Port}) {
            list->List->Clear();
            list->Editors->Reset();
        }
        m_SyslogAvailable = m_SmtpAvailable = false;
        std::fill(std::begin(m_Read), std::end(m_Read), 0u);
        m_SystemRows = m_PortRows = 0;
    });
    OnFill([this](Intp::TDevice* device) { FillRows(device); });
    OnReloaded([this](Intp::TDevice* device) {
        ApplyButton()->setEnabled(device && (m_SyslogAvailable || m_SmtpAvailable));
    });
    OnWrite([this](Intp::TDevice*) -> Intp::TSession* {
        auto* set = new Intp::TSessionWarningEventSet;
        set->SetData(EventRequest());
        return set;
    });
}

void TModuleWarningEvent::BuildList(TEventList& list, const QString& title, const QString& firstColumn,
                                    const QStringList& items)
{
    list.List = new TPageList({firstColumn, QStringLiteral("Syslog"), QStringLiteral("SMTP")}, this);
    list.List->SetColumnWidths({180, 110});
    auto* label = new QLabel(title, this);
    label->setBuddy(list.List);
    PageLayout()->addWidget(label);
    PageLayout()->addWidget(list.List, 1);
    list.Syslog = NewChoice(items, this);
    list.Smtp = NewChoice(items, this);
    list.SyslogLabel = new QLabel(QStringLiteral("Syslog:"), this);
    list.SmtpLabel = new QLabel(QStringLiteral("SMTP:"), this);
    auto* row = new QHBoxLayout;
    row->addWidget(list.SyslogLabel);
    row->addWidget(list.Syslog);
    row->addSpacing(20);
    row->addWidget(list.SmtpLabel);
    row->addWidget(list.Smtp);
    row->addStretch(1);
    PageLayout()->addLayout(row);
    // The header rule depends on availability: handled here, not by the editors.
    list.Editors = new TRowEditors(list.List);
    list.Editors->BindChoice(ColSyslog, SlotSyslog, list.Syslog, list.SyslogLabel, false);
    list.Editors->BindChoice(ColSmtp, SlotSmtp, list.Smtp, list.SmtpLabel, false);
    AddDeviceControl(list.List);
    const TEventList* which = &list;
    connect(list.List, &TPageList::RowSelected, this, [this, which](int r) { EventOnRowSelected(*which, r); });
    connect(list.List, &TPageList::HeaderClicked, this, [this, which](int c) { EventOnHeaderClick(*which, c); });
}

void TModuleWarningEvent::FillRows(Intp::TDevice* device)
{
    const auto& smtp = Intp::GetPropertyWarningSmtp(device);
    const auto& syslog = Intp::GetPropertyWarningSyslog(device);
    const auto& record = Intp::GetPropertyWarningEvent(device);
    m_SyslogAvailable = syslog.Valid && syslog.Mode != 0;
    m_SmtpAvailable = smtp.Valid && smtp.Enabled;
    const bool valid = record.Valid;
    if (valid) {
        m_Read[0] = record.SyslogSystem, m_Read[1] = record.SyslogLinkUp, m_Read[2] = record.SyslogLinkDown;
        m_Read[3] = record.MailSystem, m_Read[4] = record.MailLinkUp, m_Read[5] = record.MailLinkDown;
    }
    m_SystemRows = m_SystemEvents & ((1u << SystemEventCount) - 1);
    const uint32_t ports = std::min<uint32_t>(device->GetPortCount(), 32);
    m_PortRows = ports >= 32 ? 0xFFFFFFFFu : (1u << ports) - 1;
    for (uint32_t bit = 0; bit < SystemEventCount; ++bit)
        if (m_SystemEvents & (1u << bit))
            m_Sys.Editors->AddRow(SystemEventName(bit),
                                  {valid ? (record.SyslogSystem >> bit) & 1 : 0, valid ? (record.MailSystem >> bit) & 1 : 0},
                                  bit);
    for (uint32_t port = 0; port < ports; ++port)
        m_Port.Editors->AddRow(PortCaption(port),
                               {valid ? PortValue(record.SyslogLinkUp, record.SyslogLinkDown, port) : 0,
                                valid ? PortValue(record.MailLinkUp, record.MailLinkDown, port) : 0},
                               port);
}

void TModuleWarningEvent::EventOnRowSelected(const TEventList& list, int row)
{
    if (row < 0)
        return;   // the editors disabled the pair
    list.Syslog->setEnabled(m_SyslogAvailable);
    list.SyslogLabel->setEnabled(m_SyslogAvailable);
    list.Smtp->setEnabled(m_SmtpAvailable);
    list.SmtpLabel->setEnabled(m_SmtpAvailable);
}

void TModuleWarningEvent::EventOnHeaderClick(const TEventList& list, int column)
{
    const bool available = column == ColSyslog ? m_SyslogAvailable : (column == ColSmtp && m_SmtpAvailable);
    if (!available || list.List->RowCount() == 0)
        return;
    const int slot = column == ColSyslog ? SlotSyslog : SlotSmtp;
    QComboBox* box = column == ColSyslog ? list.Syslog : list.Smtp;
    const int64_t next = (list.List->Row(0).Edited[size_t(slot)] + 1) % box->count();
    for (int row = 0; row < list.List->RowCount(); ++row)
        list.Editors->SetRowValue(row, slot, next);
    if (list.List->SelectedRow() >= 0) {
        const QSignalBlocker blocker(box);
        box->setCurrentIndex(int(next));
    }
}

Intp::TPropertyWarningEvent TModuleWarningEvent::EventRequest() const
{
    Intp::TPropertyWarningEvent request;
    request.SyslogSystem = m_Read[0] & ~m_SystemRows;
    request.SyslogLinkUp = m_Read[1] & ~m_PortRows;
    request.SyslogLinkDown = m_Read[2] & ~m_PortRows;
    request.MailSystem = m_Read[3] & ~m_SystemRows;
    request.MailLinkUp = m_Read[4] & ~m_PortRows;
    request.MailLinkDown = m_Read[5] & ~m_PortRows;
    for (const TPageRow& row : m_Sys.List->Model()->Rows()) {
        const uint32_t bit = 1u << row.Key;
        if (row.Edited[SlotSyslog])
            request.SyslogSystem |= bit;
        if (row.Edited[SlotSmtp])
            request.MailSystem |= bit;
    }
    for (const TPageRow& row : m_Port.List->Model()->Rows()) {
        const uint32_t bit = 1u << row.Key;
        if (row.Edited[SlotSyslog] & 1)
            request.SyslogLinkUp |= bit;
        if (row.Edited[SlotSyslog] & 2)
            request.SyslogLinkDown |= bit;
        if (row.Edited[SlotSmtp] & 1)
            request.MailLinkUp |= bit;
        if (row.Edited[SlotSmtp] & 2)
            request.MailLinkDown |= bit;
    }
    return request;
}
