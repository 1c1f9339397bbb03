#include "WinpcapThread.h"

#include "ScanForm.h"

#include <QMetaObject>

#include <pcap/pcap.h>

#include <arpa/inet.h>
#include <net/if.h>
#include <net/if_arp.h>
#include <netinet/in.h>
#include <sys/ioctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstring>

namespace Scan {

QString ScanErrorText(int result, const QString& name)
{
    switch (result) {
    case ScanSent: return {};
    case ScanNoInterface: return QStringLiteral("Invalid interface");
    case ScanNoMac: return QStringLiteral("Unable to get a valid MAC address from interface %1").arg(name);
    case ScanNoIp: return QStringLiteral("Unable to get a valid IP address from interface %1").arg(name);
    case ScanOpenFailed: return QStringLiteral("Unable to open the adapter. %1 is not supported by WinPcap").arg(name);
    case ScanSendFailed: return QStringLiteral("Error sending the packet: %1").arg(name);
    default: return QStringLiteral("Invalid interface");
    }
}

std::vector<TCaptureInterface> FindCaptureInterfaces(std::string* error)
{
    std::vector<TCaptureInterface> out;
    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_if_t* all = nullptr;
    if (pcap_findalldevs(&all, errbuf) != 0) {
        if (error)
            *error = errbuf;
        return out;
    }
    for (pcap_if_t* dev = all; dev; dev = dev->next) {
        TCaptureInterface iface;
        iface.Name = dev->name ? dev->name : "";
        iface.Description = dev->description ? dev->description : "";
        for (pcap_addr_t* a = dev->addresses; a; a = a->next) {
            if (a->addr && a->addr->sa_family == AF_INET) {
                sockaddr_in sin;
                std::memcpy(&sin, a->addr, sizeof sin);
                iface.Ipv4.push_back(ntohl(sin.sin_addr.s_addr));
            }
        }
        out.push_back(std::move(iface));
    }
    pcap_freealldevs(all);
    return out;
}

bool GetInterfaceMac(const std::string& name, Intp::TMacAddr& mac)
{
    // The kernel looks the name up exactly; a name that does not fit would
    // be cut and could name another interface, so it is refused.
    if (name.empty() || name.size() >= IFNAMSIZ)
        return false;
    int fd = socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ifreq request{};
    std::memcpy(request.ifr_name, name.data(), name.size());
    int rc = ioctl(fd, SIOCGIFHWADDR, &request);
    close(fd);
    if (rc != 0 || request.ifr_hwaddr.sa_family != ARPHRD_ETHER)
        return false;
    Intp::TMacAddr found(reinterpret_cast<const uint8_t*>(request.ifr_hwaddr.sa_data));
    if (found.IsZero())
        return false;
    mac = found;
    return true;
}

std::array<uint8_t, FrameLength> BuildScanFrame(const Intp::TMacAddr& own, uint32_t ip)
{
    std::array<uint8_t, FrameLength> f{};
    std::memset(f.data(), 0xFF, 6);
    std::memcpy(&f[6], own.Bytes(), 6);
    f[12] = uint8_t(EtherType >> 8);
    f[13] = uint8_t(EtherType);
    f[14] = uint8_t(ip >> 24);
    f[15] = uint8_t(ip >> 16);
    f[16] = uint8_t(ip >> 8);
    f[17] = uint8_t(ip);
    f[18] = uint8_t(IntpPort >> 8);
    f[19] = uint8_t(IntpPort);
    // 20..23: two zero words
    f[24] = 0;
    f[25] = 8;
    // 26..39: zero
    return f;
}

bool IsScanAnswer(const uint8_t* data, size_t length, const Intp::TMacAddr& own)
{
    if (!data || length < FrameLength)
        return false;
    if (std::memcmp(data, own.Bytes(), 6) != 0)
        return false;
    Intp::TMacAddr source(data + 6);
    if (source.IsZero() || source.IsAllOnes())
        return false;
    if ((uint16_t(data[12]) << 8 | data[13]) != EtherType)
        return false;
    return (data[20] | data[21] | data[22] | data[23]) == 0;
}

} // namespace Scan

TWinpcapThread::TWinpcapThread(TScanForm* target, QObject* parent) : QObject(parent), m_Target(target)
{
    m_Thread = std::thread([this] { Run(); });
}

TWinpcapThread::~TWinpcapThread()
{
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_Terminate = true;
        if (m_Handle)
            pcap_breakloop(m_Handle);
    }
    m_Wake.notify_all();
    if (m_Thread.joinable())
        m_Thread.join();
    if (m_Handle)
        pcap_close(m_Handle);
    m_Handle = nullptr;
}

