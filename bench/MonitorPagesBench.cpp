// Large tables read from a switch and shown: the MAC address table page
// with 16 384 entries (all on the chosen port, so every one is listed) and
// the system event log page with 10 000 entries (2 000 reply datagrams).
//
// The switch simulator answers on loopback; the console side is the real
// protocol socket with its receiving thread (TIntpSocketThread), the page
// host and the two pages, shown offscreen. Each round measures the time
// from the first request to the page shown with its list, and the longest
// stall of the window thread (largest gap between ticks of a 1 ms timer).
//
//   monitor_pages_bench [--rounds R] [--mac N] [--events N]
//
// Exit status: 0 when every round showed the whole table, 1 when one did not.
#include "FakeHost.h"
#include "IntpMonitor.h"
#include "IntpSocketThread.h"
#include "ModuleFrame.h"
#include "ModuleMonitorEvent.h"
#include "ModuleMonitorMac.h"
#include "PageList.h"
#include "Simulator.h"

#include <QApplication>
#include <QComboBox>
#include <QElapsedTimer>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr uint32_t SwitchIp = 0x7F000002u;   // 127.0.0.2
constexpr int RoundTimeoutMs = 30000;

// Sessions' timers on the window thread, requests through the protocol
// socket to the simulator's port, reports to the page host.
class TBenchTransport final : public Intp::TSessionCallback {
public:
    TBenchTransport(TIntpSocketThread& socket, uint16_t port, TModuleFrame& host)
        : m_Socket(socket), m_Port(port), m_Host(host)
    {
    }
    ~TBenchTransport() override
    {
        for (auto& [session, timer] : m_Timers)
            delete timer;
    }
    void CreateTimer(Intp::TSession* session, unsigned ms) override
    {
        if (m_Timers.count(session))
            return;
        auto* timer = new QTimer;
        timer->setInterval(int(ms ? ms : 60000));
        QObject::connect(timer, &QTimer::timeout, [session] { session->OnTimeout(); });
        m_Timers[session] = timer;
        timer->start();
    }
    void DeleteTimer(Intp::TSession* session) override
    {
        auto it = m_Timers.find(session);
        if (it == m_Timers.end())
            return;
        it->second->stop();
        it->second->deleteLater();
        m_Timers.erase(it);
    }
    void EnableTimer(Intp::TSession* session, bool enable) override
    {
        if (auto it = m_Timers.find(session); it != m_Timers.end())
            enable ? it->second->start() : it->second->stop();
    }
    void SetTimeout(Intp::TSession* session, unsigned ms) override
    {
        if (auto it = m_Timers.find(session); it != m_Timers.end())
            it->second->setInterval(int(ms ? ms : 60000));
    }
    void SendDatagram(uint32_t ip, const uint8_t* data, size_t length) override
    {
        m_Socket.Send(ip, m_Port, data, length);
    }
    void Report(Intp::TDevice* device, uint16_t command, uint32_t status, void*, Intp::TWizard*, const char*) override
    {
        m_Host.Notify(device, command, uint16_t(status));
    }

private:
    TIntpSocketThread& m_Socket;
    uint16_t m_Port;
    TModuleFrame& m_Host;
    std::map<Intp::TSession*, QTimer*> m_Timers;
};

struct TRound {
    double Ms = 0;
    qint64 MaxStallMs = 0;
    bool Shown = false;
};

// Shows `page` (as the host does when its node is chosen) and pumps events
// until `shown` holds.
TRound RunRound(TModuleFrame& host, QTreeWidgetItem* item, TModule* page, Intp::TDevice* device,
                const std::function<bool()>& shown)
{
    page->Leave(true);
    TRound round;
    QElapsedTimer tick, clock;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    probe.setInterval(1);
    QObject::connect(&probe, &QTimer::timeout, [&] { round.MaxStallMs = std::max(round.MaxStallMs, tick.restart()); });
    QCoreApplication::processEvents();
    probe.start();
    tick.start();
    clock.start();
    // Choosing the page's node (or showing it again) refreshes it: the first
    // request leaves now.
    if (host.PageTree()->currentItem() == item)
        host.Notify(device, EventPageShown, 0);
    else
        host.PageTree()->setCurrentItem(item);
    while (!(page->GetControl()->isVisible() && shown()) && clock.elapsed() < RoundTimeoutMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    round.Ms = double(clock.nsecsElapsed()) / 1e6;
    round.Shown = page->GetControl()->isVisible() && shown();
    // Let the probe see the last reload through.
    QCoreApplication::processEvents();
    round.MaxStallMs = std::max(round.MaxStallMs, tick.elapsed());
    probe.stop();
    return round;
}

double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : (v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2);
}

