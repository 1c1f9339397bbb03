#include "ReceivePump.h"

#include <QElapsedTimer>
#include <QMetaObject>
#include <QMutexLocker>
#include <QThread>

#include <arpa/inet.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <sys/eventfd.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

// Largest UDP payload over IPv4.
constexpr size_t MaxDatagram = 65536;
// Datagrams read per system call, and moved into the queue per lock.
constexpr unsigned ReadBatch = 256;
// Each datagram of a batch is read into a slot of its own, sized for the
// common datagram; a longer one goes on into an overflow area of its own,
// so that it still arrives whole. The overflow areas take address space
// only: their pages are touched by long datagrams alone.
constexpr size_t SlotBytes = 2048;
// Consecutive slots start one cache line apart in addition, so that the
// starts of a batch's datagrams fall on different cache sets.
constexpr size_t SlotStride = SlotBytes + 64;
constexpr size_t OverflowBytes = MaxDatagram - SlotBytes;

} // namespace

// The receiving thread's buffers: the slots, the overflow areas and the
// message headers of one batch, set up once per run.
struct TReceivePump::TReceiveArea {
    std::unique_ptr<uint8_t[]> Slots;
    uint8_t* Overflow = nullptr;
    bool OverflowTouched = false;  // a long datagram left pages behind
    mmsghdr Messages[ReadBatch];
    iovec Vectors[ReadBatch][2];
    sockaddr_in Senders[ReadBatch];

    TReceiveArea() = default;
    TReceiveArea(const TReceiveArea&) = delete;
    TReceiveArea& operator=(const TReceiveArea&) = delete;
    ~TReceiveArea()
    {
        if (Overflow != nullptr)
            ::munmap(Overflow, size_t(ReadBatch) * OverflowBytes);
    }
    bool Allocate()
    {
        void* overflow = ::mmap(nullptr, size_t(ReadBatch) * OverflowBytes, PROT_READ | PROT_WRITE,
                                MAP_PRIVATE | MAP_ANONYMOUS | MAP_NORESERVE, -1, 0);
        if (overflow == MAP_FAILED)
            return false;
        Overflow = static_cast<uint8_t*>(overflow);
        Slots = std::make_unique_for_overwrite<uint8_t[]>(size_t(ReadBatch) * SlotStride);
        for (unsigned i = 0; i < ReadBatch; ++i) {
            Vectors[i][0] = {Slots.get() + size_t(i) * SlotStride, SlotBytes};
            Vectors[i][1] = {Overflow + size_t(i) * OverflowBytes, OverflowBytes};
            Messages[i].msg_hdr = {};
            Messages[i].msg_hdr.msg_name = &Senders[i];
            Messages[i].msg_hdr.msg_iov = Vectors[i];
            Messages[i].msg_hdr.msg_iovlen = 2;
        }
        return true;
    }
    // Gives the pages long datagrams left in the overflow areas back.
    void ReleaseOverflow()
    {
        if (!OverflowTouched)
            return;
        ::madvise(Overflow, size_t(ReadBatch) * OverflowBytes, MADV_DONTNEED);
        OverflowTouched = false;
    }
    // Reads what is ready, up to a batch: the number read, or -1 with errno.
    int Read(int socket)
    {
        for (unsigned i = 0; i < ReadBatch; ++i) {
            Messages[i].msg_hdr.msg_namelen = sizeof Senders[i];
            Messages[i].msg_hdr.msg_flags = 0;
            Messages[i].msg_len = 0;
        }
        return ::recvmmsg(socket, Messages, ReadBatch, MSG_DONTWAIT, nullptr);
    }
    // Packs the first got datagrams read into block, their bytes into one
    // allocation.
    void Pack(int got, TBlock& block)
    {
        size_t total = 0;
        for (int i = 0; i < got; ++i)
            total += Messages[i].msg_len;
        block.Datagrams.reserve(size_t(got));
        block.Bytes = std::make_unique_for_overwrite<uint8_t[]>(std::max<size_t>(total, 1));
        size_t offset = 0;
        for (int i = 0; i < got; ++i) {
            const uint32_t length = Messages[i].msg_len;
            block.Datagrams.push_back(
                {ntohl(Senders[i].sin_addr.s_addr), ntohs(Senders[i].sin_port), uint32_t(offset), length});
            block.QueuedBytes += DatagramBytes(length);
            uint8_t* to = block.Bytes.get() + offset;
            std::memcpy(to, Vectors[i][0].iov_base, std::min<size_t>(length, SlotBytes));
            if (length > SlotBytes) {
                std::memcpy(to + SlotBytes, Vectors[i][1].iov_base, length - SlotBytes);
                OverflowTouched = true;
            }
            offset += length;
        }
    }
};

