// Discovery of many switches: the console against the floor.
//
// The switch simulator plays N switches (default 1000) in one network
// namespace, at 198.18.0.1 and up on a /22; the console's main window (shown,
// offscreen) sits in another namespace at 198.18.3.254. Each round measures
// the time from starting discovery until every switch is in the device tree
// with its read chain done (system settings, IP configuration and IntpSip
// answered). The floor is a plain socket client in the same namespace making
// the same exchanges: the discovery request to the broadcast address, then
// per switch, as it answers, the three reads each after the previous reply.
//
//   discovery_bench [--switches N] [--rounds R] [--hidden] [--no-floor]
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
constexpr uint32_t ConsoleIp = 0xC61203FEu;       // 198.18.3.254
constexpr uint32_t Netmask = 0xFFFFFC00u;         // /22
constexpr uint32_t Broadcast = ConsoleIp | ~Netmask;
constexpr int RoundTimeoutMs = 5000;

struct TRound {
    double Ms = 0;
    size_t Done = 0;
};

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

// The floor: the same request/reply exchanges with nothing else around them.
TRound RunFloor(size_t count)
{
    TRound round;
    const int fd = ::socket(AF_INET, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return round;
    int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_BROADCAST, &on, sizeof on);
    int size = TReceivePump::ReceiveBufferBytes;   // the same receive buffer as the console's
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
    const auto start = std::chrono::steady_clock::now();
    send(Broadcast, 0, Intp::TMacAddr());
    std::vector<uint8_t> buffer(65536);
    while (round.Done < count) {
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
        auto it = next.find(header.Mac);
        const uint16_t expected = it == next.end() ? 0 : it->second;
        if (header.Command != expected)
            continue;
        switch (header.Command) {
        case 0x0000: next[header.Mac] = 0x0104; send(ip, 0x0104, header.Mac); break;
        case 0x0104: it->second = 0x0106; send(ip, 0x0106, header.Mac); break;
        case 0x0106: it->second = 0x0007; send(ip, 0x0007, header.Mac); break;
        case 0x0007: it->second = 0xFFFF; ++round.Done; break;
        default: break;
        }
    }
    round.Ms = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
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
        // Counting walks every device: only once all of them have nodes.
        if (size_t(form.DeviceCount()) == count && (round.Done = ReadCount(form)) == count)
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

} // namespace

int main(int argc, char** argv)
{
    size_t count = 1000;
    int rounds = 5;
    bool hidden = false;
    bool withFloor = true;   // --no-floor: the console alone (for profiling)
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--switches" && i + 1 < argc)
            count = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--rounds" && i + 1 < argc)
            rounds = std::atoi(argv[++i]);
        else if (a == "--hidden")
            hidden = true;
        else if (a == "--no-floor")
            withFloor = false;
        else {
            std::fprintf(stderr, "usage: discovery_bench [--switches N] [--rounds R] [--hidden] [--no-floor]\n");
            return 2;
        }
    }
    if (count == 0 || count > 1000 || rounds < 1) {
        std::fprintf(stderr, "discovery_bench: 1 to 1000 switches, at least one round\n");
        return 2;
    }

    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);

    std::string why;
    if (!E2e::NamespacesAvailable(why)) {
        std::printf("discovery_bench: skipped, network namespaces are refused here (%s)\n", why.c_str());
        return 77;
    }
    E2e::TTestNetwork net;
    std::vector<uint32_t> ips;
    for (size_t i = 0; i < count; ++i)
        ips.push_back(FirstSwitchIp + uint32_t(i));
    if (!net.Setup(ConsoleIp, ips, 22, true, why)) {
        std::fprintf(stderr, "discovery_bench: cannot build the network: %s\n", why.c_str());
        return 1;
    }

    Sim::TSimulator simulator;
    simulator.AddSwitches(count, FirstSwitchIp);
    for (size_t i = 0; i < count; ++i)
        simulator.With(i, [](Sim::TSimSwitch& sw) { sw.Netmask = Netmask; });
    {
        E2e::TNetnsScope inSim(net.Sim());
        if (!inSim.Entered() || !simulator.Start(0, Intp::IntpPort)) {
            std::fprintf(stderr, "discovery_bench: cannot start the simulator: %s\n", simulator.LastError().c_str());
            return 1;
        }
    }

    // The window thread under its own name, apart from the simulator's.
    ::prctl(PR_SET_NAME, "console-main");
    int status = 0;
    {
        E2e::TNetnsScope inConsole(net.Console());
        if (!inConsole.Entered()) {
            std::fprintf(stderr, "discovery_bench: cannot enter the console's namespace\n");
            return 1;
        }
        TestSupport::TFakeUserInterface ui;
        Intp::RegisterBuiltinModels();
        TMainForm::TOptions options;
        options.IntpLocalPort = Intp::IntpPort;
        options.SyslogPort = 514;
        auto form = std::make_unique<TMainForm>(options);
        if (!form->EventOnMainFormCreate()) {
            std::fprintf(stderr, "discovery_bench: the main window did not start\n");
            return 1;
        }
        if (!hidden) {
            form->resize(1200, 800);
            form->show();
        }
        QCoreApplication::processEvents();

        std::printf("discovery_bench: %zu switches, %d rounds, window %s\n", count, rounds,
                    hidden ? "hidden" : "shown");
        std::vector<double> floorMs, consoleMs;
        for (int r = 0; r < rounds; ++r) {
            const TRound floor = withFloor ? RunFloor(count) : TRound{};
            simulator.ClearLog();
            const TRound console = RunConsole(*form, count);
            const size_t requests = simulator.Log().size();
            simulator.ClearLog();
            std::printf("  round %d: floor %8.1f ms (%zu read)   console %8.1f ms (%zu read, %zu requests)\n", r + 1,
                        floor.Ms, floor.Done, console.Ms, console.Done, requests);
            std::fflush(stdout);
            if ((withFloor && floor.Done != count) || console.Done != count)
                status = 1;
            if (std::getenv("DISCOVERY_BENCH_STATS")) {
                std::string out;
                E2e::RunCommand("grep Udp: /proc/net/snmp; ip -s link show c0", &out);
                std::printf("console side:\n%s", out.c_str());
                E2e::TTestNetwork::RunIn(net.Sim(), "grep Udp: /proc/net/snmp; ip -s link show s0", &out);
                std::printf("simulator side:\n%s", out.c_str());
                E2e::RunCommand("cat /proc/net/softnet_stat", &out);
                std::printf("softnet:\n%s", out.c_str());
            }
            floorMs.push_back(floor.Ms);
            consoleMs.push_back(console.Ms);
        }
        const double floorMedian = Median(floorMs), consoleMedian = Median(consoleMs);
        std::printf("floor:   median %8.1f ms, best %8.1f ms\n", floorMedian,
                    *std::min_element(floorMs.begin(), floorMs.end()));
        std::printf("console: median %8.1f ms, best %8.1f ms\n", consoleMedian,
                    *std::min_element(consoleMs.begin(), consoleMs.end()));
        std::printf("ratio console/floor (medians): %.2f\n", floorMedian > 0 ? consoleMedian / floorMedian : 0.0);
        if (!ui.Boxes.empty())
            std::printf("message boxes: %zu, last: %s\n", ui.Boxes.size(), ui.LastText().toStdString().c_str());

        form->Shutdown();
        Intp::ReleaseLibrary();
        form.reset();
    }
    simulator.Stop();
    return status;
}
