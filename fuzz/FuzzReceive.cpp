// Feeds arbitrary datagrams to the receive dispatcher while feature sessions
// are pending, so that every feature's decoder meets good, cut, extended and
// garbled replies, while the requesters start and end sessions and delete
// devices from inside the reports.
//
// Input, in this order (bytes past the end read as zero):
//   flags       bits 0-1: switches - 1; bit 2: the discovery request's
//               observer acts; bits 3-6: logged-in flag of each switch
//   models      one byte per switch: its model, 0 (unknown) to 6
//   count       1 + count % 12 sessions to start, each:
//     pick      the session (index into the table of every session)
//     where     bits 0-1: the switch; bits 2-3: its observer (0 none,
//               1 one that only records, 2 and 3 one that acts)
//     value     a length byte and that many bytes: the session's value or
//               table (see Give); an empty value gives none
//   script      a length byte and that many bytes: what the acting
//               observers and the own-rule sessions do, one step per report
//               or offered datagram (see Act), until it runs out
//   datagrams   the rest, split at each "\xFF\xFE" pair. A datagram whose
//               first byte is below 0x80 answers a request the switches
//               were sent (that byte picks it, in sending order), the next
//               two are the status and the rest is the body behind a header
//               with the request's command and switch (a reply to the
//               discovery request comes from the switch the second byte
//               picks, its status the third byte, and a first body byte
//               below 7 stands for that model's product identifier). A
//               first byte from 0x80 to 0xBF sends the rest as it stands
//               (from a switch's address). A first byte of 0xC0 or more
//               ends a hand-over: the clock moves on by (byte & 0x3F) *
//               250 ms, so that timers fire.
// The datagrams of one hand-over are announced (Intp::PrefetchPacket)
// PrefetchDistance datagrams ahead of their delivery, as the receive pump
// does. Every datagram is delivered from a buffer of its exact size, so
// that a read past its end is caught.
//
// With FUZZ_RECEIVE_REPORT set, the target prints at exit, per session,
// how many requests went out and how many replies reached its decoder.
// With FUZZ_RECEIVE_SEEDS=<folder> it writes its seed inputs (a reply its
// decoder accepts for every session) into that folder and exits.
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

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

namespace {

using Intp::TDevice;
using Intp::TSession;

// ---------------------------------------------------------------------------
// Reading the input
// ---------------------------------------------------------------------------

struct TInput {
    const uint8_t* Data = nullptr;
    size_t Size = 0;

    bool Empty() const { return Size == 0; }
    uint8_t Byte() { return Size ? (--Size, *Data++) : 0; }
    uint16_t U16()
    {
        const uint16_t hi = Byte();
        return uint16_t(hi << 8 | Byte());
    }
    uint32_t U32()
    {
        const uint32_t hi = U16();
        return hi << 16 | U16();
    }
    std::vector<uint8_t> Bytes(size_t n)
    {
        std::vector<uint8_t> out(n);
        for (uint8_t& b : out)
            b = Byte();
        return out;
    }
    // A length byte, then the text: below 0x80 that many bytes, else
    // (byte & 0x7F) * 4, so that a text can overfill any field.
    std::string Text()
    {
        const uint8_t b = Byte();
        const size_t n = b < 0x80 ? b : size_t(b & 0x7F) * 4;
        const std::vector<uint8_t> bytes = Bytes(n);
        return std::string(bytes.begin(), bytes.end());
    }
    // A length byte, then as many bytes as a part of its own.
    TInput Part()
    {
        const size_t n = std::min<size_t>(Byte(), Size);
        TInput part{Data, n};
        Data += n;
        Size -= n;
        return part;
    }
    Intp::TMacAddr Mac()
    {
        const std::vector<uint8_t> bytes = Bytes(6);
        return Intp::TMacAddr(bytes.data());
    }
};

// A table's entry count: the one the switch's model takes, unless the byte
// is 0xF0 or more (then its low four bits, often not fitting).
int Count(TInput& in, uint32_t fits)
{
    const uint8_t b = in.Byte();
    return b < 0xF0 ? int(fits) : int(b & 0x0F);
}

// ---------------------------------------------------------------------------
// Local files of the built-in transfers
// ---------------------------------------------------------------------------

// A folder of its own: two firmware images to upload and the backups
// written. Removed when the process ends.
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
        std::ofstream(*path / "small.bin", std::ios::binary) << std::string(10, '\x33');
        std::atexit([] {
            std::error_code ec;
            std::filesystem::remove_all(WorkFolder(), ec);
        });
        return path;
    }();
    return *folder;
}

// ---------------------------------------------------------------------------
// Each session's value or table, from the input
// ---------------------------------------------------------------------------

// An odd first byte gives the session a raw record through `set`: of
// `length` bytes, or with bit 1 of `wrongLength`. True when it did.
template <class TSet>
bool GaveRawRecord(TInput& in, size_t length, size_t wrongLength, TSet set)
{
    const uint8_t how = in.Byte();
    if (!(how & 1))
        return false;
    const std::vector<uint8_t> bytes = in.Bytes(how & 2 ? wrongLength : length);
    set(bytes.data(), bytes.size());
    return true;
}

void Give(Intp::TSessionBasicsSettingsSet& s, TInput& in, TDevice*)
{
    // The raw body; any length but 1024 is refused.
    if (GaveRawRecord(in, Intp::SysSetLength, 1000, [&](const uint8_t* b, size_t n) { s.SetValue(b, n); }))
        return;
    Intp::TBasicsSettingsValue v;
    v.Name = in.Text();
    v.Description = in.Text();
    v.Location = in.Text();
    v.Contact = in.Text();
    s.SetValue(v);
}

