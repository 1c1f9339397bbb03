// Drives one page of the page tree per input, offscreen, the way a user and
// the switches would: the page is shown for one or two switches, each
// request it (or the banner above it) sends is answered as the switch
// simulator's handlers answer it, or with that answer changed, cut or
// replaced by fuzzed bytes, or with an error status, or not at all; between
// answers the input may press the page's buttons (Apply, Add, Delete,
// Refresh ...), pick list rows, change fields, let the clock run (the
// sessions' time-outs and resends, the pages' own timers), show the page
// again, log a switch out or remove it, go to another page, poll the switch
// as the main window does, read every cell of the page's lists and paint the
// banner. What is still unanswered at the end is answered as the simulator
// would, so that every input ends on a page filled through the real
// decoders; then the switches go as a new discovery takes them. Message
// boxes and file dialogs go to the fake user interface (OK, no file).
//
// Input: byte 0 picks the page, byte 1 the switches' model (low bits) and
// whether two switches are current (bit 7). Then operations, one byte each
// followed by their arguments (see TOp); a missing argument byte reads 0.
//
// With FUZZ_PAGES_REPORT set (a file name, or "-" for the standard error),
// the run writes at exit, for every page, which reads it sent and how many
// met a reply, and for every session name how its replies fared in the
// decoders (accepted, refused with each status) and how many timed out.
#include "FakeHost.h"
#include "FakeTransport.h"
#include "FakeUserInterface.h"
#include "Intp.h"
#include "IntpProtocol.h"
#include "LibrarySetup.h"
#include "ModuleBannerBrivo6042G.h"
#include "ModuleBasicsIPConf.h"
#include "ModuleFrame.h"
#include "SimSwitch.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QImage>
#include <QItemSelectionModel>
#include <QLineEdit>
#include <QSpinBox>
#include <QTimer>
#include <QTimerEvent>
#include <QTreeWidget>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <deque>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace {

// --- What the run met, for the report at exit --------------------------------

struct TDecoderCounts {
    uint64_t Replies = 0;                  // replies handed to the dispatcher for this session
    std::map<uint32_t, uint64_t> Status;   // reports while a reply was dispatched, by status
    uint64_t Timeouts = 0;                 // reports on the clock (time-outs)
};

struct TRunStats {
    uint64_t Inputs = 0;
    std::map<uint16_t, std::string> Names;                          // command -> session name
    std::map<std::string, std::map<uint16_t, uint64_t>> PageSent;   // page -> command -> requests
    std::map<std::string, std::map<uint16_t, uint64_t>> PageMet;    // page -> command -> decoded replies
    std::map<uint16_t, TDecoderCounts> Decoders;
};

TRunStats& Stats()
{
    static TRunStats* stats = new TRunStats;
    return *stats;
}
bool g_Counting = false;

std::string NameOf(uint16_t command)
{
    auto it = Stats().Names.find(command);
    char code[16];
    std::snprintf(code, sizeof code, "0x%04X", command);
    return it == Stats().Names.end() ? std::string(code) : it->second + " (" + code + ")";
}

void WriteReport()
{
    const char* where = std::getenv("FUZZ_PAGES_REPORT");
    if (!where || !*where)
        return;
    std::FILE* out = std::string(where) == "-" ? stderr : std::fopen(where, "w");
    if (!out)
        return;
    TRunStats& s = Stats();
    std::fprintf(out, "fuzz_pages: %llu inputs\n", (unsigned long long)s.Inputs);
    // Requests are filed under the page shown when they were sent (the
    // banner's reads, RedundancyGet, under every page).
    std::fprintf(out, "== page reads (requests sent / replies decoded with status 0)\n");
    size_t unmet = 0;
    for (auto& [page, sent] : s.PageSent) {
        std::fprintf(out, "%s:", page.c_str());
        for (auto& [command, n] : sent) {
            const uint64_t met = s.PageMet[page][command];
            unmet += met == 0;
            std::fprintf(out, " %s %llu/%llu%s", NameOf(command).c_str(), (unsigned long long)n,
                         (unsigned long long)met, met ? "" : " UNMET");
        }
        std::fputc('\n', out);
    }
    std::fprintf(out, "pages: %zu, reads never met: %zu\n", s.PageSent.size(), unmet);
    std::fprintf(out, "== decoders (replies: status=count; time-outs)\n");
    for (auto& [command, d] : s.Decoders) {
        std::fprintf(out, "%s replies=%llu", NameOf(command).c_str(), (unsigned long long)d.Replies);
        for (auto& [status, n] : d.Status)
            std::fprintf(out, " %X=%llu", status, (unsigned long long)n);
        std::fprintf(out, " timeouts=%llu\n", (unsigned long long)d.Timeouts);
    }
    if (out != stderr)
        std::fclose(out);
}

