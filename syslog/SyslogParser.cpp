#include "SyslogParser.h"

#include <climits>
#include <cstring>

namespace Syslog {

namespace {

const char* const MonthNames[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                    "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Reads a decimal number at pos in the manner of strtol: leading white
// space, one optional sign, then digits up to the first non-digit; no digits
// give 0. Never reads past the text's end. Fails on a negative number and on
// one that does not fit a signed 32-bit value.
bool ReadNumber(std::string_view s, size_t pos, uint32_t& value)
{
    size_t p = pos;
    while (p < s.size() && IsSpace(s[p]))
        ++p;
    bool negative = false;
    if (p < s.size() && (s[p] == '+' || s[p] == '-')) {
        negative = s[p] == '-';
        ++p;
    }
    uint64_t n = 0;
    for (; p < s.size() && IsDigit(s[p]); ++p) {
        n = n * 10 + uint64_t(s[p] - '0');
        if (n > uint64_t(INT32_MAX))
            return false;
    }
    if (negative && n != 0)
        return false;
    value = uint32_t(n);
    return true;
}

bool IsBlankAt(std::string_view s, size_t pos) { return pos < s.size() && s[pos] == ' '; }

// Reads a number at pos and moves pos on by width characters, which must lie
// inside the text.
bool ReadField(std::string_view s, size_t& pos, size_t width)
{
    if (pos > s.size() || s.size() - pos < width)
        return false;
    uint32_t value = 0;
    if (!ReadNumber(s, pos, value))
        return false;
    pos += width;
    return true;
}

// Steps 2-6 of the header; fills out as far as it gets.
bool ParseHeader(std::string_view s, TParsedSyslog& out)
{
    if (s.empty() || s[0] != '<')
        return false;
    uint32_t priority = 0;
    if (!ReadNumber(s, 1, priority))
        return false;
    const size_t close = s.find('>', 1);
    if (close == std::string_view::npos)
        return false;
    out.Facility = priority / 8;
    out.Severity = priority % 8;
    size_t p = close + 1;

    if (s.size() - p < 3)
        return false;
    bool month = false;
    for (const char* name : MonthNames)
        if (std::memcmp(s.data() + p, name, 3) == 0)
            month = true;
    if (!month)
        return false;
    p += 3;

    if (!IsBlankAt(s, p))
        return false;
    ++p;
    size_t dayWidth = 2;
    if (IsBlankAt(s, p)) { // one-digit day padded with a blank
        ++p;
        dayWidth = 1;
    }
    if (!ReadField(s, p, dayWidth))
        return false;

    if (!IsBlankAt(s, p))
        return false;
    ++p;
    if (!ReadField(s, p, 2))
        return false;
    for (int i = 0; i < 2; ++i) {
        if (p >= s.size() || s[p] != ':')
            return false;
        ++p;
        if (!ReadField(s, p, 2))
            return false;
    }

    if (!IsBlankAt(s, p))
        return false;
    ++p;
    const size_t hostEnd = s.find(' ', p);
    if (hostEnd == std::string_view::npos)
        return false;
    out.Message = s.substr(hostEnd + 1);
    return true;
}

} // namespace

std::string_view DatagramText(const char* data, size_t length)
{
    if (!data)
        return {};
    const void* zero = std::memchr(data, 0, length);
    return std::string_view(data, zero ? size_t(static_cast<const char*>(zero) - data) : length);
}

bool ParseSyslogText(std::string_view text, TParsedSyslog& out)
{
    out = TParsedSyslog{};
    if (ParseHeader(text, out))
        return true;
    if (out.Facility >= 17) {
        out.Facility = NoPriorityFacility;
        out.Severity = NoPrioritySeverity;
    }
    out.Message = text;
    return false;
}

const char* FacilityName(uint32_t facility)
{
    static const char* const Names[16] = {
        "kernel messages",
        "user-level messages",
        "mail system",
        "system daemons",
        "security/authorization messages",
        "messages generated internally by syslogd",
        "line printer subsystem",
        "network news subsystem",
        "UUCP subsystem",
        "clock daemon",
        "security/authorization messages",
        "FTP daemon",
        "NTP subsystem",
        "log audit",
        "log alert",
        "clock daemon",
    };
    return facility < 16 ? Names[facility] : "local use";
}

const char* SeverityName(uint32_t severity)
{
    static const char* const Names[8] = {"Emergency", "Alert",  "Critical",      "Error",
                                         "Warning",   "Notice", "Informational", "Debug"};
    return severity < 8 ? Names[severity] : nullptr;
}

int SeverityImage(uint32_t severity)
{
    if (severity <= 3)
        return 0;
    return severity == 4 ? 1 : 2;
}

} // namespace Syslog
