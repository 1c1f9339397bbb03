// The host's routes, local networks and ARP table.
#pragma once

#include <cstdint>
#include <list>
#include <vector>

namespace Intp {

// An IPv4 address and netmask, both in host byte order; a unicast entry is
// {address, 255.255.255.255}.
struct TIpMask {
    uint32_t Ip = 0;
    uint32_t Mask = 0;
    friend bool operator==(const TIpMask&, const TIpMask&) = default;
};
using TIpMaskList = std::list<TIpMask>;
using TIpMaskVector = std::vector<TIpMask>;

} // namespace Intp
