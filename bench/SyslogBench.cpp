// Syslog receive throughput and memory: for each rate, numbered datagrams
// are sent over loopback for a number of seconds, from as many sender
// threads as the rate needs (each sending in batches, paced in 1 ms steps),
// to a receiver whose event list is shown (offscreen). Reported per rate:
//   offered/s    the rate actually offered (datagrams sent / sending time)
//   kernel drop  datagrams sent that the socket never delivered
//   queued       datagrams read but not yet stored when the senders stopped
//   q drop       datagrams the receive queue could not take
//   stored       events stored once the queue had drained
//   evicted      events that gave way to the store's limit
//   stall ms     the window thread's longest stall (largest gap between
//                ticks of a 1 ms timer), and beside it the most CPU time the
//                window thread itself spent within one such gap (what is
//                left is time the system gave to other threads)
//   rx run/wait  share of the run the receiving thread spent on a CPU, and
//                waiting for one (runnable but not running), in percent
//   >16ms        how many of those gaps were longer than 16 ms
//   rx ns/dg     processor time of the receiving thread per datagram it
//                read (system calls included): what it takes whatever the
//                machine's load; printed again below the table beside the
//                floor: a bare recvmmsg loop (no queue, no hand-over) on its
//                own thread, fed the same datagrams at the same rate in the
//                same run
//   win ns/dg    (below the table) the window thread's processor time per
//                datagram stored
//   win run/wait the same as rx run/wait for the window thread
//   longest      the window thread's longest single piece of work (one
//                event it handled, processor time) and what it was: the
//                event type and the class of the object it was for
//   peak MB      the process's peak resident memory during the run
//   B/event      resident memory added by the run per stored event, beside
//                the store's own count and the message bytes per event
//
//   SyslogBench [--seconds N] [--store-mb N] [--size BYTES] [rate ...]
//                (--size pads every datagram to that many bytes)
//                (datagrams per second; default 200000 and 1000000)
//   SyslogBench --list-rows N [N ...]
//                the window thread's own processor time, with N events
//                listed, for one batch of 25 000 new events (a batch at
//                1 000 000/s): storing them, then inserting and painting
//                their rows; and for letting 25 000 of the oldest go
//                (medians and maxima of 20 rounds)
#include "SyslogFrame.h"
#include "SyslogSocketThread.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <arpa/inet.h>
#include <ctime>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

// What one sender thread offers at most.
constexpr long RatePerSender = 200000;
constexpr int MaxSenders = 6;
constexpr unsigned SendBatch = 32;
// Every datagram padded to this many bytes (0: as formatted).
size_t g_Size = 0;

// The calling thread's processor time.
double ThreadMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Times every event the window thread handles at the top level, and keeps
// the longest.
class TBenchApplication : public QApplication {
public:
    using QApplication::QApplication;

    struct TLongest {
        double Ms = 0;
        int Type = 0;
        QByteArray Receiver;
    };
    void ResetLongest() { m_Longest = {}; }
    const TLongest& Longest() const { return m_Longest; }

    bool notify(QObject* receiver, QEvent* event) override
    {
        if (m_Depth != 0 || QThread::currentThread() != thread())
            return QApplication::notify(receiver, event);
        // Taken first: the receiver may be gone afterwards.
        const int type = event->type();
        const char* className = receiver->metaObject()->className();
        const QString name = receiver->objectName();
        ++m_Depth;
        const double start = ThreadMs();
        const bool done = QApplication::notify(receiver, event);
        const double spent = ThreadMs() - start;
        --m_Depth;
        if (spent > m_Longest.Ms) {
            m_Longest.Ms = spent;
            m_Longest.Type = type;
            m_Longest.Receiver = QByteArray(className) + (name.isEmpty() ? QByteArray() : "(" + name.toUtf8() + ")");
        }
        return done;
    }

private:
    int m_Depth = 0;
    TLongest m_Longest;
};

size_t StatusBytes(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    const std::string prefix = std::string(field) + ":";
    while (std::getline(status, line))
        if (line.rfind(prefix, 0) == 0)
            return size_t(std::stoull(line.substr(prefix.size()))) * 1024;
    return 0;
}