int TWinpcapThread::SendScan(const Scan::TCaptureInterface* iface, bool promiscuous)
{
    using namespace Scan;
    if (!iface || iface->Name.empty())
        return ScanNoInterface;
    Intp::TMacAddr own;
    if (!GetInterfaceMac(iface->Name, own))
        return ScanNoMac;
    if (iface->Ipv4.empty())
        return ScanNoIp;

    StopCapture();

    char errbuf[PCAP_ERRBUF_SIZE] = {};
    pcap_t* handle = pcap_create(iface->Name.c_str(), errbuf);
    if (!handle) {
        m_LastError = QString::fromLocal8Bit(errbuf);
        return ScanOpenFailed;
    }
    // The answers are all the scan needs: 40 bytes of each frame, frames
    // delivered at least once a second, and none that the host sent itself.
    pcap_set_snaplen(handle, int(FrameLength));
    pcap_set_timeout(handle, 1000);
    pcap_set_promisc(handle, promiscuous ? 1 : 0);
    if (pcap_activate(handle) < 0 || pcap_setdirection(handle, PCAP_D_IN) != 0) {
        m_LastError = QString::fromLocal8Bit(pcap_geterr(handle));
        pcap_close(handle);
        return ScanOpenFailed;
    }
    const auto frame = BuildScanFrame(own, iface->Ipv4.front());
    if (pcap_sendpacket(handle, frame.data(), int(frame.size())) != 0) {
        m_LastError = QString::fromLocal8Bit(pcap_geterr(handle));
        pcap_close(handle);
        return ScanSendFailed;
    }
    // The handle was opened before the frame left, so no answer is missed.
    {
        std::lock_guard<std::mutex> lock(m_Lock);
        m_OwnMac = own;
        m_Handle = handle;
    }
    m_Wake.notify_all();
    return ScanSent;
}

void TWinpcapThread::StopCapture()
{
    pcap_t* handle = nullptr;
    {
        std::unique_lock<std::mutex> lock(m_Lock);
        handle = m_Handle;
        m_Handle = nullptr;
        if (handle) {
            pcap_breakloop(handle);
            m_Idle.wait(lock, [this] { return !m_Reading; });
        }
    }
    if (handle)
        pcap_close(handle);
    ClearQueue();
}

bool TWinpcapThread::IsCapturing() const
{
    std::lock_guard<std::mutex> lock(m_Lock);
    return m_Handle != nullptr;
}

size_t TWinpcapThread::DroppedCount() const
{
    std::lock_guard<std::mutex> lock(m_QueueLock);
    return m_Dropped;
}

void TWinpcapThread::Run()
{
    std::unique_lock<std::mutex> lock(m_Lock);
    for (;;) {
        m_Wake.wait(lock, [this] { return m_Terminate || m_Handle; });
        if (m_Terminate)
            break;
        pcap_t* handle = m_Handle;
        m_ReadMac = m_OwnMac;
        m_Reading = true;
        lock.unlock();
        // Reads what is ready, or waits up to the 1000 ms time-out;
        // pcap_breakloop ends the wait at once.
        int n = pcap_dispatch(handle, -1, &TWinpcapThread::OnPacket, reinterpret_cast<u_char*>(this));
        lock.lock();
        m_Reading = false;
        if (n < 0 && n != PCAP_ERROR_BREAK && m_Handle == handle) {
            // The interface failed (went down or away): give the handle up
            // and sleep until the next scan rather than retry in a loop.
            m_Handle = nullptr;
            pcap_close(handle);
        }
        m_Idle.notify_all();
    }
    m_Reading = false;
    m_Idle.notify_all();
}

void TWinpcapThread::OnPacket(unsigned char* user, const pcap_pkthdr* header, const unsigned char* data)
{
    reinterpret_cast<TWinpcapThread*>(user)->Accept(header, data);
}

void TWinpcapThread::Accept(const pcap_pkthdr* header, const unsigned char* data)
{
    if (!m_Target || !Scan::IsScanAnswer(data, header->caplen, m_ReadMac))
        return;
    Scan::TScanFrame frame;
    frame.Seconds = header->ts.tv_sec;
    frame.Microseconds = header->ts.tv_usec;
    frame.Length = header->len;
    std::memcpy(frame.Data.data(), data, Scan::FrameLength);
    {
        std::lock_guard<std::mutex> lock(m_QueueLock);
        if (m_Queue.size() >= MaxPending) {
            ++m_Dropped;
            return;
        }
        m_Queue.push_back(frame);
        if (m_DeliveryPosted)
            return;
        m_DeliveryPosted = true;
    }
    QMetaObject::invokeMethod(this, &TWinpcapThread::DispatchFrame, Qt::QueuedConnection);
}

void TWinpcapThread::DispatchFrame()
{
    std::vector<Scan::TScanFrame> batch;
    bool more = false;
    {
        std::lock_guard<std::mutex> lock(m_QueueLock);
        while (!m_Queue.empty() && int(batch.size()) < DeliverySlice) {
            batch.push_back(m_Queue.front());
            m_Queue.pop_front();
        }
        more = !m_Queue.empty();
        m_DeliveryPosted = more;
    }
    if (more)
        QMetaObject::invokeMethod(this, &TWinpcapThread::DispatchFrame, Qt::QueuedConnection);
    for (const Scan::TScanFrame& frame : batch)
        m_Target->AddScanReply(frame);
}

void TWinpcapThread::ClearQueue()
{
    std::lock_guard<std::mutex> lock(m_QueueLock);
    m_Queue.clear();
}