bool Report(const char* name, const std::vector<TRound>& rounds)
{
    std::vector<double> ms;
    qint64 stall = 0;
    bool ok = true;
    for (const TRound& r : rounds) {
        ms.push_back(r.Ms);
        stall = std::max(stall, r.MaxStallMs);
        ok = ok && r.Shown;
    }
    std::printf("%-28s rounds %zu  first request -> shown: median %.1f ms, max %.1f ms  longest stall %lld ms%s\n",
                name, rounds.size(), Median(ms), ms.empty() ? 0.0 : *std::max_element(ms.begin(), ms.end()),
                static_cast<long long>(stall), ok ? "" : "  (NOT ALL SHOWN)");
    return ok;
}

} // namespace

int main(int argc, char** argv)
{
    int rounds = 5;
    uint32_t macEntries = 16384, events = 10000;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (!std::strcmp(argv[i], "--rounds"))
            rounds = std::max(1, std::atoi(argv[i + 1]));
        else if (!std::strcmp(argv[i], "--mac"))
            macEntries = uint32_t(std::max(0, std::atoi(argv[i + 1])));
        else if (!std::strcmp(argv[i], "--events"))
            events = uint32_t(std::max(0, std::atoi(argv[i + 1])));
    }
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    Intp::RegisterBuiltinModels();

    Sim::TSimulator sim;
    sim.AddSwitches(1, SwitchIp, 1);
    sim.With(0, [&](Sim::TSimSwitch& sw) {
        sw.LoggedIn = true;
        std::vector<uint8_t> mac(8 * size_t(macEntries));
        for (uint32_t n = 0; n < macEntries; ++n) {
            uint8_t* row = mac.data() + 8 * size_t(n);
            const uint8_t bytes[8] = {0, 0x00, 0x0a, uint8_t(n >> 16), uint8_t(n >> 8), uint8_t(n), 0x01, uint8_t(n % 5 == 0)};
            std::memcpy(row, bytes, sizeof bytes);
        }
        sw.Store[Intp::TPropertyMonitorMac::GetCommand] = mac;
        std::vector<uint8_t> log(256 * size_t(events), 0);
        for (uint32_t n = 0; n < events; ++n) {
            Intp::PutFieldText(log.data() + 256 * size_t(n), 128, "2026-12-07 10:00:" + std::to_string(n % 60));
            Intp::PutFieldText(log.data() + 256 * size_t(n) + 128, 128, "Port " + std::to_string(n % 8 + 1) + " link up");
        }
        sw.Store[Intp::TPropertyMonitorEvent::GetCommand] = log;
    });
    if (!sim.Start(0, 0)) {
        std::fprintf(stderr, "simulator: %s\n", sim.LastError().c_str());
        return 1;
    }

    TestSupport::TFakeHost fakeHost;
    Intp::TDevice* device = Intp::GetDevice(Sim::SimMac(1), true);
    device->SetType(1);
    device->SetIp(SwitchIp);
    device->SetFlags(Intp::DeviceFlagLoggedIn);
    fakeHost.Current = {device};
    fakeHost.All = {device};

    bool ok = true;
    {
        TModuleFrame host;
        host.resize(1000, 700);
        host.show();
        auto* macPage = new TModuleMonitorMac(&host);
        auto* eventPage = new TModuleMonitorEvent(&host);
        QTreeWidgetItem* macItem = host.AddPage(nullptr, macPage);
        QTreeWidgetItem* eventItem = host.AddPage(nullptr, eventPage);

        TIntpSocketThread socket(0);
        TBenchTransport transport(socket, sim.Port(), host);
        Intp::SetSessionCallback(&transport);
        if (!socket.IsOpen() || !socket.Start()) {
            std::fprintf(stderr, "protocol socket: %s\n", qPrintable(socket.ErrorString()));
            return 1;
        }

        const int eventPages = events ? int((events + 99) / 100) : 1;
        std::vector<TRound> mac, log;
        for (int r = 0; r < rounds; ++r) {
            mac.push_back(RunRound(host, macItem, macPage, device,
                                   [&] { return macPage->List()->RowCount() == int(macEntries); }));
            log.push_back(RunRound(host, eventItem, eventPage, device,
                                   [&] {
                                       // Every entry arrived, and the last page item carries the page count.
                                       return Intp::GetPropertyMonitorEvent(device).Rows.size() == events &&
                                              eventPage->Pages()->count() == eventPages &&
                                              eventPage->Pages()->itemText(eventPages - 1) ==
                                                  QString::asprintf("Page.%02d", eventPages);
                                   }));
        }
        std::printf("MAC table of %u entries, event log of %u entries, %d rounds\n", macEntries, events, rounds);
        ok = Report("MAC Address Table", mac) && ok;
        ok = Report("System Event Log", log) && ok;

        socket.Stop();
        Intp::SetSessionCallback(nullptr);
        Intp::ReleaseLibrary();
    }
    sim.Stop();
    return ok ? 0 : 1;
}