TReceivePump::TReceivePump(QObject* parent)
    : QObject(parent)
{
    m_Wake = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);
}

TReceivePump::~TReceivePump()
{
    Stop();
    Close();
    if (m_Wake >= 0)
        ::close(m_Wake);
}

bool TReceivePump::Open(uint16_t port, bool broadcast)
{
    if (IsRunning()) {
        m_Error = QStringLiteral("the socket is in use");
        return false;
    }
    Close();
    int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        m_Error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    int on = 1;
    if (broadcast && ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on) != 0) {
        m_Error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    // Past the system's limit when allowed to, else as far as it goes.
    int size = ReceiveBufferBytes;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);

    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_ANY);
    local.sin_port = htons(port);
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        m_Error = QString::fromLocal8Bit(std::strerror(errno));
        ::close(fd);
        return false;
    }
    m_Socket = fd;
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    m_LocalPort = ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) == 0 ? ntohs(bound.sin_port) : 0;
    m_Error.clear();
    return true;
}

void TReceivePump::Close()
{
    Stop();
    if (m_Socket >= 0) {
        ::close(m_Socket);
        m_Socket = -1;
        m_LocalPort = 0;
    }
}

bool TReceivePump::Start()
{
    if (IsRunning())
        return true;
    if (m_Socket < 0 || m_Wake < 0)
        return false;
    auto area = std::make_unique<TReceiveArea>();
    if (!area->Allocate()) {
        m_Error = QString::fromLocal8Bit(std::strerror(errno));
        return false;
    }
    m_Area = std::move(area);
    m_Running = true;
    m_Thread = QThread::create([this] { ReceiveLoop(); });
    m_Thread->setObjectName(QStringLiteral("udp-receive"));
    m_Thread->start();
    return true;
}

void TReceivePump::Stop()
{
    if (m_Thread != nullptr) {
        m_Stopping = true;
        WakeThread();
        m_Thread->wait();
        delete m_Thread;
        m_Thread = nullptr;
        m_Area.reset();
        m_Stopping = false;
        m_Running = false;
        uint64_t count;
        while (::read(m_Wake, &count, sizeof count) < 0 && errno == EINTR) {
        }
    }
    {
        QMutexLocker lock(&m_QueueLock);
        m_Queue.clear();
        m_QueueCount = 0;
        m_QueueBytes = 0;
        ++m_Stops;
        // A delivery already posted finds the queue empty and clears its mark.
    }
    QMutexLocker lock(&m_SendLock);
    m_SendQueue.clear();
    m_SpareSendBlocks.clear();
    m_SendCount = 0;
    m_SendQueueBytes = 0;
    m_SendInFlight = 0;
    m_SendWoken = false;
    m_SendWakeDue = false;
    m_SendQueued = 0;
}

void TReceivePump::WakeThread()
{
    uint64_t one = 1;
    while (::write(m_Wake, &one, sizeof one) < 0 && errno == EINTR) {
    }
}

