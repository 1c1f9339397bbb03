// Opens the syslog message viewer on many events of one sender and sorts it
// by every column, timing each step.
//
//   syslog_viewer_bench [--events N]      (default 100000)
#include "PageList.h"
#include "SyslogForm.h"
#include "SyslogFrame.h"

#include <QApplication>
#include <QHeaderView>

#include <chrono>
#include <cstdio>
#include <cstring>
#include <random>
#include <string>

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    size_t count = 100000;
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "--events") == 0)
            count = std::stoul(argv[i + 1]);

    std::mt19937 random(1);
    Syslog::TSyslogList list;
    list.reserve(count);
    const QDateTime start = QDateTime::currentDateTimeUtc().addDays(-3);
    for (size_t i = 0; i < count; ++i) {
        Syslog::TSyslogListNode e;
        e.EventId = uint32_t(i);
        e.Facility = random() % 24;
        e.Severity = random() % 8;
        e.Sender = 0xC0000201u;
        e.ReceiveTime = start.addMSecs(qint64(random() % (3 * 86400000u)));
        e.Message = QString("Link %1 changed state to %2").arg(random() % 48).arg(random() % 2 ? "up" : "down");
        list.push_back(std::move(e));
    }

    using Clock = std::chrono::steady_clock;
    auto ms = [](Clock::time_point a) { return std::chrono::duration<double, std::milli>(Clock::now() - a).count(); };
    auto t = Clock::now();
    TSyslogForm form(nullptr, list);
    std::printf("open %zu events: %.1f ms\n", count, ms(t));
    const char* names[] = {"Event ID", "Facility", "Severity", "Host", "Date", "Time", "Message"};
    double worst = 0;
    for (int column = 0; column < 7; ++column) {
        t = Clock::now();
        form.LogList()->horizontalHeader()->sectionClicked(column);
        const double took = ms(t);
        worst = std::max(worst, took);
        std::printf("sort by %-9s %.1f ms\n", names[column], took);
    }
    std::printf("slowest step: %.1f ms (goal: 200 ms)\n", worst);
    return 0;
}
