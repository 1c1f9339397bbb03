// Loads arbitrary bytes as a configuration file, by every way the console
// loads one, and saves what was loaded to read it back:
//  - the plain load: whatever the bytes, it ends (no crash, no stack
//    overflow) and what it takes keeps the loader's promises: a known
//    method, at most the cap of entries, usable unicast addresses each once,
//    networks with valid masks;
//  - the threaded load as the main window runs it (TConfigLoad on the filter
//    dialog) to its end: the dialog and the boxes get what the plain load
//    gave; a second Start while it runs is refused;
//  - a save of what was loaded (with two devices, which play no part in a
//    load) read back: the same settings, nothing refused. After a threaded
//    load the dialog's settings are saved by the Save Config action;
//    otherwise the plain load's are saved directly;
//  - a load with its cancel flag already set: it either gives the same or
//    fails and changes nothing;
//  - a threaded load whose loader is destroyed at a point the input picks:
//    it ends, its thread is joined (the process has no more threads than
//    before), and unless it had finished first nothing is reported and the
//    dialog keeps its settings.
// Any broken promise aborts.
//
// Input: byte 0 holds flags, byte 1 the cancel point, the rest is the file.
//   flag 0x01: the file is expanded before it is written: a block
//              "\x01" HI LO segment "\x02" stands for the segment repeated
//              HI*256+LO times, "\x03" and "\x04" in it standing for the
//              low and high byte of the repetition's number in decimal; so
//              a short input holds thousands of entries (the caps of 4 096).
//   flag 0x02: the threaded load to its end, then the Save Config action.
//   flag 0x04: the cancelled loads: the plain one with its flag set, and the
//              threaded one; the cancel point is how many rounds of the
//              window's events run before its loader goes.
//   flag 0x08: the rest is not the file but steps that build a well-formed
//              one (see Build), whose load must give what the steps say.
//
// With FUZZ_CONFIG_COUNTS set, the number of inputs that took each path is
// printed at exit.
#include "ConfigFile.h"
#include "FakeUserInterface.h"
#include "FilterForm.h"
#include "Intp.h"
#include "LibrarySetup.h"

#include <QApplication>
#include <QTreeWidget>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <dirent.h>
#include <optional>
#include <set>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace {

using Filter::TFilterSettings;

constexpr uint8_t FlagExpand = 0x01, FlagThreaded = 0x02, FlagCancel = 0x04, FlagBuild = 0x08;
// An expanded file is cut here: room for some 9 000 short entries.
constexpr size_t MaxExpandedBytes = 256 << 10;

#define FUZZ_COUNTERS(X)                                                                                      \
    X(Inputs, "inputs")                                                                                       \
    X(Expanded, "expanded by repeat blocks")                                                                  \
    X(Built, "built from the compact encoding")                                                               \
    X(LoadFailed, "plain load failed")                                                                        \
    X(NoDiscovery, "loaded, no Discovery")                                                                    \
    X(Loaded, "loaded with Discovery")                                                                        \
    X(UnicastCap, "unicast entries at the cap")                                                               \
    X(NetworkCap, "local networks at the cap")                                                                \
    X(Refused, "entries refused past a cap")                                                                  \
    X(CancelStopped, "load with cancel set stopped")                                                          \
    X(RoundTrips, "saves read back")                                                                          \
    X(ThreadedFailed, "threaded load: failure box")                                                           \
    X(ThreadedNoDiscovery, "threaded load: loaded, dialog kept")                                              \
    X(ThreadedLoaded, "threaded load: dialog loaded")                                                         \
    X(ThreadedRefusedBox, "threaded load: refused entries box")                                               \
    X(SecondStartRefused, "threaded load: second Start refused")                                              \
    X(ActionRoundTrips, "Save Config action read back")                                                       \
    X(CancelWhileRunning, "cancelled load: destroyed while running")                                          \
    X(CancelAfterEnd, "cancelled load: had ended first")

struct TCounters {
#define FUZZ_FIELD(name, text) std::atomic<size_t> name{0};
    FUZZ_COUNTERS(FUZZ_FIELD)
#undef FUZZ_FIELD
    void Print() const
    {
#define FUZZ_PRINT(name, text) std::fprintf(stderr, "fuzz_config: %-42s %zu\n", text, name.load());
        FUZZ_COUNTERS(FUZZ_PRINT)
#undef FUZZ_PRINT
    }
};

TCounters& Count()
{
    static TCounters counters;
    return counters;
}