// --- The input -----------------------------------------------------------------

class TInput {
public:
    TInput(const uint8_t* data, size_t size) : m_Data(data), m_Size(size) {}
    bool More() const { return m_At < m_Size; }
    uint8_t Byte() { return m_At < m_Size ? m_Data[m_At++] : 0; }
    uint16_t Word()
    {
        const uint16_t low = Byte();
        return uint16_t(low | Byte() << 8);
    }
    // `n` bytes of the input (zeros past its end).
    std::vector<uint8_t> Bytes(size_t n)
    {
        std::vector<uint8_t> out(n, 0);
        for (size_t i = 0; i < n && m_At < m_Size; ++i)
            out[i] = m_Data[m_At++];
        return out;
    }

private:
    const uint8_t* m_Data;
    size_t m_Size;
    size_t m_At = 0;
};

// The operations; an operation byte picks one by its value modulo 16.
enum TOp : uint8_t {
    OpSim0,           // answer the oldest request as the simulator does (ops 0 to 4)
    OpSimEdit = 5,    // the same, with up to four bytes of the first reply changed (position word, value)
    OpSimCut,         // the same, the first reply's body cut or zero-extended to a length (word)
    OpRaw,            // a reply of fuzzed bytes: status byte (0 unless >= 0xF0), length byte, the body
    OpStatus,         // the simulator's reply with another status (byte, 0 reads 1)
    OpDrop,           // the oldest request is never answered
    OpClock,          // the clock runs (byte x 25 ms): the sessions' timers fire; odd bytes fire the pages' timers too
    OpPress,          // presses a button or triggers an action of the page (byte)
    OpRow,            // selects a row of a list of the page (list byte, row byte)
    OpEdit,           // changes a field of the page (field byte, value word)
    OpEvent,          // the page shown again, a switch logged out or removed, another page, a look at the
                      // lists, a paint of the banner, the main window's polls (byte)
    OpSimLater,       // answers a later request (byte) as the simulator does
};

// Passes every report to the page host before the requester, as the main
// window does, counting what the run meets.
class TPageFuzzTransport final : public TestSupport::TFakeTransport {
public:
    TModuleFrame* Host = nullptr;
    std::string Page;                   // the caption of the page shown
    std::vector<std::string> SentPage;  // the page shown when each request was sent
    bool Dispatching = false;           // a reply is being handed to the dispatcher
    uint16_t DispatchedCommand = 0;
    std::string DispatchedPage;         // the page shown when its request was sent

    void SendDatagram(uint32_t ip, const uint8_t* data, size_t length) override
    {
        TFakeTransport::SendDatagram(ip, data, length);
        // No page sends the main window's polls (their resends included).
        const uint16_t command = length >= 2 ? Intp::GetBE16(data) : 0;
        const bool poll = command == Intp::TSessionIntpPing2::Command || command == Intp::TSessionIntpSipGet::Command;
        SentPage.push_back(poll ? std::string("(main window)") : Page);
        if (g_Counting && length >= 2)
            ++Stats().PageSent[SentPage.back()][command];
    }
    void Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data, Intp::TWizard* observer,
                const char* name) override
    {
        if (g_Counting) {
            if (name && *name)
                Stats().Names.emplace(command, name);
            TDecoderCounts& d = Stats().Decoders[command];
            if (Dispatching && command == DispatchedCommand) {
                ++d.Status[status];
                if (status == 0)
                    ++Stats().PageMet[DispatchedPage][command];
            } else if (!Dispatching) {
                ++d.Timeouts;
            }
        }
        if (Host)
            Host->Notify(device, command, uint16_t(status));
        if (observer)
            observer->OnSessionEvent(device, command, uint16_t(status), data);
    }
};