void Give(Intp::TSessionBasicsPassword& s, TInput& in, TDevice*)
{
    if (GaveRawRecord(in, Intp::PasswordSetLength, 31, [&](const uint8_t* b, size_t n) { s.SetValue(b, n); }))
        return;
    Intp::TBasicsPasswordValue v;
    v.User = in.Text();
    v.Password = in.Text();
    s.SetValue(v);
}

void Give(Intp::TSessionBasicsDefault& s, TInput& in, TDevice*)
{
    s.SetReboot(in.Byte());
    s.SetKeepFlags(in.Byte());
}

void Give(Intp::TSessionBasicsDhcpSet& s, TInput& in, TDevice*)
{
    if (GaveRawRecord(in, sizeof(Intp::TBasicsDhcpRequest), 24,
                      [&](const uint8_t* b, size_t n) { s.SetValue(b, n); }))
        return;
    Intp::TBasicsDhcpRequest r;
    r.ServerEnabled = in.Byte();
    r.StartIp = in.U32();
    r.EndIp = in.U32();
    r.Netmask = in.U32();
    r.Gateway = in.U32();
    r.Dns = in.U32();
    r.LeaseTime = in.U32();
    s.SetValue(r);
}

void Give(Intp::TSessionBasicsDhcpPortIpSet& s, TInput& in, TDevice* d)
{
    const int n = Count(in, d->GetPortCount());
    std::vector<uint32_t> addresses(size_t(std::max(n, 0)));
    for (uint32_t& a : addresses)
        a = in.U32();
    s.SetValue(addresses.data(), n);
}

void Give(Intp::TSessionIgmpSet& s, TInput& in, TDevice*)
{
    Intp::TIgmpSetRequest r;
    r.Snooping = in.Byte();
    r.QueryMode = in.Byte();
    s.SetValue(r);
}

void Give(Intp::TSessionLldpSet& s, TInput& in, TDevice*)
{
    Intp::TLldpSetRequest r;
    r.Enabled = in.Byte();
    r.Reserved = in.Byte();
    r.Interval = in.U16();
    s.SetData(r);
}

void Give(Intp::TSessionBasicsIPConfSet& s, TInput& in, TDevice*)
{
    Intp::TBasicsIPConfValue v;
    const std::vector<uint8_t> digest = in.Bytes(sizeof v.Digest);
    std::copy(digest.begin(), digest.end(), v.Digest);
    v.Dhcp = in.Byte();
    v.Ip = in.U32();
    v.Netmask = in.U32();
    v.Gateway = in.U32();
    v.Dns1 = in.U32();
    v.Dns2 = in.U32();
    s.SetValue(v);
}

void Give(Intp::TSessionMonitorMirrorSet& s, TInput& in, TDevice*)
{
    Intp::TMonitorMirrorRequest r;
    r.DestRx = in.Byte();
    r.DestTx = in.Byte();
    r.SourceRxMask = in.U32();
    r.SourceTxMask = in.U32();
    s.SetData(r);
}

// The port tables: rows of `rowSize` bytes after `head` bytes.
template <class T>
void GiveRows(T& s, TInput& in, uint32_t fits, size_t head, size_t rowSize)
{
    const int n = Count(in, fits);
    const std::vector<uint8_t> table = in.Bytes(head + rowSize * size_t(std::max(n, 0)));
    s.SetData(table.data(), table.size(), n);
}

void Give(Intp::TSessionPortConfigSet& s, TInput& in, TDevice* d)
{
    GiveRows(s, in, d->GetLogicalPortCount(), Intp::PortConfigHeadSize, Intp::PortConfigRequestRowSize);
}

void Give(Intp::TSessionPortLimitSet& s, TInput& in, TDevice* d)
{
    GiveRows(s, in, d->GetPortCount(), 0, Intp::PortLimitRowSize);
}

void Give(Intp::TSessionPortTrunkSet& s, TInput& in, TDevice* d)
{
    GiveRows(s, in, d->GetTrunkCount(), 0, Intp::PortTrunkRowSize);
}

void Give(Intp::TSessionIntpLogin& s, TInput& in, TDevice*)
{
    const std::vector<uint8_t> digest = in.Bytes(16);
    s.SetDigest(digest.data());
}

template <uint16_t N, class TGet, size_t L>
void Give(Intp::TQosRequestSet<N, TGet, L>& s, TInput& in, TDevice*)
{
    const uint8_t how = in.Byte();
    const std::vector<uint8_t> request = in.Bytes(how & 1 ? L + 1 : L);
    s.SetData(request);
}

void Give(Intp::TSessionQosPortSet& s, TInput& in, TDevice* d)
{
    const int n = Count(in, d->GetPortCount());
    s.SetData(in.Bytes(size_t(std::max(n, 0))), n);
}

void Give(Intp::TSessionQosCosSet& s, TInput& in, TDevice* d)
{
    const int n = Count(in, d->GetPortCount());
    s.SetData(in.Bytes(size_t(std::max(n, 0)) + Intp::QosCosPriorityCount), n);
}

void Give(Intp::TSessionRedundancyRstpSet& s, TInput& in, TDevice* d)
{
    const int n = Count(in, d->GetPortCount());
    s.SetData(in.Bytes(size_t(std::max(n, 0)) * Intp::RstpRowSize + Intp::RstpHeadSize), n);
}

void Give(Intp::TSessionRedundancyQloopSet& s, TInput& in, TDevice*)
{
    Intp::TRedundancyQloopRequest r;
    for (uint8_t* field : {&r.RingEnabled, &r.RingMaster, &r.FirstRingPort, &r.SecondRingPort, &r.CouplingEnabled,
                           &r.CouplingControlPort, &r.CouplingPort, &r.HomingEnabled, &r.HomingPort})
        *field = in.Byte();
    s.SetData(r);
}