void Check(bool ok, const char* what)
{
    if (!ok) {
        std::fprintf(stderr, "fuzz_config: broken: %s\n", what);
        std::abort();
    }
}

// The files live in a folder of their own, on a memory file system when
// there is one (a save syncs its file).
struct TFiles {
    std::string Folder;
    QString Input, Saved, Action;
};

const TFiles& Files()
{
    static const TFiles files = [] {
        char name[] = "/dev/shm/fuzz_config.XXXXXX";
        char fallback[] = "/tmp/fuzz_config.XXXXXX";
        const char* folder = mkdtemp(name);
        if (!folder)
            folder = mkdtemp(fallback);
        Check(folder != nullptr, "a temporary folder");
        TFiles f;
        f.Folder = folder;
        const QString base = QString::fromLocal8Bit(folder) + QLatin1Char('/');
        f.Input = base + QStringLiteral("input.xml");
        f.Saved = base + QStringLiteral("saved.xml");
        f.Action = base + QStringLiteral("action.xml");
        return f;
    }();
    return files;
}

void RemoveFiles()
{
    const TFiles& f = Files();
    for (const QString* path : {&f.Input, &f.Saved, &f.Action})
        std::remove(path->toLocal8Bit().constData());
    rmdir(f.Folder.c_str());
}

struct TWorld {
    TFilterForm* Form = nullptr;
    std::vector<Intp::TDevice*> Devices;
};

TWorld& World()
{
    static TWorld world;
    return world;
}

bool SameSettings(const TFilterSettings& a, const TFilterSettings& b)
{
    return a.Method == b.Method && a.Address == b.Address && a.Mask == b.Mask && a.RangeBegin == b.RangeBegin &&
           a.RangeEnd == b.RangeEnd && a.Unicasts == b.Unicasts && a.LocalNetworks == b.LocalNetworks;
}

// What the dialog holds once it was given `loaded`: the same method and
// lists, and the same address and range unless the method takes a local
// network's (then those of one of the networks).
bool DialogHolds(const TFilterSettings& dialog, const TFilterSettings& loaded)
{
    if (dialog.Method != loaded.Method || dialog.Unicasts != loaded.Unicasts ||
        dialog.LocalNetworks != loaded.LocalNetworks)
        return false;
    if (dialog.Address == loaded.Address && dialog.Mask == loaded.Mask && dialog.RangeBegin == loaded.RangeBegin &&
        dialog.RangeEnd == loaded.RangeEnd)
        return true;
    if (loaded.Method == Filter::MethodCustom)
        return false;
    const Filter::TWorkingRange held{dialog.Address, dialog.Mask, dialog.RangeBegin, dialog.RangeEnd};
    return std::any_of(loaded.LocalNetworks.begin(), loaded.LocalNetworks.end(), [&](const Filter::TIpMask& n) {
        return Filter::NetworkRange(n.Ip, n.Mask) == held;
    });
}

// The settings the dialog is given before each threaded load.
TFilterSettings Baseline()
{
    TFilterSettings s;
    s.Method = Filter::MethodCustom;
    s.Address = 0xC0000200u;   // 192.0.2.0/24, 192.0.2.16 to 192.0.2.31
    s.Mask = 0xFFFFFF00u;
    s.RangeBegin = 0xC0000210u;
    s.RangeEnd = 0xC000021Fu;
    s.Unicasts = {{0x0A000005u, 0xFFFFFFFFu}};
    s.LocalNetworks = {{0xC6336401u, 0xFFFF0000u}};
    return s;
}

int Threads()
{
    // A joined thread may still be listed for a moment while the system
    // reaps it.
    int count = 0;
    if (DIR* dir = opendir("/proc/self/task")) {
        while (const dirent* entry = readdir(dir))
            count += entry->d_name[0] != '.';
        closedir(dir);
    }
    return count;
}

void AppendNumber(QByteArray& out, unsigned value) { out += QByteArray::number(value); }