void Items(QTreeWidgetItem* item, std::vector<QTreeWidgetItem*>& out)
{
    if (TModuleFrame::PageOf(item) && TModuleFrame::PageOf(item)->GetControl())
        out.push_back(item);
    for (int i = 0; i < item->childCount(); ++i)
        Items(item->child(i), out);
}

// The page host with every page, made once (making fifty pages for each
// input would leave little time for the inputs).
struct TWorld {
    TModuleFrame* Frame = nullptr;
    std::vector<QTreeWidgetItem*> Pages;
};
TWorld& World()
{
    static TWorld world;
    return world;
}

// One input's switches, their simulated counterparts and the requests not
// yet answered.
class TRun {
public:
    TRun(TPageFuzzTransport& transport, TestSupport::TFakeHost& host) : m_Transport(transport), m_Host(host) {}

    void AddSwitch(uint8_t n, uint32_t model, bool snmpV3)
    {
        Intp::TDevice* d = TestSupport::AddSwitch(TestSupport::Mac(n), model, 0xC0000200u + n);
        d->SetLoggedIn(true);
        m_Host.All.push_back(d);
        Sim::TSimSwitch sw;
        sw.Mac = TestSupport::Mac(n);
        sw.Ip = 0xC0000200u + n;
        sw.Model = model;
        sw.LoggedIn = true;
        if (snmpV3) {
            // The agent runs SNMPv3 with one user, so that the user page
            // reads (a switch's user table is empty otherwise).
            sw.Store[0x0700] = {1};
            std::vector<uint8_t> user(34, 0);
            std::memcpy(user.data(), "admin", 5);
            user[32] = 1;
            sw.Store[0x0704] = user;
        }
        m_Switches.push_back(std::move(sw));
    }

    // Requests sent since the last look join the unanswered ones.
    void Collect()
    {
        for (; m_Seen < m_Transport.Sent.size(); ++m_Seen)
            m_Pending.push_back(m_Seen);
    }
    bool HasPending()
    {
        Collect();
        return !m_Pending.empty();
    }
    // Takes the `n`-th unanswered request (0: the oldest); false when none.
    bool Take(size_t n, TestSupport::TSentDatagram& request)
    {
        Collect();
        if (m_Pending.empty())
            return false;
        n %= m_Pending.size();
        request = m_Transport.Sent[m_Pending[n]];
        m_Transport.DispatchedPage = m_Transport.SentPage[m_Pending[n]];
        m_Pending.erase(m_Pending.begin() + std::ptrdiff_t(n));
        return request.Bytes.size() >= Intp::HeaderSize;
    }

    // The simulator's replies to `request` (none when no switch has its
    // address or no handler answers it).
    std::vector<Sim::TSimReply> Simulate(const TestSupport::TSentDatagram& request, Sim::TSimSwitch*& sw)
    {
        const Intp::TPacketHeader asked = Intp::TPacketHeader::Read(request.Bytes.data(), request.Bytes.size());
        sw = nullptr;
        for (Sim::TSimSwitch& s : m_Switches)
            if (s.Mac == asked.Mac)
                sw = &s;
        const Sim::THandler* handler = Sim::FindHandler(asked.Command);
        if (!sw || !handler)
            return {};
        Sim::TSimRequest req;
        req.Command = asked.Command;
        req.Status = asked.Status;
        req.Length = asked.Length;
        req.Mac = asked.Mac;
        req.Body = request.Body();
        req.DestIp = request.Ip;
        return (*handler)(*sw, req);
    }

