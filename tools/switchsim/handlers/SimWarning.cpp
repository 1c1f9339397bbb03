// Warnings: fault alarm, syslog, SMTP and events.
#include "SimTables.h"

namespace {

constexpr size_t SmtpGetHead = 197;
constexpr size_t SmtpSetHead = 229;
constexpr size_t SmtpField = 64;

uint32_t SmtpCount(const Sim::TSimSwitch& sw) { return sw.ModelDesc().SmtpEntryCount; }

// A fixed-size record: `size` zero bytes until a Set writes it.
std::vector<Sim::TSimReply> GetRecord(Sim::TSimSwitch& sw, uint16_t getCode, size_t size)
{
    return Sim::StoredGet(sw, getCode, std::vector<uint8_t>(size, 0));
}

} // namespace

SIM_HANDLER(0x0900) { return GetRecord(sw, 0x0900, 8); }                // FaultGet
SIM_HANDLER(0x0901) { return Sim::StoredSet(sw, req, 0x0900, 8); }    // FaultSet
SIM_HANDLER(0x0902) { return GetRecord(sw, 0x0902, 5); }                // SyslogGet
SIM_HANDLER(0x0906) { return GetRecord(sw, 0x0906, 24); }               // EventGet
SIM_HANDLER(0x0907) { return Sim::StoredSet(sw, req, 0x0906, 24); }   // EventSet

SIM_HANDLER(0x0903)   // SyslogSet
{
    if (sw.LoggedIn && !req.Body.empty() && req.Body[0] > 4)
        return {Sim::Reply(1)};
    return Sim::StoredSet(sw, req, 0x0902, 5);
}

SIM_HANDLER(0x0904)   // SmtpGet: the settings without the password
{
    return GetRecord(sw, 0x0904, SmtpGetHead + SmtpField * SmtpCount(sw));
}

SIM_HANDLER(0x0905)   // SmtpSet
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    const size_t n = SmtpCount(sw);
    if (req.Body.size() != SmtpSetHead + SmtpField * n)
        return {Sim::Reply(1)};
    std::vector<uint8_t> record(req.Body.begin(), req.Body.begin() + SmtpGetHead);
    record.insert(record.end(), req.Body.begin() + SmtpSetHead, req.Body.end());
    sw.Store[0x0904] = std::move(record);
    sw.Store[0x0905].assign(req.Body.begin() + SmtpGetHead, req.Body.begin() + SmtpSetHead);   // the password
    return {Sim::Reply(0)};
}
