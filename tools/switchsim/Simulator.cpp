// The simulator's socket loop, request routing and fault injection.
#include "Simulator.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace Sim {

Intp::TMacAddr SimMac(uint32_t n)
{
    uint8_t b[6] = {0x02, 0x00, 0x00, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n)};
    return Intp::TMacAddr(b);
}

TSimulator::TSimulator() = default;

TSimulator::~TSimulator()
{
    Stop();
    if (m_LogFile)
        std::fclose(m_LogFile);
}

size_t TSimulator::AddSwitch(const TSimSwitch& sw)
{
    auto lock = Lock();
    m_Switches.push_back(sw);
    return m_Switches.size() - 1;
}

void TSimulator::AddSwitches(size_t count, uint32_t firstIp, uint32_t firstModel)
{
    auto lock = Lock();
    for (size_t i = 0; i < count; ++i) {
        TSimSwitch sw;
        uint32_t n = uint32_t(m_Switches.size() + 1);
        sw.Mac = SimMac(n);
        sw.Ip = firstIp + uint32_t(i);
        sw.Model = uint32_t((firstModel - 1 + i) % 6 + 1);
        sw.Name = "Switch-" + std::to_string(n);
        sw.LinkMask = 0x3;
        m_Switches.push_back(std::move(sw));
    }
}

size_t TSimulator::SwitchCount() const
{
    auto lock = Lock();
    return m_Switches.size();
}

void TSimulator::SetGlobalFaults(const TSimFaults& faults)
{
    auto lock = Lock();
    m_Global = faults;
}

void TSimulator::SetSeed(uint32_t seed)
{
    auto lock = Lock();
    m_Random.seed(seed);
}

