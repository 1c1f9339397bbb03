// A UDP receiver that never waits for the window thread.
//
// A receiving thread sleeps on the socket (and on a wake-up descriptor for
// Stop), drains every datagram that is ready into a mutex-guarded queue and,
// when no delivery is pending yet, posts one to the window thread. There the
// queue is handed to DispatchDatagram one datagram at a time, in arrival
// order. A busy window thread therefore only makes the queue grow, up to its
// bound in bytes; what the queue cannot take is counted as dropped. The
// socket is always emptied, many datagrams per system call. The protocol
// socket (TIntpSocketThread) and the syslog socket are instances of this
// pump.
//
// Sending never blocks either: a datagram the socket cannot take now (its
// send buffer full, for instance of datagrams held while the kernel resolves
// silent addresses) waits in a bounded queue that the same thread sends on
// as the socket becomes writable, in order. Datagrams sent while received
// ones are handed over (the replies and follow-up requests of a burst) go
// through that queue too, so that the window thread does not spend the
// burst in system calls: the receiving thread sends them, in order.
#pragma once

#include <QMutex>
#include <QMutexLocker>
#include <QObject>
#include <QString>

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class QThread;

// One received datagram: sender address and port in host order, and the
// datagram's bytes.
struct TListElement {
    uint32_t SourceIp = 0;
    uint16_t SourcePort = 0;
    std::vector<uint8_t> Data;
};

class TReceivePump : public QObject {
    Q_OBJECT

public:
    using THandler = std::function<void(const TListElement&)>;

    // The kernel's receive buffer asked for, so that a burst fits while the
    // receiving thread is scheduled out: the answers to one discovery's reads
    // of ten thousand switches (about 1.3 KB each, near twice that in kernel
    // memory) come in one burst, and 4 MB lost some of them on a busy host.
    static constexpr int ReceiveBufferBytes = 32 * 1024 * 1024;
    // Datagrams taken off the queue under one lock for the window thread:
    // at most this many, and no more bytes than the second bound.
    static constexpr int DeliverySlice = 256;
    // Bounds of the queue of datagrams waiting to be sent.
    static constexpr size_t MaxSendQueue = 16384;
    static constexpr size_t MaxSendQueueBytes = 8 * 1024 * 1024;

    // Told on the window thread of a queued datagram that could not be sent
    // after all: its destination and the error number.
    using TSendFailureHandler = std::function<void(uint32_t ip, int error)>;
    static constexpr size_t DeliverySliceBytes = 1 << 20;
    // Time one window-thread event may spend handing datagrams over before
    // the rest is posted again, so that a long queue does not freeze the
    // window.
    static constexpr int DeliveryMs = 2;
    // What the queue may hold by default, counted in bytes (the datagrams
    // and their bookkeeping).
    static constexpr size_t DefaultQueueLimitBytes = size_t(64) << 20;
    // What one queued datagram counts for.
    static size_t QueuedBytes(const TListElement& element) { return DatagramBytes(element.Data.size()); }

    explicit TReceivePump(QObject* parent = nullptr);
    // Stops and joins the receiving thread, drops what was not delivered and
    // closes the socket.
    ~TReceivePump() override;

    // Binds a UDP socket on every local address to the port (0 takes any
    // free port); broadcast enables sending to broadcast addresses. Not while
    // running. On failure ErrorString() tells why.
    bool Open(uint16_t port, bool broadcast);
    void Close();
    bool IsOpen() const { return m_Socket >= 0; }
    QString ErrorString() const { return m_Error; }
    // The bound port (0 while closed); read once, when the socket is bound.
    uint16_t LocalPort() const { return m_LocalPort; }
    int SocketDescriptor() const { return m_Socket; }

    // The window-thread target of the default DispatchDatagram.
    void SetHandler(THandler handler) { m_Handler = std::move(handler); }

