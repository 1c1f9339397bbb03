// Warning features: fault alarm, syslog, SMTP and events.
#include "IntpWarning.h"

namespace Intp {

namespace {

// SMTP body offsets.
constexpr size_t SmtpServer = 1;
constexpr size_t SmtpSender = 5;
constexpr size_t SmtpSubject = 69;
constexpr size_t SmtpAccount = 133;
constexpr size_t SmtpGetHead = 197;      // recipients of a Get reply
constexpr size_t SmtpPassword = 197;     // password of a Set request
constexpr size_t SmtpSetHead = 229;      // recipients of a Set request
// Largest recipient count whose request still fits a UDP payload.
constexpr size_t SmtpMaxRecipients = (MaxBodyLength - SmtpSetHead) / SmtpTextWidth;

} // namespace

// --- Fault alarm ---------------------------------------------------------------

uint32_t TSessionWarningFaultGet::Decode(TDevice*, TPropertyWarningFault& record, TBody body)
{
    record.SystemAlarms = body.U32(0);
    record.PortAlarms = body.U32(4);
    return StatusOk;
}

bool TSessionWarningFaultSet::FillBody(TDevice*, TBodyWriter& body)
{
    body.U32(0, m_Request.SystemAlarms);
    body.U32(4, m_Request.PortAlarms);
    return true;
}

// --- Syslog --------------------------------------------------------------------

uint32_t TSessionWarningSyslogGet::Decode(TDevice*, TPropertyWarningSyslog& record, TBody body)
{
    const uint8_t mode = body.U8(0);
    if (mode > WarningSyslogModeMax)
        return StatusTableError;
    record.Mode = mode;
    record.Server = body.U32(1);
    return StatusOk;
}

bool TSessionWarningSyslogSet::FillBody(TDevice*, TBodyWriter& body)
{
    if (m_Request.Mode > 0xFF)
        return false;
    body.U8(0, uint8_t(m_Request.Mode));
    body.U32(1, m_Request.Server);
    return true;
}

// --- SMTP ----------------------------------------------------------------------

uint32_t TSessionWarningSmtpGet::Decode(TDevice* device, TPropertyWarningSmtp& record, TBody body)
{
    const size_t n = (body.Size() - SmtpGetHead) / SmtpTextWidth;
    if (n == 0 || n != device->GetSmtpEntryCount())
        return StatusTableError;
    record.Enabled = body.U8(0) != 0;
    record.Server = body.U32(SmtpServer);
    record.Sender = body.Text(SmtpSender, SmtpTextWidth);
    record.Subject = body.Text(SmtpSubject, SmtpTextWidth);
    record.Account = body.Text(SmtpAccount, SmtpTextWidth);
    record.Recipients.resize(n);
    for (size_t i = 0; i < n; ++i)
        record.Recipients[i] = body.Text(SmtpGetHead + SmtpTextWidth * i, SmtpTextWidth);
    return StatusOk;
}

bool TSessionWarningSmtpSet::SetData(const TPropertyWarningSmtp& request, std::string_view password)
{
    const size_t n = request.Recipients.size();
    if (n == 0 || n > SmtpMaxRecipients)
        return false;
    std::vector<uint8_t> bytes(SmtpSetHead + SmtpTextWidth * n, 0);
    TBodyWriter w(bytes.data(), bytes.size());
    w.U8(0, request.Enabled ? 1 : 0);
    w.U32(SmtpServer, request.Server);
    w.Text(SmtpSender, SmtpTextWidth, request.Sender);
    w.Text(SmtpSubject, SmtpTextWidth, request.Subject);
    w.Text(SmtpAccount, SmtpTextWidth, request.Account);
    w.Text(SmtpPassword, SmtpPasswordWidth, password);
    for (size_t i = 0; i < n; ++i)
        w.Text(SmtpSetHead + SmtpTextWidth * i, SmtpTextWidth, request.Recipients[i]);
    TVarSetSession::SetData(bytes.data(), bytes.size(), int(n));
    return true;
}

bool TSessionWarningSmtpSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetSmtpEntryCount();
}

// --- Events --------------------------------------------------------------------

uint32_t TSessionWarningEventGet::Decode(TDevice*, TPropertyWarningEvent& r, TBody body)
{
    r.SyslogSystem = body.U32(0);
    r.SyslogLinkUp = body.U32(4);
    r.SyslogLinkDown = body.U32(8);
    r.MailSystem = body.U32(12);
    r.MailLinkUp = body.U32(16);
    r.MailLinkDown = body.U32(20);
    return StatusOk;
}

bool TSessionWarningEventSet::FillBody(TDevice*, TBodyWriter& body)
{
    const TPropertyWarningEvent& r = m_Request;
    body.U32(0, r.SyslogSystem);
    body.U32(4, r.SyslogLinkUp);
    body.U32(8, r.SyslogLinkDown);
    body.U32(12, r.MailSystem);
    body.U32(16, r.MailLinkUp);
    body.U32(20, r.MailLinkDown);
    return true;
}

} // namespace Intp