QByteArray Expand(const uint8_t* data, size_t size, bool& repeated)
{
    QByteArray out;
    repeated = false;
    size_t i = 0;
    while (i < size && size_t(out.size()) < MaxExpandedBytes) {
        if (data[i] != 0x01 || i + 2 >= size) {
            out += char(data[i++]);
            continue;
        }
        const unsigned times = unsigned(data[i + 1]) << 8 | data[i + 2];
        repeated = true;
        const size_t begin = i + 3;
        size_t end = begin;
        while (end < size && data[end] != 0x02)
            ++end;
        for (unsigned n = 0; n < times && size_t(out.size()) < MaxExpandedBytes; ++n) {
            for (size_t k = begin; k < end; ++k) {
                if (data[k] == 0x03)
                    AppendNumber(out, n & 0xFF);
                else if (data[k] == 0x04)
                    AppendNumber(out, (n >> 8) & 0xFF);
                else
                    out += char(data[k]);
            }
        }
        i = end < size ? end + 1 : end;
    }
    out.truncate(qsizetype(std::min(size_t(out.size()), MaxExpandedBytes)));
    return out;
}

// The input's bytes in order; zeros past its end.
class TCursor {
public:
    TCursor(const uint8_t* data, size_t size) : m_Data(data), m_Left(size) {}
    bool Empty() const { return m_Left == 0; }
    uint8_t Byte()
    {
        if (!m_Left)
            return 0;
        --m_Left;
        return *m_Data++;
    }
    uint32_t Word16() { return uint32_t(Byte()) << 8 | Byte(); }
    uint32_t Word32() { return Word16() << 16 | Word16(); }

private:
    const uint8_t* m_Data;
    size_t m_Left;
};

QByteArray IpBytes(uint32_t ip) { return QByteArray::fromStdString(Intp::IpToText(ip)); }
uint32_t PrefixMask(unsigned bits) { return bits == 0 ? 0 : 0xFFFFFFFFu << (32 - bits); }

// A well-formed configuration built from the input, and what a load must
// take from it by the loader's rules: the first of each value element, and
// the entries of the Filters element in order.
struct TBuilt {
    QByteArray File;
    TFilterSettings Expected;
    size_t Refused = 0;
};

