// Redundancy: summary, RSTP settings and information, Qloop ring.
#include "SimTables.h"

namespace {

using namespace Sim;

// RSTP settings: off, priority 32768, 20/2/15 s; every port cost 200000,
// priority 128, point-to-point auto.
std::vector<uint8_t> DefaultRstp(const TSimSwitch& sw)
{
    std::vector<uint8_t> body(6 + 8 * sw.PortCount(), 0);
    Intp::PutBE16(body.data() + 1, 32768);
    body[3] = 20, body[4] = 2, body[5] = 15;
    for (size_t i = 0; i < sw.PortCount(); ++i) {
        uint8_t* row = body.data() + 6 + 8 * i;
        Intp::PutBE32(row, 200000);
        row[4] = 128;
        row[5] = 2;
    }
    return body;
}

std::vector<uint8_t>& Rstp(TSimSwitch& sw) { return Stored(sw, 0x0302, DefaultRstp(sw)); }
// Qloop: ring, coupling and homing settings, all off at first.
constexpr size_t QloopSize = 9;
std::vector<uint8_t>& Qloop(TSimSwitch& sw) { return Stored(sw, 0x0300, std::vector<uint8_t>(QloopSize, 0)); }

} // namespace

// Summary: the ring when it is on, else RSTP.
SIM_HANDLER(0x0307)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    bool ring = Qloop(sw)[0] != 0, rstp = Rstp(sw)[0] != 0;
    out.push_back(Reply(0, {uint8_t(ring || rstp), uint8_t(ring ? 1 : 2)}));
    return out;
}

SIM_HANDLER(0x0302) { return StoredGet(sw, 0x0302, DefaultRstp(sw)); }
SIM_HANDLER(0x0303) { return StoredSet(sw, req, 0x0302, 6 + 8 * sw.PortCount()); }

// Information derived from the settings: this switch is the root; a port
// forwards as designated while RSTP runs.
SIM_HANDLER(0x0304)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    const auto& rstp = Rstp(sw);
    size_t ports = sw.PortCount();
    std::vector<uint8_t> body(19 + 10 * ports, 0);
    body[0] = rstp[0];
    body[1] = rstp[1], body[2] = rstp[2];
    for (size_t i = 0; i < 6; ++i)
        body[3 + i] = sw.Mac[i];
    body[9] = rstp[1], body[10] = rstp[2];
    body[11] = 255;
    body[16] = rstp[3], body[17] = rstp[4], body[18] = rstp[5];
    for (size_t i = 0; i < ports; ++i) {
        const uint8_t* in = rstp.data() + 6 + 8 * i;
        uint8_t* row = body.data() + 19 + 10 * i;
        std::copy(in, in + 4, row);
        row[4] = in[4];
        row[5] = in[5] == 2 ? 1 : in[5];
        row[6] = in[6];
        row[7] = 0;
        row[8] = rstp[0] ? (in[7] ? 4 : 3) : 0;
        row[9] = rstp[0] ? (in[7] ? 5 : 2) : 0;
    }
    out.push_back(Reply(0, std::move(body)));
    return out;
}

SIM_HANDLER(0x0300) { return StoredGet(sw, 0x0300, std::vector<uint8_t>(QloopSize, 0)); }
SIM_HANDLER(0x0301) { return StoredSet(sw, req, 0x0300, QloopSize); }