bool TSimulator::Start(uint32_t bindIp, uint16_t port)
{
    if (Running())
        return true;
    m_Socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_Socket < 0) {
        m_Error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    int on = 1;
    ::setsockopt(m_Socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    ::setsockopt(m_Socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    ::setsockopt(m_Socket, IPPROTO_IP, IP_PKTINFO, &on, sizeof on);
    // One socket stands for every switch: while it sends the answers to a
    // discovery request (one per switch), the next requests queue up here.
    // Real switches each have their own queue; a default-sized one here
    // would drop requests once a few hundred switches are played, and 4 MB
    // once several thousand are.
    int size = 32 * 1024 * 1024;
    if (::setsockopt(m_Socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(m_Socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(bindIp);
    addr.sin_port = htons(port);
    if (::bind(m_Socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0) {
        m_Error = std::string("bind: ") + std::strerror(errno);
        ::close(m_Socket);
        m_Socket = -1;
        return false;
    }
    socklen_t len = sizeof addr;
    ::getsockname(m_Socket, reinterpret_cast<sockaddr*>(&addr), &len);
    m_Port = ntohs(addr.sin_port);
    if (::pipe2(m_WakePipe, O_CLOEXEC | O_NONBLOCK) < 0) {
        m_Error = std::string("pipe: ") + std::strerror(errno);
        ::close(m_Socket);
        m_Socket = -1;
        return false;
    }
    m_Stop = false;
    m_Thread = std::thread([this] { Run(); });
    return true;
}

void TSimulator::Stop()
{
    if (!m_Thread.joinable())
        return;
    {
        auto lock = Lock();
        m_Stop = true;
    }
    char c = 1;
    [[maybe_unused]] ssize_t n = ::write(m_WakePipe[1], &c, 1);
    m_Thread.join();
    ::close(m_Socket);
    ::close(m_WakePipe[0]);
    ::close(m_WakePipe[1]);
    m_Socket = -1;
    m_WakePipe[0] = m_WakePipe[1] = -1;
    m_Pending.clear();
}

std::vector<TSimLogEntry> TSimulator::Log() const
{
    auto lock = Lock();
    return m_Log;
}

void TSimulator::ClearLog()
{
    auto lock = Lock();
    m_Log.clear();
}

bool TSimulator::WaitForRequests(size_t count, std::chrono::milliseconds timeout) const
{
    auto lock = Lock();
    return m_LogChanged.wait_for(lock, timeout, [&] { return m_Log.size() >= count; });
}

bool TSimulator::SetLogFile(const std::string& path)
{
    auto lock = Lock();
    if (m_LogFile)
        std::fclose(m_LogFile);
    m_LogFile = std::fopen(path.c_str(), "a");
    return m_LogFile != nullptr;
}

size_t TSimulator::RepliesSent() const
{
    auto lock = Lock();
    return m_RepliesSent;
}

void TSimulator::Run()
{
    std::vector<uint8_t> buffer(65536);
    for (;;) {
        int timeout = -1;
        {
            auto lock = Lock();
            if (m_Stop)
                return;
            SendDue();
            if (!m_Pending.empty()) {
                auto next = std::min_element(m_Pending.begin(), m_Pending.end(),
                                             [](const TPending& a, const TPending& b) { return a.Due < b.Due; })
                                ->Due;
                auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(next - std::chrono::steady_clock::now())
                              .count();
                timeout = int(std::clamp<long long>(ms + 1, 0, 1000));
            }
        }
        pollfd fds[2] = {{m_Socket, POLLIN, 0}, {m_WakePipe[0], POLLIN, 0}};
        int r = ::poll(fds, 2, timeout);
        if (r < 0 && errno != EINTR)
            return;
        if (r <= 0)
            continue;
        if (fds[1].revents) {
            char c[16];
            while (::read(m_WakePipe[0], c, sizeof c) > 0) {
            }
        }
        if (!(fds[0].revents & POLLIN))
            continue;
        sockaddr_in from{};
        iovec iov{buffer.data(), buffer.size()};
        alignas(cmsghdr) char control[256];
        msghdr msg{};
        msg.msg_name = &from;
        msg.msg_namelen = sizeof from;
        msg.msg_iov = &iov;
        msg.msg_iovlen = 1;
        msg.msg_control = control;
        msg.msg_controllen = sizeof control;
        ssize_t n = ::recvmsg(m_Socket, &msg, MSG_DONTWAIT);
        if (n < 0)
            continue;
        uint32_t dst = 0;
        for (cmsghdr* c = CMSG_FIRSTHDR(&msg); c; c = CMSG_NXTHDR(&msg, c))
            if (c->cmsg_level == IPPROTO_IP && c->cmsg_type == IP_PKTINFO) {
                in_pktinfo info;
                std::memcpy(&info, CMSG_DATA(c), sizeof info);
                dst = ntohl(info.ipi_addr.s_addr);
            }
        auto lock = Lock();
        Handle(buffer.data(), size_t(n), ntohl(from.sin_addr.s_addr), ntohs(from.sin_port), dst);
        SendDue();
    }
}

static bool IsBroadcastOf(uint32_t dst, const TSimSwitch& sw)
{
    uint32_t host = ~sw.Netmask;
    return host != 0 && (dst & host) == host && (dst & sw.Netmask) == (sw.Ip & sw.Netmask);
}

bool TSimulator::Addressed(const TSimSwitch& sw, const TSimRequest& req) const
{
    if (req.DestIp == 0 || req.DestIp == 0xFFFFFFFFu || req.DestIp == sw.Ip)
        return true;
    return IsBroadcastOf(req.DestIp, sw);
}

void TSimulator::Handle(const uint8_t* data, size_t length, uint32_t srcIp, uint16_t srcPort, uint32_t dstIp)
{
    TSimLogEntry entry;
    entry.Time = std::chrono::system_clock::now();
    entry.SourceIp = srcIp;
    entry.SourcePort = srcPort;
    entry.DestIp = dstIp;
    entry.Length = length;
    TSimRequest req;
    req.SourceIp = srcIp;
    req.SourcePort = srcPort;
    req.DestIp = dstIp;
    bool whole = length >= Intp::HeaderSize;
    if (whole) {
        req.Command = Intp::GetBE16(data);
        req.Status = Intp::GetBE16(data + 2);
        req.Length = Intp::GetBE16(data + 4);
        req.Mac = Intp::TMacAddr(data + 6);
        req.Body.assign(data + Intp::HeaderSize, data + length);
        entry.Command = req.Command;
        entry.Status = req.Status;
        entry.Mac = req.Mac;
        entry.Body = req.Body;
    }
    if (m_LogFile) {
        std::time_t t = std::chrono::system_clock::to_time_t(entry.Time);
        std::tm tm{};
        localtime_r(&t, &tm);
        char when[32];
        std::strftime(when, sizeof when, "%H:%M:%S", &tm);
        std::fprintf(m_LogFile, "%s %s:%u -> %s cmd=0x%04X status=%u mac=%s len=%zu body=", when,
                     Intp::IpToText(srcIp).c_str(), srcPort, Intp::IpToText(dstIp).c_str(), entry.Command,
                     entry.Status, Intp::MacToText(entry.Mac).c_str(), length);
        for (uint8_t b : entry.Body)
            std::fprintf(m_LogFile, "%02x", b);
        std::fputc('\n', m_LogFile);
        std::fflush(m_LogFile);
    }
    m_Log.push_back(std::move(entry));
    m_LogChanged.notify_all();
    if (!whole)
        return;

    const THandler* handler = FindHandler(req.Command);
    const bool find = req.Mac.IsZero();
    const auto now = std::chrono::steady_clock::now();
    auto answer = [&](TSimSwitch& sw) {
        if (now < sw.DownUntil || !handler)   // rebooting
            return;
        uint32_t fromIp = sw.Ip;   // a handler may change the address
        for (TSimReply& reply : (*handler)(sw, req))
            Queue(sw, fromIp, req, std::move(reply));
    };
    if (!find) {
        // A copy: a handler may add switches.
        const std::vector<size_t> candidates = SwitchesWithMac(req.Mac);
        for (size_t index : candidates)
            if (Addressed(m_Switches[index], req))
                answer(m_Switches[index]);
        return;
    }
    for (TSimSwitch& sw : m_Switches)
        if (req.Command == 0 && Addressed(sw, req))
            answer(sw);
}

const std::vector<size_t>& TSimulator::SwitchesWithMac(const Intp::TMacAddr& mac)
{
    for (; m_Indexed < m_Switches.size(); ++m_Indexed)
        m_ByMac[m_Switches[m_Indexed].Mac.Bits()].push_back(m_Indexed);
    static const std::vector<size_t> none;
    auto it = m_ByMac.find(mac.Bits());
    return it == m_ByMac.end() ? none : it->second;
}

bool TSimulator::TakeDrop(TSimFaults& faults)
{
    if (faults.DropNext > 0) {
        --faults.DropNext;
        return true;
    }
    if (faults.DropRate > 0 && std::uniform_real_distribution<double>(0, 1)(m_Random) < faults.DropRate)
        return true;
    return false;
}

void TSimulator::Queue(TSimSwitch& sw, uint32_t fromIp, const TSimRequest& req, TSimReply reply)
{
    // Both the switch's own and the global faults apply.
    if (TakeDrop(sw.Faults) || TakeDrop(m_Global))
        return;
    for (const TSimFaults* f : {&sw.Faults, &m_Global}) {
        if (f->ForceStatus >= 0)
            reply.Status = uint16_t(f->ForceStatus);
        if (f->TruncateBody >= 0 && reply.Body.size() > size_t(f->TruncateBody))
            reply.Body.resize(size_t(f->TruncateBody));
        reply.DelayMs += f->DelayMs;
    }
    TPending p;
    p.Due = std::chrono::steady_clock::now() + std::chrono::milliseconds(reply.DelayMs);
    p.FromIp = reply.FromIp ? reply.FromIp : fromIp;
    p.ToIp = req.SourceIp;
    p.ToPort = req.SourcePort;
    p.Datagram.resize(Intp::HeaderSize + reply.Body.size());
    Intp::TPacketHeader{req.Command, reply.Status, uint16_t(reply.Body.size()), sw.Mac}.Write(p.Datagram.data());
    std::copy(reply.Body.begin(), reply.Body.end(), p.Datagram.begin() + Intp::HeaderSize);
    m_Pending.push_back(std::move(p));
}

void TSimulator::SendDue()
{
    auto now = std::chrono::steady_clock::now();
    // Keep the order in which replies were queued among those due.
    std::vector<TPending> later;
    for (TPending& p : m_Pending) {
        if (p.Due <= now)
            SendNow(p);
        else
            later.push_back(std::move(p));
    }
    m_Pending = std::move(later);
}

void TSimulator::SendNow(const TPending& p)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(p.ToIp);
    to.sin_port = htons(p.ToPort);
    iovec iov{const_cast<uint8_t*>(p.Datagram.data()), p.Datagram.size()};
    alignas(cmsghdr) char control[CMSG_SPACE(sizeof(in_pktinfo))] = {};
    msghdr msg{};
    msg.msg_name = &to;
    msg.msg_namelen = sizeof to;
    msg.msg_iov = &iov;
    msg.msg_iovlen = 1;
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = IPPROTO_IP;
    c->cmsg_type = IP_PKTINFO;
    c->cmsg_len = CMSG_LEN(sizeof(in_pktinfo));
    in_pktinfo info{};
    info.ipi_spec_dst.s_addr = htonl(p.FromIp);
    std::memcpy(CMSG_DATA(c), &info, sizeof info);
    if (::sendmsg(m_Socket, &msg, 0) >= 0)
        ++m_RepliesSent;
}

} // namespace Sim