void TReceivePump::ReceiveLoop()
{
    TReceiveArea& area = *m_Area;
    TBlock block;
    pollfd fds[2] = {{m_Socket, POLLIN, 0}, {m_Wake, POLLIN, 0}};
    for (;;) {
        // Waits for the socket to become writable only while datagrams wait
        // to be sent (Send wakes this thread when the queue fills).
        fds[0].events = short(POLLIN | (m_SendQueued.load() ? POLLOUT : 0));
        // Long datagrams left pages behind: a look first, so that they go
        // back before sleeping; otherwise straight to the wait.
        int ready = area.OverflowTouched ? ::poll(fds, 2, 0) : ::poll(fds, 2, -1);
        if (ready == 0) {
            // Nothing is ready: a good moment to let go of what long
            // datagrams left behind, before sleeping.
            area.ReleaseOverflow();
            ready = ::poll(fds, 2, -1);
        }
        if (ready < 0) {
            if (errno == EINTR)
                continue;
            return;
        }
        if (fds[0].revents & POLLNVAL)
            return;
        if (fds[1].revents != 0) {
            uint64_t count;
            while (::read(m_Wake, &count, sizeof count) < 0 && errno == EINTR) {
            }
            if (m_Stopping)
                return;
        }
        // Woken for queued datagrams, or the socket takes more again.
        if ((fds[0].revents & POLLOUT) || (fds[1].revents != 0 && m_SendQueued.load() != 0)) {
            QMutexLocker lock(&m_SendLock);
            FlushSendQueue(lock);
        }
        if (!(fds[0].revents & (POLLIN | POLLERR)))
            continue;
        // Drain everything that is ready, a batch per system call.
        for (;;) {
            const int got = area.Read(m_Socket);
            if (got < 0) {
                if (errno == EINTR)
                    continue;
                break; // drained, or an error report consumed: back to waiting
            }
            area.Pack(got, block);
            Enqueue(block);
            if (got < int(ReadBatch) || m_Stopping)
                break;
        }
    }
}

void TReceivePump::Enqueue(TBlock& block)
{
    const size_t count = block.Datagrams.size();
    if (count == 0)
        return;
    bool post = false;
    {
        QMutexLocker lock(&m_QueueLock);
        uint64_t dropped = 0;
        if (m_QueueBytes + block.QueuedBytes > m_QueueLimit)
            dropped = KeepWhatFits(block, m_QueueLimit > m_QueueBytes ? m_QueueLimit - m_QueueBytes : 0);
        m_Received += count;
        m_Dropped += dropped;
        if (!block.Datagrams.empty()) {
            m_QueueCount += block.Datagrams.size();
            m_QueueBytes += block.QueuedBytes;
            m_Queue.push_back(std::move(block));
        }
        post = !m_DeliveryPosted && !m_Queue.empty();
        m_DeliveryPosted = m_DeliveryPosted || post;
    }
    block = {};
    if (post)
        QMetaObject::invokeMethod(this, &TReceivePump::DeliverQueued, Qt::QueuedConnection);
}

uint64_t TReceivePump::KeepWhatFits(TBlock& block, size_t room)
{
    const size_t count = block.Datagrams.size();
    size_t kept = 0, offset = 0;
    block.QueuedBytes = 0;
    for (size_t i = 0; i < count; ++i) {
        TPacked datagram = block.Datagrams[i];
        const size_t bytes = DatagramBytes(datagram.Length);
        if (block.QueuedBytes + bytes > room)
            continue;
        block.QueuedBytes += bytes;
        // Once one was dropped, the ones kept move up over it.
        if (datagram.Offset != offset) {
            std::memmove(block.Bytes.get() + offset, block.Bytes.get() + datagram.Offset, datagram.Length);
            datagram.Offset = uint32_t(offset);
        }
        offset += datagram.Length;
        block.Datagrams[kept++] = datagram;
    }
    block.Datagrams.resize(kept);
    return count - kept;
}

void TReceivePump::PushDatagram(uint32_t sourceIp, size_t length, const uint8_t* data, uint16_t sourcePort)
{
    if (data == nullptr)
        length = 0;
    TBlock one;
    one.Datagrams.push_back({sourceIp, sourcePort, 0, uint32_t(length)});
    one.QueuedBytes = DatagramBytes(length);
    one.Bytes = std::make_unique_for_overwrite<uint8_t[]>(std::max<size_t>(length, 1));
    if (length != 0)
        std::memcpy(one.Bytes.get(), data, length);
    Enqueue(one);
}

