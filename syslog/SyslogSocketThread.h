// Receives syslog datagrams and hands them to the syslog server on the
// window thread.
//
// A reader thread owns the UDP socket: it drains the socket as soon as data
// arrives, never waiting for the window thread, into a queue guarded by the
// queue lock. The socket's receive buffer is enlarged so that a burst
// survives while the reader is descheduled. The window thread empties the
// queue in time-sliced batches, one datagram at a time in arrival order, so
// a flood never blocks the window for long. An idle reader blocks in poll()
// and costs nothing.
#pragma once

#include <QObject>
#include <QString>

#include <atomic>
#include <cstdint>
#include <deque>
#include <functional>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace Syslog {
class TSyslogServer;
}

class TSyslogSocketThread : public QObject {
    Q_OBJECT
public:
    // One queued datagram: the sender (IPv4, host byte order) and the
    // datagram's text up to its first zero byte.
    struct TListElement {
        uint32_t Sender = 0;
        std::string Text;
    };
    // Answers the syslog server at hand-over time, or null when there is none.
    using TServerProvider = std::function<Syslog::TSyslogServer*()>;

    static constexpr int WantedReceiveBuffer = 4 * 1024 * 1024;

    // port: the UDP port to bind on every local address (0: any free port).
    TSyslogSocketThread(uint16_t port, TServerProvider server, QObject* parent = nullptr);
    ~TSyslogSocketThread() override;

    // Binds the socket and starts the reader. False, with the reason in
    // error, when the port cannot be bound.
    bool Start(QString* error = nullptr);
    // Stops the reader and closes the socket; queued datagrams are dropped.
    void Terminate();

    uint16_t LocalPort() const { return m_LocalPort; }
    // The receive buffer the kernel granted, in bytes (0 before Start).
    int ReceiveBufferSize() const { return m_ReceiveBuffer; }

    // Queues one datagram (the text is cut at its first zero byte). Safe
    // from any thread.
    void PushDatagram(uint32_t sender, std::string_view text);

    size_t QueuedCount() const;
    bool IsBusy() const { return m_Busy.load(); }

private:
    void ReaderLoop();
    void Enqueue(std::deque<TListElement>& batch);
    void DispatchQueued();
    void DispatchDatagram(const TListElement& element);

    const uint16_t m_Port;
    TServerProvider m_Server;

    mutable std::mutex m_QueueLock;
    std::deque<TListElement> m_Queue;
    bool m_DispatchPosted = false; // guarded by m_QueueLock
    std::atomic<bool> m_Busy{false};

    int m_Socket = -1;
    int m_WakeFd = -1;
    uint16_t m_LocalPort = 0;
    int m_ReceiveBuffer = 0;
    std::thread m_Reader;
};