void Give(Intp::TSessionSecurity8021xSet& s, TInput& in, TDevice*)
{
    // A wide value (over its wire field) keeps the request from going out.
    const bool wide = in.Byte() & 1;
    auto value = [&] { return wide ? in.U32() : in.U16(); };
    Intp::TPropertySecurity8021x r;
    r.Enabled = in.Byte();
    r.RadiusServer = in.U32();
    r.ServerPort = value();
    r.AccountingPort = value();
    r.SharedKey = in.Text();
    r.NasIdentifier = in.Text();
    r.QuietPeriod = value();
    r.TxPeriod = value();
    r.SupplicantTimeout = value();
    r.ServerTimeout = value();
    r.MaxRequests = wide ? value() : in.Byte();
    r.ReauthPeriod = in.U32();
    s.SetData(r);
}

void Give(Intp::TSessionSecurity8021xPortSet& s, TInput& in, TDevice* d)
{
    const int n = Count(in, d->GetPortCount());
    const std::vector<uint8_t> modes = in.Bytes(size_t(std::max(n, 0)));
    s.SetData(modes.data(), n);
}

void Give(Intp::TSessionSecurityIpSet& s, TInput& in, TDevice* d)
{
    const int n = Count(in, d->GetIpSecurityCount());
    Intp::TPropertySecurityIp r;
    r.Enabled = in.Byte();
    r.Management = in.U32();
    for (int i = 0; i < n; ++i)
        r.Addresses.push_back(in.U32());
    s.SetData(r);
}

void Give(Intp::TSessionSecurityMacAdd& s, TInput& in, TDevice*) { s.SetData(in.Mac()); }
void Give(Intp::TSessionSecurityMacDel& s, TInput& in, TDevice*) { s.SetData(in.Mac()); }
void Give(Intp::TSessionSecurityPortDel& s, TInput& in, TDevice*) { s.SetData(in.Mac()); }

void Give(Intp::TSessionSecurityPortAdd& s, TInput& in, TDevice*)
{
    Intp::TPropertySecurityPortEntry e;
    e.Port = in.Byte();
    e.Address = in.Mac();
    s.SetData(e);
}

void Give(Intp::TSessionSnmpSet& s, TInput& in, TDevice*) { s.SetData(in.Byte()); }

void Give(Intp::TSessionSnmpCommunitySet& s, TInput& in, TDevice* d)
{
    const int n = Count(in, d->GetSnmpCommunityCount());
    std::vector<Intp::TPropertySnmpCommunityEntry> rows(size_t(std::max(n, 0)));
    for (auto& row : rows) {
        row.Name = in.Text();
        row.Privilege = in.Byte();
    }
    s.SetData(rows);
}

void Give(Intp::TSessionSnmpTrapAdd& s, TInput& in, TDevice*)
{
    Intp::TPropertySnmpTrapEntry e;
    e.Server = in.U32();
    e.Community = in.Text();
    e.Version = in.Byte();
    s.SetData(e);
}

void Give(Intp::TSessionSnmpTrapDel& s, TInput& in, TDevice*) { s.SetData(in.U32()); }

void Give(Intp::TSnmpUserRequest& s, TInput& in, TDevice*)
{
    const std::string user = in.Text(), auth = in.Text(), priv = in.Text();
    s.SetData(user, auth, priv);
}

void Give(Intp::TSessionBasicsSntpSet& s, TInput& in, TDevice*)
{
    Intp::TBasicsSntpValue v;
    v.Enabled = in.Byte();
    v.TimeZone = in.U16();
    v.Server = in.U32();
    v.DstEnabled = in.Byte();
    v.DstBegin = in.U32();
    v.DstEnd = in.U32();
    v.DstOffset = in.U32();
    s.SetValue(v);
}

// The uploads: a 1500-byte image, a 10-byte one, or a file that is missing.
template <uint16_t N>
void Give(Intp::TSessionBasicsUpgradeBuildinBase<N>& s, TInput& in, TDevice*)
{
    static const char* const names[] = {"image.bin", "small.bin", "missing.bin"};
    s.OpenFile((WorkFolder() / names[in.Byte() % 3]).string());
}

// Two backup names, so that a second backup into one name is refused.
void Give(Intp::TSessionBasicsBackupBuildin& s, TInput& in, TDevice*)
{
    s.OpenFile((WorkFolder() / ("backup" + std::to_string(in.Byte() % 2) + ".bin")).string());
}

template <uint16_t N>
void Give(Intp::TSessionBasicsUpgradeTftpBase<N>& s, TInput& in, TDevice*)
{
    if (GaveRawRecord(in, sizeof(Intp::TRemoteRequest), 37, [&](const uint8_t* b, size_t n) { s.SetRequest(b, n); }))
        return;
    const uint32_t ip = in.U32();
    const uint16_t port = in.U16();
    s.SetRequest(Intp::MakeRemoteRequest(ip, port, in.Text()));
}

void Give(Intp::TSessionVlan8021qSet& s, TInput& in, TDevice*)
{
    const bool gvrp = in.Byte() & 1;
    s.SetData(gvrp, in.U16());
}

void Give(Intp::TSessionVlan8021qPortSet& s, TInput& in, TDevice*)
{
    // A list whose last item is not 0 is refused.
    const uint8_t how = in.Byte();
    std::vector<uint16_t> items(1 + (how & 0x3F));
    for (uint16_t& item : items)
        item = in.U16();
    if (!(how & 0x80))
        items.back() = 0;
    s.SetData(items);
}

void Give(Intp::TSessionWarningFaultSet& s, TInput& in, TDevice*)
{
    Intp::TPropertyWarningFault r;
    r.SystemAlarms = in.U32();
    r.PortAlarms = in.U32();
    s.SetData(r);
}

void Give(Intp::TSessionWarningSyslogSet& s, TInput& in, TDevice*)
{
    Intp::TPropertyWarningSyslog r;
    r.Mode = in.Byte() & 1 ? in.U32() : in.Byte();
    r.Server = in.U32();
    s.SetData(r);
}

