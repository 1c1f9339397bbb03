#include "SyslogSocketThread.h"

#include "ModuleCallback.h"
#include "SyslogFrame.h"
#include "SyslogParser.h"

#include <sys/socket.h>

TSyslogSocketThread::TSyslogSocketThread(uint16_t port, TServerProvider server, QObject* parent)
    : TReceivePump(parent), m_Port(port), m_Server(std::move(server))
{
}

TSyslogSocketThread::~TSyslogSocketThread() { Terminate(); }

bool TSyslogSocketThread::Start(QString* error)
{
    if (IsRunning())
        return true;
    if (!Open(m_Port, false)) {
        if (error)
            *error = ErrorString();
        return false;
    }
    // Past the system's limit when allowed to, else as far as it goes.
    int size = SyslogReceiveBufferBytes;
    if (::setsockopt(SocketDescriptor(), SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(SocketDescriptor(), SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    if (!TReceivePump::Start()) {
        if (error)
            *error = ErrorString();
        Close();
        return false;
    }
    return true;
}

void TSyslogSocketThread::Terminate()
{
    Stop();
    Close();
}

int TSyslogSocketThread::ReceiveBufferSize() const
{
    if (!IsOpen())
        return 0;
    int size = 0;
    socklen_t length = sizeof size;
    return ::getsockopt(SocketDescriptor(), SOL_SOCKET, SO_RCVBUF, &size, &length) == 0 ? size : 0;
}

void TSyslogSocketThread::PushDatagram(uint32_t sender, std::string_view text)
{
    const std::string_view cut = Syslog::DatagramText(text.data(), text.size());
    TReceivePump::PushDatagram(sender, cut.size(), reinterpret_cast<const uint8_t*>(cut.data()));
}

void TSyslogSocketThread::DispatchDatagram(const TListElement& element)
{
    Syslog::TSyslogServer* server = m_Server          ? m_Server()
                                    : g_ModuleCallback ? g_ModuleCallback->GetSyslogServer()
                                                       : nullptr;
    if (!server)
        return;
    const uint64_t dropped = DroppedCount();
    if (dropped != m_ReportedDrops) {
        server->CountDropped(dropped - m_ReportedDrops);
        m_ReportedDrops = dropped;
    }
    server->AddDatagram(element.SourceIp,
                        Syslog::DatagramText(reinterpret_cast<const char*>(element.Data.data()), element.Data.size()));
}
