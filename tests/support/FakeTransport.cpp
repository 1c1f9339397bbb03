#include "FakeTransport.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>

namespace TestSupport {

TFakeTransport::TFakeTransport() { Intp::SetSessionCallback(this); }

TFakeTransport::~TFakeTransport()
{
    if (Intp::GetSessionCallback() == this)
        Intp::SetSessionCallback(nullptr);
}

void TFakeTransport::CreateTimer(Intp::TSession* session, unsigned ms)
{
    if (m_Timers.count(session))
        return;
    unsigned interval = ms ? ms : 60000;
    m_Timers[session] = {interval, true, m_Now + interval};
}

void TFakeTransport::DeleteTimer(Intp::TSession* session) { m_Timers.erase(session); }

void TFakeTransport::EnableTimer(Intp::TSession* session, bool enable)
{
    auto it = m_Timers.find(session);
    if (it == m_Timers.end())
        return;
    it->second.Enabled = enable;
    if (enable)
        it->second.Due = m_Now + it->second.Interval;
}

void TFakeTransport::SetTimeout(Intp::TSession* session, unsigned ms)
{
    auto it = m_Timers.find(session);
    if (it == m_Timers.end())
        return;
    it->second.Interval = ms ? ms : 60000;
    it->second.Due = m_Now + it->second.Interval;
}

void TFakeTransport::SendDatagram(uint32_t ip, const uint8_t* data, size_t length)
{
    Sent.push_back({ip, std::vector<uint8_t>(data, data + length), m_Now});
}

void TFakeTransport::Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data,
                            Intp::TWizard* observer, const char* name)
{
    Reports.push_back({device, command, status, data, observer, name ? name : ""});
    if (observer)
        observer->OnSessionEvent(device, command, uint16_t(status), data);
    if (OnReport)
        OnReport(Reports.back());
}

bool TFakeTransport::TimerEnabled(const Intp::TSession* session) const
{
    auto it = m_Timers.find(session);
    return it != m_Timers.end() && it->second.Enabled;
}

unsigned TFakeTransport::TimerInterval(const Intp::TSession* session) const
{
    auto it = m_Timers.find(session);
    return it == m_Timers.end() ? 0 : it->second.Interval;
}

void TFakeTransport::Advance(uint64_t ms)
{
    const uint64_t end = m_Now + ms;
    for (;;) {
        // The earliest enabled timer due by `end`.
        const Intp::TSession* next = nullptr;
        uint64_t due = end + 1;
        for (auto& [session, timer] : m_Timers)
            if (timer.Enabled && timer.Due < due) {
                due = timer.Due;
                next = session;
            }
        if (!next)
            break;
        m_Now = due;
        // Firing from a copy of the key: the session may delete itself (and
        // its timer) inside its tick.
        auto it = m_Timers.find(next);
        it->second.Due = m_Now + it->second.Interval;
        const_cast<Intp::TSession*>(next)->OnTimeout();
    }
    m_Now = end;
}

TFakeDeviceObserver::TFakeDeviceObserver() { Intp::SetDeviceCallback(this); }

TFakeDeviceObserver::~TFakeDeviceObserver()
{
    if (Intp::GetDeviceCallback() == this)
        Intp::SetDeviceCallback(nullptr);
}

size_t TFakeDeviceObserver::Count(const std::string& kind) const
{
    return size_t(std::count_if(Events.begin(), Events.end(), [&](const TEvent& e) { return e.Kind == kind; }));
}

std::vector<uint8_t> MakeReply(uint16_t command, uint16_t status, const Intp::TMacAddr& mac,
                               const std::vector<uint8_t>& body)
{
    std::vector<uint8_t> d(12 + body.size());
    Intp::TPacketHeader{command, status, uint16_t(body.size()), mac}.Write(d.data());
    std::copy(body.begin(), body.end(), d.begin() + 12);
    return d;
}

Intp::TMacAddr Mac(uint8_t last, uint8_t first)
{
    uint8_t b[6] = {first, 0x11, 0x22, 0x33, 0x44, last};
    return Intp::TMacAddr(b);
}

std::string Hex(const std::vector<uint8_t>& bytes)
{
    std::string s;
    char buf[3];
    for (uint8_t b : bytes) {
        std::snprintf(buf, sizeof buf, "%02x", b);
        s += buf;
    }
    return s;
}

std::vector<uint8_t> FromHex(const std::string& hex)
{
    std::vector<uint8_t> out;
    int hi = -1;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9') v = c - '0';
        else if (c >= 'a' && c <= 'f') v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F') v = c - 'A' + 10;
        else continue;   // spaces and separators
        if (hi < 0) hi = v;
        else { out.push_back(uint8_t(hi << 4 | v)); hi = -1; }
    }
    if (hi >= 0)
        throw std::invalid_argument("odd number of hex digits");
    return out;
}

} // namespace TestSupport
