// Find, Login, Ping2 and IntpSip.
#include "SimSwitch.h"

#include <cstring>

namespace {

std::vector<uint8_t> Words(std::initializer_list<uint32_t> words)
{
    std::vector<uint8_t> out(words.size() * 4);
    size_t i = 0;
    for (uint32_t w : words)
        Intp::PutBE32(out.data() + 4 * i++, w);
    return out;
}

} // namespace

// Find: the product identifier (big-endian) and four bytes the console does
// not read.
SIM_HANDLER(0x0000)
{
    return {Sim::Reply(0, Words({sw.ProductId(), 0}))};
}

// Login: the 16-byte digest of user name and password; all zeros logs out.
SIM_HANDLER(0x0002)
{
    static const uint8_t zero[16] = {};
    if (req.Body.size() < 16) {
        sw.LoggedIn = false;
        return {Sim::Reply(1)};
    }
    if (std::memcmp(req.Body.data(), zero, 16) == 0) {
        sw.LoggedIn = false;
        return {Sim::Reply(0)};
    }
    uint8_t expected[16];
    Intp::LoginDigest(sw.User, sw.Password, expected);
    sw.LoggedIn = std::memcmp(req.Body.data(), expected, 16) == 0;
    return {Sim::Reply(sw.LoggedIn ? 0 : 1)};
}

// Ping2: power alarm bits, port alarm mask, link mask.
SIM_HANDLER(0x0006)
{
    return {Sim::Reply(0, Words({sw.PowerAlarm, sw.PortAlarm, sw.LinkMask}))};
}

// IntpSip: flag byte, warning byte, a 16-bit value.
SIM_HANDLER(0x0007)
{
    std::vector<uint8_t> body(4);
    body[0] = sw.SipFlag;
    body[1] = sw.SipWarning;
    Intp::PutBE16(body.data() + 2, sw.SipValue);
    return {Sim::Reply(0, std::move(body))};
}