// Each step is one byte, `op` (its kind the low six bits modulo 12, its
// variants the top two), and its operands:
//   0      Method: a signed byte, as a number (op&0x80: inside a nested
//          element, whose text counts)
//   1 to 4 Address, Mask, BeginAddr, EndAddr: 4 bytes of address
//          (op&0x80: a text that does not parse; op&0x40: blanks around)
//   5      a unicast entry: 4 bytes of address
//   6      an entry with a mask: 4 bytes of address, a prefix length (over
//          32: the mask is 4 bytes more, as they come)
//   7, 8   a run of entries (unicasts; networks with a prefix length byte):
//          a count (one byte; op&0x80: two), 4 bytes of the first address,
//          each next one 1 higher
//   9      a device: 4 bytes of address
//   10     an element the loader passes over: in Discovery, one of another
//          name; in Filters, one without an Address
//   11     a comment and blanks in Filters
TBuilt Build(const uint8_t* data, size_t size)
{
    // Room for both caps and a few entries past each.
    constexpr size_t MaxBuiltEntries = 2 * ConfigFile::MaxLoadedEntries + 64;
    TCursor in(data, size);
    TBuilt built;
    TFilterSettings& e = built.Expected;
    e.Method = Filter::MethodCustom;
    e.Address = e.Mask = e.RangeBegin = 0;
    e.RangeEnd = 0xFFFFFFFFu;
    bool seen[5] = {};
    static const char* const Names[5] = {"Method", "Address", "Mask", "BeginAddr", "EndAddr"};
    std::set<uint32_t> unicasts;
    QByteArray values, filters, devices;
    size_t entries = 0;
    auto entry = [&](uint32_t ip, bool hasMask, uint32_t mask) {
        ++entries;
        filters += "<Filter Address=\"" + IpBytes(ip) + '"';
        if (hasMask)
            filters += " Mask=\"" + IpBytes(mask) + '"';
        filters += "/>\n";
        if (!Intp::IsUsableIp(ip) || (hasMask && !Intp::IsValidNetmask(mask)))
            return;
        if (!hasMask || mask == 0xFFFFFFFFu) {
            if (!unicasts.insert(ip).second)
                return;
            if (e.Unicasts.size() < ConfigFile::MaxLoadedEntries)
                e.Unicasts.push_back({ip, 0xFFFFFFFFu});
            else
                ++built.Refused;
        } else if (e.LocalNetworks.size() < ConfigFile::MaxLoadedEntries) {
            e.LocalNetworks.push_back({ip, mask});
        } else {
            ++built.Refused;
        }
    };
    while (!in.Empty() && entries < MaxBuiltEntries) {
        const uint8_t op = in.Byte();
        const unsigned kind = (op & 0x3F) % 12;
        if (kind == 0) {
            const int method = int8_t(in.Byte());
            const QByteArray text = QByteArray::number(method);
            values += "<Method>" + (op & 0x80 ? "<n>" + text + "</n>" : text) + "</Method>\n";
            if (!seen[0] && method >= Filter::MethodLocalSubnet && method <= Filter::MethodCustom)
                e.Method = uint8_t(method);
            seen[0] = true;
        } else if (kind <= 4) {
            const uint32_t ip = in.Word32();
            QByteArray text = IpBytes(ip);
            if (op & 0x80)
                text += ".1";
            if (op & 0x40)
                text = " \n\t" + text + "\r\n ";
            values += QByteArray("<") + Names[kind] + '>' + text + "</" + Names[kind] + ">\n";
            uint32_t* const fields[5] = {nullptr, &e.Address, &e.Mask, &e.RangeBegin, &e.RangeEnd};
            if (!seen[kind])
                *fields[kind] = op & 0x80 ? 0xFFFFFFFFu : ip;
            seen[kind] = true;
        } else if (kind == 5) {
            entry(in.Word32(), false, 0);
        } else if (kind == 6) {
            const uint32_t ip = in.Word32();
            const unsigned prefix = in.Byte();
            entry(ip, true, prefix <= 32 ? PrefixMask(prefix) : in.Word32());
        } else if (kind == 7 || kind == 8) {
            const uint32_t count = op & 0x80 ? in.Word16() : in.Byte();
            const uint32_t first = in.Word32();
            const uint32_t mask = kind == 8 ? PrefixMask(std::min(in.Byte() % 64u, 32u)) : 0;
            for (uint32_t k = 0; k < count && entries < MaxBuiltEntries; ++k)
                entry(first + k, kind == 8, mask);
        } else if (kind == 9) {
            devices += "<Device MacAddr=\"00:11:22:33:44:55\"><Type>x</Type><Address>" + IpBytes(in.Word32()) +
                       "</Address><Properties/></Device>\n";
        } else if (kind == 10) {
            values += "<Other><Method>1</Method><Filters><Filter Address=\"10.9.9.9\"/></Filters></Other>\n";
            filters += "<Filter Mask=\"255.255.255.0\"><Filter Address=\"10.9.9.8\"/></Filter>\n";
        } else {
            filters += "<!-- <Filter Address=\"10.9.9.7\"/> -->\n  ";
        }
    }
    built.File = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<Config>\n<Discovery>\n" + values + "<Filters>\n" +
                 filters + "</Filters>\n</Discovery>\n<Devices>\n" + devices + "</Devices>\n</Config>\n";
    return built;
}

void WriteInput(const char* bytes, size_t size)
{
    FILE* f = std::fopen(Files().Input.toLocal8Bit().constData(), "wb");
    Check(f != nullptr, "the input file opens");
    Check(size == 0 || std::fwrite(bytes, 1, size, f) == size, "the input file is written");
    std::fclose(f);
}

struct TLoad {
    bool Ok = false;
    bool HasDiscovery = false;
    size_t Refused = 0;
    TFilterSettings Settings;
};

