// The syslog socket and its receiving thread: every datagram that arrives
// is handed to the syslog server (the "Syslog Events" page) on the window
// thread, one at a time, in arrival order. The receive pump drains the
// socket on its own thread into a queue, so a busy window thread never
// makes the kernel drop datagrams; the socket's receive buffer is enlarged
// to hold a burst while the receiving thread is scheduled out.
#pragma once

#include "ReceivePump.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace Syslog {
class TSyslogServer;
}

class TSyslogSocketThread : public TReceivePump {
    Q_OBJECT
public:
    // Answers the syslog server at hand-over time, or null when there is
    // none. Without a provider the host's (TModuleCallback) is asked.
    using TServerProvider = std::function<Syslog::TSyslogServer*()>;

    // The well-known syslog port the main window passes.
    static constexpr uint16_t SyslogPort = 514;
    // The kernel's receive buffer asked for: switches send in bursts, and a
    // flood must outlast the receiving thread being scheduled out.
    static constexpr int SyslogReceiveBufferBytes = 64 * 1024 * 1024;

    // port: the UDP port to bind on every local address (0: any free port).
    TSyslogSocketThread(uint16_t port, TServerProvider server = {}, QObject* parent = nullptr);
    ~TSyslogSocketThread() override;

    // Binds the socket and starts the receiving thread. False, with the
    // reason in error, when the port cannot be bound.
    bool Start(QString* error = nullptr);
    // Stops the receiving thread and closes the socket; datagrams not yet
    // handed over are dropped.
    void Terminate();

    // The receive buffer the kernel granted, in bytes (0 when not bound).
    int ReceiveBufferSize() const;

    using TReceivePump::PushDatagram;
    // Queues one datagram as text. Safe from any thread.
    void PushDatagram(uint32_t sender, std::string_view text);

protected:
    // Window thread: the datagram's text, up to its first zero byte, goes to
    // the syslog server; without a server it is dropped. Datagrams the full
    // queue could not take are reported to the server as dropped.
    void DispatchDatagram(const TListElement& element) override;

private:
    const uint16_t m_Port;
    TServerProvider m_Server;
    uint64_t m_ReportedDrops = 0;
};