// Run and run-queue wait times (ns) of one thread.
std::pair<double, double> TaskSchedule(const std::string& tid)
{
    std::ifstream stat("/proc/self/task/" + tid + "/schedstat");
    double run = 0, wait = 0;
    stat >> run >> wait;
    return {run, wait};
}

// Run and run-queue wait times (ns) of the threads named name.
std::pair<double, double> ThreadSchedule(const char* name)
{
    double run = 0, wait = 0;
    QDir tasks(QStringLiteral("/proc/self/task"));
    for (const QString& tid : tasks.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        std::ifstream comm(("/proc/self/task/" + tid + "/comm").toStdString());
        std::string threadName;
        std::getline(comm, threadName);
        if (threadName != name)
            continue;
        const auto [r, w] = TaskSchedule(tid.toStdString());
        run += r;
        wait += w;
    }
    return {run, wait};
}

void ResetPeak()
{
    std::ofstream refs("/proc/self/clear_refs");
    refs << "5";
}

struct TResult {
    int Senders = 0;
    long Sent = 0;
    double SendSeconds = 0;
    uint64_t Received = 0, QueuedAtCutoff = 0, QueueDrops = 0;
    long Stored = 0;
    uint64_t Evicted = 0;
    qint64 MaxStallMs = 0;
    long LongStalls = 0;
    double MaxBusyMs = 0;
    double RxRun = 0, RxWait = 0, WinRun = 0, WinWait = 0;
    double RxNs = 0, WinNs = 0;
    TBenchApplication::TLongest Longest;
    size_t PeakBytes = 0, AddedBytes = 0, StoreBytes = 0;
    double MessageBytes = 0;
};

// One sender thread: datagrams first, first + step, ... below total, paced
// to rate datagrams per second.
void SendShare(uint16_t port, long first, long step, long total, long rate, std::atomic<long>& sent,
               std::chrono::steady_clock::time_point start)
{
    const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in to{};
    to.sin_family = AF_INET;
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    to.sin_port = htons(port);
    std::vector<std::vector<char>> texts(SendBatch, std::vector<char>(std::max<size_t>(g_Size, 96) + 1, 'p'));
    iovec vectors[SendBatch];
    mmsghdr messages[SendBatch];
    long own = 0;
    for (long i = first; i < total;) {
        unsigned n = 0;
        for (; n < SendBatch && i < total; ++n, i += step) {
            int length = std::snprintf(texts[n].data(), texts[n].size(),
                                       "<14>Oct 11 22:14:15 sw1 port %ld link up, sequence %ld", i % 24, i + 1);
            if (size_t(length) < g_Size) {
                texts[n][size_t(length)] = ' ';   // the padding after it stays
                length = int(g_Size);
            }
            vectors[n] = {texts[n].data(), size_t(length)};
            messages[n] = {};
            messages[n].msg_hdr.msg_name = &to;
            messages[n].msg_hdr.msg_namelen = sizeof to;
            messages[n].msg_hdr.msg_iov = &vectors[n];
            messages[n].msg_hdr.msg_iovlen = 1;
        }
        unsigned done = 0;
        while (done < n) {
            const int got = ::sendmmsg(fd, messages + done, n - done, 0);
            if (got <= 0)
                break;
            done += unsigned(got);
        }
        sent += done;
        own += n;
        // Paced: datagram own of this thread is due at own * step / rate.
        std::this_thread::sleep_until(start + std::chrono::nanoseconds(own * step * 1000000000LL / rate));
    }
    ::close(fd);
}

