// The syslog message viewer on the path a user takes: the event list holds
// many events of one sender (received through the syslog frame, as the
// receiving thread hands them over), a double click on one of its rows
// opens the viewer, and every column header is clicked once. Timed, in
// processor time of the window thread beside wall time:
//   read     reading the sender's events out of the store (GetEntries)
//   open     from the double-click handler to the viewer's first paint
//   sort     each column click until the list has painted again
// The machine's load average is printed with them: on a busy machine wall
// time includes waiting for a processor, the processor time does not.
//
//   syslog_viewer_bench [--events N] [--others N] [--rounds R]
//     (default 100000 events of the sender, none of others, 3 rounds)
#include "PageList.h"
#include "SyslogForm.h"
#include "SyslogFrame.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QHeaderView>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

namespace {

double ThreadMs()
{
    timespec t{};
    ::clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return double(t.tv_sec) * 1e3 + double(t.tv_nsec) / 1e6;
}

struct TSpan {
    double Cpu = 0, Wall = 0;
};

class TStopwatch {
public:
    TStopwatch() : m_Cpu(ThreadMs()) { m_Wall.start(); }
    TSpan Span() const { return {ThreadMs() - m_Cpu, double(m_Wall.nsecsElapsed()) / 1e6}; }

private:
    double m_Cpu;
    QElapsedTimer m_Wall;
};

// Notes when a widget has painted.
class TPaintWatch : public QObject {
public:
    bool Painted = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            Painted = true;
        return false;
    }
};

// Runs the window's events until the watched widget has painted (the paint
// itself included).
bool WaitForPaint(TPaintWatch& watch)
{
    QElapsedTimer limit;
    limit.start();
    while (!watch.Painted && limit.elapsed() < 10000)
        QApplication::processEvents(QEventLoop::AllEvents, 5);
    return watch.Painted;
}

std::string LoadAverage()
{
    double load[3] = {0, 0, 0};
    if (std::FILE* f = std::fopen("/proc/loadavg", "r")) {
        if (std::fscanf(f, "%lf %lf %lf", &load[0], &load[1], &load[2]) != 3)
            load[0] = load[1] = load[2] = 0;
        std::fclose(f);
    }
    char text[64];
    std::snprintf(text, sizeof text, "%.2f %.2f %.2f", load[0], load[1], load[2]);
    return text;
}

double Median(std::vector<double> v)
{
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", qgetenv("QT_QPA_PLATFORM").isEmpty() ? "offscreen" : qgetenv("QT_QPA_PLATFORM"));
    QApplication app(argc, argv);
    size_t count = 100000, others = 0;
    int rounds = 3;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--events") == 0)
            count = std::stoul(argv[i + 1]);
        else if (std::strcmp(argv[i], "--others") == 0)
            others = std::stoul(argv[i + 1]);
        else if (std::strcmp(argv[i], "--rounds") == 0)
            rounds = std::max(1, std::atoi(argv[i + 1]));
    }

    constexpr uint32_t Sender = 0xC0000201u, Other = 0xC0000202u;
    TSyslogFrame frame;
    frame.resize(1000, 600);
    frame.show();
    // The sender's events, the others' spread between them.
    const size_t total = count + others;
    size_t mine = 0;
    for (size_t i = 0; i < total; ++i) {
        const bool own = others == 0 || (mine < count && (i * count) / total >= mine);
        mine += own ? 1 : 0;
        const std::string text = "<" + std::to_string(8 + i % 120) + ">Oct 11 22:14:15 sw1 Link " +
                                 std::to_string(i % 48) + " changed state to " + (i % 3 ? "up" : "down") +
                                 ", sequence " + std::to_string(i + 1);
        frame.AddDatagram(own ? Sender : Other, text);
    }
    frame.FlushList();
    QApplication::processEvents();
    int row = frame.Model()->rowCount() - 1;
    while (row > 0 && frame.Model()->Row(row).Sender != Sender)
        --row;
    const QModelIndex index = frame.Model()->index(row, 0);

    const char* names[] = {"Event ID", "Facility", "Severity", "Host", "Date", "Time", "Message"};
    std::vector<double> readCpu, readWall, openCpu, openWall, sortCpu[7], sortWall[7];
    size_t shown = 0;
    bool ok = true;
    for (int round = 0; round < rounds; ++round) {
        // Reading the events alone, as the handler does first.
        {
            TStopwatch watch;
            Syslog::TSyslogList list;
            frame.GetEntries(Sender, list, true);
            const TSpan span = watch.Span();
            readCpu.push_back(span.Cpu);
            readWall.push_back(span.Wall);
            ok = ok && list.size() == count;
        }
        TStopwatch open;
        TSyslogForm::SetModalHook([&](TSyslogForm& form) {
            TPaintWatch paint;
            form.LogList()->viewport()->installEventFilter(&paint);
            form.resize(900, 600);
            form.show();
            ok = WaitForPaint(paint) && ok;
            const TSpan opened = open.Span();
            openCpu.push_back(opened.Cpu);
            openWall.push_back(opened.Wall);
            shown = size_t(form.LogList()->Model()->rowCount());
            for (int column = 0; column < 7; ++column) {
                paint.Painted = false;
                TStopwatch sort;
                emit form.LogList()->horizontalHeader()->sectionClicked(column);
                ok = WaitForPaint(paint) && ok;
                const TSpan sorted = sort.Span();
                sortCpu[column].push_back(sorted.Cpu);
                sortWall[column].push_back(sorted.Wall);
            }
            form.LogList()->viewport()->removeEventFilter(&paint);
            form.accept();
        });
        frame.EventOnListViewDblClick(index);
        TSyslogForm::SetModalHook({});
    }

    std::printf("syslog_viewer_bench: %zu events of one sender (%zu of another), %d rounds, load average %s\n",
                count, others, rounds, LoadAverage().c_str());
    std::printf("%-22s %10s %10s   (medians; window thread's processor time, then wall time)\n", "step", "cpu ms",
                "wall ms");
    std::printf("%-22s %10.1f %10.1f\n", "read the events", Median(readCpu), Median(readWall));
    std::printf("%-22s %10.1f %10.1f   goal 200 ms\n", "open to first paint", Median(openCpu), Median(openWall));
    double worst = 0;
    for (int column = 0; column < 7; ++column) {
        std::printf("sort by %-14s %10.1f %10.1f\n", names[column], Median(sortCpu[column]), Median(sortWall[column]));
        worst = std::max(worst, Median(sortCpu[column]));
    }
    std::printf("slowest sort: %.1f ms of processor time (goal 200 ms); rows shown %zu\n", worst, shown);
    if (!ok || shown != count) {
        std::printf("syslog_viewer_bench: the viewer did not show the sender's events\n");
        return 1;
    }
    return 0;
}
