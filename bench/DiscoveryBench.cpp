// Discovery of many switches: the console against the floor.
//
// For each switch count (default 1 000, 4 000 and 10 000) the switch
// simulator plays that many switches in a network namespace of their own, at
// 198.18.0.1 and up on a /18; the console's main window (shown, offscreen)
// sits in another namespace at 198.18.63.254. A discovery is timed from its
// start until every switch is in the device tree with its read chain done
// (system settings, IP configuration and IntpSip answered). Each round
// times, one after the other:
//   - the floor: a plain socket client in the console's namespace making the
//     same exchanges (the discovery request to the broadcast address, then
//     per switch, as it answers, the three reads each after the previous
//     reply, and beside them the status monitor's first Ping2, which the
//     console sends to every switch it finds);
//   - the same floor without the Ping2 (the reads alone);
//   - the first discovery of a main window just created (what a user runs
//     after starting the console);
//   - a repeated discovery in the same window (every device deleted first).
// It also reports the memory the first discovery kept per switch: heap bytes
// in use (malloc's own count) and resident set growth.
//
//   discovery_bench [--switches N[,N...]] [--rounds R] [--hidden] [--no-floor]
//
// Exit status: 0 when every round found and read every switch, 1 when one
// did not, 77 when network namespaces are refused (not root).
#include "FakeUserInterface.h"
#include "IntpProtocol.h"
#include "MainForm.h"
#include "NetnsHarness.h"
#include "ReceivePump.h"
#include "Simulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QTimer>

#include <arpa/inet.h>
#include <malloc.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t FirstSwitchIp = 0xC6120001u;   // 198.18.0.1
constexpr uint32_t ConsoleIp = 0xC6123FFEu;       // 198.18.63.254
constexpr uint32_t Netmask = 0xFFFFC000u;         // /18
constexpr int NetmaskBits = 18;
constexpr uint32_t Broadcast = ConsoleIp | ~Netmask;
constexpr size_t MaxSwitches = 16000;
// A discovery that has not found every switch by then has failed.
int RoundTimeoutMs = 5000;

struct TRound {
    double Ms = 0;
    size_t Done = 0;
};

struct TMemory {
    size_t HeapBytes = 0;   // allocated and not freed
    size_t Resident = 0;    // bytes
};

TMemory MemoryNow()
{
    TMemory m;
    m.HeapBytes = mallinfo2().uordblks;
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    m.Resident = size_t(resident) * size_t(::sysconf(_SC_PAGESIZE));
    return m;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

// The floor: the same request/reply exchanges with nothing else around them
// (with `ping`, also a Ping2 per switch as it answers discovery).
TRound RunFloor(size_t count, bool ping)
{
    TRound round;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return round;
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    // The floor has no receiving thread of its own: a buffer that holds
    // every switch's answer to the discovery request keeps it from losing
    // answers (it never asks again).
    int size = std::max<int>(TReceivePump::ReceiveBufferBytes, int(count) * 2048);
    if (::setsockopt(fd, SOL_SOCKET, SO_RCVBUFFORCE, &size, sizeof size) != 0)
        ::setsockopt(fd, SOL_SOCKET, SO_RCVBUF, &size, sizeof size);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        ::close(fd);
        return round;
    }
    auto send = [fd](uint32_t ip, uint16_t command, const Intp::TMacAddr& mac) {
        std::vector<uint8_t> frame = Intp::BuildRequest(command, mac, 4);
        sockaddr_in to{};
        to.sin_family = AF_INET;
        to.sin_addr.s_addr = htonl(ip);
        to.sin_port = htons(Intp::IntpPort);
        ::sendto(fd, frame.data(), frame.size(), 0, reinterpret_cast<sockaddr*>(&to), sizeof to);
    };
    // Which read each switch is at, so that a repeated reply is not followed
    // up twice.
    std::map<Intp::TMacAddr, uint16_t> next;
    // Switches whose Ping2 is still unanswered.
    std::map<Intp::TMacAddr, bool> pinging;
    size_t readsDone = 0;
    const auto start = std::chrono::steady_clock::now();
    send(Broadcast, 0, Intp::TMacAddr());
    std::vector<uint8_t> buffer(65536);
    while (readsDone < count || !pinging.empty()) {
        const auto elapsed = std::chrono::steady_clock::now() - start;
        const int left = RoundTimeoutMs - int(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count());
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, left) <= 0)
            break;
        sockaddr_in from{};
        socklen_t length = sizeof from;
        const ssize_t n = ::recvfrom(fd, buffer.data(), buffer.size(), MSG_DONTWAIT,
                                     reinterpret_cast<sockaddr*>(&from), &length);
        if (n < ssize_t(Intp::HeaderSize))
            continue;
        const Intp::TPacketHeader header = Intp::TPacketHeader::Read(buffer.data(), size_t(n));
        if (header.Status != 0)
            continue;
        const uint32_t ip = ntohl(from.sin_addr.s_addr);
        if (header.Command == 0x0006) {
            pinging.erase(header.Mac);
            continue;
        }
        auto it = next.find(header.Mac);
        const uint16_t expected = it == next.end() ? 0 : it->second;
        if (header.Command != expected)
            continue;
        switch (header.Command) {
        case 0x0000:
            if (ping) {
                pinging[header.Mac] = true;
                send(ip, 0x0006, header.Mac);
            }
            next[header.Mac] = 0x0104;
            send(ip, 0x0104, header.Mac);
            break;
        case 0x0104: it->second = 0x0106; send(ip, 0x0106, header.Mac); break;
        case 0x0106: it->second = 0x0007; send(ip, 0x0007, header.Mac); break;
        case 0x0007: it->second = 0xFFFF; ++readsDone; break;
        default: break;
        }
    }
    round.Ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    round.Done = pinging.empty() ? readsDone : 0;
    ::close(fd);
    return round;
}

