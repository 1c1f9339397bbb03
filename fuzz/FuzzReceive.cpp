// Feeds arbitrary datagrams to the receive dispatcher while feature sessions
// are pending, so that every feature's decoder meets cut, extended and
// garbled replies.
//
// Input: byte 0 gives the number of feature sessions to start (1 to 8), the
// next bytes pick each one from the table of every feature session. The rest
// is split into datagrams at each "\xFF\xFE" pair. A datagram whose first
// byte is below 0x80 is the reply to one of the started requests: that byte
// picks the request, the next two are the status, and the rest is the body
// behind a header with the request's command and switch; any other datagram
// goes to the dispatcher as it stands (its first byte dropped). Every
// datagram is copied into a buffer of its exact size so that a read past its
// end is caught.
#include "FakeTransport.h"
#include "IntpBasics.h"
#include "IntpDhcp.h"
#include "IntpIgmpLldp.h"
#include "IntpIpConf.h"
#include "IntpMonitor.h"
#include "IntpPort.h"
#include "IntpProtocol.h"
#include "IntpQos.h"
#include "IntpRedundancy.h"
#include "IntpSecurity.h"
#include "IntpSnmp.h"
#include "IntpSntp.h"
#include "IntpTransfer.h"
#include "IntpVlan.h"
#include "IntpWarning.h"
#include "LibrarySetup.h"
#include "TestSessions.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <type_traits>
#include <vector>

namespace {

// The input as it is consumed.
struct TInput {
    const uint8_t* Data;
    size_t Size;
    uint8_t Byte() { return Size ? (--Size, *Data++) : 0; }
};

// A folder of its own for the built-in transfers' files: a firmware image
// to upload and the backups written. Removed when the process ends.
const std::filesystem::path& WorkFolder()
{
    // Never destroyed, so that the exit handler can still use it.
    static const std::filesystem::path* const folder = [] {
        char name[] = "/tmp/fuzz_receive.XXXXXX";
        const char* made = mkdtemp(name);
        if (!made)
            std::abort();
        auto* path = new std::filesystem::path(made);
        std::ofstream(*path / "image.bin", std::ios::binary) << std::string(1500, '\x5A');
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(WorkFolder(), ec);
        });
        return path;
    }();
    return *folder;
}

// One feature session, given what it needs to send its request: a table
// for the table Sets, a request record for the TFTP transfers, a file for
// the built-in ones.
template <class T>
std::unique_ptr<Intp::TSession> Make(TInput& in)
{
    std::unique_ptr<T> session;
    if constexpr (std::is_default_constructible_v<T>)
        session = std::make_unique<T>();
    else
        session = std::make_unique<T>(1000);
    if constexpr (requires(T& t) { t.SetData(nullptr, size_t(0), 0); }) {
        std::vector<uint8_t> table(size_t(in.Byte()) * 4, 0);
        for (uint8_t& b : table)
            b = in.Byte();
        session->SetData(table.data(), table.size(), 1 + in.Byte() % 8);
    }
    if constexpr (requires(T& t) { t.SetRequest(Intp::TRemoteRequest{}); })
        session->SetRequest(Intp::MakeRemoteRequest(0xC0000263u, 69, "image.bin"));
    if constexpr (requires(T& t) { t.OpenFile(std::string()); }) {
        const bool backup = std::is_same_v<T, Intp::TSessionBasicsBackupBuildin>;
        session->OpenFile((WorkFolder() / (backup ? "backup.bin" : "image.bin")).string());
    }
    return session;
}

using TMaker = std::unique_ptr<Intp::TSession> (*)(TInput&);

