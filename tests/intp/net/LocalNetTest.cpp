// Local network layer: ordering rules over fixed tables, parsing of kernel
// answers, and the live reads inside a network namespace of our own.
#include "LocalNet.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstring>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>

using namespace Intp;

namespace {

constexpr uint32_t Ip(uint8_t a, uint8_t b, uint8_t c, uint8_t d)
{
    return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | d;
}

TRouteRow Route(uint32_t dest, uint32_t mask, uint32_t ifIndex, uint32_t metric = 0,
                uint32_t table = RT_TABLE_MAIN, uint32_t type = RTN_UNICAST)
{
    TRouteRow row;
    row.Dest = dest;
    row.Mask = mask;
    row.IfIndex = ifIndex;
    row.Metric1 = metric;
    row.Table = table;
    row.Type = type;
    return row;
}

// ---- Ordering rules ---------------------------------------------------------

TEST(LocalNetOrder, DefaultRoutePicksLowestMetricUnicastOfMainTable)
{
    TRouteList routes{
        Route(Ip(192, 0, 2, 0), 0xFFFFFF00, 2),
        Route(0, 0, 9, 5, RT_TABLE_MAIN, RTN_UNREACHABLE),   // not a usable default
        Route(0, 0, 3, 600),
        Route(0, 0, 4, 0, 100),                              // another table
        Route(0, 0, 5, 100),
        Route(0, 0, 6, 100),                                 // same metric, later
    };
    TRouteRow row;
    ASSERT_TRUE(PickDefaultRoute(routes, row));
    EXPECT_EQ(row.IfIndex, 5u);

    TRouteList none{Route(Ip(192, 0, 2, 0), 0xFFFFFF00, 2), Route(0, 0, 9, 0, RT_TABLE_MAIN, RTN_BLACKHOLE)};
    row.IfIndex = 77;
    EXPECT_FALSE(PickDefaultRoute(none, row));
    EXPECT_EQ(row.IfIndex, 77u) << "the output row is untouched without a default route";
}

TEST(LocalNetOrder, DefaultRouteInterfaceComesFirst)
{
    // The default route uses the second adapter: its networks come first
    // (several of them in reverse table order), all others in table order.
    TAddrVector rows{
        {Ip(127, 0, 0, 1), 0xFF000000, 1},
        {Ip(192, 0, 2, 10), 0xFFFFFFC0, 2},
        {Ip(192, 0, 2, 70), 0xFFFFFFC0, 3},
        {Ip(192, 0, 2, 130), 0xFFFFFFC0, 4},
        {Ip(192, 0, 2, 200), 0xFFFFFFF0, 3},
    };
    TRouteRow def = Route(0, 0, 3);
    TIpMaskList list{{Ip(192, 0, 2, 1), 0xFFFFFFFF}};   // the services append
    OrderLocalAddresses(rows, &def, list);
    TIpMaskList expected{
        {Ip(192, 0, 2, 200), 0xFFFFFFF0}, {Ip(192, 0, 2, 70), 0xFFFFFFC0},
        {Ip(192, 0, 2, 1), 0xFFFFFFFF},
        {Ip(192, 0, 2, 10), 0xFFFFFFC0}, {Ip(192, 0, 2, 130), 0xFFFFFFC0},
    };
    EXPECT_EQ(list, expected);

    // Without a default route every network keeps table order.
    TIpMaskList plain;
    OrderLocalAddresses(rows, nullptr, plain);
    TIpMaskList inOrder{{Ip(192, 0, 2, 10), 0xFFFFFFC0}, {Ip(192, 0, 2, 70), 0xFFFFFFC0},
                        {Ip(192, 0, 2, 130), 0xFFFFFFC0}, {Ip(192, 0, 2, 200), 0xFFFFFFF0}};
    EXPECT_EQ(plain, inOrder);
}

TEST(LocalNetOrder, UnusableAddressesNeverAppear)
{
    TAddrVector loopbackOnly{{Ip(127, 0, 0, 1), 0xFF000000, 1}, {Ip(127, 1, 2, 3), 0xFF000000, 1},
                             {0, 0, 2}, {0xFFFFFFFF, 0xFFFFFFFF, 3}};
    TRouteRow def = Route(0, 0, 1);
    TIpMaskList list;
    OrderLocalAddresses(loopbackOnly, &def, list);
    EXPECT_TRUE(list.empty());
}

TEST(LocalNetOrder, ArpSelectionKeepsStaticUnlessAsked)
{
    TArpVector table(4);
    table[0] = {Ip(192, 0, 2, 9), 2, {}, 6, ArpTypeStatic, NUD_PERMANENT};
    table[1] = {Ip(192, 0, 2, 10), 2, {}, 6, ArpTypeDynamic, NUD_STALE};
    table[2] = {Ip(192, 0, 2, 11), 2, {}, 6, ArpTypeDynamic, NUD_REACHABLE};
    table[3] = {Ip(192, 0, 2, 10), 3, {}, 6, ArpTypeInvalid, NUD_FAILED};
    std::vector<uint32_t> addresses{Ip(192, 0, 2, 9), Ip(192, 0, 2, 10)};

    TArpVector dynamicOnly = SelectArpEntries(table, addresses, false);
    ASSERT_EQ(dynamicOnly.size(), 2u);
    EXPECT_EQ(dynamicOnly[0].IfIndex, 3u) << "walked from the last entry to the first";
    EXPECT_EQ(dynamicOnly[1].IfIndex, 2u);
    EXPECT_EQ(dynamicOnly[1].Ip, Ip(192, 0, 2, 10));

    TArpVector all = SelectArpEntries(table, addresses, true);
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[2].Ip, Ip(192, 0, 2, 9));

