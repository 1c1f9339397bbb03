// The raw Ethernet scan's capture side: one broadcast frame of EtherType
// 0xDEAD goes out of a capture interface, and a worker thread reads the
// switches' answers from the same capture handle and hands every accepted
// answer to the scan dialog on the window thread.
//
// The worker never waits for the window thread: accepted frames go into a
// queue, and one queued call per batch drains it on the window thread. The
// capture lock guards the handle only; stopping wakes a blocked read with
// pcap_breakloop and waits for the worker to leave it before the handle is
// closed. With no capture open the worker sleeps on a condition.
#pragma once

#include "Intp.h"

#include <QObject>
#include <QString>

#include <array>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct pcap;
struct pcap_pkthdr;
class TScanForm;

namespace Scan {

constexpr size_t FrameLength = 40;
constexpr uint16_t EtherType = 0xDEAD;
constexpr uint16_t IntpPort = 1638;

// Results of TWinpcapThread::SendScan.
enum TScanResult : int {
    ScanSent = 0,
    ScanNoInterface = 1,
    ScanNoMac = 2,
    ScanNoIp = 3,
    ScanOpenFailed = 4,
    ScanSendFailed = 5,
};

// The message the dialog shows for a result; empty for ScanSent.
QString ScanErrorText(int result, const QString& interfaceName);

// One capture interface as the capture library lists it.
struct TCaptureInterface {
    std::string Name;
    std::string Description;
    std::vector<uint32_t> Ipv4;   // host order, in the library's order
};

// The capture interfaces of the calling thread's network namespace. On
// failure the list is empty and `error` (when given) says why.
std::vector<TCaptureInterface> FindCaptureInterfaces(std::string* error = nullptr);

// The Ethernet address of the interface with exactly this name; false when
// there is none or it has no 6-byte, non-zero Ethernet address.
bool GetInterfaceMac(const std::string& name, Intp::TMacAddr& mac);

// The scan frame from `own` with the host-order address `ip`.
std::array<uint8_t, FrameLength> BuildScanFrame(const Intp::TMacAddr& own, uint32_t ip);

// Whether a captured frame is a switch's answer to a scan from `own`: at
// least 40 bytes, addressed to `own`, from an address that is neither all
// zeros nor all ones, EtherType 0xDEAD, and zero words at 20 and 22.
bool IsScanAnswer(const uint8_t* data, size_t length, const Intp::TMacAddr& own);

// An accepted answer as captured.
struct TScanFrame {
    int64_t Seconds = 0;
    int64_t Microseconds = 0;
    uint32_t Length = 0;                        // length on the wire
    std::array<uint8_t, FrameLength> Data{};    // the first 40 bytes

    Intp::TMacAddr SwitchMac() const { return Intp::TMacAddr(&Data[26]); }
    // Host order.
    uint32_t SwitchIp() const
    {
        return uint32_t(Data[36]) << 24 | uint32_t(Data[37]) << 16 | uint32_t(Data[38]) << 8 | Data[39];
    }
};

} // namespace Scan

class TWinpcapThread final : public QObject {
    Q_OBJECT
public:
    // Answers waiting for the window thread beyond this many are dropped, as
    // the kernel drops what a full capture buffer cannot take.
    static constexpr size_t MaxPending = 65536;
    // Answers handed over per window-thread event before the rest is posted
    // again, so that a flood does not freeze the window.
    static constexpr int DeliverySlice = 256;

    // Starts the worker, idle until the first successful scan. `target`
    // receives the answers on the window thread and must outlive this.
    explicit TWinpcapThread(TScanForm* target, QObject* parent = nullptr);
    // Stops and joins the worker and closes the capture.
    ~TWinpcapThread() override;

    // Opens `iface` (closing any earlier capture), sends the scan frame and
    // lets the worker read the answers. Returns a Scan::TScanResult.
    int SendScan(const Scan::TCaptureInterface* iface, bool promiscuous);
    // Ends the capture: wakes the worker out of its read, closes the handle
    // and drops the answers not yet handed over. The worker then sleeps.
    void StopCapture();

    bool IsCapturing() const;
    // The capture library's text for the last failed open or send.
    QString LastError() const { return m_LastError; }
    // Answers dropped because the window thread fell behind.
    size_t DroppedCount() const;

private:
    static void OnPacket(unsigned char* user, const pcap_pkthdr* header, const unsigned char* data);
    void Run();
    void Accept(const pcap_pkthdr* header, const unsigned char* data);
    // Window thread: hands queued answers to the target.
    void DispatchFrame();
    void ClearQueue();

    TScanForm* m_Target;
    QString m_LastError;

    // Capture lock: the handle and the worker's state.
    mutable std::mutex m_Lock;
    std::condition_variable m_Wake;   // worker: a handle to read, or terminate
    std::condition_variable m_Idle;   // window thread: the worker left its read
    pcap* m_Handle = nullptr;
    Intp::TMacAddr m_OwnMac;
    bool m_Reading = false;
    bool m_Terminate = false;

    // Hand-over queue, its own lock; never held while calling out.
    mutable std::mutex m_QueueLock;
    std::deque<Scan::TScanFrame> m_Queue;
    bool m_DeliveryPosted = false;
    size_t m_Dropped = 0;

    Intp::TMacAddr m_ReadMac;   // worker's copy of m_OwnMac for the current read
    std::thread m_Thread;
};
