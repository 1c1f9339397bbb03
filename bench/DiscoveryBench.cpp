// Discovery of many switches: the console against the floor.
//
// For each switch count (default 1 000, 4 000 and 10 000) the switch
// simulator plays that many switches in a network namespace of their own, at
// 198.18.0.1 and up on a /18; the console's main window (shown, offscreen)
// sits in another namespace at 198.18.63.254. A discovery is timed from its
// start until every switch is in the device tree with its read chain done
// (system settings, IP configuration and IntpSip answered).
//
// Every round runs in a fresh process (this program started again), so that
// the first discovery meets what it meets after a user starts the console:
// no memory pools, glyph or icon caches warmed by an earlier discovery. In
// it, in an order that alternates from round to round (so that neither side
// always pays the process's cold start):
//   - the floor: a plain socket client in the console's namespace making the
//     same exchanges (the discovery request to the broadcast address, then
//     per switch, as it answers, the three reads each after the previous
//     reply, and beside them the status monitor's first Ping2, which the
//     console sends to every switch it finds);
//   - the same floor without the Ping2 (the reads alone);
//   - the first discovery of a main window just created;
// and then a repeated discovery in the same window (every device deleted
// first). Each is reported in processor time (of all the console's threads:
// the window thread, the receiving thread and any other, but not the
// simulator's) beside wall time, with the machine's load average: on a busy
// machine wall time includes waiting for a processor. It also reports the
// memory the first discovery kept per switch: heap bytes in use (those of
// blocks the allocator mapped on their own included) and resident set
// growth.
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
#include <dirent.h>
#include <fcntl.h>
#include <malloc.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <time.h>
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
    double Ms = 0;    // wall time
    double Cpu = 0;   // processor time of the console's (or the floor's) threads, ms
    double WindowCpu = 0; // of those, the window thread's (the floor's only thread), ms
    double WindowWakes = 0; // times the window thread went to sleep and was woken
    size_t Done = 0;
};

struct TMemory {
    size_t HeapBytes = 0;   // allocated and not freed, mapped blocks included
    size_t Resident = 0;    // bytes
};