    EXPECT_TRUE(SelectArpEntries(table, {}, true).empty());
    EXPECT_EQ(ArpTypeFromState(NUD_PERMANENT), ArpTypeStatic);
    EXPECT_EQ(ArpTypeFromState(NUD_NOARP), ArpTypeStatic);
    EXPECT_EQ(ArpTypeFromState(NUD_DELAY), ArpTypeDynamic);
    EXPECT_EQ(ArpTypeFromState(NUD_INCOMPLETE), ArpTypeInvalid);
    EXPECT_EQ(ArpTypeFromState(NUD_NONE), ArpTypeOther);
}

// ---- Parsing kernel answers ---------------------------------------------------

// Builds netlink answers the way the kernel lays them out.
class TAnswer {
public:
    template <class Body>
    TAnswer& Message(uint16_t type, const Body& body)
    {
        Close();
        m_Start = m_Bytes.size();
        nlmsghdr header{};
        header.nlmsg_type = type;
        Append(&header, sizeof header);
        Append(&body, sizeof body);
        Pad();
        return *this;
    }
    TAnswer& Attr(uint16_t type, const void* data, size_t length)
    {
        rtattr attr{};
        attr.rta_type = type;
        attr.rta_len = static_cast<unsigned short>(RTA_LENGTH(length));
        Append(&attr, sizeof attr);
        Append(data, length);
        Pad();
        return *this;
    }
    TAnswer& AttrIp(uint16_t type, uint32_t ip)
    {
        uint32_t net = htonl(ip);
        return Attr(type, &net, 4);
    }
    TAnswer& AttrU32(uint16_t type, uint32_t value) { return Attr(type, &value, 4); }
    TAnswer& Done()
    {
        int zero = 0;
        return Message(NLMSG_DONE, zero);
    }
    TAnswer& Error(int error)
    {
        nlmsgerr err{};
        err.error = error;
        return Message(NLMSG_ERROR, err);
    }
    std::vector<uint8_t> Bytes()
    {
        Close();
        return m_Bytes;
    }

private:
    void Append(const void* data, size_t length)
    {
        auto p = static_cast<const uint8_t*>(data);
        m_Bytes.insert(m_Bytes.end(), p, p + length);
    }
    void Pad() { m_Bytes.resize(NLMSG_ALIGN(m_Bytes.size())); }
    void Close()
    {
        if (m_Start == SIZE_MAX)
            return;
        uint32_t length = static_cast<uint32_t>(m_Bytes.size() - m_Start);
        std::memcpy(m_Bytes.data() + m_Start, &length, 4);
        m_Start = SIZE_MAX;
    }
    std::vector<uint8_t> m_Bytes;
    size_t m_Start = SIZE_MAX;
};