// The plain load and its promises; then, when asked for, the load with its
// cancel flag set.
TLoad PlainLoad(bool cancelToo)
{
    TLoad load;
    load.Settings.Method = 7;   // a value no load leaves
    load.Ok = ConfigFile::LoadConfigFile(Files().Input, load.Settings, &load.HasDiscovery, &load.Refused);
    const TFilterSettings& s = load.Settings;
    if (!load.Ok || !load.HasDiscovery) {
        // A failed load, or one without Discovery, changes nothing.
        Check(s.Method == 7 && load.Refused == 0 && !load.HasDiscovery, "a load without Discovery changes nothing");
        ++(load.Ok ? Count().NoDiscovery : Count().LoadFailed);
    } else {
        ++Count().Loaded;
        Check(s.Method <= Filter::MethodCustom, "a known method");
        Check(s.Unicasts.size() <= ConfigFile::MaxLoadedEntries, "unicast entries within the cap");
        Check(s.LocalNetworks.size() <= ConfigFile::MaxLoadedEntries, "local networks within the cap");
        std::set<uint32_t> seen;
        for (const Filter::TIpMask& entry : s.Unicasts)
            Check(Intp::IsUsableIp(entry.Ip) && entry.Mask == 0xFFFFFFFFu && seen.insert(entry.Ip).second,
                  "usable unicast addresses, each once");
        for (const Filter::TIpMask& network : s.LocalNetworks)
            Check(Intp::IsUsableIp(network.Ip) && Intp::IsValidNetmask(network.Mask) && network.Mask != 0xFFFFFFFFu,
                  "local networks with usable addresses and netmasks");
        const bool unicastsFull = s.Unicasts.size() == ConfigFile::MaxLoadedEntries;
        const bool networksFull = s.LocalNetworks.size() == ConfigFile::MaxLoadedEntries;
        Check(load.Refused == 0 || unicastsFull || networksFull, "entries refused only past a full list");
        Count().UnicastCap += unicastsFull;
        Count().NetworkCap += networksFull;
        Count().Refused += load.Refused != 0;
    }

    if (!cancelToo)
        return load;
    const std::atomic<bool> cancel{true};
    TLoad cancelled;
    cancelled.Settings.Method = 7;
    cancelled.Ok = ConfigFile::LoadConfigFile(Files().Input, cancelled.Settings, &cancelled.HasDiscovery,
                                              &cancelled.Refused, &cancel);
    if (!cancelled.Ok) {
        Check(cancelled.Settings.Method == 7 && !cancelled.HasDiscovery && cancelled.Refused == 0,
              "a cancelled load changes nothing");
        Count().CancelStopped += load.Ok;
    } else {
        Check(load.Ok && cancelled.HasDiscovery == load.HasDiscovery && cancelled.Refused == load.Refused &&
                  SameSettings(cancelled.Settings, load.Settings),
              "a load that was not stopped gives what the plain load gives");
    }
    return load;
}

// `settings` saved to `path` (or already there) read back.
void ReadBack(const QString& path, const TFilterSettings& settings, const char* what)
{
    TLoad back;
    back.Ok = ConfigFile::LoadConfigFile(path, back.Settings, &back.HasDiscovery, &back.Refused);
    if (!back.Ok || !back.HasDiscovery || back.Refused != 0 || !SameSettings(back.Settings, settings))
        Check(false, what);
}

void SaveReadBack(const TLoad& load)
{
    QString error;
    Check(ConfigFile::SaveConfigFile(Files().Saved, load.Settings, World().Devices, &error), "the save succeeds");
    ReadBack(Files().Saved, load.Settings, "the saved file reads back as the settings it was saved from");
    ++Count().RoundTrips;
}

// The dialog and the boxes after a threaded load that ran to its end.
void CheckFinished(const TLoad& load, const TestSupport::TFakeUserInterface& ui, bool called,
                   const TFilterSettings& before)
{
    TFilterForm& form = *World().Form;
    Check(called == load.Ok, "discovery runs when the file loaded");
    if (!load.Ok) {
        Check(ui.Boxes.size() == 1 && ui.Boxes[0].Text == ConfigFile::TextLoadFailed() &&
                  ui.Boxes[0].Icon == IUserInterface::IconError,
              "a file that does not load shows the failure box");
        Check(SameSettings(form.GetSettings(), before), "a file that does not load leaves the dialog");
        return;
    }
    if (!load.HasDiscovery) {
        Check(ui.Boxes.empty(), "a file without Discovery shows no box");
        Check(SameSettings(form.GetSettings(), before), "a file without Discovery leaves the dialog");
        return;
    }
    Check(DialogHolds(form.GetSettings(), load.Settings), "the dialog holds what was loaded");
    Check(form.m_RemoteList->topLevelItemCount() == int(load.Settings.Unicasts.size()),
          "the dialog lists each unicast entry");
    if (load.Refused)
        Check(ui.Boxes.size() == 1 && ui.Boxes[0].Text == ConfigFile::TextEntriesRefused(load.Refused),
              "refused entries are reported");
    else
        Check(ui.Boxes.empty(), "a load within the caps shows no box");
}