// How many switches are in the tree with their IntpSip record read.
size_t ReadCount(TMainForm& form)
{
    TDeviceList devices;
    form.EnumDevices(devices);
    size_t done = 0;
    for (Intp::TDevice* device : devices)
        done += Intp::GetPropertyIntpSip(device).Valid != 0;
    return done;
}

TRound RunConsole(TMainForm& form, size_t count)
{
    TRound round;
    QElapsedTimer timer;
    // Wakes the loop now and then, so that a lost reply ends in a time-out
    // rather than a hang.
    QTimer heartbeat;
    heartbeat.setInterval(100);
    heartbeat.start();
    timer.start();
    form.EventOnDiscoveryExecute();
    for (;;) {
        // Counting walks every device: only once all of them have nodes and
        // no read is pending.
        if (size_t(form.DeviceCount()) == count && Intp::SessionList().empty() &&
            (round.Done = ReadCount(form)) == count)
            break;
        if (timer.elapsed() > RoundTimeoutMs)
            break;
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
    }
    round.Ms = double(timer.nsecsElapsed()) / 1e6;
    if (round.Done < count)
        round.Done = ReadCount(form);
    return round;
}

struct TSizeResult {
    size_t Count = 0;
    std::vector<double> Floor, ReadsFloor, First, Repeated;
    double HeapPerSwitch = 0, ResidentPerSwitch = 0;
    bool Ok = true;
};

// With DISCOVERY_BENCH_PERF_CTL naming the control fifo of
// `perf record --control fifo:PATH -D -1`, only the first discoveries are
// profiled.
void PerfControl(const char* command)
{
    const char* path = std::getenv("DISCOVERY_BENCH_PERF_CTL");
    if (!path)
        return;
    if (std::FILE* f = std::fopen(path, "w")) {
        std::fprintf(f, "%s\n", command);
        std::fclose(f);
    }
}