void Give(Intp::TSessionWarningSmtpSet& s, TInput& in, TDevice* d)
{
    const int n = Count(in, d->GetSmtpEntryCount());
    Intp::TPropertyWarningSmtp r;
    r.Enabled = in.Byte();
    r.Server = in.U32();
    r.Sender = in.Text();
    r.Subject = in.Text();
    r.Account = in.Text();
    const std::string password = in.Text();
    for (int i = 0; i < n; ++i)
        r.Recipients.push_back(in.Text());
    s.SetData(r, password);
}

void Give(Intp::TSessionWarningEventSet& s, TInput& in, TDevice*)
{
    Intp::TPropertyWarningEvent r;
    for (uint32_t* field : {&r.SyslogSystem, &r.SyslogLinkUp, &r.SyslogLinkDown, &r.MailSystem, &r.MailLinkUp,
                            &r.MailLinkDown})
        *field = in.U32();
    s.SetData(r);
}

// ---------------------------------------------------------------------------
// A session with its own rule: offered every datagram, it takes one step of
// the script each time (see Act) and then declines, takes and waits, or
// takes and finishes, as the script's byte says.
// ---------------------------------------------------------------------------

class TSessionOwnRule final : public Intp::TSessionGeneral<0x7F20> {
public:
    const char* GetName() const override { return "OwnRule"; }
    bool ReplyKey(Intp::TMacAddr&, uint16_t&) const override { return false; }
    int OnReply(TDevice* device, const Intp::TPacketHeader& header, Intp::TBody body) override;
};

// ---------------------------------------------------------------------------
// The table of every session
// ---------------------------------------------------------------------------

template <class T>
std::unique_ptr<T> Construct(TInput& value)
{
    if constexpr (std::is_same_v<T, Intp::TSessionIntpPing2>)
        return std::make_unique<T>(100u * (1u + value.Byte()));
    else if constexpr (std::is_same_v<T, TestSupport::TSessionTestSet>)
        return std::make_unique<T>(value.U16());
    else
        return std::make_unique<T>();
}

// A new session of type T with its value from `value` (none when empty).
template <class T>
std::unique_ptr<TSession> Make(TInput& value, TDevice* device)
{
    const bool given = !value.Empty();
    std::unique_ptr<T> session = Construct<T>(value);
    if constexpr (requires { Give(*session, value, device); })
        if (given)
            Give(*session, value, device);
    return session;
}

template <class T>
const char* NameOf()
{
    TInput none;
    static const std::string name = Construct<T>(none)->GetName();
    return name.c_str();
}

struct TFeature {
    std::unique_ptr<TSession> (*Make)(TInput& value, TDevice* device);
    uint16_t Command;
    const char* (*Name)();
};

#define FEATURE(type) TFeature{&Make<type>, type::Command, &NameOf<type>}
#define INTP(name) FEATURE(Intp::name)
const TFeature Features[] = {
    INTP(TSessionBasicsReboot), INTP(TSessionBasicsSettingsGet), INTP(TSessionBasicsSettingsSet),
    INTP(TSessionBasicsSave), INTP(TSessionBasicsPassword), INTP(TSessionBasicsDefault),
    INTP(TSessionBasicsDhcpGet), INTP(TSessionBasicsDhcpSet), INTP(TSessionBasicsDhcpEntry),
    INTP(TSessionBasicsDhcpPortIpGet), INTP(TSessionBasicsDhcpPortIpSet), INTP(TSessionIgmpGet),
    INTP(TSessionIgmpSet), INTP(TSessionIgmpTable), INTP(TSessionLldpGet), INTP(TSessionLldpSet),
    INTP(TSessionBasicsIPConfGet), INTP(TSessionBasicsIPConfSet), INTP(TSessionMonitorEventGet),
    INTP(TSessionMonitorEventClear), INTP(TSessionMonitorMacGet), INTP(TSessionMonitorMacClear),
    INTP(TSessionMonitorPortGet), INTP(TSessionMonitorPortClear), INTP(TSessionMonitorMirrorGet),
    INTP(TSessionMonitorMirrorSet), INTP(TSessionPortNameGet), INTP(TSessionPortConfigGet),
    INTP(TSessionPortStatusGet), INTP(TSessionPortLimitGet), INTP(TSessionPortTrunkGet),
    INTP(TSessionPortConfigSet), INTP(TSessionPortLimitSet), INTP(TSessionPortTrunkSet),
    INTP(TSessionIntpLogin), INTP(TSessionIntpPing2), INTP(TSessionIntpSipGet), INTP(TSessionQosGet),
    INTP(TSessionQosPortGet), INTP(TSessionQosCosGet), INTP(TSessionQosTosGet), INTP(TSessionQosSet),
    INTP(TSessionQosTosSet), INTP(TSessionQosPortSet), INTP(TSessionQosCosSet),
    INTP(TSessionRedundancyGet), INTP(TSessionRedundancyRstpGet), INTP(TSessionRedundancyRstpInfoGet),
    INTP(TSessionRedundancyQloopGet), INTP(TSessionRedundancyRstpSet), INTP(TSessionRedundancyQloopSet),
    INTP(TSessionSecurity8021xGet), INTP(TSessionSecurity8021xSet), INTP(TSessionSecurity8021xPortGet),
    INTP(TSessionSecurity8021xPortSet), INTP(TSessionSecurityIpGet), INTP(TSessionSecurityIpSet),
    INTP(TSessionSecurityMacGet), INTP(TSessionSecurityMacAdd), INTP(TSessionSecurityMacDel),
    INTP(TSessionSecurityPortGet), INTP(TSessionSecurityPortAdd), INTP(TSessionSecurityPortDel),
    INTP(TSessionSnmpGet), INTP(TSessionSnmpSet), INTP(TSessionSnmpCommunityGet),
    INTP(TSessionSnmpCommunitySet), INTP(TSessionSnmpTrapGet), INTP(TSessionSnmpTrapAdd),
    INTP(TSessionSnmpTrapDel), INTP(TSessionSnmpUserGet), INTP(TSessionSnmpUserAdd),
    INTP(TSessionSnmpUserDel), INTP(TSessionBasicsSntpGet), INTP(TSessionBasicsSntpSet),
    INTP(TSessionBasicsUpgradeBuildin), INTP(TSessionBasicsRestoreBuildin),
    INTP(TSessionBasicsBackupBuildin), INTP(TSessionBasicsBackupTftp), INTP(TSessionBasicsRestoreTftp),
    INTP(TSessionBasicsUpgradeTftp), INTP(TSessionVlanGet), INTP(TSessionVlanPortGet),
    INTP(TSessionVlan8021qGet), INTP(TSessionVlan8021qSet), INTP(TSessionVlan8021qPortGet),
    INTP(TSessionVlan8021qPortSet), INTP(TSessionWarningFaultGet), INTP(TSessionWarningFaultSet),
    INTP(TSessionWarningSyslogGet), INTP(TSessionWarningSyslogSet), INTP(TSessionWarningSmtpGet),
    INTP(TSessionWarningSmtpSet), INTP(TSessionWarningEventGet), INTP(TSessionWarningEventSet),
    // The dispatcher's own shapes: a table read in several datagrams, a Set
    // with its follow-up Get, and a session with its own rule.
    FEATURE(TestSupport::TSessionTestRows), FEATURE(TestSupport::TSessionTestGet),
    FEATURE(TestSupport::TSessionTestSet), FEATURE(TSessionOwnRule),
};
#undef INTP
#undef FEATURE
constexpr size_t FeatureCount = std::size(Features);

