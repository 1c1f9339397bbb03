// The host's routes, local networks and ARP table.
//
// Everything here reads the kernel's tables over rtnetlink. The reads parse
// the kernel's answer into plain rows; the ordering rules work on those rows
// alone, so they are tested without touching the host. Every function that
// returns int returns 0 on success or an errno value; on an error the
// caller's list is left as it was. Addresses are held in host byte order.
#pragma once

#include <cstddef>
#include <cstdint>
#include <list>
#include <string>
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

// One IPv4 route of the kernel. Addresses and masks in host order; Type and
// Proto carry the kernel's route type (RTN_*) and origin (RTPROT_*).
struct TRouteRow {
    uint32_t Dest = 0;
    uint32_t Mask = 0;
    uint32_t Policy = 0;      // the route's TOS selector
    uint32_t NextHop = 0;     // 0 for a directly connected network
    uint32_t IfIndex = 0;     // outgoing interface, 0 when the route has none
    uint32_t Type = 0;
    uint32_t Proto = 0;
    uint32_t Age = 0;
    uint32_t NextHopAS = 0;
    uint32_t Metric1 = 0;     // the route's priority: lower is preferred
    uint32_t Table = 0;       // routing table id (254 is the main table)
    uint32_t PrefSrc = 0;     // preferred source address, 0 when not given
    friend bool operator==(const TRouteRow&, const TRouteRow&) = default;
};
using TRouteList = std::list<TRouteRow>;

// One IPv4 address of an interface.
struct TAddrRow {
    uint32_t Ip = 0;
    uint32_t Mask = 0;
    uint32_t IfIndex = 0;
};
using TAddrVector = std::vector<TAddrRow>;

// ARP entry types.
constexpr uint32_t ArpTypeOther = 1;
constexpr uint32_t ArpTypeInvalid = 2;
constexpr uint32_t ArpTypeDynamic = 3;
constexpr uint32_t ArpTypeStatic = 4;

// One entry of the ARP cache.
struct TArpRow {
    uint32_t Ip = 0;
    uint32_t IfIndex = 0;
    uint8_t PhysAddr[8] = {};
    uint32_t PhysAddrLen = 0;
    uint32_t Type = 0;        // ArpType*
    uint16_t State = 0;       // the kernel's NUD_* state
};
using TArpVector = std::vector<TArpRow>;

// ---- Reads and changes of the host's tables ------------------------------

// Appends every IPv4 route of every routing table, in the kernel's order.
int GetRouteTable(TRouteList& routes);
// The default route: the unicast route to 0.0.0.0/0 with the lowest metric,
// main table first; false when there is none or the table cannot be read.
bool GetDefaultRoute(TRouteRow& row);
// Appends the host's usable IPv4 networks: those of the interface that
// carries the default route first, then all others in table order.
int GetLocalAddresses(TIpMaskList& list);
// Appends every IPv4 address of every interface, in the kernel's order.
int GetAddressTable(TAddrVector& rows);
// Appends every IPv4 entry of the ARP cache, in the kernel's order.
int GetArpTable(TArpVector& rows);
// Removes the ARP entries of the given addresses, last entry first; static
// entries only when includeStatic. Nothing is removed when the table cannot
// be read (that error is returned); otherwise returns the last removal's
// error or 0. Removal needs CAP_NET_ADMIN; callers may ignore the result.
int DeleteArpEntries(const std::vector<uint32_t>& addresses, bool includeStatic);
// Removes one ARP entry.
int DeleteArpEntry(const TArpRow& row);
// The kernel's route to one destination (as `ip route get` asks for it):
// next hop, outgoing interface and preferred source. Dest is the address
// asked for and Mask 255.255.255.255.
int GetBestRoute(uint32_t destination, TRouteRow& row);
// The name of an interface.
int GetIfEntry(uint32_t ifIndex, std::string& name);

// ---- Ordering rules over parsed rows --------------------------------------

// The default route among the rows: unicast, destination and mask 0; the
// main table before others, then the lowest metric, then table order.
bool PickDefaultRoute(const TRouteList& routes, TRouteRow& row);
// Appends {address, mask} of each usable address in table order: at the
// front when its interface carries the default route, at the back otherwise
// (defaultRoute may be null).
void OrderLocalAddresses(const TAddrVector& rows, const TRouteRow* defaultRoute,
                         TIpMaskList& list);
// The entries DeleteArpEntries removes, in removal order (last entry first).
TArpVector SelectArpEntries(const TArpVector& table, const std::vector<uint32_t>& addresses,
                            bool includeStatic);
// The ARP type of a kernel neighbour state.
uint32_t ArpTypeFromState(uint16_t state);

// ---- rtnetlink answer parsers ---------------------------------------------
//
// Each takes a buffer of whole netlink messages as the kernel sends them and
// appends the rows it finds. They return 0 while more messages may follow,
// 1 once the end of a dump (NLMSG_DONE) was read, or a negative errno when
// the kernel answered with an error or the buffer is malformed.
int ParseRouteMessages(const uint8_t* data, size_t length, TRouteList& routes);
int ParseAddressMessages(const uint8_t* data, size_t length, TAddrVector& rows);
int ParseNeighbourMessages(const uint8_t* data, size_t length, TArpVector& rows);

} // namespace Intp