// One switch count in namespaces of its own: `rounds` rounds of floor,
// first discovery and repeated discovery.
bool RunSize(size_t count, int rounds, bool hidden, bool withFloor, TSizeResult& result)
{
    result.Count = count;
    RoundTimeoutMs = 5000 + int(count);
    std::string why;
    E2e::TTestNetwork net;
    std::vector<uint32_t> ips;
    for (size_t i = 0; i < count; ++i)
        ips.push_back(FirstSwitchIp + uint32_t(i));
    if (!net.Setup(ConsoleIp, ips, NetmaskBits, true, why)) {
        std::fprintf(stderr, "discovery_bench: cannot build the network: %s\n", why.c_str());
        return false;
    }
    Sim::TSimulator simulator;
    simulator.AddSwitches(count, FirstSwitchIp);
    for (size_t i = 0; i < count; ++i)
        simulator.With(i, [](Sim::TSimSwitch& sw) { sw.Netmask = Netmask; });
    {
        // Threads take the name of the thread that starts them.
        ::prctl(PR_SET_NAME, "simulator");
        E2e::TNetnsScope inSim(net.Sim());
        if (!inSim.Entered() || !simulator.Start(0, Intp::IntpPort)) {
            std::fprintf(stderr, "discovery_bench: cannot start the simulator: %s\n", simulator.LastError().c_str());
            return false;
        }
    }
    // The window thread under its own name, apart from the simulator's.
    ::prctl(PR_SET_NAME, "console-main");
    E2e::TNetnsScope inConsole(net.Console());
    if (!inConsole.Entered()) {
        std::fprintf(stderr, "discovery_bench: cannot enter the console's namespace\n");
        return false;
    }
    std::printf("%zu switches:\n", count);
    for (int r = 0; r < rounds; ++r) {
        const TRound floor = withFloor ? RunFloor(count, true) : TRound{};
        const TRound readsFloor = withFloor ? RunFloor(count, false) : TRound{};
        simulator.ClearLog();

        TestSupport::TFakeUserInterface ui;
        Intp::ReleaseLibrary();
        Intp::RegisterBuiltinModels();
        TMainForm::TOptions options;
        options.IntpLocalPort = Intp::IntpPort;
        options.SyslogPort = 514;
        auto form = std::make_unique<TMainForm>(options);
        if (!form->EventOnMainFormCreate()) {
            std::fprintf(stderr, "discovery_bench: the main window did not start\n");
            return false;
        }
        if (!hidden) {
            form->resize(1200, 800);
            form->show();
        }
        QCoreApplication::processEvents();
        malloc_trim(0);
        const TMemory before = MemoryNow();
        PerfControl("enable");
        const TRound first = RunConsole(*form, count);
        PerfControl("disable");
        simulator.ClearLog();
        QCoreApplication::processEvents();
        const TMemory after = MemoryNow();
        const TRound repeated = RunConsole(*form, count);
        simulator.ClearLog();
        std::printf("  round %d: floor %8.1f ms (%zu read)   reads only %8.1f ms   first %8.1f ms (%zu read)   "
                    "repeated %8.1f ms (%zu read)\n",
                    r + 1, floor.Ms, floor.Done, readsFloor.Ms, first.Ms, first.Done, repeated.Ms, repeated.Done);
        if (r == 0) {
            result.HeapPerSwitch = (double(after.HeapBytes) - double(before.HeapBytes)) / double(count);
            result.ResidentPerSwitch = (double(after.Resident) - double(before.Resident)) / double(count);
        }
        if (!ui.Boxes.empty())
            std::printf("  message boxes: %zu, last: %s\n", ui.Boxes.size(), ui.LastText().toStdString().c_str());
        std::fflush(stdout);
        if ((withFloor && (floor.Done != count || readsFloor.Done != count)) || first.Done != count || repeated.Done != count)
            result.Ok = false;
        result.Floor.push_back(floor.Ms);
        result.ReadsFloor.push_back(readsFloor.Ms);
        result.First.push_back(first.Ms);
        result.Repeated.push_back(repeated.Ms);
        // A round that lost answers says where they went.
        if (std::getenv("DISCOVERY_BENCH_STATS") || first.Done != count || repeated.Done != count) {
            std::string out;
            E2e::RunCommand("grep Udp: /proc/net/snmp; ip -s link show c0", &out);
            std::printf("console side:\n%s", out.c_str());
            E2e::TTestNetwork::RunIn(net.Sim(), "grep Udp: /proc/net/snmp; ip -s link show s0", &out);
            std::printf("simulator side:\n%s", out.c_str());
        }
        form->Shutdown();
        Intp::ReleaseLibrary();
        form.reset();
    }
    simulator.Stop();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<size_t> counts = {1000, 4000, 10000};
    int rounds = 3;
    bool hidden = false;
    bool withFloor = true;   // --no-floor: the console alone (for profiling)
    bool usage = false;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--switches" && i + 1 < argc) {
            counts.clear();
            for (const char* p = argv[++i]; *p;) {
                char* end = nullptr;
                counts.push_back(std::strtoul(p, &end, 10));
                if (end == p)
                    break;
                p = *end == ',' ? end + 1 : end;
            }
        } else if (a == "--rounds" && i + 1 < argc) {
            rounds = std::atoi(argv[++i]);
        } else if (a == "--hidden") {
            hidden = true;
        } else if (a == "--no-floor") {
            withFloor = false;
        } else {
            usage = true;
        }
    }
    for (size_t count : counts)
        usage = usage || count == 0 || count > MaxSwitches;
    if (usage || counts.empty() || rounds < 1) {
        std::fprintf(stderr, "usage: discovery_bench [--switches N[,N...]] [--rounds R] [--hidden] [--no-floor]\n"
                             "       1 to %zu switches, at least one round\n", MaxSwitches);
        return 2;
    }

    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    std::string why;
    if (!E2e::NamespacesAvailable(why)) {
        std::printf("discovery_bench: skipped, network namespaces are refused here (%s)\n", why.c_str());
        return 77;
    }
    std::printf("discovery_bench: %d rounds, window %s\n", rounds, hidden ? "hidden" : "shown");
    std::vector<TSizeResult> results;
    int status = 0;
    for (size_t count : counts) {
        TSizeResult result;
        if (!RunSize(count, rounds, hidden, withFloor, result))
            return 1;
        if (!result.Ok)
            status = 1;
        results.push_back(result);
    }

    std::printf("\n%8s %10s %10s %10s %7s %8s %12s %7s %12s %10s %9s\n", "switches", "floor ms", "reads ms",
                "first ms", "ratio", "(reads)", "repeated ms", "ratio", "first us/sw", "heap B/sw", "RSS B/sw");
    for (const TSizeResult& r : results) {
        const double floor = Median(r.Floor), reads = Median(r.ReadsFloor), first = Median(r.First),
                     repeated = Median(r.Repeated);
        std::printf("%8zu %10.1f %10.1f %10.1f %7.2f %8.2f %12.1f %7.2f %12.1f %10.0f %9.0f\n", r.Count, floor, reads,
                    first, floor > 0 ? first / floor : 0.0, reads > 0 ? first / reads : 0.0, repeated,
                    floor > 0 ? repeated / floor : 0.0, first * 1000.0 / double(r.Count), r.HeapPerSwitch,
                    r.ResidentPerSwitch);
    }
    std::printf("(medians over the rounds; ratios against the floor of the same exchanges, and against the reads "
                "alone; memory from the first round's first discovery)\n");
    return status;
}