TResult Run(long rate, int seconds, size_t storeBytes)
{
    TResult result;
    const size_t rssStart = StatusBytes("VmRSS");
    ResetPeak();
    {
        TSyslogFrame frame;
        if (storeBytes != 0)
            frame.SetStoreLimit(storeBytes);
        frame.resize(1000, 600);
        frame.show();
        // The page is on screen before the flood starts.
        QElapsedTimer warm;
        warm.start();
        while (warm.elapsed() < 200)
            QApplication::processEvents(QEventLoop::AllEvents, 20);
        TSyslogSocketThread receiver(0, [&] { return static_cast<Syslog::TSyslogServer*>(&frame); });
        if (!receiver.Start())
            return {};

        QElapsedTimer tick;
        tick.start();
        double lastCpu = ThreadMs();
        QTimer probe;
        probe.setTimerType(Qt::PreciseTimer);
        probe.setInterval(1);
        QObject::connect(&probe, &QTimer::timeout, [&] {
            const qint64 gap = tick.restart();
            result.MaxStallMs = std::max(result.MaxStallMs, gap);
            result.LongStalls += gap > 16 ? 1 : 0;
            const double cpu = ThreadMs();
            result.MaxBusyMs = std::max(result.MaxBusyMs, cpu - lastCpu);
            lastCpu = cpu;
        });
        probe.start();
        auto* app = static_cast<TBenchApplication*>(QCoreApplication::instance());
        app->ResetLongest();

        const long total = rate * seconds;
        result.Senders = int(std::clamp<long>((rate + RatePerSender - 1) / RatePerSender, 1, MaxSenders));
        std::atomic<long> sent{0};
        std::atomic<int> running{result.Senders};
        std::atomic<long long> lastEndNs{0};
        const auto start = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
        std::vector<std::thread> senders;
        for (int s = 0; s < result.Senders; ++s)
            senders.emplace_back([&, s] {
                SendShare(receiver.LocalPort(), s, result.Senders, total, rate, sent, start);
                const long long end = std::chrono::duration_cast<std::chrono::nanoseconds>(
                                          std::chrono::steady_clock::now() - start)
                                          .count();
                long long seen = lastEndNs;
                while (end > seen && !lastEndNs.compare_exchange_weak(seen, end)) {
                }
                --running;
            });

        // Until the senders stop, then until the socket and the queue are
        // drained (or 10 s more).
        QEventLoop loop;
        QElapsedTimer drain;
        uint64_t lastRead = 0;
        int still = 0;
        QTimer check;
        check.setInterval(10);
        QObject::connect(&check, &QTimer::timeout, [&] {
            if (running != 0)
                return;
            if (!drain.isValid()) {
                result.SendSeconds = double(lastEndNs.load()) / 1e9;
                result.QueuedAtCutoff = receiver.PendingCount();
                drain.start();
            }
            const uint64_t read = receiver.ReceivedCount();
            still = read == lastRead ? still + 1 : 0;
            lastRead = read;
            if ((still >= 5 && receiver.PendingCount() == 0) || drain.elapsed() > 10000)
                loop.quit();
        });
        check.start();
        const auto rxBefore = ThreadSchedule("udp-receive");
        const std::string window = std::to_string(::getpid());
        const auto winBefore = TaskSchedule(window);
        QElapsedTimer wall;
        wall.start();
        loop.exec();
        const auto rxAfter = ThreadSchedule("udp-receive");
        const auto winAfter = TaskSchedule(window);
        const double wallNs = double(wall.nsecsElapsed());
        result.RxRun = 100.0 * (rxAfter.first - rxBefore.first) / wallNs;
        result.RxNs = (rxAfter.first - rxBefore.first) / double(std::max<uint64_t>(receiver.ReceivedCount(), 1));
        result.RxWait = 100.0 * (rxAfter.second - rxBefore.second) / wallNs;
        result.WinRun = 100.0 * (winAfter.first - winBefore.first) / wallNs;
        result.WinWait = 100.0 * (winAfter.second - winBefore.second) / wallNs;
        result.WinNs = (winAfter.first - winBefore.first) / double(std::max<uint64_t>(receiver.ReceivedCount(), 1));
        for (std::thread& t : senders)
            t.join();
        frame.FlushList();
        QApplication::processEvents();
        probe.stop();
        result.Longest = app->Longest();

        result.Sent = sent;
        result.Received = receiver.ReceivedCount();
        result.QueueDrops = receiver.DroppedCount();
        result.Stored = frame.EventCount();
        result.Evicted = frame.DroppedCount() - std::min(frame.DroppedCount(), result.QueueDrops);
        result.StoreBytes = frame.StoreBytes();
        Syslog::ReturnFreeMemory();
        result.AddedBytes = StatusBytes("VmRSS") - rssStart;
        result.PeakBytes = StatusBytes("VmHWM");
        const Syslog::TSyslogStore& store = frame.Model()->Store();
        double bytes = 0;
        for (size_t i = 0; i < store.Size(); ++i)
            bytes += store.At(i).Length;
        result.MessageBytes = store.Size() == 0 ? 0 : bytes / double(store.Size());
    }
    Syslog::ReturnFreeMemory();
    return result;
}