// ---------------------------------------------------------------------------
// What the decoders saw, over the whole run of the process
// ---------------------------------------------------------------------------

struct TCounts {
    uint64_t Sent = 0;       // requests with the session's command
    uint64_t Reports = 0;
    uint64_t Decoded = 0;    // replies of status 0 that reached the decoder and passed
    uint64_t Rejected = 0;   // ... and that it rejected (0x1100 to 0x1102)
    uint64_t Other = 0;      // replies with the switch's own error code, past the checks
};

// Indexed by feature; the discovery request last.
TCounts g_Counts[FeatureCount + 1];
// Datagrams announced, and the timer steps the announcements asked for.
uint64_t g_Announced = 0, g_TimerSteps = 0;
// What the script's steps did inside reports and offers, by kind (see Act).
uint64_t g_Steps[8] = {};

size_t FeatureOf(uint16_t command)
{
    static const std::vector<size_t> index = [] {
        std::vector<size_t> byCommand(0x10000, FeatureCount);
        for (size_t i = 0; i < FeatureCount; ++i)
            byCommand[Features[i].Command] = i;
        return byCommand;
    }();
    return index[command];
}

void PrintCounts()
{
    size_t reached = 0, decoders = 0;
    std::fprintf(stderr, "%-20s %10s %10s %10s %10s %10s\n", "session", "sent", "reports", "decoded", "rejected",
                 "other");
    for (size_t i = 0; i <= FeatureCount; ++i) {
        const TCounts& c = g_Counts[i];
        const char* name = i < FeatureCount ? Features[i].Name() : "Find";
        const bool ran = c.Decoded + c.Rejected > 0;
        // The own-rule session has no decoder of its own.
        const bool decoder = i == FeatureCount || Features[i].Command != TSessionOwnRule::Command;
        decoders += decoder ? 1 : 0;
        reached += decoder && ran ? 1 : 0;
        std::fprintf(stderr, "%-20s %10llu %10llu %10llu %10llu %10llu%s\n", name, (unsigned long long)c.Sent,
                     (unsigned long long)c.Reports, (unsigned long long)c.Decoded, (unsigned long long)c.Rejected,
                     (unsigned long long)c.Other, ran || !decoder ? "" : "   decoder not reached");
    }
    std::fprintf(stderr, "decoders reached: %zu of %zu\n", reached, decoders);
    std::fprintf(stderr, "datagrams announced: %llu, timer prefetch steps: %llu\n", (unsigned long long)g_Announced,
                 (unsigned long long)g_TimerSteps);
    std::fprintf(stderr,
                 "inside reports and offers: %llu sessions started, %llu ended, %llu switches deleted, "
                 "%llu discoveries, %llu switches back, %llu model or login changes\n",
                 (unsigned long long)g_Steps[1], (unsigned long long)g_Steps[2], (unsigned long long)g_Steps[3],
                 (unsigned long long)g_Steps[4], (unsigned long long)g_Steps[5], (unsigned long long)g_Steps[6]);
}

// ---------------------------------------------------------------------------
// One run
// ---------------------------------------------------------------------------

// The transport: counts what goes out and what is reported, and holds the
// pump's prefetch to its contract (the session is pending at the call).
class THarnessTransport final : public TestSupport::TFakeTransport {
public:
    void SendDatagram(uint32_t ip, const uint8_t* data, size_t length) override
    {
        TFakeTransport::SendDatagram(ip, data, length);
        ++g_Counts[FeatureOf(Sent.back().Command())].Sent;
    }
    void Report(TDevice* device, uint16_t command, uint32_t status, void* data, Intp::TWizard* observer,
                const char* name) override
    {
        TCounts& c = g_Counts[FeatureOf(command)];
        ++c.Reports;
        if (status == Intp::StatusOk)
            ++c.Decoded;
        else if (status >= Intp::StatusTableError && status <= Intp::StatusConflict)
            ++c.Rejected;
        else if (status != Intp::StatusShort && status != Intp::StatusRefused && status != Intp::StatusTimeout)
            ++c.Other;
        TFakeTransport::Report(device, command, status, data, observer, name);
    }
    void PrefetchTimer(TSession* session, int step) override
    {
        if (!session->IsPending() || step < 0 || step > 2)
            __builtin_trap();
        ++g_TimerSteps;
    }
};

