// A built-in firmware upgrade of many switches through the Upgrade page.
//
// The switch simulator plays N switches (default 100) on loopback, at
// 127.0.0.2 and up, on a free port; the console's main window is the
// transport (its socket worker thread, its session timers), and the Upgrade
// page runs the transfers in its batches of 20 with an image of S bytes
// (default 2 MB). The figures: the total time from the click on "&Upgrade"
// until the page is idle again, and the longest stall of the window thread,
// measured as the largest lateness of a 1 ms timer on that thread.
//
//   transfer_bench [--switches N] [--kbytes K]
//
// Exit status: 0 when every switch reached "Done" with the whole image and
// no stall was over 100 ms, 1 otherwise.
#include "FakeHost.h"
#include "FakeUserInterface.h"
#include "MainForm.h"
#include "ModuleBasicsUpgrade.h"
#include "ModuleFrame.h"
#include "Simulator.h"
#include "handlers/SimTransfer.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

constexpr uint32_t FirstSwitchIp = 0x7F000002u;   // 127.0.0.2
constexpr qint64 StallGoalMs = 100;

// The largest gap between two ticks of a 1 ms timer on the window thread,
// less the interval itself.
class TStallMeter final : public QObject {
public:
    TStallMeter()
    {
        m_Timer.setTimerType(Qt::PreciseTimer);
        m_Timer.setInterval(1);
        QObject::connect(&m_Timer, &QTimer::timeout, this, [this] {
            const qint64 now = m_Clock.nsecsElapsed();
            m_Longest = std::max(m_Longest, now - m_Last);
            m_Last = now;
        });
    }
    void Start()
    {
        m_Clock.start();
        m_Last = 0;
        m_Longest = 0;
        m_Timer.start();
    }
    double LongestMs() const { return std::max<qint64>(0, m_Longest - 1000000) / 1e6; }

private:
    QTimer m_Timer;
    QElapsedTimer m_Clock;
    qint64 m_Last = 0;
    qint64 m_Longest = 0;
};

} // namespace

int main(int argc, char** argv)
{
    size_t count = 100;
    size_t bytes = 2 * 1024 * 1024;
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--switches" && i + 1 < argc)
            count = std::strtoul(argv[++i], nullptr, 10);
        else if (a == "--kbytes" && i + 1 < argc)
            bytes = std::strtoul(argv[++i], nullptr, 10) * 1024;
        else {
            std::fprintf(stderr, "usage: transfer_bench [--switches N] [--kbytes K]\n");
            return 2;
        }
    }
    if (count == 0 || count > 250 || bytes == 0 || bytes > 64u * 1024 * 1024) {
        std::fprintf(stderr, "transfer_bench: 1 to 250 switches, 1 KB to 64 MB\n");
        return 2;
    }

    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    TestSupport::TFakeUserInterface ui;

    Sim::TSimulator sim;
    sim.AddSwitches(count, FirstSwitchIp);
    for (size_t i = 0; i < count; ++i)
        sim.With(i, [bytes](Sim::TSimSwitch& sw) {
            sw.LoggedIn = true;
            Sim::TransferState(sw).ExpectedBytes = bytes;
        });
    if (!sim.Start(0, 0)) {
        std::fprintf(stderr, "transfer_bench: %s\n", sim.LastError().c_str());
        return 1;
    }

    // The main window carries the datagrams and the session timers; the page
    // sees the switches through a host of its own.
    TMainForm::TOptions options;
    options.IntpRemotePort = sim.Port();
    options.SyslogPort = 0;
    TMainForm form(options);
    if (!form.EventOnMainFormCreate()) {
        std::fprintf(stderr, "transfer_bench: the main window was not created\n");
        return 1;
    }
    TestSupport::TFakeHost host;
    for (size_t i = 0; i < count; ++i) {
        Intp::TDevice* device = Intp::GetDevice(Sim::SimMac(uint32_t(i + 1)), true);
        device->SetType(1);
        device->SetIp(FirstSwitchIp + uint32_t(i));
        device->SetFlags(Intp::DeviceFlagLoggedIn);
        host.Current.push_back(device);
    }
    host.All = host.Current;

    QTemporaryDir dir;
    const QString image = dir.filePath("firmware.bin");
    {
        QByteArray data(qsizetype(bytes), '\0');
        for (qsizetype i = 0; i < data.size(); ++i)
            data[i] = char(1 + i % 251);
        QFile file(image);
        if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
            std::fprintf(stderr, "transfer_bench: cannot write %s\n", qPrintable(image));
            return 1;
        }
    }

    TModuleFrame frame;
    auto* page = new TModuleBasicsUpgrade(&frame);
    frame.PageTree()->setCurrentItem(frame.AddPage(nullptr, page));
    frame.resize(900, 600);
    frame.show();
    frame.Notify(host.Current.front(), EventPageShown, 0);
    QElapsedTimer wait;
    wait.start();
    while (wait.elapsed() < 500)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    ui.Paths.push_back(image);
    page->OpenButton()->click();
    if (!page->ActionButton()->isEnabled()) {
        std::fprintf(stderr, "transfer_bench: the page does not offer the upgrade\n");
        return 1;
    }

    TStallMeter stalls;
    stalls.Start();
    QElapsedTimer total;
    total.start();
    page->ActionButton()->click();
    const qint64 limitMs = 600000;
    while (page->IsBusy() && total.elapsed() < limitMs)
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    const double seconds = double(total.nsecsElapsed()) / 1e9;
    const double stallMs = stalls.LongestMs();

    size_t done = 0, whole = 0;
    for (int row = 0; row < page->RowCount(); ++row)
        done += page->StatusText(row) == "Done";
    for (size_t i = 0; i < count; ++i)
        whole += sim.With(i, [bytes](Sim::TSimSwitch& sw) { return Sim::TransferState(sw).Firmware.size() == bytes; });
    sim.Stop();
    form.Shutdown();
    // As the console does when its loop has ended: the devices, models and
    // pending sessions go before the windows.
    Intp::ReleaseLibrary();

    const double megabytes = double(bytes) * double(count) / (1024.0 * 1024.0);
    std::printf("transfer_bench: built-in upgrade of %zu KB to %zu switches through the page\n", bytes / 1024, count);
    std::printf("  total time           %.2f s (%.1f MB/s over all switches)\n", seconds, megabytes / seconds);
    std::printf("  switches done        %zu of %zu (%zu hold the whole image)\n", done, count, whole);
    std::printf("  longest stall        %.1f ms of the window thread (goal: none over %lld ms)\n", stallMs,
                static_cast<long long>(StallGoalMs));
    return done == count && whole == count && stallMs <= double(StallGoalMs) ? 0 : 1;
}