struct TFloor {
    long Sent = 0;
    uint64_t Received = 0;
    double RxNs = 0;
};

// The floor of the receiving thread: a thread that does nothing but read
// the socket, a batch of 256 datagrams per recvmmsg into fixed buffers,
// waiting in poll when it is empty; fed like the receiver.
TFloor RunBareFloor(long rate, int seconds)
{
    TFloor floor;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return floor;
    int size = TSyslogSocketThread::SyslogReceiveBufferBytes;
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    sockaddr_in bound{};
    socklen_t length = sizeof bound;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&bound), &length) != 0) {
        ::close(fd);
        return floor;
    }
    std::atomic<bool> stop{false};
    std::atomic<uint64_t> received{0};
    double rxNs = 0;
    std::thread reader([&] {
        constexpr unsigned Batch = 256, Slot = 2048;
        std::vector<uint8_t> buffer(size_t(Batch) * Slot);
        mmsghdr messages[Batch];
        iovec vectors[Batch];
        sockaddr_in senders[Batch];
        const double start = ThreadMs();
        while (!stop) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 20) <= 0)
                continue;
            for (;;) {
                for (unsigned i = 0; i < Batch; ++i) {
                    vectors[i] = {buffer.data() + size_t(i) * Slot, Slot};
                    messages[i] = {};
                    messages[i].msg_hdr.msg_name = &senders[i];
                    messages[i].msg_hdr.msg_namelen = sizeof senders[i];
                    messages[i].msg_hdr.msg_iov = &vectors[i];
                    messages[i].msg_hdr.msg_iovlen = 1;
                }
                const int got = ::recvmmsg(fd, messages, Batch, MSG_DONTWAIT, nullptr);
                if (got <= 0)
                    break;
                received += unsigned(got);
                if (got < int(Batch))
                    break;
            }
        }
        rxNs = (ThreadMs() - start) * 1e6;
    });
    const long total = rate * seconds;
    const int senderCount = int(std::clamp<long>((rate + RatePerSender - 1) / RatePerSender, 1, MaxSenders));
    std::atomic<long> sent{0};
    const auto start = std::chrono::steady_clock::now() + std::chrono::milliseconds(20);
    std::vector<std::thread> senders;
    for (int s = 0; s < senderCount; ++s)
        senders.emplace_back([&, s] { SendShare(ntohs(bound.sin_port), s, senderCount, total, rate, sent, start); });
    for (std::thread& t : senders)
        t.join();
    // Until the socket is drained.
    uint64_t last = ~uint64_t(0);
    while (received.load() != last) {
        last = received.load();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    stop = true;
    reader.join();
    ::close(fd);
    floor.Sent = sent;
    floor.Received = received;
    // Its poll waits of 20 ms cost nothing measurable beside the datagrams.
    floor.RxNs = rxNs / double(std::max<uint64_t>(floor.Received, 1));
    return floor;
}

std::string LoadAverage()
{
    char text[64] = "?";
    std::ifstream load("/proc/loadavg");
    double a = 0, b = 0, c = 0;
    if (load >> a >> b >> c)
        std::snprintf(text, sizeof text, "%.1f/%.1f/%.1f", a, b, c);
    return text;
}