#define FEATURE(name) &Make<Intp::name>
const TMaker Features[] = {
    FEATURE(TSessionBasicsReboot), FEATURE(TSessionBasicsSettingsGet), FEATURE(TSessionBasicsSettingsSet),
    FEATURE(TSessionBasicsSave), FEATURE(TSessionBasicsPassword), FEATURE(TSessionBasicsDefault),
    FEATURE(TSessionBasicsDhcpGet), FEATURE(TSessionBasicsDhcpSet), FEATURE(TSessionBasicsDhcpEntry),
    FEATURE(TSessionBasicsDhcpPortIpGet), FEATURE(TSessionBasicsDhcpPortIpSet), FEATURE(TSessionIgmpGet),
    FEATURE(TSessionIgmpSet), FEATURE(TSessionIgmpTable), FEATURE(TSessionLldpGet), FEATURE(TSessionLldpSet),
    FEATURE(TSessionBasicsIPConfGet), FEATURE(TSessionBasicsIPConfSet), FEATURE(TSessionMonitorEventGet),
    FEATURE(TSessionMonitorEventClear), FEATURE(TSessionMonitorMacGet), FEATURE(TSessionMonitorMacClear),
    FEATURE(TSessionMonitorPortGet), FEATURE(TSessionMonitorPortClear), FEATURE(TSessionMonitorMirrorGet),
    FEATURE(TSessionMonitorMirrorSet), FEATURE(TSessionPortNameGet), FEATURE(TSessionPortConfigGet),
    FEATURE(TSessionPortStatusGet), FEATURE(TSessionPortLimitGet), FEATURE(TSessionPortTrunkGet),
    FEATURE(TSessionPortConfigSet), FEATURE(TSessionPortLimitSet), FEATURE(TSessionPortTrunkSet),
    FEATURE(TSessionIntpLogin), FEATURE(TSessionIntpPing2), FEATURE(TSessionIntpSipGet), FEATURE(TSessionQosGet),
    FEATURE(TSessionQosPortGet), FEATURE(TSessionQosCosGet), FEATURE(TSessionQosTosGet), FEATURE(TSessionQosSet),
    FEATURE(TSessionQosTosSet), FEATURE(TSessionQosPortSet), FEATURE(TSessionQosCosSet),
    FEATURE(TSessionRedundancyGet), FEATURE(TSessionRedundancyRstpGet), FEATURE(TSessionRedundancyRstpInfoGet),
    FEATURE(TSessionRedundancyQloopGet), FEATURE(TSessionRedundancyRstpSet), FEATURE(TSessionRedundancyQloopSet),
    FEATURE(TSessionSecurity8021xGet), FEATURE(TSessionSecurity8021xSet), FEATURE(TSessionSecurity8021xPortGet),
    FEATURE(TSessionSecurity8021xPortSet), FEATURE(TSessionSecurityIpGet), FEATURE(TSessionSecurityIpSet),
    FEATURE(TSessionSecurityMacGet), FEATURE(TSessionSecurityMacAdd), FEATURE(TSessionSecurityMacDel),
    FEATURE(TSessionSecurityPortGet), FEATURE(TSessionSecurityPortAdd), FEATURE(TSessionSecurityPortDel),
    FEATURE(TSessionSnmpGet), FEATURE(TSessionSnmpSet), FEATURE(TSessionSnmpCommunityGet),
    FEATURE(TSessionSnmpCommunitySet), FEATURE(TSessionSnmpTrapGet), FEATURE(TSessionSnmpTrapAdd),
    FEATURE(TSessionSnmpTrapDel), FEATURE(TSessionSnmpUserGet), FEATURE(TSessionSnmpUserAdd),
    FEATURE(TSessionSnmpUserDel), FEATURE(TSessionBasicsSntpGet), FEATURE(TSessionBasicsSntpSet),
    FEATURE(TSessionBasicsUpgradeBuildin), FEATURE(TSessionBasicsRestoreBuildin),
    FEATURE(TSessionBasicsBackupBuildin), FEATURE(TSessionBasicsBackupTftp), FEATURE(TSessionBasicsRestoreTftp),
    FEATURE(TSessionBasicsUpgradeTftp), FEATURE(TSessionVlanGet), FEATURE(TSessionVlanPortGet),
    FEATURE(TSessionVlan8021qGet), FEATURE(TSessionVlan8021qSet), FEATURE(TSessionVlan8021qPortGet),
    FEATURE(TSessionVlan8021qPortSet), FEATURE(TSessionWarningFaultGet), FEATURE(TSessionWarningFaultSet),
    FEATURE(TSessionWarningSyslogGet), FEATURE(TSessionWarningSyslogSet), FEATURE(TSessionWarningSmtpGet),
    FEATURE(TSessionWarningSmtpSet), FEATURE(TSessionWarningEventGet), FEATURE(TSessionWarningEventSet),
};
#undef FEATURE
constexpr size_t FeatureCount = sizeof Features / sizeof Features[0];

// A request that went out: where its reply comes from.
struct TRequest {
    Intp::TDevice* Device;
    uint16_t Command;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    TestSupport::TFakeTransport transport;   // timers on a manual clock
    TestSupport::StartCleanLibrary(&transport);
    Intp::SendFind(nullptr, 0xC00002FFu);
    std::vector<Intp::TDevice*> devices;
    for (uint8_t i = 1; i <= 3; ++i)
        devices.push_back(TestSupport::AddSwitch(TestSupport::Mac(i), i, 0xC0000200u + i));
    devices[0]->SetLoggedIn(true);

    TInput in{data, size};
    std::vector<TRequest> requests;
    const int count = 1 + in.Byte() % 8;
    for (int i = 0; i < count; ++i) {
        const size_t pick = in.Byte() % FeatureCount;
        Intp::TDevice* device = devices[size_t(i) % devices.size()];
        std::unique_ptr<Intp::TSession> session = Features[pick](in);
        const size_t sent = transport.Sent.size();
        if (Intp::StartOwnedSession(std::move(session), device, nullptr) && transport.Sent.size() > sent)
            requests.push_back({device, transport.Sent.back().Command()});
    }
    // The dispatcher's own shapes beside them.
    Intp::StartOwnedSession(std::make_unique<TestSupport::TSessionTestRows>(), devices[1], nullptr);
    Intp::StartOwnedSession(std::make_unique<TestSupport::TSessionTestSet>(5), devices[2], nullptr);

    size_t start = in.Data - data;
    int fed = 0;
    for (size_t i = start; i <= size; ++i) {
        const bool cut = i == size || (i + 1 < size && data[i] == 0xFF && data[i + 1] == 0xFE);
        if (!cut)
            continue;
        const uint8_t* piece = data + start;
        const size_t length = i - start;
        std::vector<uint8_t> datagram;
        uint32_t source = 0xC0000201u + uint32_t(fed % 4);
        if (length >= 3 && piece[0] < 0x80 && !requests.empty()) {
            const TRequest& to = requests[piece[0] % requests.size()];
            datagram.resize(Intp::HeaderSize + length - 3);
            Intp::TPacketHeader{to.Command, uint16_t(piece[1] << 8 | piece[2]), uint16_t(length - 3),
                                to.Device->GetMac()}
                .Write(datagram.data());
            std::copy(piece + 3, piece + length, datagram.begin() + Intp::HeaderSize);
            source = to.Device->GetIp();
        } else if (length >= 1) {
            datagram.assign(piece + 1, piece + length);
        }
        Intp::ReceivePacket(source, datagram.size(), datagram.data());
        if (++fed % 4 == 0)
            transport.Advance(700);   // some sessions time out between datagrams
        start = i + 2;
        if (i < size)
            ++i;
    }
    transport.Advance(120000);
    Intp::ReleaseLibrary();
    return 0;
}
