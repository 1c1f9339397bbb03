// Feeds arbitrary datagrams to the receive dispatcher while sessions of every
// shape are pending. The input is split into datagrams at each "\xFF\xFE"
// pair; every datagram is copied into a buffer of its exact size so that a
// read past its end is caught.
#include "FakeTransport.h"
#include "IntpProtocol.h"
#include "LibrarySetup.h"
#include "TestSessions.h"

#include <memory>
#include <vector>

namespace {

void StartSessions(Intp::TDevice* d)
{
    Intp::StartOwnedSession(std::unique_ptr<Intp::TSession>(TestSupport::NewLogin("admin", "admin")), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpPing2>(1000), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<Intp::TSessionIntpSipGet>(), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<TestSupport::TSessionTestRows>(), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<TestSupport::TSessionTestGet>(), d, nullptr);
    Intp::StartOwnedSession(std::make_unique<TestSupport::TSessionTestSet>(5), d, nullptr);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TestSupport::TFakeTransport transport;   // timers on a manual clock
    TestSupport::StartCleanLibrary(&transport);
    Intp::SendFind(nullptr, 0xC00002FFu);
    for (uint8_t i = 1; i <= 3; ++i) {
        Intp::TDevice* d = TestSupport::AddSwitch(TestSupport::Mac(i), i, 0xC0000200u + i);
        StartSessions(d);
        StartSessions(d);
    }

    size_t start = 0;
    int count = 0;
    for (size_t i = 0; i <= size; ++i) {
        bool cut = i == size || (i + 1 < size && data[i] == 0xFF && data[i + 1] == 0xFE);
        if (!cut)
            continue;
        std::vector<uint8_t> datagram(data + start, data + i);
        Intp::ReceivePacket(0xC0000201u + uint32_t(count % 4), datagram.size(), datagram.data());
        if (++count % 4 == 0)
            transport.Advance(700);   // some sessions time out between datagrams
        start = i + 2;
        if (i < size)
            ++i;
    }
    transport.Advance(120000);
    Intp::ReleaseLibrary();
    return 0;
}