void TReceivePump::DeliverQueued()
{
    // A handler that runs a nested event loop must not see a second hand-over
    // start underneath it; the outer one carries on when it returns.
    if (m_Busy)
        return;
    m_Busy = true;
    ++m_Deliveries;
    // What the handlers send goes out from the receiving thread.
    TSendBatch sends(*this);
    struct TClearBusy {
        bool& Busy;
        ~TClearBusy() { Busy = false; }
    } clearBusy{m_Busy};

    QElapsedTimer clock;
    clock.start();
    const uint64_t stops = m_Stops;
    std::vector<TBlock> slice;
    do {
        {
            QMutexLocker lock(&m_QueueLock);
            if (m_Queue.empty()) {
                m_DeliveryPosted = false;
                return;
            }
            // Whole blocks, at least one.
            size_t datagrams = 0, bytes = 0;
            while (!m_Queue.empty() && datagrams < size_t(DeliverySlice) && bytes < DeliverySliceBytes) {
                TBlock& front = m_Queue.front();
                datagrams += front.Datagrams.size();
                bytes += front.QueuedBytes;
                m_QueueCount -= front.Datagrams.size();
                m_QueueBytes -= front.QueuedBytes;
                slice.push_back(std::move(front));
                m_Queue.pop_front();
            }
        }
        // Each datagram is copied into the one element handed over, whose
        // buffer is kept from one datagram to the next. A second cursor runs
        // PrefetchAhead datagrams ahead, announcing them.
        size_t aheadBlock = 0, aheadDatagram = 0;
        auto announce = [&] {
            while (aheadBlock < slice.size() && aheadDatagram == slice[aheadBlock].Datagrams.size()) {
                ++aheadBlock;
                aheadDatagram = 0;
            }
            if (aheadBlock == slice.size())
                return;
            const TBlock& block = slice[aheadBlock];
            const TPacked& datagram = block.Datagrams[aheadDatagram++];
            PrefetchDatagram(block.Bytes.get() + datagram.Offset, datagram.Length);
        };
        for (size_t i = 0; i < PrefetchAhead; ++i)
            announce();
        for (const TBlock& block : slice) {
            for (const TPacked& datagram : block.Datagrams) {
                announce();
                m_Delivered.SourceIp = datagram.Ip;
                m_Delivered.SourcePort = datagram.Port;
                const uint8_t* bytes = block.Bytes.get() + datagram.Offset;
                m_Delivered.Data.assign(bytes, bytes + datagram.Length);
                DispatchDatagram(m_Delivered);
                // Stopped from inside the hand-over: the rest is dropped.
                if (m_Stops != stops)
                    break;
            }
            if (m_Stops != stops)
                break;
        }
        slice.clear();
        // What this slice sent leaves now, while the next one is handed over.
        WakeForQueuedSends();
    } while (m_Stops == stops && clock.elapsed() < DeliveryMs);
    // More may be waiting: let the window handle its other events first.
    QMetaObject::invokeMethod(this, &TReceivePump::DeliverQueued, Qt::QueuedConnection);
}

void TReceivePump::DispatchDatagram(const TListElement& element)
{
    if (m_Handler)
        m_Handler(element);
}

namespace {

// One datagram without waiting: the number of bytes sent, or -1 with errno.
ssize_t SendNow(int socket, uint32_t ip, uint16_t port, const uint8_t* data, size_t length)
{
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(ip);
    to.sin_port = htons(port);
    ssize_t sent;
    do {
        sent = ::sendto(socket, data, length, MSG_DONTWAIT, reinterpret_cast<sockaddr*>(&to), sizeof to);
    } while (sent < 0 && errno == EINTR);
    return sent;
}

bool WouldBlock(int error) { return error == EAGAIN || error == EWOULDBLOCK; }

} // namespace

bool TReceivePump::SendsQueued() const
{
    // m_SendBatches belongs to the window thread: only read there.
    return QThread::currentThread() == thread() && m_SendBatches > 0 && m_Running.load();
}

