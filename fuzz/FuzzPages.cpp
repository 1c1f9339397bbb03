// Fills the pages from fuzzed replies: every page of the page tree (made
// once, by the same BuildPageTree as the main window's) is shown for one or
// two switches, and each request it sends is answered with fuzzed bytes that
// go through the real decoder into the device's records, which the page then
// shows; then the switches go as a new discovery takes them. So every page's fill meets out-of-range values, empty and overfull
// tables, and replies that fail their checks.
//
// Input: byte 0 picks the page, byte 1 the switches' model, byte 2 whether
// one or two switches are current. The rest is split into replies at each
// "\xFF\xFE" pair; each answers the oldest request not yet answered: its
// first byte gives the status (0 below 0xF0), the rest is the body. A reply
// starting 0xEE lets the requests' timers run out instead.
#include "FakeHost.h"
#include "FakeTransport.h"
#include "FakeUserInterface.h"
#include "Intp.h"
#include "LibrarySetup.h"
#include "ModuleFrame.h"

#include <QApplication>
#include <QTreeWidget>

#include <cstdlib>
#include <vector>

namespace {

// Passes every report to the page host before the requester, as the main
// window does.
class TPageFuzzTransport final : public TestSupport::TFakeTransport {
public:
    TModuleFrame* Host = nullptr;
    void Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data, Intp::TWizard* observer,
                const char* name) override
    {
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
TModuleFrame*& Frame()
{
    static TModuleFrame* frame = nullptr;
    return frame;
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
    TestSupport::TFakeUserInterface ui;
    Frame() = new TModuleFrame;
    BuildPageTree(*Frame());
    Frame()->resize(900, 600);
    Frame()->show();
    QCoreApplication::processEvents();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 3)
        return 0;
    TestSupport::TFakeUserInterface ui;
    TestSupport::TFakeHost host;
    TPageFuzzTransport transport;
    TestSupport::StartCleanLibrary(&transport);
    const uint32_t model = 1 + data[1] % uint32_t(std::size(Intp::BuiltinModels));
    for (uint8_t i = 1; i <= 2; ++i) {
        Intp::TDevice* d = TestSupport::AddSwitch(TestSupport::Mac(i), model, 0xC0000200u + i);
        d->SetLoggedIn(true);
        host.All.push_back(d);
    }
    host.Current = host.All;
    if (data[2] & 1)
        host.Current.pop_back();

    TModuleFrame* frame = Frame();
    transport.Host = frame;
    std::vector<QTreeWidgetItem*> pages;
    for (int i = 0; i < frame->PageTree()->topLevelItemCount(); ++i)
        Items(frame->PageTree()->topLevelItem(i), pages);
    if (pages.empty())
        std::abort();
    frame->PageTree()->setCurrentItem(pages[data[0] % pages.size()]);
    frame->Notify(host.Current.front(), EventPageShown, 0);
    QCoreApplication::processEvents();

    size_t answered = 0;   // requests in transport.Sent answered so far
    size_t start = 3;
    for (size_t i = 3; i <= size; ++i) {
        const bool cut = i == size || (i + 1 < size && data[i] == 0xFF && data[i + 1] == 0xFE);
        if (!cut)
            continue;
        const uint8_t* piece = data + start;
        const size_t length = i - start;
        start = i + 2;
        if (i < size)
            ++i;
        if (length >= 1 && piece[0] == 0xEE) {
            transport.Advance(4000);
        } else if (answered < transport.Sent.size()) {
            const TestSupport::TSentDatagram request = transport.Sent[answered++];
            if (request.Bytes.size() < Intp::HeaderSize)
                continue;
            const Intp::TPacketHeader asked = Intp::TPacketHeader::Read(request.Bytes.data(), request.Bytes.size());
            const size_t body = length ? length - 1 : 0;
            std::vector<uint8_t> reply(Intp::HeaderSize + body);
            const uint16_t status = length && piece[0] >= 0xF0 ? uint16_t(piece[0] - 0xEF) : 0;
            Intp::TPacketHeader{asked.Command, status, uint16_t(body), asked.Mac}.Write(reply.data());
            if (body)
                std::copy(piece + 1, piece + length, reply.begin() + Intp::HeaderSize);
            Intp::ReceivePacket(request.Ip, reply.size(), reply.data());
        }
        QCoreApplication::processEvents();
    }
    // The page shown again from what the records hold now.
    frame->Notify(host.Current.front(), EventPageShown, 0);
    QCoreApplication::processEvents();

    // The switches go as a new discovery takes them: each leaves the tree
    // (the page is told), then the library forgets them.
    std::vector<Intp::TDevice*> gone = host.All;
    host.Current.clear();
    host.All.clear();
    for (Intp::TDevice* d : gone)
        frame->Notify(d, EventDeviceRemoved, 0);
    frame->Notify(nullptr, EventPageShown, 0);
    QCoreApplication::processEvents();
    Intp::ReleaseLibrary();
    transport.Host = nullptr;
    QCoreApplication::processEvents();
    return 0;
}