class TActingObserver final : public Intp::TWizard {
public:
    void OnSessionEvent(TDevice* device, int command, uint16_t status, void* data) override;
};

struct TRun {
    THarnessTransport Transport;
    std::vector<Intp::TMacAddr> Macs;
    std::vector<uint32_t> Models;
    TInput Script;
    TActingObserver Acting;
    TestSupport::TRecordingWizard Recording;
};
TRun* g_Run = nullptr;
// While the seeds are written: the commands sent by the end of a run's
// first hand-over.
bool g_WritingSeeds = false;
std::vector<uint16_t> g_FirstSent;
bool g_FirstHandOver = false;

uint32_t SwitchIp(size_t i) { return 0xC0000201u + uint32_t(i); }

Intp::TWizard* Observer(uint8_t choice)
{
    switch (choice & 3) {
    case 0: return nullptr;
    case 1: return &g_Run->Recording;
    default: return &g_Run->Acting;
    }
}

TDevice* AddSwitch(size_t i)
{
    return TestSupport::AddSwitch(g_Run->Macs[i], g_Run->Models[i], SwitchIp(i));
}

// Starts a session of the table on switch `where & 3` (when it exists),
// its value from `value`; deleted when it cannot start.
bool StartFeature(uint8_t pick, uint8_t where, TInput value)
{
    TDevice* device = Intp::GetDevice(g_Run->Macs[where % g_Run->Macs.size()], false);
    if (!device)
        return false;
    return Intp::StartOwnedSession(Features[pick % FeatureCount].Make(value, device), device, Observer(where >> 2));
}

// The session that is running (reporting, or being offered a datagram) is
// never ended from inside: its code is still on the stack.
struct TRunning {
    Intp::TMacAddr Mac;
    uint16_t Command = 0;
    const void* Session = nullptr;
    bool Is(TSession* s) const
    {
        Intp::TMacAddr mac;
        uint16_t command = 0;
        return s == Session || (s->ReplyKey(mac, command) && mac == Mac && command == Command);
    }
};

// One step of the script: what a requester (or the main window behind it)
// may do inside a report.
void Act(const TRunning& running)
{
    TInput& script = g_Run->Script;
    if (script.Empty())
        return;
    const uint8_t op = script.Byte();
    switch (op % 8) {
    case 0:
        break;
    case 1: {   // start a session
        const uint8_t pick = script.Byte(), where = script.Byte();
        g_Steps[1] += StartFeature(pick, where, script.Part()) ? 1 : 0;
        break;
    }
    case 2: {   // end a pending session
        const auto& list = Intp::SessionList();
        if (list.empty())
            break;
        const size_t from = script.Byte() % list.size();
        for (size_t i = 0; i < list.size(); ++i)
            if (TSession* s = list[(from + i) % list.size()]; !running.Is(s)) {
                delete s;
                ++g_Steps[2];
                break;
            }
        break;
    }
    case 3:     // delete a switch
        if (TDevice* d = Intp::GetDevice(g_Run->Macs[script.Byte() % g_Run->Macs.size()], false)) {
            delete d;
            ++g_Steps[3];
        }
        break;
    case 4:     // a new discovery deletes every switch
        Intp::DeleteAllDevices();
        ++g_Steps[4];
        if (op & 8)
            Intp::SendFind(Observer(op >> 4), 0xC00002FFu);
        break;
    case 5:     // the switches deleted come back at their addresses
        for (size_t i = 0; i < g_Run->Macs.size(); ++i)
            if (!Intp::GetDevice(g_Run->Macs[i], false)) {
                AddSwitch(i);
                ++g_Steps[5];
            }
        break;
    case 6: {   // a switch changes its model or its login
        TDevice* d = Intp::GetDevice(g_Run->Macs[script.Byte() % g_Run->Macs.size()], false);
        const uint8_t how = script.Byte();
        if (d && (op & 8))
            d->SetType(how % 7);
        else if (d)
            d->SetLoggedIn(how & 1);
        g_Steps[6] += d ? 1 : 0;
        break;
    }
    default:    // several steps at once
        Act(running);
        Act(running);
        break;
    }
}

void TActingObserver::OnSessionEvent(TDevice* device, int command, uint16_t, void* data)
{
    TRunning running;
    if (device)
        running.Mac = device->GetMac();
    running.Command = uint16_t(command);
    running.Session = data;
    Act(running);
}

int TSessionOwnRule::OnReply(TDevice*, const Intp::TPacketHeader&, Intp::TBody)
{
    if (!g_Run || g_Run->Script.Empty())
        return Intp::ReplyNotMine;
    TRunning running;
    running.Session = this;
    const uint8_t answer = g_Run->Script.Byte();
    Act(running);
    switch (answer >> 6) {
    case 2: return Intp::ReplyWaiting;
    case 3: return Intp::ReplyFinished;
    default: return Intp::ReplyNotMine;
    }
}

