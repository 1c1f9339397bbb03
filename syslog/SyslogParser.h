// Parsing of received syslog datagrams in the manner of RFC 3164, and the
// names of facilities and severities. No Qt, no widgets: pure functions.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace Syslog {

// Facility and severity given to a datagram without a usable priority.
constexpr uint32_t NoPriorityFacility = 16;
constexpr uint32_t NoPrioritySeverity = 3;

struct TParsedSyslog {
    uint32_t Facility = 17; // 17 and severity 8: no priority read yet
    uint32_t Severity = 8;
    std::string_view Message; // a view into the parsed text
};

// The datagram as text: its bytes up to the first zero byte, or all of them.
std::string_view DatagramText(const char* data, size_t length);

// Parses "<PRI>Mmm dd hh:mm:ss host message". Every step is bounds-checked
// against the text's end. On success the message is everything after the
// blank that ends the host name. On failure the message is the whole text;
// the facility and severity of a priority that was read stay when the
// facility is below 17, otherwise (no priority, a priority of 136 or more,
// a negative or overflowing number) they become 16 and 3.
bool ParseSyslogText(std::string_view text, TParsedSyslog& out);

// "local use" for 16 and above.
const char* FacilityName(uint32_t facility);
// Null for 8 and above.
const char* SeverityName(uint32_t severity);
// Index into the three severity images: 0-3 -> 0, 4 -> 1, 5 and above -> 2.
int SeverityImage(uint32_t severity);

} // namespace Syslog