    // Starts the receiving thread; false when the socket is not open.
    bool Start();
    // Wakes and joins the receiving thread and drops the undelivered queue.
    // Safe to call more than once, and from inside DispatchDatagram.
    void Stop();
    bool IsRunning() const { return m_Thread != nullptr; }

    // Any thread: queues one datagram for the window thread.
    void PushDatagram(uint32_t sourceIp, size_t length, const uint8_t* data, uint16_t sourcePort = 0);

    // Any thread, never blocking: sends one datagram through the socket to
    // ip:port (host order), or queues it when the socket cannot take it now.
    // True when it was sent or queued; false, with errno set, when the
    // socket refused it or the queue is full (ENOBUFS).
    bool Send(uint32_t ip, uint16_t port, const uint8_t* data, size_t length);
    void SetSendFailureHandler(TSendFailureHandler handler) { m_SendFailure = std::move(handler); }
    // Datagrams waiting to be sent (those being sent by the receiving
    // thread included).
    size_t QueuedSendCount() const;
    // While one lives on the window thread (and the receiving thread runs),
    // Send queues every datagram for the receiving thread instead of sending
    // it itself; failures are then told through the send failure handler.
    // Hand-overs of received datagrams run inside one.
    class TSendBatch {
    public:
        explicit TSendBatch(TReceivePump& pump) : m_Pump(pump) { ++m_Pump.m_SendBatches; }
        ~TSendBatch()
        {
            if (--m_Pump.m_SendBatches == 0)
                m_Pump.WakeForQueuedSends();
        }
        TSendBatch(const TSendBatch&) = delete;
        TSendBatch& operator=(const TSendBatch&) = delete;

    private:
        TReceivePump& m_Pump;
    };

    // Datagrams waiting for the window thread.
    size_t PendingCount() const;
    // Datagrams read from the socket (or pushed) since the pump was created,
    // the dropped ones included.
    uint64_t ReceivedCount() const { return m_Received.load(); }
    // Datagrams the full queue could not take.
    uint64_t DroppedCount() const { return m_Dropped.load(); }
    // The queue's bound and what it holds now, in bytes.
    void SetQueueLimit(size_t bytes);
    size_t QueueLimit() const;
    size_t QueueBytes() const;

    // Datagrams announced to PrefetchDatagram ahead of their hand-over.
    static constexpr size_t PrefetchAhead = 8;

protected:
    // Window thread: one datagram, in arrival order. Calls the handler.
    virtual void DispatchDatagram(const TListElement& element);
    // Window thread: the datagram PrefetchAhead places after the one being
    // handed over (within what the hand-over took off the queue), so that a
    // dispatcher may start fetching what it will need. Does nothing here.
    virtual void PrefetchDatagram(const uint8_t* data, size_t length) { (void)data, (void)length; }
    // Window thread: counts the hand-overs, so that what a dispatch looks up
    // can be kept for the rest of the hand-over it belongs to.
    uint64_t DeliveryNumber() const { return m_Deliveries; }

private:
    // One datagram of a block: the sender of a received one, the destination
    // of one to send, and where its bytes lie in the block.
    struct TPacked {
        uint32_t Ip;
        uint16_t Port;
        uint32_t Offset; // into the block's bytes
        uint32_t Length;
    };
    // Datagrams waiting to be sent travel in blocks too: records and bytes
    // packed, the blocks kept for reuse, so that queueing a request
    // allocates nothing once the queue has been used, and the receiving
    // thread sends a block's datagrams many per system call.
    struct TSendBlock {
        std::vector<TPacked> Datagrams;
        std::vector<uint8_t> Bytes;
        size_t Next = 0; // the first datagram not yet sent
    };
    static constexpr size_t SendBlockDatagrams = 256;
    static constexpr size_t SendBlockBytes = 64 * 1024;
    static constexpr size_t SpareSendBlocks = 4;
    struct TSendFailure {
        uint32_t Ip;
        int Error;
    };
    // Received datagrams travel to the window thread in blocks: one block
    // per read batch, its datagrams' bytes packed into one allocation, so
    // that neither thread allocates or frees memory per datagram.
    struct TBlock {
        std::vector<TPacked> Datagrams;
        std::unique_ptr<uint8_t[]> Bytes;
        size_t QueuedBytes = 0; // what the block counts for in the queue's bound
    };
    // What one queued datagram of length bytes counts for.
    static size_t DatagramBytes(size_t length) { return length + sizeof(TListElement) + 16; }

