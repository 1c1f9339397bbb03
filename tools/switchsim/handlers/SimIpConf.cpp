// IP configuration: NetGet and NetSet.
//
// The address and netmask are the switch's own (TSimSwitch::Ip, Netmask);
// the DHCP flag, gateway and DNS servers live in Store[0x0106] as 13 bytes
// (flag, gateway, DNS 1, DNS 2; big-endian).
#include "SimTables.h"

#include <cstring>

namespace {

constexpr uint16_t IpKey = 0x0106;

std::vector<uint8_t>& IpExtra(Sim::TSimSwitch& sw) { return Sim::StoredSized(sw, IpKey, 13); }

} // namespace

// NetGet: DHCP flag, address, netmask, gateway, DNS 1, DNS 2. Answered
// without a login: discovery reads it for every switch it finds.
SIM_HANDLER(0x0106)
{
    const auto& extra = IpExtra(sw);
    std::vector<uint8_t> body(21, 0);
    body[0] = extra[0];
    Intp::PutBE32(body.data() + 1, sw.Ip);
    Intp::PutBE32(body.data() + 5, sw.Netmask);
    std::memcpy(body.data() + 9, extra.data() + 1, 12);
    return {Sim::Reply(0, std::move(body))};
}

// NetSet: needs no login but the digest of the switch's account; usually
// sent by broadcast. A static setting moves the switch to its new address,
// and the reply already comes from there. A wrong digest or an unusable
// static address answers status 1 and changes nothing.
SIM_HANDLER(0x0107)
{
    Intp::TBody body = req.View();
    if (body.Size() < 37)
        return {Sim::Reply(1)};
    uint8_t expected[16];
    Intp::LoginDigest(sw.User, sw.Password, expected);
    if (std::memcmp(body.Data(), expected, 16) != 0)
        return {Sim::Reply(1)};
    const bool dhcp = body.U8(16) != 0;
    const uint32_t ip = body.U32(17), mask = body.U32(21);
    if (!dhcp && (!Intp::IsRequestAddress(ip) || !Intp::IsValidNetmask(mask)))
        return {Sim::Reply(1)};
    auto& extra = IpExtra(sw);
    extra[0] = dhcp ? 1 : 0;
    std::memcpy(extra.data() + 1, body.Data() + 25, 12);
    // The simulator has no DHCP server: with DHCP on the switch keeps its
    // address.
    if (!dhcp) {
        sw.Ip = ip;
        sw.Netmask = mask;
    }
    Sim::TSimReply reply = Sim::Reply(0);
    reply.FromIp = sw.Ip;
    return {reply};
}
