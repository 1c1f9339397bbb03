// Warning features (command group 0x09): fault alarm, syslog, SMTP e-mail
// and the choice of events sent by syslog and by e-mail.
#pragma once

#include "Intp.h"

#include <string>
#include <string_view>
#include <vector>

namespace Intp {

// System alarm bits of the fault alarm settings.
enum : uint32_t {
    WarningFaultPower1 = 1u << 0,
    WarningFaultPower2 = 1u << 1,
};

// System event bits of the event settings.
enum : uint32_t {
    WarningEventColdStart = 1u << 0,
    WarningEventPowerStatus = 1u << 1,
    WarningEventSnmpAuthFailure = 1u << 2,
    WarningEventTopologyChange = 1u << 3,
};

constexpr uint32_t WarningSyslogModeMax = 4;

struct TPropertyWarningFault {
    static constexpr uint16_t GetCommand = 0x0900;
    uint8_t Valid = 0;
    uint32_t SystemAlarms = 0;      // WarningFault* bits
    uint32_t PortAlarms = 0;        // bit i: port i + 1
};

struct TPropertyWarningSyslog {
    static constexpr uint16_t GetCommand = 0x0902;
    uint8_t Valid = 0;
    uint32_t Mode = 0;              // 0 to 4
    uint32_t Server = 0;            // IPv4, host order
};

struct TPropertyWarningSmtp {
    static constexpr uint16_t GetCommand = 0x0904;
    uint8_t Valid = 0;
    uint8_t Enabled = 0;
    uint32_t Server = 0;            // IPv4, host order
    std::string Sender;
    std::string Subject;
    std::string Account;            // empty: no authentication
    // As many entries as the model has SMTP recipients, once a good reply
    // came; an empty text is an unused entry.
    std::vector<std::string> Recipients;
};

struct TPropertyWarningEvent {
    static constexpr uint16_t GetCommand = 0x0906;
    uint8_t Valid = 0;
    uint32_t SyslogSystem = 0;      // WarningEvent* bits
    uint32_t SyslogLinkUp = 0;      // bit i: port i + 1
    uint32_t SyslogLinkDown = 0;
    uint32_t MailSystem = 0;
    uint32_t MailLinkUp = 0;
    uint32_t MailLinkDown = 0;
};

constexpr size_t SmtpTextWidth = 64;
constexpr size_t SmtpPasswordWidth = 32;

// --- Fault alarm ---------------------------------------------------------------

class TSessionWarningFaultGet final : public TGetSession<0x0900, TPropertyWarningFault, 8> {
public:
    const char* GetName() const override { return "FaultGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyWarningFault& record, TBody body) override;
};

class TSessionWarningFaultSet final : public TSetSession<0x0901, TSessionWarningFaultGet, 8> {
public:
    // The alarm bits to write (the valid flag is not read).
    void SetData(const TPropertyWarningFault& request) { m_Request = request; }
    const char* GetName() const override { return "FaultSet"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    TPropertyWarningFault m_Request;
};

// --- Syslog --------------------------------------------------------------------

class TSessionWarningSyslogGet final : public TGetSession<0x0902, TPropertyWarningSyslog, 5> {
public:
    const char* GetName() const override { return "SyslogGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyWarningSyslog& record, TBody body) override;
};

class TSessionWarningSyslogSet final : public TSetSession<0x0903, TSessionWarningSyslogGet, 5> {
public:
    // Mode and server (the valid flag is not read). A mode that does not fit
    // its byte keeps the request from being sent.
    void SetData(const TPropertyWarningSyslog& request) { m_Request = request; }
    const char* GetName() const override { return "SyslogSet"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    TPropertyWarningSyslog m_Request;
};

// --- SMTP ----------------------------------------------------------------------

class TSessionWarningSmtpGet final : public TGetSession<0x0904, TPropertyWarningSmtp, 197> {
public:
    const char* GetName() const override { return "SmtpGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyWarningSmtp& record, TBody body) override;
};

class TSessionWarningSmtpSet final : public TVarSetSession<0x0905, TSessionWarningSmtpGet> {
public:
    // The settings, the account's password (write-only) and the recipients
    // (n = request.Recipients.size(), unused ones empty). An empty recipient
    // list leaves the session as it was (returns false). Sent only to a
    // switch that takes exactly n recipients.
    bool SetData(const TPropertyWarningSmtp& request, std::string_view password);
    const char* GetName() const override { return "SmtpSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// --- Events --------------------------------------------------------------------

class TSessionWarningEventGet final : public TGetSession<0x0906, TPropertyWarningEvent, 24> {
public:
    const char* GetName() const override { return "EventGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyWarningEvent& record, TBody body) override;
};

class TSessionWarningEventSet final : public TSetSession<0x0907, TSessionWarningEventGet, 24> {
public:
    // The six event masks (the valid flag is not read).
    void SetData(const TPropertyWarningEvent& request) { m_Request = request; }
    const char* GetName() const override { return "EventSet"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    TPropertyWarningEvent m_Request;
};

inline TPropertyWarningFault& GetPropertyWarningFault(TDevice* device)
{
    return device->GetProperty<TPropertyWarningFault>();
}
inline TPropertyWarningSyslog& GetPropertyWarningSyslog(TDevice* device)
{
    return device->GetProperty<TPropertyWarningSyslog>();
}
inline TPropertyWarningSmtp& GetPropertyWarningSmtp(TDevice* device) { return device->GetProperty<TPropertyWarningSmtp>(); }
inline TPropertyWarningEvent& GetPropertyWarningEvent(TDevice* device)
{
    return device->GetProperty<TPropertyWarningEvent>();
}

} // namespace Intp
