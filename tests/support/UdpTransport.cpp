#include "UdpTransport.h"

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace TestSupport {

TUdpTransport::TUdpTransport(uint16_t destPort) : m_DestPort(destPort)
{
    m_Socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (m_Socket < 0)
        return;
    int on = 1;
    ::setsockopt(m_Socket, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    addr.sin_port = 0;
    socklen_t len = sizeof addr;
    if (::bind(m_Socket, reinterpret_cast<sockaddr*>(&addr), sizeof addr) < 0 ||
        ::getsockname(m_Socket, reinterpret_cast<sockaddr*>(&addr), &len) < 0) {
        ::close(m_Socket);
        m_Socket = -1;
        return;
    }
    m_LocalPort = ntohs(addr.sin_port);
    Intp::SetSessionCallback(this);
}

TUdpTransport::~TUdpTransport()
{
    if (Intp::GetSessionCallback() == this)
        Intp::SetSessionCallback(nullptr);
    if (m_Socket >= 0)
        ::close(m_Socket);
}

void TUdpTransport::CreateTimer(Intp::TSession* session, unsigned ms)
{
    if (m_Timers.count(session))
        return;
    unsigned interval = ms ? ms : 60000;
    if (MaxTimerMs)
        interval = std::min(interval, MaxTimerMs);
    m_Timers[session] = {interval, true, TClock::now() + std::chrono::milliseconds(interval)};
}

void TUdpTransport::DeleteTimer(Intp::TSession* session) { m_Timers.erase(session); }

void TUdpTransport::EnableTimer(Intp::TSession* session, bool enable)
{
    auto it = m_Timers.find(session);
    if (it == m_Timers.end())
        return;
    it->second.Enabled = enable;
    if (enable)
        it->second.Due = TClock::now() + std::chrono::milliseconds(it->second.Interval);
}

void TUdpTransport::SetTimeout(Intp::TSession* session, unsigned ms)
{
    auto it = m_Timers.find(session);
    if (it == m_Timers.end())
        return;
    it->second.Interval = ms ? ms : 60000;
    if (MaxTimerMs)
        it->second.Interval = std::min(it->second.Interval, MaxTimerMs);
    it->second.Due = TClock::now() + std::chrono::milliseconds(it->second.Interval);
}

void TUdpTransport::SendDatagram(uint32_t ip, const uint8_t* data, size_t length)
{
    Sent.push_back({ip, std::vector<uint8_t>(data, data + length), 0});
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ip);
    to.sin_port = htons(m_DestPort);
    ::sendto(m_Socket, data, length, 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
}

void TUdpTransport::Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data,
                           Intp::TWizard* observer, const char* name)
{
    Reports.push_back({device, command, status, data, observer, name ? name : ""});
    if (observer)
        observer->OnSessionEvent(device, command, uint16_t(status), data);
}

void TUdpTransport::FireDueTimers()
{
    for (;;) {
        auto now = TClock::now();
        const Intp::TSession* next = nullptr;
        TClock::time_point due = now;
        for (auto& [session, timer] : m_Timers)
            if (timer.Enabled && timer.Due <= due) {
                due = timer.Due;
                next = session;
            }
        if (!next)
            return;
        auto& timer = m_Timers[next];
        timer.Due = now + std::chrono::milliseconds(timer.Interval);
        // The session may delete itself (and its timer) in its tick.
        const_cast<Intp::TSession*>(next)->OnTimeout();
    }
}

bool TUdpTransport::PumpOnce(TClock::time_point deadline)
{
    FireDueTimers();
    auto now = TClock::now();
    if (now >= deadline)
        return false;
    auto wake = deadline;
    for (auto& [session, timer] : m_Timers)
        if (timer.Enabled && timer.Due < wake)
            wake = timer.Due;
    int timeout = int(std::chrono::duration_cast<std::chrono::milliseconds>(wake - now).count()) + 1;
    pollfd fd{m_Socket, POLLIN, 0};
    if (::poll(&fd, 1, timeout) > 0 && (fd.revents & POLLIN)) {
        uint8_t buffer[65536];
        sockaddr_in from{};
        socklen_t len = sizeof from;
        ssize_t n = ::recvfrom(m_Socket, buffer, sizeof buffer, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&from), &len);
        if (n >= 0) {
            ++Received;
            Intp::ReceivePacket(ntohl(from.sin_addr.s_addr), size_t(n), buffer);
        }
    }
    FireDueTimers();
    return true;
}

void TUdpTransport::Pump(unsigned ms)
{
    auto deadline = TClock::now() + std::chrono::milliseconds(ms);
    while (PumpOnce(deadline)) {
    }
}

bool TUdpTransport::PumpUntil(const std::function<bool()>& done, unsigned ms)
{
    auto deadline = TClock::now() + std::chrono::milliseconds(ms);
    while (!done() && PumpOnce(deadline)) {
    }
    return done();
}

} // namespace TestSupport