TMemory MemoryNow()
{
    TMemory m;
    const struct mallinfo2 info = mallinfo2();
    m.HeapBytes = info.uordblks + info.hblkhd;
    long pages = 0, resident = 0;
    if (std::FILE* f = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(f, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(f);
    }
    m.Resident = size_t(resident) * size_t(::sysconf(_SC_PAGESIZE));
    return m;
}

double TimespecMs(clockid_t clock)
{
    timespec t{};
    ::clock_gettime(clock, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

// Voluntary context switches of the calling thread: how often it slept and
// was woken again.
long ThreadWakes()
{
    rusage usage{};
    ::getrusage(RUSAGE_THREAD, &usage);
    return usage.ru_nvcsw;
}

// Processor time of the simulator's threads (named after the thread that
// started them), ms.
double SimulatorCpuMs()
{
    double ns = 0;
    if (DIR* tasks = ::opendir("/proc/self/task")) {
        while (dirent* entry = ::readdir(tasks)) {
            if (entry->d_name[0] == '.')
                continue;
            const std::string dir = std::string("/proc/self/task/") + entry->d_name;
            char name[32] = {};
            if (std::FILE* f = std::fopen((dir + "/comm").c_str(), "r")) {
                if (!std::fgets(name, sizeof name, f))
                    name[0] = 0;
                std::fclose(f);
            }
            if (std::strncmp(name, "simulator", 9) != 0)
                continue;
            if (std::FILE* f = std::fopen((dir + "/schedstat").c_str(), "r")) {
                double run = 0;
                if (std::fscanf(f, "%lf", &run) == 1)
                    ns += run;
                std::fclose(f);
            }
        }
        ::closedir(tasks);
    }
    return ns / 1e6;
}

// Processor time of every thread of the process but the simulator's, those
// that ended included.
class TCpuClock {
public:
    TCpuClock() : m_Start(Now()) {}
    double Ms() const { return Now() - m_Start; }

private:
    static double Now() { return TimespecMs(CLOCK_PROCESS_CPUTIME_ID) - SimulatorCpuMs(); }
    double m_Start;
};

std::string LoadAverage()
{
    char text[64] = "?";
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        double a = 0, b = 0, c = 0;
        if (std::fscanf(f, "%lf %lf %lf", &a, &b, &c) == 3)
            std::snprintf(text, sizeof text, "%.1f/%.1f/%.1f", a, b, c);
        std::fclose(f);
    }
    return text;
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
    const TCpuClock cpu;
    const double threadStart = TimespecMs(CLOCK_THREAD_CPUTIME_ID);
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
    round.Cpu = cpu.Ms();
    round.WindowCpu = TimespecMs(CLOCK_THREAD_CPUTIME_ID) - threadStart;
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
    const TCpuClock cpu;
    const double windowStart = TimespecMs(CLOCK_THREAD_CPUTIME_ID);
    const long wakesStart = ThreadWakes();
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
    round.Cpu = cpu.Ms();
    round.WindowCpu = TimespecMs(CLOCK_THREAD_CPUTIME_ID) - windowStart;
    round.WindowWakes = double(ThreadWakes() - wakesStart);
    if (round.Done < count)
        round.Done = ReadCount(form);
    return round;
}

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

// What one round (one process) measured.
struct TRoundResult {
    TRound Floor, Reads, First, Repeated;
    double HeapPerSwitch = 0, ResidentPerSwitch = 0;
};

// One round of one switch count, in this process: the floors and the first
// discovery in the order `round` gives, then the repeated discovery.
// Answers 0, 1 (a discovery missed switches) or 2 (could not run).
int RunRound(size_t count, int round, bool hidden, bool withFloor, TRoundResult& result)
{
    RoundTimeoutMs = 5000 + int(count);
    std::string why;
    E2e::TTestNetwork net;
    std::vector<uint32_t> ips;
    for (size_t i = 0; i < count; ++i)
        ips.push_back(FirstSwitchIp + uint32_t(i));
    if (!net.Setup(ConsoleIp, ips, NetmaskBits, true, why)) {
        std::fprintf(stderr, "discovery_bench: cannot build the network: %s\n", why.c_str());
        return 2;
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
            return 2;
        }
    }
    // The window thread under its own name, apart from the simulator's.
    ::prctl(PR_SET_NAME, "console-main");
    E2e::TNetnsScope inConsole(net.Console());
    if (!inConsole.Entered()) {
        std::fprintf(stderr, "discovery_bench: cannot enter the console's namespace\n");
        return 2;
    }
    auto floors = [&] {
        if (!withFloor)
            return;
        result.Floor = RunFloor(count, true);
        result.Reads = RunFloor(count, false);
        simulator.ClearLog();
    };
    const bool floorFirst = round % 2 == 0;
    if (floorFirst)
        floors();

    TestSupport::TFakeUserInterface ui;
    Intp::ReleaseLibrary();
    Intp::RegisterBuiltinModels();
    TMainForm::TOptions options;
    options.IntpLocalPort = Intp::IntpPort;
    options.SyslogPort = 514;
    auto form = std::make_unique<TMainForm>(options);
    if (!form->EventOnMainFormCreate()) {
        std::fprintf(stderr, "discovery_bench: the main window did not start\n");
        return 2;
    }
    if (!hidden) {
        form->resize(1200, 800);
        form->show();
    }
    QCoreApplication::processEvents();
    malloc_trim(0);
    const TMemory before = MemoryNow();
    PerfControl("enable");
    result.First = RunConsole(*form, count);
    PerfControl("disable");
    simulator.ClearLog();
    QCoreApplication::processEvents();
    const TMemory after = MemoryNow();
    result.HeapPerSwitch = (double(after.HeapBytes) - double(before.HeapBytes)) / double(count);
    result.ResidentPerSwitch = (double(after.Resident) - double(before.Resident)) / double(count);
    if (!floorFirst)
        floors();
    result.Repeated = RunConsole(*form, count);
    simulator.ClearLog();
    if (!ui.Boxes.empty())
        std::printf("  message boxes: %zu, last: %s\n", ui.Boxes.size(), ui.LastText().toStdString().c_str());
    const bool lost = result.First.Done != count || result.Repeated.Done != count ||
                      (withFloor && (result.Floor.Done != count || result.Reads.Done != count));
    // A round that lost answers says where they went.
    if (std::getenv("DISCOVERY_BENCH_STATS") || lost) {
        std::string out;
        E2e::RunCommand("grep Udp: /proc/net/snmp; ip -s link show c0", &out);
        std::printf("console side:\n%s", out.c_str());
        E2e::TTestNetwork::RunIn(net.Sim(), "grep Udp: /proc/net/snmp; ip -s link show s0", &out);
        std::printf("simulator side:\n%s", out.c_str());
    }
    form->Shutdown();
    Intp::ReleaseLibrary();
    form.reset();
    simulator.Stop();
    return lost ? 1 : 0;
}

// The round's figures on one line, for the process that started this one.
constexpr const char* ResultTag = "discovery-round";

void PrintResult(const TRoundResult& r)
{
    std::printf("%s %f %f %zu %f %f %zu %f %f %zu %f %f %zu %f %f %f %f\n", ResultTag, r.Floor.Ms, r.Floor.Cpu,
                r.Floor.Done, r.Reads.Ms, r.Reads.Cpu, r.Reads.Done, r.First.Ms, r.First.Cpu, r.First.Done,
                r.Repeated.Ms, r.Repeated.Cpu, r.Repeated.Done, r.HeapPerSwitch, r.ResidentPerSwitch,
                r.First.WindowCpu, r.First.WindowWakes);
}

bool ParseResult(const std::string& line, TRoundResult& r)
{
    const std::string prefix = std::string(ResultTag) + " ";
    if (line.rfind(prefix, 0) != 0)
        return false;
    return std::sscanf(line.c_str() + prefix.size(), "%lf %lf %zu %lf %lf %zu %lf %lf %zu %lf %lf %zu %lf %lf %lf %lf",
                       &r.Floor.Ms, &r.Floor.Cpu, &r.Floor.Done, &r.Reads.Ms, &r.Reads.Cpu, &r.Reads.Done,
                       &r.First.Ms, &r.First.Cpu, &r.First.Done, &r.Repeated.Ms, &r.Repeated.Cpu,
                       &r.Repeated.Done, &r.HeapPerSwitch, &r.ResidentPerSwitch, &r.First.WindowCpu,
                       &r.First.WindowWakes) == 16;
}

// Runs one round in a fresh process (this program with --child), passing
// its output on and taking its result line. Answers the child's exit status
// (2 when it could not be started or ended abnormally).
int RunChild(const std::vector<std::string>& args, TRoundResult& result, bool& parsed)
{
    parsed = false;
    int pipeFds[2];
    if (::pipe2(pipeFds, O_CLOEXEC) != 0)
        return 2;
    std::fflush(stdout);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(pipeFds[0]);
        ::close(pipeFds[1]);
        return 2;
    }
    if (pid == 0) {
        ::dup2(pipeFds[1], STDOUT_FILENO);
        std::vector<char*> argv;
        for (const std::string& a : args)
            argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        ::execv("/proc/self/exe", argv.data());
        ::_exit(127);
    }
    ::close(pipeFds[1]);
    std::string pending;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        pending.append(buffer, size_t(n));
        for (size_t eol; (eol = pending.find('\n')) != std::string::npos;) {
            const std::string line = pending.substr(0, eol);
            pending.erase(0, eol + 1);
            if (ParseResult(line, result))
                parsed = true;
            else
                std::printf("%s\n", line.c_str());
        }
    }
    ::close(pipeFds[0]);
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 2;
}