bool TReceivePump::Send(uint32_t ip, uint16_t port, const uint8_t* data, size_t length)
{
    if (m_Socket < 0 || (data == nullptr && length != 0)) {
        errno = EBADF;
        return false;
    }
    // True when it was sent, false when the socket refused it; either ends
    // the send. Otherwise it would have to wait.
    auto sendNow = [&](bool& done) {
        const ssize_t sent = SendNow(m_Socket, ip, port, data, length);
        done = sent >= 0 || !WouldBlock(errno);
        return sent == static_cast<ssize_t>(length);
    };
    bool done = false;
    const bool queue = SendsQueued();
    // With nothing queued the datagram goes straight out; only a datagram
    // that would wait takes the queue's lock.
    if (!queue && m_SendQueued.load() == 0) {
        const bool sent = sendNow(done);
        if (done)
            return sent;
    }
    QMutexLocker lock(&m_SendLock);
    if (!queue) {
        // Whatever waits goes first, so that datagrams leave in order: the
        // receiving thread sends it, or this caller when there is none.
        const bool empty = m_SendCount == 0 && m_SendInFlight == 0;
        if (empty || (!m_Running.load() && FlushSendQueue(lock))) {
            const bool sent = sendNow(done);
            if (done)
                return sent;
        }
    }
    if (m_SendCount >= MaxSendQueue || m_SendQueueBytes + length > MaxSendQueueBytes) {
        errno = ENOBUFS;
        return false;
    }
    QueueSend(ip, port, data, length);
    m_SendQueued = m_SendCount + m_SendInFlight;
    if (queue) {
        m_SendWakeDue = true;
    } else if (!m_SendWoken && m_Running.load()) {
        m_SendWoken = true;
        WakeThread();
    }
    return true;
}

void TReceivePump::WakeForQueuedSends()
{
    QMutexLocker lock(&m_SendLock);
    if (!m_SendWakeDue)
        return;
    m_SendWakeDue = false;
    if (!m_SendWoken && m_SendQueued.load() != 0 && m_Running.load()) {
        m_SendWoken = true;
        WakeThread();
    }
}

void TReceivePump::QueueSend(uint32_t ip, uint16_t port, const uint8_t* data, size_t length)
{
    // A block being sent is out of the queue: datagrams join the back block
    // unless it is full.
    if (m_SendQueue.empty() || m_SendQueue.back().Datagrams.size() >= SendBlockDatagrams ||
        m_SendQueue.back().Bytes.size() + length > std::max(SendBlockBytes, length)) {
        if (!m_SpareSendBlocks.empty()) {
            m_SendQueue.push_back(std::move(m_SpareSendBlocks.back()));
            m_SpareSendBlocks.pop_back();
        } else {
            m_SendQueue.emplace_back();
        }
    }
    TSendBlock& block = m_SendQueue.back();
    block.Datagrams.push_back({ip, port, uint32_t(block.Bytes.size()), uint32_t(length)});
    if (length != 0)
        block.Bytes.insert(block.Bytes.end(), data, data + length);
    ++m_SendCount;
    m_SendQueueBytes += length;
}

