// The host's routes, local networks and ARP table over rtnetlink.
#include "LocalNet.h"

#include "Intp.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <arpa/inet.h>
#include <linux/neighbour.h>
#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <net/if.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Intp {

namespace {

uint32_t MaskFromPrefix(unsigned prefix)
{
    return prefix == 0 ? 0u : 0xFFFFFFFFu << (32 - prefix);
}

// A 4-byte attribute payload as a host-order address or number.
bool AttrU32(const rtattr* attr, uint32_t& out, bool networkOrder)
{
    if (RTA_PAYLOAD(attr) < 4)
        return false;
    uint32_t value;
    std::memcpy(&value, RTA_DATA(attr), 4);
    out = networkOrder ? ntohl(value) : value;
    return true;
}

// Walks the messages of one netlink answer; calls onMessage for each
// message of the expected type. Returns 0, 1 (end of answer) or -errno.
template <class F>
int WalkMessages(const uint8_t* data, size_t length, uint16_t expectedType, F onMessage)
{
    if (data == nullptr && length != 0)
        return -EINVAL;
    // Netlink messages are 4-byte aligned; copy so the casts below are safe
    // whatever the caller's buffer alignment.
    std::vector<uint32_t> aligned((length + 3) / 4);
    if (length != 0)
        std::memcpy(aligned.data(), data, length);
    const nlmsghdr* msg = reinterpret_cast<const nlmsghdr*>(aligned.data());
    int remaining = static_cast<int>(std::min<size_t>(length, 1u << 30));
    for (; NLMSG_OK(msg, remaining); msg = NLMSG_NEXT(msg, remaining)) {
        if (msg->nlmsg_type == NLMSG_DONE) {
            if (NLMSG_PAYLOAD(msg, 0) >= sizeof(int)) {
                int error;
                std::memcpy(&error, NLMSG_DATA(msg), sizeof error);
                if (error < 0)
                    return error;
            }
            return 1;
        }
        if (msg->nlmsg_type == NLMSG_ERROR) {
            if (NLMSG_PAYLOAD(msg, 0) < sizeof(nlmsgerr))
                return -EBADMSG;
            const nlmsgerr* err = static_cast<const nlmsgerr*>(NLMSG_DATA(msg));
            return err->error < 0 ? err->error : 1; // error 0 is an acknowledgement
        }
        if (msg->nlmsg_type == expectedType)
            onMessage(msg);
    }
    return remaining == 0 ? 0 : -EBADMSG;
}

bool ParseRoute(const nlmsghdr* msg, TRouteRow& row)
{
    if (NLMSG_PAYLOAD(msg, 0) < sizeof(rtmsg))
        return false;
    const rtmsg* rt = static_cast<const rtmsg*>(NLMSG_DATA(msg));
    if (rt->rtm_family != AF_INET || rt->rtm_dst_len > 32)
        return false;
    row = TRouteRow{};
    row.Mask = MaskFromPrefix(rt->rtm_dst_len);
    row.Policy = rt->rtm_tos;
    row.Type = rt->rtm_type;
    row.Proto = rt->rtm_protocol;
    row.Table = rt->rtm_table;
    int attrLength = static_cast<int>(RTM_PAYLOAD(msg));
    for (const rtattr* attr = RTM_RTA(rt); RTA_OK(attr, attrLength); attr = RTA_NEXT(attr, attrLength)) {
        switch (attr->rta_type) {
        case RTA_DST: AttrU32(attr, row.Dest, true); break;
        case RTA_GATEWAY: AttrU32(attr, row.NextHop, true); break;
        case RTA_OIF: AttrU32(attr, row.IfIndex, false); break;
        case RTA_PRIORITY: AttrU32(attr, row.Metric1, false); break;
        case RTA_PREFSRC: AttrU32(attr, row.PrefSrc, true); break;
        case RTA_TABLE: AttrU32(attr, row.Table, false); break;
        case RTA_MULTIPATH: {
            // A route over several next hops: the first one stands for it.
            if (RTA_PAYLOAD(attr) < sizeof(rtnexthop))
                break;
            const rtnexthop* hop = static_cast<const rtnexthop*>(RTA_DATA(attr));
            if (hop->rtnh_len < sizeof(rtnexthop) || hop->rtnh_len > RTA_PAYLOAD(attr))
                break;
            if (row.IfIndex == 0)
                row.IfIndex = static_cast<uint32_t>(hop->rtnh_ifindex);
            int hopLength = hop->rtnh_len - static_cast<int>(RTNH_ALIGN(sizeof(rtnexthop)));
            for (const rtattr* sub = RTNH_DATA(hop); RTA_OK(sub, hopLength); sub = RTA_NEXT(sub, hopLength))
                if (sub->rta_type == RTA_GATEWAY && row.NextHop == 0)
                    AttrU32(sub, row.NextHop, true);
            break;
        }
        default: break;
        }
    }
    row.Dest &= row.Mask;
    return true;
}

bool ParseAddress(const nlmsghdr* msg, TAddrRow& row)
{
    if (NLMSG_PAYLOAD(msg, 0) < sizeof(ifaddrmsg))
        return false;
    const ifaddrmsg* ifa = static_cast<const ifaddrmsg*>(NLMSG_DATA(msg));
    if (ifa->ifa_family != AF_INET || ifa->ifa_prefixlen > 32)
        return false;
    row = TAddrRow{};
    row.Mask = MaskFromPrefix(ifa->ifa_prefixlen);
    row.IfIndex = ifa->ifa_index;
    bool haveLocal = false, haveAddress = false;
    uint32_t local = 0, address = 0;
    int attrLength = static_cast<int>(IFA_PAYLOAD(msg));
    for (const rtattr* attr = IFA_RTA(ifa); RTA_OK(attr, attrLength); attr = RTA_NEXT(attr, attrLength)) {
        // On a point-to-point link IFA_ADDRESS is the peer; IFA_LOCAL is ours.
        if (attr->rta_type == IFA_LOCAL)
            haveLocal = AttrU32(attr, local, true);
        else if (attr->rta_type == IFA_ADDRESS)
            haveAddress = AttrU32(attr, address, true);
    }
    if (!haveLocal && !haveAddress)
        return false;
    row.Ip = haveLocal ? local : address;
    return true;
}

bool ParseNeighbour(const nlmsghdr* msg, TArpRow& row)
{
    if (NLMSG_PAYLOAD(msg, 0) < sizeof(ndmsg))
        return false;
    const ndmsg* nd = static_cast<const ndmsg*>(NLMSG_DATA(msg));
    if (nd->ndm_family != AF_INET)
        return false;
    row = TArpRow{};
    row.IfIndex = static_cast<uint32_t>(nd->ndm_ifindex);
    row.State = nd->ndm_state;
    row.Type = ArpTypeFromState(nd->ndm_state);
    bool haveDst = false;
    int attrLength = static_cast<int>(NLMSG_PAYLOAD(msg, sizeof(ndmsg)));
    const rtattr* attr = reinterpret_cast<const rtattr*>(
        reinterpret_cast<const char*>(nd) + NLMSG_ALIGN(sizeof(ndmsg)));
    for (; RTA_OK(attr, attrLength); attr = RTA_NEXT(attr, attrLength)) {
        if (attr->rta_type == NDA_DST) {
            haveDst = AttrU32(attr, row.Ip, true);
        } else if (attr->rta_type == NDA_LLADDR) {
            row.PhysAddrLen = std::min<uint32_t>(RTA_PAYLOAD(attr), sizeof row.PhysAddr);
            std::memcpy(row.PhysAddr, RTA_DATA(attr), row.PhysAddrLen);
        }
    }
    return haveDst;
}

// A request message with its attributes, built in a 4-byte aligned buffer.
class TRequest {
public:
    TRequest(uint16_t type, uint16_t flags, const void* body, size_t bodyLength)
    {
        m_Buffer.resize(NLMSG_SPACE(bodyLength) / 4);
        nlmsghdr* msg = Header();
        msg->nlmsg_len = static_cast<uint32_t>(NLMSG_LENGTH(bodyLength));
        msg->nlmsg_type = type;
        msg->nlmsg_flags = flags;
        msg->nlmsg_seq = 1;
        std::memcpy(NLMSG_DATA(msg), body, bodyLength);
    }
    void AddU32(uint16_t type, uint32_t value)
    {
        size_t offset = NLMSG_ALIGN(Header()->nlmsg_len);
        m_Buffer.resize((offset + RTA_SPACE(4)) / 4);
        rtattr* attr = reinterpret_cast<rtattr*>(reinterpret_cast<char*>(m_Buffer.data()) + offset);
        attr->rta_type = type;
        attr->rta_len = RTA_LENGTH(4);
        std::memcpy(RTA_DATA(attr), &value, 4);
        Header()->nlmsg_len = static_cast<uint32_t>(offset + RTA_SPACE(4));
    }
    nlmsghdr* Header() { return reinterpret_cast<nlmsghdr*>(m_Buffer.data()); }

private:
    std::vector<uint32_t> m_Buffer;
};

// One rtnetlink request and its whole answer.
class TNetlink {
public:
    ~TNetlink()
    {
        if (m_Fd >= 0)
            close(m_Fd);
    }