rtmsg RouteBody(uint8_t dstLen, uint8_t type = RTN_UNICAST, uint8_t family = AF_INET)
{
    rtmsg rt{};
    rt.rtm_family = family;
    rt.rtm_dst_len = dstLen;
    rt.rtm_table = RT_TABLE_MAIN;
    rt.rtm_protocol = RTPROT_BOOT;
    rt.rtm_type = type;
    return rt;
}

TEST(LocalNetParse, RouteDump)
{
    std::vector<uint8_t> bytes = TAnswer()
        .Message(RTM_NEWROUTE, RouteBody(0))
            .AttrU32(RTA_TABLE, RT_TABLE_MAIN).AttrU32(RTA_PRIORITY, 100)
            .AttrIp(RTA_GATEWAY, Ip(192, 0, 2, 254)).AttrU32(RTA_OIF, 3)
        .Message(RTM_NEWROUTE, RouteBody(24))
            .AttrIp(RTA_DST, Ip(192, 0, 2, 0)).AttrIp(RTA_PREFSRC, Ip(192, 0, 2, 5)).AttrU32(RTA_OIF, 3)
        .Message(RTM_NEWROUTE, RouteBody(64, RTN_UNICAST, AF_INET6))      // not IPv4: skipped
        .Bytes();
    TRouteList routes;
    EXPECT_EQ(ParseRouteMessages(bytes.data(), bytes.size(), routes), 0) << "no end of dump yet";
    ASSERT_EQ(routes.size(), 2u);
    const TRouteRow& def = routes.front();
    EXPECT_EQ(def.Dest, 0u);
    EXPECT_EQ(def.Mask, 0u);
    EXPECT_EQ(def.NextHop, Ip(192, 0, 2, 254));
    EXPECT_EQ(def.IfIndex, 3u);
    EXPECT_EQ(def.Metric1, 100u);
    EXPECT_EQ(def.Proto, unsigned(RTPROT_BOOT));
    const TRouteRow& net = routes.back();
    EXPECT_EQ(net.Dest, Ip(192, 0, 2, 0));
    EXPECT_EQ(net.Mask, 0xFFFFFF00u);
    EXPECT_EQ(net.PrefSrc, Ip(192, 0, 2, 5));
    EXPECT_EQ(net.NextHop, 0u);

    std::vector<uint8_t> end = TAnswer().Done().Bytes();
    EXPECT_EQ(ParseRouteMessages(end.data(), end.size(), routes), 1);
    std::vector<uint8_t> refused = TAnswer().Error(-ENETUNREACH).Bytes();
    EXPECT_EQ(ParseRouteMessages(refused.data(), refused.size(), routes), -ENETUNREACH);
    EXPECT_EQ(routes.size(), 2u);
}

TEST(LocalNetParse, MultipathRouteTakesFirstHop)
{
    std::vector<uint8_t> hop(RTNH_ALIGN(sizeof(rtnexthop)) + RTA_SPACE(4));
    auto* nh = reinterpret_cast<rtnexthop*>(hop.data());
    nh->rtnh_len = static_cast<unsigned short>(hop.size());
    nh->rtnh_ifindex = 7;
    auto* gw = reinterpret_cast<rtattr*>(hop.data() + RTNH_ALIGN(sizeof(rtnexthop)));
    gw->rta_type = RTA_GATEWAY;
    gw->rta_len = RTA_LENGTH(4);
    uint32_t net = htonl(Ip(192, 0, 2, 77));
    std::memcpy(RTA_DATA(gw), &net, 4);
    std::vector<uint8_t> bytes = TAnswer().Message(RTM_NEWROUTE, RouteBody(0))
        .Attr(RTA_MULTIPATH, hop.data(), hop.size()).Bytes();
    TRouteList routes;
    ParseRouteMessages(bytes.data(), bytes.size(), routes);
    ASSERT_EQ(routes.size(), 1u);
    EXPECT_EQ(routes.front().IfIndex, 7u);
    EXPECT_EQ(routes.front().NextHop, Ip(192, 0, 2, 77));
}