bool TReceivePump::FlushSendQueue(QMutexLocker<QMutex>& lock)
{
    // Another thread is sending from the queue: it carries on.
    if (m_SendInFlight != 0)
        return false;
    // Datagrams handed to the kernel per system call.
    constexpr unsigned Slice = 64;
    mmsghdr messages[Slice];
    iovec vectors[Slice];
    sockaddr_in to[Slice];
    std::vector<TSendFailure> failures;
    bool blocked = false;
    while (!m_SendQueue.empty() && !blocked) {
        // The front block leaves the queue while it is sent, so that new
        // datagrams go into a block of their own meanwhile.
        TSendBlock block = std::move(m_SendQueue.front());
        m_SendQueue.pop_front();
        const size_t count = block.Datagrams.size() - block.Next;
        m_SendCount -= count;
        m_SendInFlight = count;
        // The datagrams leave without the lock, so that a sender on the
        // window thread only ever waits for the queue's bookkeeping.
        lock.unlock();
        size_t bytes = 0;
        while (block.Next < block.Datagrams.size() && !blocked) {
            const unsigned n = unsigned(std::min<size_t>(Slice, block.Datagrams.size() - block.Next));
            for (unsigned i = 0; i < n; ++i) {
                const TPacked& next = block.Datagrams[block.Next + i];
                to[i] = {};
                to[i].sin_family = AF_INET;
                to[i].sin_addr.s_addr = htonl(next.Ip);
                to[i].sin_port = htons(next.Port);
                vectors[i] = {block.Bytes.data() + next.Offset, next.Length};
                messages[i] = {};
                messages[i].msg_hdr.msg_name = &to[i];
                messages[i].msg_hdr.msg_namelen = sizeof to[i];
                messages[i].msg_hdr.msg_iov = &vectors[i];
                messages[i].msg_hdr.msg_iovlen = 1;
            }
            const int sent = ::sendmmsg(m_Socket, messages, n, MSG_DONTWAIT);
            if (sent < 0 && errno == EINTR)
                continue;
            if (sent < 0 && WouldBlock(errno)) {
                blocked = true;
                break;
            }
            // A datagram the socket refused fails alone (the call reports
            // its error when it comes first); the ones after it go on.
            const unsigned done = sent < 0 ? 1 : unsigned(sent);
            for (unsigned i = 0; i < done; ++i) {
                const TPacked& next = block.Datagrams[block.Next + i];
                if (sent < 0)
                    failures.push_back({next.Ip, errno});
                else if (messages[i].msg_len != next.Length)
                    failures.push_back({next.Ip, EMSGSIZE});
                bytes += next.Length;
            }
            block.Next += done;
        }
        lock.relock();
        m_SendInFlight = 0;
        m_SendQueueBytes -= bytes;
        if (block.Next < block.Datagrams.size()) {
            // What the socket did not take goes back to the front, in order.
            m_SendCount += block.Datagrams.size() - block.Next;
            m_SendQueue.push_front(std::move(block));
        } else if (m_SpareSendBlocks.size() < SpareSendBlocks && block.Bytes.capacity() <= 4 * SendBlockBytes) {
            block.Datagrams.clear();
            block.Bytes.clear();
            block.Next = 0;
            m_SpareSendBlocks.push_back(std::move(block));
        }
    }
    m_SendQueued = m_SendCount;
    // Told again once the queue has run empty.
    if (m_SendCount == 0)
        m_SendWoken = false;
    if (!failures.empty()) {
        m_SendFailures.insert(m_SendFailures.end(), failures.begin(), failures.end());
        if (!m_FailuresPosted) {
            m_FailuresPosted = true;
            QMetaObject::invokeMethod(this, &TReceivePump::ReportSendFailures, Qt::QueuedConnection);
        }
    }
    return m_SendCount == 0;
}

void TReceivePump::ReportSendFailures()
{
    std::vector<TSendFailure> failures;
    {
        QMutexLocker lock(&m_SendLock);
        failures.swap(m_SendFailures);
        m_FailuresPosted = false;
    }
    if (m_SendFailure)
        for (const TSendFailure& failure : failures)
            m_SendFailure(failure.Ip, failure.Error);
}

size_t TReceivePump::QueuedSendCount() const
{
    QMutexLocker lock(&m_SendLock);
    return m_SendCount + m_SendInFlight;
}

size_t TReceivePump::PendingCount() const
{
    QMutexLocker lock(&m_QueueLock);
    return m_QueueCount;
}

void TReceivePump::SetQueueLimit(size_t bytes)
{
    QMutexLocker lock(&m_QueueLock);
    m_QueueLimit = bytes;
}

size_t TReceivePump::QueueLimit() const
{
    QMutexLocker lock(&m_QueueLock);
    return m_QueueLimit;
}

size_t TReceivePump::QueueBytes() const
{
    QMutexLocker lock(&m_QueueLock);
    return m_QueueBytes;
}