struct TSizeResult {
    size_t Count = 0;
    std::vector<TRoundResult> Rounds;
};

double MedianOf(const TSizeResult& r, double (*pick)(const TRoundResult&))
{
    std::vector<double> v;
    for (const TRoundResult& round : r.Rounds)
        v.push_back(pick(round));
    return Median(v);
}

} // namespace

int main(int argc, char** argv)
{
    std::vector<size_t> counts = {1000, 4000, 10000};
    int rounds = 3;
    int childRound = -1;      // --child R: run round R of the one size here
    bool hidden = false;
    bool withFloor = true;    // --no-floor: the console alone (for profiling)
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
        } else if (a == "--child" && i + 1 < argc) {
            childRound = std::atoi(argv[++i]);
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
    if (usage || counts.empty() || rounds < 1 || (childRound >= 0 && counts.size() != 1)) {
        std::fprintf(stderr, "usage: discovery_bench [--switches N[,N...]] [--rounds R] [--hidden] [--no-floor]\n"
                             "       1 to %zu switches, at least one round\n", MaxSwitches);
        return 2;
    }

    std::string why;
    if (!E2e::NamespacesAvailable(why)) {
        std::printf("discovery_bench: skipped, network namespaces are refused here (%s)\n", why.c_str());
        return 77;
    }

    if (childRound >= 0) {
        qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
        QApplication app(argc, argv);
        TRoundResult result;
        const int status = RunRound(counts[0], childRound, hidden, withFloor, result);
        if (status != 2)
            PrintResult(result);
        std::fflush(stdout);
        return status;
    }

    std::printf("discovery_bench: %d rounds, a fresh process each, window %s, load average %s at the start\n", rounds,
                hidden ? "hidden" : "shown", LoadAverage().c_str());
    std::vector<TSizeResult> results;
    int status = 0;
    for (size_t count : counts) {
        TSizeResult sizeResult;
        sizeResult.Count = count;
        std::printf("%zu switches:\n", count);
        for (int r = 0; r < rounds; ++r) {
            std::vector<std::string> args = {argv[0], "--switches", std::to_string(count), "--child", std::to_string(r)};
            if (hidden)
                args.push_back("--hidden");
            if (!withFloor)
                args.push_back("--no-floor");
            TRoundResult round;
            bool parsed = false;
            const int child = RunChild(args, round, parsed);
            if (child == 77)
                return 77;
            if (!parsed || child == 2) {
                std::fprintf(stderr, "discovery_bench: round %d of %zu switches did not run (status %d)\n", r + 1,
                             count, child);
                return 1;
            }
            if (child != 0)
                status = 1;
            std::printf("  round %d (%s first, load %s): floor %.1f ms wall / %.1f ms cpu (%zu read)   reads only "
                        "%.1f / %.1f   first %.1f / %.1f (%zu read)   repeated %.1f / %.1f (%zu read)\n",
                        r + 1, r % 2 == 0 ? "floor" : "console", LoadAverage().c_str(), round.Floor.Ms,
                        round.Floor.Cpu, round.Floor.Done, round.Reads.Ms, round.Reads.Cpu, round.First.Ms,
                        round.First.Cpu, round.First.Done, round.Repeated.Ms, round.Repeated.Cpu, round.Repeated.Done);
            std::fflush(stdout);
            sizeResult.Rounds.push_back(round);
        }
        results.push_back(sizeResult);
    }

    std::printf("\nprocessor time (all threads of each side), ms:\n");
    std::printf("%8s %10s %10s %10s %7s %8s %12s %12s %12s %10s %10s %8s\n", "switches", "floor", "reads", "first",
                "ratio", "(reads)", "repeated", "first us/sw", "floor us/sw", "(window", "others)", "wakes");
    for (const TSizeResult& r : results) {
        const double floor = MedianOf(r, [](const TRoundResult& x) { return x.Floor.Cpu; });
        const double reads = MedianOf(r, [](const TRoundResult& x) { return x.Reads.Cpu; });
        const double first = MedianOf(r, [](const TRoundResult& x) { return x.First.Cpu; });
        const double repeated = MedianOf(r, [](const TRoundResult& x) { return x.Repeated.Cpu; });
        const double window = MedianOf(r, [](const TRoundResult& x) { return x.First.WindowCpu; });
        const double others = MedianOf(r, [](const TRoundResult& x) { return x.First.Cpu - x.First.WindowCpu; });
        const double wakes = MedianOf(r, [](const TRoundResult& x) { return x.First.WindowWakes; });
        std::printf("%8zu %10.1f %10.1f %10.1f %7.2f %8.2f %12.1f %12.1f %12.1f %10.1f %10.1f %8.0f\n", r.Count,
                    floor, reads, first, floor > 0 ? first / floor : 0.0, reads > 0 ? first / reads : 0.0, repeated,
                    first * 1000.0 / double(r.Count), floor * 1000.0 / double(r.Count), window, others, wakes);
    }
    std::printf("wall time, ms:\n");
    std::printf("%8s %10s %10s %10s %7s %8s %12s %10s %9s\n", "switches", "floor", "reads", "first", "ratio",
                "(reads)", "repeated", "heap B/sw", "RSS B/sw");
    for (const TSizeResult& r : results) {
        const double floor = MedianOf(r, [](const TRoundResult& x) { return x.Floor.Ms; });
        const double reads = MedianOf(r, [](const TRoundResult& x) { return x.Reads.Ms; });
        const double first = MedianOf(r, [](const TRoundResult& x) { return x.First.Ms; });
        const double repeated = MedianOf(r, [](const TRoundResult& x) { return x.Repeated.Ms; });
        std::printf("%8zu %10.1f %10.1f %10.1f %7.2f %8.2f %12.1f %10.0f %9.0f\n", r.Count, floor, reads, first,
                    floor > 0 ? first / floor : 0.0, reads > 0 ? first / reads : 0.0, repeated,
                    MedianOf(r, [](const TRoundResult& x) { return x.HeapPerSwitch; }),
                    MedianOf(r, [](const TRoundResult& x) { return x.ResidentPerSwitch; }));
    }
    std::printf("(medians over the rounds, each a fresh process; ratios against the floor of the same exchanges, and "
                "against the reads alone; the first discovery's processor time split into the window thread's and "
                "the other threads' (the receiving thread's), and how often the window thread slept and was woken; "
                "load average %s at the end)\n", LoadAverage().c_str());
    return status;
}
