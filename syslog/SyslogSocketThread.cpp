#include "SyslogSocketThread.h"

#include "SyslogFrame.h"
#include "SyslogParser.h"

#include <QElapsedTimer>
#include <QMetaObject>

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

// How long one hand-over batch may keep the window thread before it lets
// other events run.
constexpr qint64 DispatchSliceMs = 8;
constexpr size_t DispatchChunk = 256;

} // namespace

TSyslogSocketThread::TSyslogSocketThread(uint16_t port, TServerProvider server, QObject* parent)
    : QObject(parent), m_Port(port), m_Server(std::move(server))
{
}

TSyslogSocketThread::~TSyslogSocketThread() { Terminate(); }

bool TSyslogSocketThread::Start(QString* error)
{
    auto fail = [&](const char* what) {
        if (error)
            *error = QStringLiteral("%1: %2").arg(QString::fromLatin1(what), QString::fromLocal8Bit(std::strerror(errno)));
        Terminate();
        return false;
    };
    if (m_Socket >= 0)
        return true;
    m_Socket = ::socket(AF_INET, SOCK_DGRAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (m_Socket < 0)
        return fail("socket");

    // Ask for a few MiB; above the system's limit only a privileged process
    // gets more, so try the forcing option too and keep whatever was granted.
    int size = WantedReceiveBuffer;
    ::setsockopt(m_Socket, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    int granted = 0;
    socklen_t len = sizeof granted;
    ::getsockopt(m_Socket, SOL_SOCKET, SO_RCVBUF, &granted, &len);
    if (granted < WantedReceiveBuffer) {
        ::setsockopt(m_Socket, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size);
        len = sizeof granted;
        ::getsockopt(m_Socket, SOL_SOCKET, SO_RCVBUF, &granted, &len);
    }
    m_ReceiveBuffer = granted;

    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_ANY);
    address.sin_port = htons(m_Port);
    if (::bind(m_Socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        return fail("bind");
    len = sizeof address;
    if (::getsockname(m_Socket, reinterpret_cast<sockaddr*>(&address), &len) != 0)
        return fail("getsockname");
    m_LocalPort = ntohs(address.sin_port);

    m_WakeFd = ::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
    if (m_WakeFd < 0)
        return fail("eventfd");
    m_Reader = std::thread([this] { ReaderLoop(); });
    return true;
}

void TSyslogSocketThread::Terminate()
{
    if (m_Reader.joinable()) {
        const uint64_t one = 1;
        [[maybe_unused]] ssize_t n = ::write(m_WakeFd, &one, sizeof one);
        m_Reader.join();
    }
    if (m_WakeFd >= 0)
        ::close(m_WakeFd);
    if (m_Socket >= 0)
        ::close(m_Socket);
    m_WakeFd = m_Socket = -1;
    std::lock_guard lock(m_QueueLock);
    m_Queue.clear();
}

void TSyslogSocketThread::ReaderLoop()
{
    std::vector<char> buffer(65536);
    std::deque<TListElement> batch;
    for (;;) {
        pollfd fds[2] = {{m_Socket, POLLIN, 0}, {m_WakeFd, POLLIN, 0}};
        if (::poll(fds, 2, -1) < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[1].revents)
            return;
        // Drain everything the socket holds, then queue it under one lock.
        for (;;) {
            sockaddr_in from{};
            socklen_t fromLen = sizeof from;
            const ssize_t n = ::recvfrom(m_Socket, buffer.data(), buffer.size(), 0,
                                         reinterpret_cast<sockaddr*>(&from), &fromLen);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                break; // EAGAIN: drained (other errors: try again after poll)
            }
            const std::string_view text = Syslog::DatagramText(buffer.data(), size_t(n));
            batch.push_back(TListElement{ntohl(from.sin_addr.s_addr), std::string(text)});
            if (batch.size() >= 1024)
                Enqueue(batch);
        }
        Enqueue(batch);
    }
}

void TSyslogSocketThread::PushDatagram(uint32_t sender, std::string_view text)
{
    std::deque<TListElement> one;
    one.push_back(TListElement{sender, std::string(Syslog::DatagramText(text.data(), text.size()))});
    Enqueue(one);
}

void TSyslogSocketThread::Enqueue(std::deque<TListElement>& batch)
{
    if (batch.empty())
        return;
    bool post = false;
    {
        std::lock_guard lock(m_QueueLock);
        for (TListElement& element : batch)
            m_Queue.push_back(std::move(element));
        post = !m_DispatchPosted;
        m_DispatchPosted = true;
    }
    batch.clear();
    if (post)
        QMetaObject::invokeMethod(this, &TSyslogSocketThread::DispatchQueued, Qt::QueuedConnection);
}

size_t TSyslogSocketThread::QueuedCount() const
{
    std::lock_guard lock(m_QueueLock);
    return m_Queue.size();
}

void TSyslogSocketThread::DispatchQueued()
{
    QElapsedTimer slice;
    slice.start();
    std::vector<TListElement> chunk;
    for (;;) {
        {
            std::lock_guard lock(m_QueueLock);
            if (m_Queue.empty()) {
                m_DispatchPosted = false;
                return;
            }
            const size_t n = std::min(m_Queue.size(), DispatchChunk);
            chunk.assign(std::make_move_iterator(m_Queue.begin()), std::make_move_iterator(m_Queue.begin() + long(n)));
            m_Queue.erase(m_Queue.begin(), m_Queue.begin() + long(n));
        }
        m_Busy = true;
        for (const TListElement& element : chunk)
            DispatchDatagram(element);
        m_Busy = false;
        chunk.clear();
        if (slice.elapsed() >= DispatchSliceMs) {
            // Let the window thread breathe; the rest follows in the next
            // turn of the event loop (the posted flag stays set).
            QMetaObject::invokeMethod(this, &TSyslogSocketThread::DispatchQueued, Qt::QueuedConnection);
            return;
        }
    }
}

void TSyslogSocketThread::DispatchDatagram(const TListElement& element)
{
    Syslog::TSyslogServer* server = m_Server ? m_Server() : nullptr;
    if (server)
        server->AddDatagram(element.Sender, element.Text);
}