    // Hands one reply to `request` to the dispatcher.
    void Deliver(const TestSupport::TSentDatagram& request, uint32_t from, uint16_t status,
                 const std::vector<uint8_t>& body)
    {
        const Intp::TPacketHeader asked = Intp::TPacketHeader::Read(request.Bytes.data(), request.Bytes.size());
        const std::vector<uint8_t> reply = TestSupport::MakeReply(asked.Command, status, asked.Mac, body);
        m_Transport.Dispatching = true;
        m_Transport.DispatchedCommand = asked.Command;
        if (g_Counting)
            ++Stats().Decoders[asked.Command].Replies;
        Intp::ReceivePacket(from, reply.size(), reply.data());
        m_Transport.Dispatching = false;
        QCoreApplication::processEvents();
    }

    // Answers `request` as the simulator does, after `change` had its say
    // on the first reply.
    template <class F>
    void AnswerSimulated(const TestSupport::TSentDatagram& request, F&& change)
    {
        Sim::TSimSwitch* sw = nullptr;
        const uint32_t address = request.Ip == 0xFFFFFFFFu ? 0 : request.Ip;
        std::vector<Sim::TSimReply> replies = Simulate(request, sw);
        if (replies.empty())
            replies.push_back(Sim::Reply(0));
        change(replies.front());
        for (const Sim::TSimReply& r : replies)
            Deliver(request, r.FromIp ? r.FromIp : sw ? sw->Ip : address, r.Status, r.Body);
    }

    TPageFuzzTransport& m_Transport;
    TestSupport::TFakeHost& m_Host;
    std::vector<Sim::TSimSwitch> m_Switches;
    std::deque<size_t> m_Pending;   // indices into m_Transport.Sent
    size_t m_Seen = 0;
};

QWidget* CurrentControl()
{
    TModule* page = World().Frame->GetCurrentPage();
    return page ? page->GetControl() : nullptr;
}

// The widgets of type T of the shown page that a user could reach.
template <class T>
std::vector<T*> Reachable()
{
    std::vector<T*> out;
    QWidget* page = CurrentControl();
    if (!page || !page->isVisible())
        return out;
    for (T* w : page->findChildren<T*>())
        if (w->isVisible() && w->isEnabled())
            out.push_back(w);
    return out;
}

void Press(uint8_t which)
{
    std::vector<QObject*> targets;
    for (QAbstractButton* b : Reachable<QAbstractButton>())
        targets.push_back(b);
    if (QWidget* page = CurrentControl(); page && page->isVisible())
        for (QAction* a : page->findChildren<QAction*>())
            if (a->isEnabled())
                targets.push_back(a);
    if (targets.empty())
        return;
    QObject* target = targets[which % targets.size()];
    if (auto* button = qobject_cast<QAbstractButton*>(target))
        button->click();
    else
        static_cast<QAction*>(target)->trigger();
}

void SelectRow(uint8_t list, uint8_t row)
{
    std::vector<QAbstractItemView*> views = Reachable<QAbstractItemView>();
    if (views.empty())
        return;
    QAbstractItemView* view = views[list % views.size()];
    QAbstractItemModel* model = view->model();
    if (!model || model->rowCount() == 0)
        return;
    view->setCurrentIndex(model->index(row % model->rowCount(), 0));
}