    // Sends the request and hands every answer datagram to parse until it
    // reports the end (or, for a single answer, until done() holds).
    template <class Parse, class Done>
    int Exchange(TRequest& request, Parse parse, Done done)
    {
        m_Fd = socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
        if (m_Fd < 0)
            return errno;
        timeval timeout{5, 0};
        setsockopt(m_Fd, SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout);
        sockaddr_nl kernel{};
        kernel.nl_family = AF_NETLINK;
        nlmsghdr* msg = request.Header();
        if (sendto(m_Fd, msg, msg->nlmsg_len, 0, reinterpret_cast<sockaddr*>(&kernel), sizeof kernel) < 0)
            return errno;
        std::vector<uint8_t> buffer;
        for (;;) {
            // Learn the size of the next datagram, then read it whole.
            ssize_t size = recv(m_Fd, nullptr, 0, MSG_PEEK | MSG_TRUNC);
            if (size < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            buffer.resize(static_cast<size_t>(size));
            ssize_t got = recv(m_Fd, buffer.data(), buffer.size(), 0);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (got != size)
                return EBADMSG;
            int result = parse(buffer.data(), static_cast<size_t>(got));
            if (result < 0)
                return -result;
            if (result > 0 || done())
                return 0;
        }
    }

private:
    int m_Fd = -1;
};

template <class Rows, class Parser>
int Dump(uint16_t type, const void* body, size_t bodyLength, Rows& out, Parser parser)
{
    TRequest request(type, NLM_F_REQUEST | NLM_F_DUMP, body, bodyLength);
    Rows rows;
    TNetlink link;
    int error = link.Exchange(request, [&](const uint8_t* data, size_t length) {
        return parser(data, length, rows);
    }, [] { return false; });
    if (error != 0)
        return error;
    out.insert(out.end(), rows.begin(), rows.end());
    return 0;
}

} // namespace

// ---- Parsers ----------------------------------------------------------------

int ParseRouteMessages(const uint8_t* data, size_t length, TRouteList& routes)
{
    return WalkMessages(data, length, RTM_NEWROUTE, [&](const nlmsghdr* msg) {
        TRouteRow row;
        if (ParseRoute(msg, row))
            routes.push_back(row);
    });
}

int ParseAddressMessages(const uint8_t* data, size_t length, TAddrVector& rows)
{
    return WalkMessages(data, length, RTM_NEWADDR, [&](const nlmsghdr* msg) {
        TAddrRow row;
        if (ParseAddress(msg, row))
            rows.push_back(row);
    });
}

int ParseNeighbourMessages(const uint8_t* data, size_t length, TArpVector& rows)
{
    return WalkMessages(data, length, RTM_NEWNEIGH, [&](const nlmsghdr* msg) {
        TArpRow row;
        if (ParseNeighbour(msg, row))
            rows.push_back(row);
    });
}

// ---- Ordering rules -------------------------------------------------------

bool PickDefaultRoute(const TRouteList& routes, TRouteRow& row)
{
    const TRouteRow* best = nullptr;
    auto rank = [](const TRouteRow& r) { return std::make_pair(r.Table == RT_TABLE_MAIN ? 0 : 1, r.Metric1); };
    for (const TRouteRow& r : routes) {
        if (r.Dest != 0 || r.Mask != 0 || r.Type != RTN_UNICAST)
            continue;
        if (best == nullptr || rank(r) < rank(*best))
            best = &r;
    }
    if (best == nullptr)
        return false;
    row = *best;
    return true;
}

void OrderLocalAddresses(const TAddrVector& rows, const TRouteRow* defaultRoute, TIpMaskList& list)
{
    for (const TAddrRow& row : rows) {
        if (!IsUsableIp(row.Ip))
            continue;
        TIpMask entry{row.Ip, row.Mask};
        if (defaultRoute != nullptr && row.IfIndex == defaultRoute->IfIndex)
            list.push_front(entry);
        else
            list.push_back(entry);
    }
}

TArpVector SelectArpEntries(const TArpVector& table, const std::vector<uint32_t>& addresses,
                            bool includeStatic)
{
    TArpVector chosen;
    for (auto it = table.rbegin(); it != table.rend(); ++it) {
        if (std::find(addresses.begin(), addresses.end(), it->Ip) == addresses.end())
            continue;
        if (it->Type == ArpTypeStatic && !includeStatic)
            continue;
        chosen.push_back(*it);
    }
    return chosen;
}

uint32_t ArpTypeFromState(uint16_t state)
{
    if (state & (NUD_PERMANENT | NUD_NOARP))
        return ArpTypeStatic;
    if (state & (NUD_INCOMPLETE | NUD_FAILED))
        return ArpTypeInvalid;
    if (state & (NUD_REACHABLE | NUD_STALE | NUD_DELAY | NUD_PROBE))
        return ArpTypeDynamic;
    return ArpTypeOther;
}

// ---- Host tables ------------------------------------------------------------

int GetRouteTable(TRouteList& routes)
{
    rtmsg body{};
    body.rtm_family = AF_INET;
    return Dump(RTM_GETROUTE, &body, sizeof body, routes, ParseRouteMessages);
}

bool GetDefaultRoute(TRouteRow& row)
{
    TRouteList routes;
    if (GetRouteTable(routes) != 0)
        return false;
    return PickDefaultRoute(routes, row);
}

int GetAddressTable(TAddrVector& rows)
{
    ifaddrmsg body{};
    body.ifa_family = AF_INET;
    return Dump(RTM_GETADDR, &body, sizeof body, rows, ParseAddressMessages);
}

int GetLocalAddresses(TIpMaskList& list)
{
    TAddrVector rows;
    if (int error = GetAddressTable(rows); error != 0)
        return error;
    TRouteRow defaultRoute;
    bool haveDefault = GetDefaultRoute(defaultRoute);
    OrderLocalAddresses(rows, haveDefault ? &defaultRoute : nullptr, list);
    return 0;
}

int GetArpTable(TArpVector& rows)
{
    ndmsg body{};
    body.ndm_family = AF_INET;
    return Dump(RTM_GETNEIGH, &body, sizeof body, rows, ParseNeighbourMessages);
}

int DeleteArpEntry(const TArpRow& row)
{
    ndmsg body{};
    body.ndm_family = AF_INET;
    body.ndm_ifindex = static_cast<int>(row.IfIndex);
    TRequest request(RTM_DELNEIGH, NLM_F_REQUEST | NLM_F_ACK, &body, sizeof body);
    request.AddU32(NDA_DST, htonl(row.Ip));
    TNetlink link;
    TArpVector ignored;
    return link.Exchange(request, [&](const uint8_t* data, size_t length) {
        return ParseNeighbourMessages(data, length, ignored);
    }, [] { return false; });
}

int DeleteArpEntries(const std::vector<uint32_t>& addresses, bool includeStatic)
{
    TArpVector table;
    if (int error = GetArpTable(table); error != 0)
        return error; // an unread table deletes nothing
    int result = 0;
    for (const TArpRow& row : SelectArpEntries(table, addresses, includeStatic))
        if (int error = DeleteArpEntry(row); error != 0)
            result = error;
    return result;
}

int GetBestRoute(uint32_t destination, TRouteRow& row)
{
    rtmsg body{};
    body.rtm_family = AF_INET;
    body.rtm_dst_len = 32;
    TRequest request(RTM_GETROUTE, NLM_F_REQUEST, &body, sizeof body);
    request.AddU32(RTA_DST, htonl(destination));
    TRouteList answer;
    TNetlink link;
    int error = link.Exchange(request, [&](const uint8_t* data, size_t length) {
        return ParseRouteMessages(data, length, answer);
    }, [&] { return !answer.empty(); });
    if (error != 0)
        return error;
    if (answer.empty())
        return ENETUNREACH;
    row = answer.front();
    row.Dest = destination;
    row.Mask = 0xFFFFFFFFu;
    return 0;
}

int GetIfEntry(uint32_t ifIndex, std::string& name)
{
    char buffer[IF_NAMESIZE] = {};
    if (if_indextoname(ifIndex, buffer) == nullptr)
        return errno;
    name = buffer;
    return 0;
}

} // namespace Intp