// The datagram a piece of the input stands for (see the top of the file).
std::vector<uint8_t> Build(const uint8_t* piece, size_t length, uint32_t& source)
{
    std::vector<uint8_t> datagram;
    const auto& sent = g_Run->Transport.Sent;
    if (length >= 3 && piece[0] < 0x80 && !sent.empty()) {
        const TestSupport::TSentDatagram& to = sent[piece[0] % sent.size()];
        Intp::TMacAddr mac(to.Bytes.data() + 6);
        uint16_t status = uint16_t(piece[1] << 8 | piece[2]);
        std::vector<uint8_t> body(piece + 3, piece + length);
        if (mac.IsZero()) {
            // A discovery reply: from one of the switches, its status in the
            // second byte; a first body byte below 7 stands for the product
            // identifier of that model.
            mac = g_Run->Macs[piece[1] % g_Run->Macs.size()];
            status = piece[2];
            if (!body.empty() && body[0] < 7) {
                const uint32_t id =
                    body[0] ? Intp::ProductIdOf(Intp::BuiltinModels[body[0] - 1].ModelCode) : 0x12345678u;
                body.erase(body.begin());
                body.insert(body.begin(), 4, 0);
                Intp::PutBE32(body.data(), id);
            }
        }
        datagram.resize(Intp::HeaderSize + body.size());
        Intp::TPacketHeader{to.Command(), status, uint16_t(body.size()), mac}.Write(datagram.data());
        std::copy(body.begin(), body.end(), datagram.begin() + Intp::HeaderSize);
        const TDevice* device = Intp::GetDevice(mac, false);
        source = device && Intp::IsRequestAddress(device->GetIp()) ? device->GetIp()
                 : Intp::IsRequestAddress(to.Ip)                  ? to.Ip
                                                                  : 0xC0000263u;
    } else if (length >= 1) {
        datagram.assign(piece + 1, piece + length);
        source = SwitchIp(piece[0] % 8);
    }
    return datagram;
}

void RunOne(const uint8_t* data, size_t size)
{
    TRun run;
    g_Run = &run;
    TestSupport::StartCleanLibrary(&run.Transport);

    g_FirstHandOver = false;
    TInput in{data, size};
    const uint8_t flags = in.Byte();
    const size_t switches = 1 + (flags & 3);
    for (size_t i = 0; i < switches; ++i) {
        run.Macs.push_back(TestSupport::Mac(uint8_t(1 + i)));
        run.Models.push_back(in.Byte() % 7);
        AddSwitch(i)->SetLoggedIn(flags & (8u << i));
    }
    Intp::SendFind(flags & 4 ? &run.Acting : nullptr, 0xC00002FFu);

    const int count = 1 + in.Byte() % 12;
    for (int i = 0; i < count; ++i) {
        const uint8_t pick = in.Byte(), where = in.Byte();
        StartFeature(pick, where, in.Part());
    }
    run.Script = in.Part();

    // The datagrams, in hand-overs.
    struct TPiece {
        const uint8_t* Data;
        size_t Length;
    };
    std::vector<TPiece> slice;
    auto handOver = [&] {
        std::vector<std::vector<uint8_t>> built(slice.size());
        std::vector<uint32_t> sources(slice.size());
        size_t ahead = 0;
        auto announce = [&] {
            if (ahead == slice.size())
                return;
            built[ahead] = Build(slice[ahead].Data, slice[ahead].Length, sources[ahead]);
            Intp::PrefetchPacket(built[ahead].size(), built[ahead].data());
            ++g_Announced;
            ++ahead;
        };
        for (size_t i = 0; i < Intp::PrefetchDistance; ++i)
            announce();
        for (size_t i = 0; i < slice.size(); ++i) {
            announce();
            const std::vector<uint8_t>& d = built[i];
            std::unique_ptr<uint8_t[]> exact(new uint8_t[d.size() ? d.size() : 1]);
            std::copy(d.begin(), d.end(), exact.get());
            Intp::ReceivePacket(sources[i], d.size(), exact.get());
        }
        slice.clear();
    };
    const uint8_t* const rest = in.Data;
    size_t start = 0;
    for (size_t i = 0; i <= in.Size; ++i) {
        if (i != in.Size && !(i + 1 < in.Size && rest[i] == 0xFF && rest[i + 1] == 0xFE))
            continue;
        const uint8_t* piece = rest + start;
        const size_t length = i - start;
        if (length && piece[0] >= 0xC0) {
            handOver();
            if (g_WritingSeeds && !g_FirstHandOver) {
                g_FirstHandOver = true;
                for (const auto& d : run.Transport.Sent)
                    g_FirstSent.push_back(d.Command());
            }
            run.Transport.Advance(uint64_t(piece[0] & 0x3F) * 250);
        } else {
            slice.push_back({piece, length});
        }
        start = i + 2;
        ++i;
    }
    handOver();
    run.Transport.Advance(120000);
    Intp::ReleaseLibrary();
    g_Run = nullptr;
}

// ---------------------------------------------------------------------------
// The seed inputs
// ---------------------------------------------------------------------------

struct TSeed {
    std::vector<uint8_t> Bytes;
    void Add(std::initializer_list<uint8_t> bytes) { Bytes.insert(Bytes.end(), bytes); }
    void Add(const std::vector<uint8_t>& bytes) { Bytes.insert(Bytes.end(), bytes.begin(), bytes.end()); }
    void Part(const std::vector<uint8_t>& bytes)
    {
        Bytes.push_back(uint8_t(bytes.size()));
        Add(bytes);
    }
    void Cut() { Add({0xFF, 0xFE}); }
    // A reply to the request sent `index`-th, status 0.
    void Reply(size_t index, const std::vector<uint8_t>& body)
    {
        Add({uint8_t(index), 0, 0});
        Add(body);
        Cut();
    }
};

// The head of a seed: `sessions` (feature indexes) on the first switch, a
// model 1 switch with the console logged in, no observer, each with the
// value of one zero byte (the value every setter takes as a good one).
TSeed SeedHead(const std::vector<size_t>& sessions, const std::vector<uint8_t>& script = {})
{
    TSeed seed;
    seed.Add({0x08, 1, uint8_t(sessions.size() - 1)});
    for (size_t f : sessions) {
        seed.Add({uint8_t(f), 0});
        seed.Part({0});
    }
    seed.Part(script);
    return seed;
}