void Edit(uint8_t field, uint16_t value, TInput& in)
{
    std::vector<QWidget*> fields;
    for (QComboBox* w : Reachable<QComboBox>())
        fields.push_back(w);
    for (QAbstractSpinBox* w : Reachable<QAbstractSpinBox>())
        fields.push_back(w);
    for (QLineEdit* w : Reachable<QLineEdit>())
        if (!qobject_cast<QAbstractSpinBox*>(w->parentWidget()) && !qobject_cast<QComboBox*>(w->parentWidget()))
            fields.push_back(w);
    if (fields.empty())
        return;
    QWidget* w = fields[field % fields.size()];
    if (auto* combo = qobject_cast<QComboBox*>(w)) {
        if (combo->count() == 0)
            return;
        combo->setCurrentIndex(value % combo->count());
        emit combo->activated(combo->currentIndex());
    } else if (auto* spin = qobject_cast<QSpinBox*>(w)) {
        spin->setValue(spin->minimum() + int(value % uint32_t(spin->maximum() - spin->minimum() + 1)));
        emit spin->editingFinished();
    } else if (auto* line = qobject_cast<QLineEdit*>(w)) {
        // `value` bytes of the input as UTF-8 (the low byte is the length).
        const std::vector<uint8_t> bytes = in.Bytes(value & 0x3F);
        const QString text = QString::fromUtf8(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
        line->setText(text);
        emit line->textEdited(line->text());
        emit line->editingFinished();
    } else if (auto* spin = qobject_cast<QAbstractSpinBox*>(w)) {
        spin->stepBy(int(int16_t(value)) % 100);
        emit spin->editingFinished();
    }
}

void FireTimers()
{
    for (QTimer* timer : World().Frame->findChildren<QTimer*>())
        if (timer->isActive()) {
            QTimerEvent event(timer->timerId());
            QCoreApplication::sendEvent(timer, &event);
        }
}

// Holds back the paints that Qt would do on its own after every change:
// the input paints when it asks to (painting after every reply would leave
// little time for the rest).
class TNoPaints final : public QObject {
public:
    bool Painting = false;

protected:
    bool eventFilter(QObject*, QEvent* event) override
    {
        return !Painting && event->type() == QEvent::UpdateRequest;
    }
};
TNoPaints& NoPaints()
{
    static TNoPaints* filter = new TNoPaints;
    return *filter;
}

// What a paint of the page asks of its lists: every role of every cell of
// the rows a view could show (the widgets themselves are Qt's, and painting
// them all would cost most of the input's time in shaping text).
void LookAtLists()
{
    for (QAbstractItemView* view : Reachable<QAbstractItemView>()) {
        QAbstractItemModel* model = view->model();
        if (!model)
            continue;
        const int rows = std::min(model->rowCount(), 64);
        for (int row = 0; row < rows; ++row)
            for (int column = 0; column < model->columnCount(); ++column) {
                const QModelIndex index = model->index(row, column);
                for (int role = 0; role <= Qt::AccessibleDescriptionRole; ++role)
                    (void)model->data(index, role);
                (void)model->flags(index);
            }
        for (int column = 0; column < model->columnCount(); ++column)
            for (int role = 0; role <= Qt::AccessibleDescriptionRole; ++role)
                (void)model->headerData(column, Qt::Horizontal, role);
    }
}

// Paints the banner's own drawings (port lights and status lights) into a
// small picture.
void PaintBanner()
{
    TModule* banner = World().Frame->CurrentBanner();
    QWidget* control = banner ? banner->GetControl() : nullptr;
    if (!control || !control->isVisible())
        return;
    static QImage* picture = new QImage(200, 80, QImage::Format_ARGB32_Premultiplied);
    NoPaints().Painting = true;
    for (QWidget* w : control->findChildren<QWidget*>())
        if (w->isVisible() && (dynamic_cast<TLinkImage*>(w) || dynamic_cast<TStatusLight*>(w)))
            w->render(picture);
    NoPaints().Painting = false;
}

// The page's place in the tree ("802.1Q VLAN / Port Configuration"): two
// pages may have one caption.
std::string PathOf(const QTreeWidgetItem* item)
{
    if (!item)
        return std::string();
    const std::string caption = item->text(0).toStdString();
    return item->parent() ? item->parent()->text(0).toStdString() + " / " + caption : caption;
}

void ShowPage(QTreeWidgetItem* item, TPageFuzzTransport& transport)
{
    TModuleFrame* frame = World().Frame;
    // The reads the page starts when it is shown are filed under it.
    transport.Page = PathOf(item);
    frame->PageTree()->setCurrentItem(item);
    transport.Page = PathOf(frame->PageTree()->currentItem());
}

} // namespace