void ListCost(const std::vector<long>& counts)
{
    constexpr int Batch = 25000, Rounds = 20;
    std::printf("%10s %16s %16s %16s\n", "rows", "store ms med/max", "list ms med/max", "evict ms med/max");
    for (long rows : counts) {
        TSyslogFrame frame;
        frame.resize(1000, 600);
        frame.show();
        long next = 0;
        auto add = [&](long n) {
            for (long i = 0; i < n; ++i, ++next)
                frame.AddDatagram(0x0A000001u + uint32_t(next % 8),
                                  "<14>Oct 11 22:14:15 sw1 port " + std::to_string(next % 24) + " link up, sequence " +
                                      std::to_string(next + 1));
        };
        add(rows);
        frame.FlushList();
        QApplication::processEvents();
        std::vector<double> store, list, evict;
        for (int round = 0; round < Rounds; ++round) {
            double t = ThreadMs();
            add(Batch);
            store.push_back(ThreadMs() - t);
            t = ThreadMs();
            frame.FlushList();
            QApplication::processEvents();
            list.push_back(ThreadMs() - t);
            t = ThreadMs();
            frame.Model()->DropOldest(Batch);
            QApplication::processEvents();
            evict.push_back(ThreadMs() - t);
        }
        auto medMax = [](std::vector<double> v) {
            std::sort(v.begin(), v.end());
            return std::pair(v[v.size() / 2], v.back());
        };
        const auto [s1, s2] = medMax(store);
        const auto [l1, l2] = medMax(list);
        const auto [e1, e2] = medMax(evict);
        std::printf("%10ld %8.2f/%-7.2f %8.2f/%-7.2f %8.2f/%-7.2f\n", long(frame.EventCount()), s1, s2, l1, l2, e1, e2);
        std::fflush(stdout);
    }
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    TBenchApplication app(argc, argv);
    std::vector<long> rates, listRows;
    int seconds = 10;
    size_t storeBytes = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc)
            seconds = std::max(1, std::atoi(argv[++i]));
        else if (std::strcmp(argv[i], "--size") == 0 && i + 1 < argc)
            g_Size = std::min<size_t>(size_t(std::atol(argv[++i])), 65000);
        else if (std::strcmp(argv[i], "--store-mb") == 0 && i + 1 < argc)
            storeBytes = size_t(std::atol(argv[++i])) << 20;
        else if (std::strcmp(argv[i], "--list-rows") == 0)
            while (i + 1 < argc && argv[i + 1][0] != '-')
                listRows.push_back(std::atol(argv[++i]));
        else
            rates.push_back(std::atol(argv[i]));
    }
    if (!listRows.empty()) {
        ListCost(listRows);
        return 0;
    }
    if (rates.empty())
        rates = {200000, 1000000};
    std::printf("%9s %3s %10s %10s %11s %7s %7s %10s %8s %8s %6s %8s %8s %11s %12s %8s %8s %8s %7s  %s\n", "rate/s", "thr", "offered/s", "sent",
                "kernel drop", "queued", "q drop", "stored", "evicted", "stall ms", ">16ms", "busy ms", "rx ns/dg", "rx run/wait", "win run/wait", "peak MB", "B/event", "store B/e",
                "msg B", "longest");
    for (long rate : rates) {
        const TResult r = Run(rate, seconds, storeBytes);
        const double stored = r.Stored > 0 ? double(r.Stored) : 1.0;
        std::printf("%9ld %3d %10.0f %10ld %11lld %7llu %7llu %10ld %8llu %8lld %6ld %8.1f %8.0f %5.0f/%-5.0f %6.0f/%-5.0f %8.1f %8.1f %8.1f %7.1f  %.1f ms event %d %s\n", rate,
                    r.Senders, r.SendSeconds > 0 ? double(r.Sent) / r.SendSeconds : 0.0, r.Sent,
                    static_cast<long long>(r.Sent) - static_cast<long long>(r.Received),
                    static_cast<unsigned long long>(r.QueuedAtCutoff), static_cast<unsigned long long>(r.QueueDrops),
                    r.Stored, static_cast<unsigned long long>(r.Evicted), static_cast<long long>(r.MaxStallMs), r.LongStalls,
                    r.MaxBusyMs, r.RxNs, r.RxRun, r.RxWait, r.WinRun, r.WinWait, double(r.PeakBytes) / 1048576.0, double(r.AddedBytes) / stored, double(r.StoreBytes) / stored,
                    r.MessageBytes, r.Longest.Ms, r.Longest.Type, r.Longest.Receiver.constData());
        const TFloor floor = RunBareFloor(rate, seconds);
        std::printf("%9s receiving thread %.0f ns/dg beside a bare recvmmsg loop's %.0f ns/dg (%.2fx; it read %llu "
                    "of %ld); window thread %.0f ns/dg; load average %s\n",
                    "", r.RxNs, floor.RxNs, floor.RxNs > 0 ? r.RxNs / floor.RxNs : 0.0,
                    static_cast<unsigned long long>(floor.Received), floor.Sent, r.WinNs, LoadAverage().c_str());
        std::fflush(stdout);
    }
    return 0;
}