void ThreadedLoad(const TLoad& load)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm& form = *World().Form;
    form.LoadSettings(Baseline());
    const TFilterSettings before = form.GetSettings();

    ConfigFile::TConfigLoad loader(form);
    bool called = false;
    ui.Paths.push_back(Files().Input);
    Check(loader.Start([&called] { called = true; }), "the load starts");
    const size_t dialogs = ui.FileDialogs.size();
    if (loader.IsRunning()) {
        Check(!loader.Start([] { Check(false, "a refused start never reports"); }),
              "a second start while one runs is refused");
        Check(ui.FileDialogs.size() == dialogs, "a refused start asks for no file");
        ++Count().SecondStartRefused;
    }
    QEventLoop events;
    while (loader.IsRunning())
        events.processEvents(QEventLoop::WaitForMoreEvents);
    CheckFinished(load, ui, called, before);
    if (!load.Ok)
        ++Count().ThreadedFailed;
    else if (!load.HasDiscovery)
        ++Count().ThreadedNoDiscovery;
    else
        ++Count().ThreadedLoaded;
    Count().ThreadedRefusedBox += load.Refused != 0;

    // The dialog's settings saved as the console saves them, read back.
    ui.Boxes.clear();
    ui.Paths.push_back(Files().Action);
    Check(ConfigFile::RunSaveConfig(form, World().Devices) && ui.Boxes.empty(), "the Save Config action saves");
    ReadBack(Files().Action, form.GetSettings(), "the saved configuration reads back as the dialog's settings");
    ++Count().ActionRoundTrips;
}

void CancelledLoad(const TLoad& load, unsigned rounds)
{
    TestSupport::TFakeUserInterface ui;
    TFilterForm& form = *World().Form;
    form.LoadSettings(Baseline());
    const TFilterSettings before = form.GetSettings();
    const int threads = Threads();

    auto* loader = new ConfigFile::TConfigLoad(form);
    bool called = false;
    ui.Paths.push_back(Files().Input);
    Check(loader->Start([&called] { called = true; }), "the load starts");
    for (unsigned i = 0; i < rounds && loader->IsRunning(); ++i) {
        QCoreApplication::processEvents();
        std::this_thread::yield();
    }
    const bool ended = !loader->IsRunning();
    delete loader;
    // A result posted to the loader is dropped with it.
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    bool joined = false;
    for (int i = 0; i < 1000 && !(joined = Threads() <= threads); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    Check(joined, "the load's thread has ended");
    if (ended) {
        CheckFinished(load, ui, called, before);
        ++Count().CancelAfterEnd;
    } else {
        Check(!called && ui.Boxes.empty(), "a stopped load reports nothing");
        Check(SameSettings(form.GetSettings(), before), "a stopped load leaves the dialog");
        ++Count().CancelWhileRunning;
    }
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notices would drown libFuzzer's output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Never destroyed: at exit Qt's own globals are gone before a static
    // application object would be.
    static QApplication* const app = new QApplication(*argc, *argv);
    (void)app;
    World().Form = new TFilterForm(nullptr);
    // Two devices for the saves' device list.
    static TestSupport::TNullDeviceObserver observer;
    Intp::SetDeviceCallback(&observer);
    Intp::RegisterBuiltinModels();
    World().Devices = {TestSupport::AddSwitch(Intp::TMacAddr(0x00112233u, 0x4455u), 1, 0xC000020Au),
                       TestSupport::AddSwitch(Intp::TMacAddr(0x00112233u, 0x4456u), 2, 0)};
    Files();
    std::atexit([] {
        Intp::DeleteAllDevices();
        RemoveFiles();
    });
    if (std::getenv("FUZZ_CONFIG_COUNTS"))
        std::atexit([] { Count().Print(); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    const uint8_t flags = data[0];
    const unsigned rounds = data[1];
    ++Count().Inputs;
    std::optional<TBuilt> built;
    if (flags & FlagBuild) {
        built = Build(data + 2, size - 2);
        ++Count().Built;
        WriteInput(built->File.constData(), size_t(built->File.size()));
    } else if (flags & FlagExpand) {
        bool repeated = false;
        const QByteArray file = Expand(data + 2, size - 2, repeated);
        Count().Expanded += repeated;
        WriteInput(file.constData(), size_t(file.size()));
    } else {
        WriteInput(reinterpret_cast<const char*>(data + 2), size - 2);
    }

    const TLoad load = PlainLoad(flags & FlagCancel);
    if (built)
        Check(load.Ok && load.HasDiscovery && load.Refused == built->Refused &&
                  SameSettings(load.Settings, built->Expected),
              "a built configuration loads as its rules say");
    // The threaded load saves and reads back the dialog's settings instead.
    if (flags & FlagThreaded)
        ThreadedLoad(load);
    else if (load.Ok && load.HasDiscovery)
        SaveReadBack(load);
    if (flags & FlagCancel)
        CancelledLoad(load, rounds);
    return 0;
}
