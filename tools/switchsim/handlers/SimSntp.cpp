// Time settings: SntpGet and SntpSet. The settings live in Store[0x010D] as
// the 20-byte "SntpSet" image; the switch's clock is the host's, or unknown
// (0xFFFFFFFF) while the SNTP client is off.
#include "SimTables.h"

#include <chrono>

namespace {

constexpr uint16_t SntpKey = 0x010D;

std::vector<uint8_t>& SntpSettings(Sim::TSimSwitch& sw) { return Sim::StoredSized(sw, SntpKey, 20); }

} // namespace

// SntpGet: enabled, zone, server, switch time, DST flag, begin, end, offset.
SIM_HANDLER(0x010D)
{
    const auto& s = SntpSettings(sw);
    Intp::TBody set(s.data(), s.size());
    std::vector<uint8_t> body(24, 0);
    body[0] = set.U8(0);
    Intp::PutBE16(body.data() + 1, set.U16(1));
    Intp::PutBE32(body.data() + 3, set.U32(3));
    uint32_t now = uint32_t(
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch()).count());
    Intp::PutBE32(body.data() + 7, set.U8(0) ? now : 0xFFFFFFFFu);
    body[11] = set.U8(7);
    Intp::PutBE32(body.data() + 12, set.U32(8));
    Intp::PutBE32(body.data() + 16, set.U32(12));
    Intp::PutBE32(body.data() + 20, set.U32(16));
    return {Sim::Reply(0, std::move(body))};
}

// SntpSet: the 20-byte settings; a time zone beyond the 63 of the list
// answers status 1.
SIM_HANDLER(0x010E)
{
    std::vector<Sim::TSimReply> out;
    if (!Sim::RequireLogin(sw, out))
        return out;
    if (req.Body.size() < 20 || req.View().U16(1) > 62)
        return {Sim::Reply(1)};
    SntpSettings(sw).assign(req.Body.begin(), req.Body.begin() + 20);
    out.push_back(Sim::Reply(0));
    return out;
}
