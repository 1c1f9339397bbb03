// Fuzzes the syslog header parser with arbitrary datagrams: the input is
// cut at odd places by the fuzzer itself, so every truncated header is met.
#include "SyslogParser.h"

#include <cstdlib>
#include <string>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // An exact-size copy, so reading one byte too far is caught.
    std::string copy(reinterpret_cast<const char*>(data), size);
    std::string_view text = Syslog::DatagramText(copy.data(), copy.size());
    Syslog::TParsedSyslog parsed;
    const bool ok = Syslog::ParseSyslogText(text, parsed);
    // The message always lies inside the text.
    if (parsed.Message.data() && (parsed.Message.data() < text.data() ||
                                  parsed.Message.data() + parsed.Message.size() > text.data() + text.size()))
        std::abort();
    if (!ok && parsed.Message != text)
        std::abort();
    if (parsed.Severity > 8)
        std::abort();
    Syslog::FacilityName(parsed.Facility);
    Syslog::SeverityName(parsed.Severity);
    Syslog::SeverityImage(parsed.Severity);
    return 0;
}