TEST(LocalNetParse, AddressAndNeighbourDumps)
{
    ifaddrmsg ifa{};
    ifa.ifa_family = AF_INET;
    ifa.ifa_prefixlen = 26;
    ifa.ifa_index = 4;
    std::vector<uint8_t> addresses = TAnswer()
        .Message(RTM_NEWADDR, ifa).AttrIp(IFA_ADDRESS, Ip(192, 0, 2, 99)).AttrIp(IFA_LOCAL, Ip(192, 0, 2, 65))
        .Message(RTM_NEWADDR, ifa)                                        // no address: skipped
        .Done().Bytes();
    TAddrVector rows;
    EXPECT_EQ(ParseAddressMessages(addresses.data(), addresses.size(), rows), 1);
    ASSERT_EQ(rows.size(), 1u);
    EXPECT_EQ(rows[0].Ip, Ip(192, 0, 2, 65)) << "the local address, not the peer's";
    EXPECT_EQ(rows[0].Mask, 0xFFFFFFC0u);
    EXPECT_EQ(rows[0].IfIndex, 4u);

    ndmsg nd{};
    nd.ndm_family = AF_INET;
    nd.ndm_ifindex = 2;
    nd.ndm_state = NUD_PERMANENT;
    const uint8_t mac[6] = {2, 0, 0, 0, 0, 9};
    std::vector<uint8_t> neighbours = TAnswer()
        .Message(RTM_NEWNEIGH, nd).AttrIp(NDA_DST, Ip(192, 0, 2, 9)).Attr(NDA_LLADDR, mac, 6)
        .Message(RTM_NEWNEIGH, nd).Attr(NDA_LLADDR, mac, 6)               // no address: skipped
        .Bytes();
    TArpVector arp;
    EXPECT_EQ(ParseNeighbourMessages(neighbours.data(), neighbours.size(), arp), 0);
    ASSERT_EQ(arp.size(), 1u);
    EXPECT_EQ(arp[0].Ip, Ip(192, 0, 2, 9));
    EXPECT_EQ(arp[0].Type, ArpTypeStatic);
    EXPECT_EQ(arp[0].PhysAddrLen, 6u);
    EXPECT_EQ(std::memcmp(arp[0].PhysAddr, mac, 6), 0);
}

TEST(LocalNetParse, MalformedAnswersAreRefusedWithoutReadingPastTheEnd)
{
    std::vector<uint8_t> good = TAnswer().Message(RTM_NEWROUTE, RouteBody(24))
        .AttrIp(RTA_DST, Ip(192, 0, 2, 0)).Bytes();
    for (size_t cut = 1; cut < good.size(); ++cut) {
        std::vector<uint8_t> part(good.begin(), good.begin() + cut);
        TRouteList routes;
        EXPECT_LT(ParseRouteMessages(part.data(), part.size(), routes), 0) << "cut at " << cut;
        EXPECT_TRUE(routes.empty());
    }
    // A header that claims more than its body, and a truncated attribute.
    std::vector<uint8_t> lying = good;
    uint32_t length = static_cast<uint32_t>(good.size() + 64);
    std::memcpy(lying.data(), &length, 4);
    TRouteList routes;
    EXPECT_LT(ParseRouteMessages(lying.data(), lying.size(), routes), 0);

    std::vector<uint8_t> shortAttr = TAnswer().Message(RTM_NEWROUTE, RouteBody(24))
        .Attr(RTA_DST, "\xC0", 1).Bytes();
    routes.clear();
    EXPECT_EQ(ParseRouteMessages(shortAttr.data(), shortAttr.size(), routes), 0);
    ASSERT_EQ(routes.size(), 1u);
    EXPECT_EQ(routes.front().Dest, 0u);

    std::vector<uint8_t> shortError = TAnswer().Message(NLMSG_ERROR, 0).Bytes();
    EXPECT_LT(ParseRouteMessages(shortError.data(), shortError.size(), routes), 0);
    EXPECT_EQ(ParseRouteMessages(nullptr, 0, routes), 0);
}

} // namespace