// A body the decoder of feature `f` accepts (status 0), searched among
// bodies of zeros and of ones of every length up to 1400; empty when none.
std::vector<uint8_t> AcceptedBody(size_t f)
{
    for (size_t length = 0; length <= 1400; ++length)
        for (uint8_t fill : {0, 1}) {
            TSeed seed = SeedHead({f});
            const std::vector<uint8_t> body(length, fill);
            seed.Reply(1, body);
            const TCounts before = g_Counts[f];
            RunOne(seed.Bytes.data(), seed.Bytes.size());
            if (g_Counts[f].Decoded > before.Decoded)
                return body;
        }
    return {};
}

// The commands of the requests sent up to the end of the first hand-over of
// the last run (the seed writer's view of what its replies answer).
std::vector<uint16_t> SentByFirstHandOver(const TSeed& seed)
{
    g_FirstSent.clear();
    RunOne(seed.Bytes.data(), seed.Bytes.size());
    return g_FirstSent;
}

void WriteSeeds(const char* folder)
{
    g_WritingSeeds = true;
    std::vector<std::vector<uint8_t>> bodies(FeatureCount);
    for (size_t f = 0; f < FeatureCount; ++f) {
        bodies[f] = AcceptedBody(f);
        if (bodies[f].empty() && Features[f].Command != TSessionOwnRule::Command)
            std::fprintf(stderr, "no accepted reply for %s\n", Features[f].Name());
    }
    std::filesystem::create_directories(folder);
    int written = 0;
    auto write = [&](const TSeed& seed) {
        char name[32];
        std::snprintf(name, sizeof name, "seed-%03d", written++);
        std::ofstream(std::filesystem::path(folder) / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(seed.Bytes.data()), std::streamsize(seed.Bytes.size()));
    };
    // Each request in `sent` from `from` on answered with the accepted body
    // of its command.
    auto answer = [&](TSeed& seed, const std::vector<uint16_t>& sent, size_t from) {
        for (size_t i = from; i < sent.size() && i < 0x80; ++i)
            if (const size_t f = FeatureOf(sent[i]); f < FeatureCount)
                seed.Reply(i, bodies[f]);
    };
    // Up to four sessions a seed, each answered in a first hand-over; then
    // what those replies sent (the Sets' follow-up Gets, the transfers' next
    // blocks) answered in a second. A seed stays within 2000 bytes.
    auto build = [&](const std::vector<size_t>& sessions) {
        TSeed seed = SeedHead(sessions);
        TSeed probe = seed;
        probe.Add({0xC0});
        const std::vector<uint16_t> started = SentByFirstHandOver(probe);
        answer(seed, started, 1);
        probe = seed;
        probe.Add({0xC0});
        const std::vector<uint16_t> followed = SentByFirstHandOver(probe);
        seed.Add({0xC0});
        seed.Cut();
        answer(seed, followed, started.size());
        return seed;
    };
    for (size_t first = 0; first < FeatureCount;) {
        std::vector<size_t> sessions{first};
        TSeed seed = build(sessions);
        while (sessions.size() < 4 && sessions.back() + 1 < FeatureCount) {
            sessions.push_back(sessions.back() + 1);
            TSeed more = build(sessions);
            if (more.Bytes.size() > 2000) {
                sessions.pop_back();
                break;
            }
            seed = std::move(more);
        }
        first = sessions.back() + 1;
        write(seed);
    }
    const auto index = [](const char* name) {
        for (size_t f = 0; f < FeatureCount; ++f)
            if (std::string(Features[f].Name()) == name)
                return uint8_t(f);
        std::abort();
    };
    {
        // Four switches of other models, sessions with acting observers whose
        // script starts and ends sessions, deletes and brings back switches
        // and changes a model; a discovery reply that names a model.
        TSeed seed;
        seed.Add({0x07 | 0x78, 4, 5, 6, 0, 3});
        for (const char* name : {"PortConfigGet", "RstpSet", "SmtpGet", "Ping2"}) {
            seed.Add({index(name), 0x09});
            seed.Part({0});
        }
        seed.Part({1, index("QosTosGet"), 0x09, 1, 0, 2, 0, 6 | 8, 1, 4, 3, 1, 5, 4 | 8 | 0x20, 5, 7, 0, 0});
        seed.Add({0, 1, 2, 5});   // discovery reply: switch 2 is a model 5
        seed.Cut();
        for (uint8_t i = 1; i <= 5; ++i)
            seed.Reply(i, std::vector<uint8_t>(20, 1));
        seed.Add({0xFF});
        seed.Cut();
        seed.Add({0x81, 1, 2, 3});
        write(seed);
    }
    {
        // A session with its own rule among keyed ones: it declines, waits,
        // then takes a reply; time passes between hand-overs.
        TSeed seed = SeedHead({index("OwnRule"), index("TestRows"), index("TestSet"), index("Ping2")},
                              {0x00, 0x80, 0x02, 0x01, 0xC3, 0x00});
        seed.Reply(2, {0, 4, 0, 1, 0, 2, 0, 3, 0, 4});
        seed.Reply(2, {0, 1, 0, 9});
        seed.Reply(3, {0, 0, 0, 0});
        seed.Add({0xC8});
        seed.Cut();
        seed.Reply(5, {0, 7, 0, 0});
        seed.Add({0xFF});
        write(seed);
    }
    std::fprintf(stderr, "%d seeds written to %s\n", written, folder);
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    if (const char* folder = std::getenv("FUZZ_RECEIVE_SEEDS")) {
        WriteSeeds(folder);
        std::exit(0);
    }
    if (std::getenv("FUZZ_RECEIVE_REPORT"))
        std::atexit(PrintCounts);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    RunOne(data, size);
    return 0;
}