// Qt allocates a great deal per page shown: shorter allocation stacks and a
// smaller quarantine keep the sanitizer's share of each input (and the
// resident size) down, while reports still say where a block came from.
// ASAN_OPTIONS set by the caller still win.
extern "C" const char* __asan_default_options()
{
    return "malloc_context_size=8:quarantine_size_mb=32";
}

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    // Qt's own event loop is lighter than the GLib one.
    qputenv("QT_NO_GLIB", "1");
    // The offscreen platform's notices would drown libFuzzer's output.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    // Never destroyed: at exit Qt's own globals are gone before a static
    // application object would be.
    static QApplication* const app = new QApplication(*argc, *argv);
    (void)app;
    TestSupport::TFakeUserInterface ui;
    TModuleFrame* frame = World().Frame = new TModuleFrame;
    BuildPageTree(*frame);
    frame->resize(900, 600);
    QCoreApplication::instance()->installEventFilter(&NoPaints());
    frame->show();
    for (int i = 0; i < frame->PageTree()->topLevelItemCount(); ++i)
        Items(frame->PageTree()->topLevelItem(i), World().Pages);
    if (World().Pages.empty())
        std::abort();
    // The IP configuration page removes the workstation's ARP entries after
    // a change; here it leaves the machine's table alone.
    for (QTreeWidgetItem* item : World().Pages)
        if (auto* ipconf = dynamic_cast<TModuleBasicsIPConf*>(TModuleFrame::PageOf(item)))
            ipconf->SetArpRemover([](const std::vector<uint32_t>&, bool) {});
    QCoreApplication::processEvents();
    std::atexit(WriteReport);
    g_Counting = std::getenv("FUZZ_PAGES_REPORT") != nullptr;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 2)
        return 0;
    ++Stats().Inputs;
    TInput in(data, size);
    TestSupport::TFakeUserInterface ui;
    TestSupport::TFakeHost host;
    TPageFuzzTransport transport;
    TestSupport::StartCleanLibrary(&transport);
    TWorld& world = World();
    TModuleFrame* frame = world.Frame;
    QTreeWidgetItem* item = world.Pages[in.Byte() % world.Pages.size()];
    const uint8_t setup = in.Byte();
    const uint32_t model = 1 + (setup & 0x7F) % uint32_t(std::size(Intp::BuiltinModels));
    TRun run(transport, host);
    const bool snmpV3 = setup & 0x40;
    run.AddSwitch(1, model, snmpV3);
    if (setup & 0x80)
        run.AddSwitch(2, model, snmpV3);
    host.Current = host.All;

    // The switch is selected in the main tree (the banner and the page left
    // current by the last input read it), then the user picks the page.
    transport.Host = frame;
    transport.Page = PathOf(frame->PageTree()->currentItem());
    frame->Notify(host.Current.front(), EventPageShown, 0);
    ShowPage(item, transport);
    QCoreApplication::processEvents();

    bool paint = false;
    bool paintBanner = false;
    TestSupport::TSentDatagram request;
    while (in.More()) {
        const uint8_t op = in.Byte() % 16;
        switch (op) {
        case OpSimEdit: {
            const uint8_t edits = 1 + in.Byte() % 4;
            std::vector<std::pair<uint16_t, uint8_t>> changes;
            for (uint8_t i = 0; i < edits; ++i) {
                const uint16_t at = in.Word();
                changes.emplace_back(at, in.Byte());
            }
            if (run.Take(0, request))
                run.AnswerSimulated(request, [&](Sim::TSimReply& r) {
                    for (auto [at, value] : changes)
                        if (!r.Body.empty())
                            r.Body[at % r.Body.size()] = value;
                });
            break;
        }
        case OpSimCut: {
            const uint16_t length = in.Word() % 2048;
            if (run.Take(0, request))
                run.AnswerSimulated(request, [&](Sim::TSimReply& r) { r.Body.resize(length); });
            break;
        }
        case OpRaw: {
            const uint8_t status = in.Byte();
            const std::vector<uint8_t> body = in.Bytes(in.Byte());
            if (run.Take(0, request))
                run.Deliver(request, request.Ip, status >= 0xF0 ? uint16_t(status - 0xEF) : 0, body);
            break;
        }
        case OpStatus: {
            const uint8_t status = in.Byte();
            if (run.Take(0, request))
                run.AnswerSimulated(request, [&](Sim::TSimReply& r) { r.Status = status ? status : 1; });
            break;
        }
        case OpDrop:
            run.Take(0, request);
            break;
        case OpClock: {
            const uint8_t ticks = in.Byte();
            transport.Advance(uint64_t(ticks) * 25);
            if (ticks & 1)
                FireTimers();
            QCoreApplication::processEvents();
            break;
        }
        case OpPress:
            Press(in.Byte());
            QCoreApplication::processEvents();
            break;
        case OpRow: {
            const uint8_t list = in.Byte();
            SelectRow(list, in.Byte());
            break;
        }
        case OpEdit: {
            const uint8_t field = in.Byte();
            Edit(field, in.Word(), in);
            break;
        }
        case OpEvent: {
            const uint8_t what = in.Byte();
            switch (what % 7) {
            case 0:
                frame->Notify(host.Current.empty() ? nullptr : host.Current.front(), EventPageShown, 0);
                break;
            case 1:
                // The last switch leaves the tree.
                if (host.All.size() > 1) {
                    Intp::TDevice* gone = host.All.back();
                    host.All.pop_back();
                    if (host.Current.back() == gone)
                        host.Current.pop_back();
                    frame->Notify(gone, EventDeviceRemoved, 0);
                }
                break;
            case 2: {
                // The first switch logs out (or in again).
                Intp::TDevice* d = host.All.front();
                d->SetLoggedIn(!d->IsLoggedIn());
                frame->Notify(d, EventDeviceFlagsChanged, 0);
                break;
            }
            case 3:
                ShowPage(world.Pages[(what / 7) % world.Pages.size()], transport);
                break;
            case 4:
                paint = true;
                break;
            case 5:
                paintBanner = true;
                break;
            case 6:
                // The main window's reads that the banner shows: the status
                // monitor's poll and the warning read after a login.
                for (Intp::TDevice* d : host.Current) {
                    Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpPing2>(1000), d, nullptr);
                    Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpSipGet>(), d, nullptr);
                }
                break;
            }
            QCoreApplication::processEvents();
            break;
        }
        case OpSimLater:
            if (run.Take(in.Byte(), request))
                run.AnswerSimulated(request, [](Sim::TSimReply&) {});
            break;
        default:   // OpSim0 to 4
            if (run.Take(0, request))
                run.AnswerSimulated(request, [](Sim::TSimReply&) {});
            break;
        }
    }
    // What is still unanswered is answered as the simulator does (a bounded
    // number: a reply may lead to further reads).
    for (int i = 0; i < 48 && run.HasPending(); ++i)
        if (run.Take(0, request))
            run.AnswerSimulated(request, [](Sim::TSimReply&) {});
    // Then every session still waiting runs out of time and reports, as it
    // would in the console (a page that follows its sessions, such as a
    // save or a transfer, stays busy until they report).
    for (int i = 0; i < 16 && transport.TimerCount() > 0; ++i) {
        transport.Advance(30000);
        QCoreApplication::processEvents();
    }
    if (paint)
        LookAtLists();
    if (paintBanner)
        PaintBanner();

    // The switches go as a new discovery takes them: each leaves the tree
    // (the page is told), then the library forgets them.
    std::vector<Intp::TDevice*> gone = host.All;
    host.Current.clear();
    host.All.clear();
    for (Intp::TDevice* d : gone)
        frame->Notify(d, EventDeviceRemoved, 0);
    // Every input starts from the same page (the host puts the selection on
    // the first page while no switch is current), so that an input does
    // the same work each time it runs.
    ShowPage(world.Pages.front(), transport);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    // With every session ended, no page may still refuse to be left.
    if (frame->GetCurrentPage() != TModuleFrame::PageOf(world.Pages.front())) {
        std::fprintf(stderr, "fuzz_pages: the page \"%s\" stays busy with no session pending\n",
                     frame->GetCurrentPage()->GetCaption().toUtf8().constData());
        std::abort();
    }
    Intp::ReleaseLibrary();
    transport.Host = nullptr;
    QCoreApplication::processEvents();
    return 0;
}
