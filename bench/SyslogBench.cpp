// Syslog receive throughput: for each rate, sends numbered datagrams over
// loopback for 10 s to a receiver whose event list is shown (offscreen),
// then reports whether every datagram was stored and the longest stall of
// the window thread (largest gap between ticks of a 1 ms timer).
//
//   SyslogBench [rate ...]     (datagrams per second; default a ladder)
#include "SyslogFrame.h"
#include "SyslogSocketThread.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

namespace {

struct TResult {
    long Sent = 0, Stored = 0;
    double SendSeconds = 0;
    qint64 MaxStallMs = 0;
};

TResult Run(long rate, int seconds)
{
    TSyslogFrame frame;
    frame.resize(1000, 600);
    frame.show();
    TSyslogSocketThread receiver(0, [&] { return static_cast<Syslog::TSyslogServer*>(&frame); });
    if (!receiver.Start())
        return {};

    TResult result;
    QElapsedTimer tick;
    tick.start();
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        result.MaxStallMs = std::max(result.MaxStallMs, tick.restart());
    });
    probe.start();

    std::atomic<bool> done{false};
    std::atomic<long> sent{0};
    std::atomic<double> sendSeconds{0};
    std::thread sender([&] {
        const int fd = ::socket(AF_INET, SOCK_DGRAM, 0);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        to.sin_port = htons(receiver.LocalPort());
        const auto start = std::chrono::steady_clock::now();
        const long total = rate * seconds;
        for (long i = 0; i < total; ++i) {
            // Paced in 1 ms steps.
            if (i % std::max(1L, rate / 1000) == 0)
                std::this_thread::sleep_until(start + std::chrono::microseconds(i * 1000000 / rate));
            const std::string text = "<14>Oct 11 22:14:15 sw1 port 3 link up, sequence " + std::to_string(i + 1);
            if (::sendto(fd, text.data(), text.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to) > 0)
                ++sent;
        }
        sendSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ::close(fd);
        done = true;
    });
    QElapsedTimer drain;
    while (!done || (frame.EventCount() < uint32_t(sent.load()) && (drain.isValid() ? drain.elapsed() < 5000 : true))) {
        if (done && !drain.isValid())
            drain.start();
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    }
    sender.join();
    frame.FlushList();
    QApplication::processEvents();
    result.Sent = sent;
    result.SendSeconds = sendSeconds;
    result.Stored = frame.EventCount();
    return result;
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    std::vector<long> rates;
    for (int i = 1; i < argc; ++i)
        rates.push_back(std::atol(argv[i]));
    if (rates.empty())
        rates = {10000, 25000, 50000, 100000, 200000};
    std::printf("%10s %10s %8s %10s %8s %12s\n", "rate/s", "sent", "in s", "stored", "lost", "max stall ms");
    for (long rate : rates) {
        const TResult r = Run(rate, 10);
        std::printf("%10ld %10ld %8.2f %10ld %8ld %12lld\n", rate, r.Sent, r.SendSeconds, r.Stored, r.Sent - r.Stored,
                    static_cast<long long>(r.MaxStallMs));
        std::fflush(stdout);
    }
    return 0;
}
