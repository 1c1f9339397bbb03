// Memory of the event store: what an event costs, what an export of a
// million events adds on top of the store, and what a clear gives back.
#include "SyslogFrame.h"

#include <QFile>
#include <QTemporaryDir>

#include <fstream>
#include <string>

#include <gtest/gtest.h>

using namespace Syslog;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool Sanitized = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool Sanitized = true;
#else
constexpr bool Sanitized = false;
#endif
#else
constexpr bool Sanitized = false;
#endif

// A field of /proc/self/status in bytes, or 0.
size_t StatusBytes(const std::string& field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind(field + ":", 0) == 0)
            return size_t(std::stoull(line.substr(field.size() + 1))) * 1024;
    return 0;
}

// Starts a new peak of the resident set; false where the kernel refuses.
bool ResetPeak()
{
    std::ofstream refs("/proc/self/clear_refs");
    refs << "5";
    refs.flush();
    return bool(refs);
}

} // namespace

TEST(SyslogStore, EventCostsLittleMoreThanItsMessage)
{
    TSyslogStore store;
    const std::string message(100, 'm');
    TStoredEvent event;
    for (uint32_t i = 0; i < 100000; ++i) {
        event.EventId = i + 1;
        event.Sender = 1 + i % 50;
        store.Append(event, message);
    }
    EXPECT_LE(store.Bytes() / store.Size(), message.size() + 64);
    EXPECT_EQ(store.Count(1), 2000u);
    EXPECT_EQ(store.At(0).Message(), message);

    // Lowering the limit lets the oldest events go, whole chunks at a time.
    store.SetLimit(store.Bytes() / 2);
    const size_t over = store.OverLimit();
    EXPECT_GT(over, 0u);
    store.DropOldest(over);
    EXPECT_LE(store.Bytes(), store.Limit());
    for (size_t i = 0; i < store.Size(); ++i)
        ASSERT_EQ(store.At(i).EventId, over + 1 + i) << "at " << i;
    EXPECT_EQ(store.Back().EventId, 100000u);
    size_t counted = 0;
    for (uint32_t sender = 1; sender <= 50; ++sender)
        counted += store.Count(sender);
    EXPECT_EQ(counted, store.Size());

    // A message larger than a chunk gets one of its own.
    const std::string large(3 << 20, 'L');
    store.Append(event, large);
    EXPECT_EQ(store.Back().Message(), large);
}

// A million events are exported with the window thread free; the export
// adds at most twice the store's bytes to the peak, and a clear returns the
// store's memory to the system.
TEST(SyslogMemory, ExportOfAMillionEventsStaysNearTheStoreAndClearGivesBack)
{
    // Under AddressSanitizer a tenth of them: the memory is not measured
    // there, only the file is checked.
    const int Events = Sanitized ? 100000 : 1000000;
    const size_t start = StatusBytes("VmRSS");
    TSyslogFrame frame;
    for (int i = 0; i < Events; ++i)
        frame.AddDatagram(0x0A000001u + uint32_t(i % 7),
                          "<13>Oct 11 22:14:15 sw1 port " + std::to_string(i % 24) + " link up " + std::to_string(i));
    ASSERT_EQ(frame.EventCount(), uint32_t(Events));
    const size_t store = frame.StoreBytes();

    QTemporaryDir dir;
    const QString path = dir.filePath("million.log");
    const bool measured = !Sanitized && ResetPeak();
    const size_t before = StatusBytes("VmRSS");
    QString error;
    ASSERT_TRUE(frame.ExportEvents(path, &error)) << error.toStdString();
    const size_t peak = StatusBytes("VmHWM");
    if (measured) {
        EXPECT_LE(peak - before, 2 * store) << "store " << store << " peak " << peak << " before " << before;
    }

    // Every event is in the file, by sender then arrival (one element per
    // line, as written).
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    int entries = 0;
    QByteArray firstAddress, lastAddress;
    while (!file.atEnd()) {
        const QByteArray line = file.readLine().trimmed();
        if (line.startsWith("<Entry ")) {
            ++entries;
        } else if (line.startsWith("<Address>")) {
            lastAddress = line;
            if (firstAddress.isEmpty())
                firstAddress = line;
        }
    }
    EXPECT_EQ(entries, Events);
    EXPECT_EQ(firstAddress, "<Address>10.0.0.1</Address>");
    EXPECT_EQ(lastAddress, "<Address>10.0.0.7</Address>");
    file.close();
    QFile::remove(path);

    frame.ClearEvents();
    if (Sanitized)
        GTEST_SKIP() << "resident memory is not measured under AddressSanitizer";
    EXPECT_LE(StatusBytes("VmRSS"), start + store / 4) << "start " << start << " store " << store;
}