    struct TReceiveArea;

    void ReceiveLoop();
    // Queues the block's datagrams as far as the bound allows (the others
    // are counted as dropped); the block is left empty.
    void Enqueue(TBlock& block);
    // Keeps the block's datagrams, in order, that fit into room bytes of the
    // queue; answers how many were dropped.
    static uint64_t KeepWhatFits(TBlock& block, size_t room);
    void DeliverQueued();
    // Queues one datagram; called with m_SendLock held.
    void QueueSend(uint32_t ip, uint16_t port, const uint8_t* data, size_t length);
    // Sends what the queue holds until the socket would block or the queue
    // is empty; called with m_SendLock held by `lock`, which it releases
    // while sending. Only one thread sends from the queue at a time (the
    // receiving thread while it runs). Returns whether the queue is empty.
    bool FlushSendQueue(QMutexLocker<QMutex>& lock);
    // Whether Send must queue rather than send itself.
    bool SendsQueued() const;
    // Wakes the receiving thread for what a TSendBatch queued, once per
    // batch of datagrams rather than once per datagram.
    void WakeForQueuedSends();
    void ReportSendFailures();
    void WakeThread();

    int m_Socket = -1;
    uint16_t m_LocalPort = 0;
    int m_Wake = -1;                   // eventfd that ends the receiving thread's wait
    QThread* m_Thread = nullptr;
    std::unique_ptr<TReceiveArea> m_Area; // the receiving thread's buffers while it runs
    QString m_Error;
    THandler m_Handler;

    mutable QMutex m_QueueLock;        // guards the queue, its counts and m_DeliveryPosted
    std::deque<TBlock> m_Queue;
    size_t m_QueueCount = 0;           // datagrams in m_Queue
    size_t m_QueueBytes = 0;
    TListElement m_Delivered;          // window thread only: the datagram being handed over
    size_t m_QueueLimit = DefaultQueueLimitBytes;
    bool m_DeliveryPosted = false;     // a DeliverQueued call is on its way
    bool m_Busy = false;               // window thread only: a hand-over runs
    uint64_t m_Stops = 0;              // window thread only: Stop calls so far
    uint64_t m_Deliveries = 0;         // window thread only: hand-overs so far
    std::atomic<uint64_t> m_Received{0};
    std::atomic<bool> m_Stopping{false};

    mutable QMutex m_SendLock;         // guards the send queue and failures
    std::deque<TSendBlock> m_SendQueue;   // oldest first; the front one may be partly sent
    std::vector<TSendBlock> m_SpareSendBlocks;
    size_t m_SendCount = 0;            // datagrams in m_SendQueue not yet sent
    std::atomic<size_t> m_SendQueued{0};   // queued and being sent, read without the lock
    size_t m_SendInFlight = 0;         // taken off the queue and being sent
    bool m_SendWoken = false;          // the receiving thread was told of the queue
    bool m_SendWakeDue = false;        // a TSendBatch queued without waking it
    std::atomic<bool> m_Running{false};
    int m_SendBatches = 0;             // window thread only: live TSendBatch scopes
    size_t m_SendQueueBytes = 0;
    std::vector<TSendFailure> m_SendFailures;
    bool m_FailuresPosted = false;
    TSendFailureHandler m_SendFailure;
    std::atomic<uint64_t> m_Dropped{0};
};
