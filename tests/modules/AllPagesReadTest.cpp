// Every configuration page that reads a switch, against the simulator with
// faults: a read that gets no answer, one refused, one cut short (and any
// reply a page's decoder cannot use) makes the page say why in its read
// state line and keeps Apply from sending anything. After a good read, an
// Apply with nothing edited sends back exactly the bytes read, also when
// they hold values outside the controls' ranges; only on/off flags go as 1
// or 0.
//
// One row per page. To add a page: its factory, the Get code whose record
// it shows and its Set code (0 without Apply); optionally an `Unreadable`
// store that its decoder refuses, and a `RoundTrip` store (odd values
// included) whose Get body an unedited Apply must send back unchanged but
// for the bytes at `Flags`, which go as 1 for any byte but 0.
// (The IP configuration page shows each switch's failed read in its own
// preview line and is tested with its page.)
#include "IntpBasics.h"
#include "IntpDhcp.h"
#include "IntpIgmpLldp.h"
#include "IntpIpConf.h"
#include "IntpMonitor.h"
#include "IntpPort.h"
#include "IntpQos.h"
#include "IntpRedundancy.h"
#include "IntpSecurity.h"
#include "IntpSnmp.h"
#include "IntpSntp.h"
#include "IntpVlan.h"
#include "IntpWarning.h"
#include "ModuleBasics.h"
#include "ModuleBasicsDhcp.h"
#include "ModuleBasicsDhcpEntry.h"
#include "ModuleBasicsDhcpPortIp.h"
#include "ModuleBasicsSettings.h"
#include "ModuleBasicsSntp.h"
#include "ModuleIgmp.h"
#include "ModuleIgmpTable.h"
#include "ModuleLldp.h"
#include "ModuleMonitorEvent.h"
#include "ModuleMonitorMac.h"
#include "ModuleMonitorMirror.h"
#include "ModuleMonitorPort.h"
#include "ModulePortConfig.h"
#include "ModulePortLimit.h"
#include "ModulePortStatus.h"
#include "ModulePortTrunk.h"
#include "ModulePortTrunkStatus.h"
#include "ModuleQos.h"
#include "ModuleQosCos.h"
#include "ModuleQosPort.h"
#include "ModuleQosTos.h"
#include "ModuleRedundancyQloop.h"
#include "ModuleRedundancyRstp.h"
#include "ModuleRedundancyRstpInfo.h"
#include "ModuleSecurity8021x.h"
#include "ModuleSecurity8021xPort.h"
#include "ModuleSecurityIP.h"
#include "ModuleSecurityMac.h"
#include "ModuleSecurityPort.h"
#include "ModuleSnmp.h"
#include "ModuleSnmpCommunity.h"
#include "ModuleSnmpTrap.h"
#include "ModuleSnmpUser.h"
#include "ModuleVlan8021q.h"
#include "ModuleVlan8021qPort.h"
#include "ModuleVlanTable.h"
#include "ModuleWarningEvent.h"
#include "ModuleWarningFault.h"
#include "ModuleWarningSmtp.h"
#include "ModuleWarningSyslog.h"
#include "PageTestHelpers.h"
#include "handlers/SimDhcp.h"
#include "handlers/SimTableFault.h"

#include <QLabel>
#include <QPushButton>
#include <QSignalBlocker>
#include <QTreeWidget>

#include <cstring>
#include <functional>

using namespace TestSupport;

namespace {

using TStore = std::function<void(Sim::TSimSwitch&)>;

struct TPageCase {
    const char* Name;
    std::function<TModulePage*(QWidget*)> Make;
    uint16_t Get;             // the Get whose record the page shows
    uint16_t Set = 0;         // the Set that Apply sends; 0: no Apply
    TStore Unreadable;        // a stored reply that the Get's decoder refuses
    TStore RoundTrip;         // a stored reply an unedited Apply sends back
    std::vector<size_t> Flags;   // offsets of RoundTrip's on/off flags
};

template <class P>
std::function<TModulePage*(QWidget*)> Factory()
{
    return [](QWidget* host) -> TModulePage* { return new P(host); };
}

// RSTP: on, bridge values past their limits (priority off the 4096 steps,
// max age 50, hello 0, delay 31), port 1 with path cost 0, priority 250 and
// point-to-point code 7, port 4 with a cost past the maximum.
void OddRstp(Sim::TSimSwitch& sw)
{
    std::vector<uint8_t> body(6 + 8 * sw.PortCount(), 0);
    body[0] = 1;
    Intp::PutBE16(&body[1], 100);
    body[3] = 50, body[4] = 0, body[5] = 31;
    for (size_t i = 0; i < sw.PortCount(); ++i) {
        uint8_t* row = &body[6 + 8 * i];
        Intp::PutBE32(row, 20000 + uint32_t(i));
        row[4] = 128, row[5] = uint8_t(i % 3), row[6] = uint8_t(i % 2), row[7] = uint8_t(i / 4);
    }
    Intp::PutBE32(&body[6], 0);
    body[6 + 4] = 250;
    body[6 + 5] = 7;
    Intp::PutBE32(&body[6 + 8 * 3], 300000000);
    sw.Store[0x0302] = body;
}

// The ring off with its ports kept (one beyond the model), coupling off
// with its ports, dual homing on.
void OddRing(Sim::TSimSwitch& sw) { sw.Store[0x0300] = {0, 1, 3, 200, 0, 5, 6, 1, 2}; }

// VLAN mode 3, which no switch has.
void UnknownVlanMode(Sim::TSimSwitch& sw) { sw.Store[0x0400] = {3}; }

// Syslog on; events with bits that no row stands for (system events past
// the four listed, ports past the model's) among bits of listed rows.
void OddEvents(Sim::TSimSwitch& sw)
{
    sw.Store[0x0902] = {1, 192, 0, 2, 1};
    std::vector<uint8_t> events(24);
    const uint32_t words[6] = {0xF0000009u, 0x80000101u, 0x00010003u, 0x00000030u, 0xFFFFFFFFu, 0x00000200u};
    for (size_t i = 0; i < 6; ++i)
        Intp::PutBE32(&events[4 * i], words[i]);
    sw.Store[0x0906] = events;
}

// System texts: a name of bytes that are not UTF-8, a description that
// fills its 256 bytes and ends inside a character, a location with a tab
// and a two-byte character, no contact.
void OddSystemTexts(Sim::TSimSwitch& sw)
{
    std::vector<uint8_t> texts(1024, 0);
    const std::string name("sw\xFF\xFE\xC3(\x80-7", 9);
    std::copy(name.begin(), name.end(), texts.begin());
    std::fill_n(texts.begin() + 256, 255, uint8_t('d'));
    texts[256 + 255] = 0xC3;
    const std::string location("row\t4 caf\xC3\xA9");
    std::copy(location.begin(), location.end(), texts.begin() + 512);
    sw.Store[0x0104] = texts;
    sw.Name = name;
}

// The DHCP server off with its pool kept: addresses that are not usable, a
// netmask that is none, a lease past the signed 32-bit range.
void OddDhcpServer(Sim::TSimSwitch& sw)
{
    std::vector<uint8_t> body(25, 0);
    const uint32_t values[] = {0x7F000005u, 0xFFFFFFFFu, 0xFF00FF00u, 0xE0000001u, 0, 4000000000u};
    for (size_t i = 0; i < 6; ++i)
        Intp::PutBE32(&body[1 + 4 * i], values[i]);
    sw.Store[0x0110] = body;
}

// Port bindings: a usable address among ones that are not.
void OddDhcpPortIps(Sim::TSimSwitch& sw)
{
    const uint32_t odd[] = {0xFFFFFFFFu, 0x7F000001u, 0xC0000221u, 0, 0xE0000005u};
    std::vector<uint8_t> body(4 * sw.PortCount(), 0);
    for (size_t i = 0; i < sw.PortCount(); ++i)
        Intp::PutBE32(&body[4 * i], odd[i % std::size(odd)]);
    sw.Store[0x0113] = body;
}

// SNTP client off, a time zone beyond the list, a server that is not
// usable, daylight saving on to the end of the 32-bit time, offset -60.
void OddSntp(Sim::TSimSwitch& sw)
{
    std::vector<uint8_t> body(20, 0);
    Intp::PutBE16(&body[1], 70);
    Intp::PutBE32(&body[3], 0xFFFFFFFFu);
    body[7] = 1;
    Intp::PutBE32(&body[8], 1700000000u);
    Intp::PutBE32(&body[12], 0xFFFFFFFFu);
    Intp::PutBE32(&body[16], uint32_t(-60));
    sw.Store[0x010D] = body;
}

// The port and QoS pages: good rows around one that the decoder refuses,
// and tables of every value their pick lists have, the last ones included.
// The configuration rows {port, type 100TX, enabled, speed, flow, security}
// with `bad` at offset `at` of row 2 (the port status rows follow them).
void ConfigWith(Sim::TSimSwitch& sw, size_t at, uint8_t bad)
{
    std::vector<uint8_t> body(4 + 6 * sw.LogicalPortCount(), 0);
    for (uint32_t i = 0; i < sw.LogicalPortCount(); ++i)
        body[4 + 6 * i] = uint8_t(i), body[5 + 6 * i] = 4, body[6 + 6 * i] = 1;
    body[4 + 6 * 2 + at] = bad;
    sw.Store[0x0201] = body;
}
void LimitFrameTypeNine(Sim::TSimSwitch& sw)
{
    std::vector<uint8_t> rows(9 * sw.PortCount(), 0);
    for (size_t i = 0; i < sw.PortCount(); ++i) {
        rows[9 * i] = i == 5 ? 9 : uint8_t(i % 4);
        Intp::PutBE32(&rows[9 * i + 1], 100 * uint32_t(i));
    }
    sw.Store[0x0204] = rows;
}
// Groups 1 and 2 share port 2.
void OverlappingTrunks(Sim::TSimSwitch& sw) { sw.Store[0x0206] = {0, 0, 0, 3, 1, 0, 0, 0, 6, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}; }
// LACP and static groups, the last with the model's last port.
void OddTrunks(Sim::TSimSwitch& sw)
{
    sw.Store[0x0206] = {0, 0, 0, 5, 1, 0, 0, 0, 2, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 0};
    Intp::PutBE32(&sw.Store[0x0206][15], 1u << (sw.PortCount() - 1));
}
// Every level and priority, a pattern per row.
std::vector<uint8_t> Levels(size_t n, size_t first, unsigned modulo)
{
    std::vector<uint8_t> levels(n);
    for (size_t i = 0; i < n; ++i)
        levels[i] = uint8_t((first + i * 3) % modulo);
    return levels;
}
void OddCos(Sim::TSimSwitch& sw)
{
    sw.Store[0x0504] = Levels(8, 3, 4);
    const auto ports = Levels(sw.PortCount(), 7, 8);
    sw.Store[0x0504].insert(sw.Store[0x0504].end(), ports.begin(), ports.end());
}
// Destinations past port 1 and source masks with bits beyond the model's
// ports, which no row shows.
void OddMirror(Sim::TSimSwitch& sw)
{
    std::vector<uint8_t> body{uint8_t(sw.PortCount() - 1), 2, 0, 0, 0, 0, 0, 0, 0, 0};
    Intp::PutBE32(&body[2], 0x80000105u);
    Intp::PutBE32(&body[6], 0x0000FF82u);
    sw.Store[0x0A04] = body;
}

std::vector<TPageCase> Pages()
{
    using namespace Intp;
    return {
        {"Basics", Factory<TModuleBasics>(), TPropertyBasicsSettings::GetCommand},
        {"Switch Setting", Factory<TModuleBasicsSettings>(), TPropertyBasicsSettings::GetCommand,
         TSessionBasicsSettingsSet::Command, nullptr, OddSystemTexts},
        {"SNTP", Factory<TModuleBasicsSntp>(), TPropertyBasicsSntp::GetCommand, TSessionBasicsSntpSet::Command, nullptr,
         OddSntp},
        {"DHCP Server", Factory<TModuleBasicsDhcp>(), TPropertyBasicsDhcp::GetCommand, TSessionBasicsDhcpSet::Command,
         nullptr, OddDhcpServer},
        {"DHCP Entries", Factory<TModuleBasicsDhcpEntry>(), TPropertyBasicsDhcpEntry::GetCommand, 0,
         // A row of type 5 after two good ones.
         [](Sim::TSimSwitch& sw) {
             Sim::SetDhcpEntryCount(sw, 3);
             Intp::PutBE16(&sw.Store[0x0112][2 * 18 + 10], 5);
         }},
        {"DHCP Port IP", Factory<TModuleBasicsDhcpPortIp>(), TPropertyBasicsDhcpPortIp::GetCommand,
         TSessionBasicsDhcpPortIpSet::Command,
         // One address more than the model has ports.
         [](Sim::TSimSwitch& sw) { Sim::SetTableFault(sw, 0x0113, Sim::TTableFault::TooManyRows); }, OddDhcpPortIps},
        {"Port Configuration", Factory<TModulePortConfig>(), TPropertyPortConfig::GetCommand,
         TSessionPortConfigSet::Command, [](Sim::TSimSwitch& sw) { ConfigWith(sw, 3, 8); }},   // its request has rows of its own: see its page test
        {"Port Status", Factory<TModulePortStatus>(), TPropertyPortStatus::GetCommand, 0,
         [](Sim::TSimSwitch& sw) { ConfigWith(sw, 1, 10); }},
        {"Rate Limit", Factory<TModulePortLimit>(), TPropertyPortLimit::GetCommand, TSessionPortLimitSet::Command,
         LimitFrameTypeNine,
         [](Sim::TSimSwitch& sw) {   // rates past the signed 32-bit range
             std::vector<uint8_t> rows(9 * sw.PortCount(), 0);
             for (size_t i = 0; i < sw.PortCount(); ++i) {
                 rows[9 * i] = uint8_t(i % 4);
                 Intp::PutBE32(&rows[9 * i + 1], 3000000000u + uint32_t(i));
                 Intp::PutBE32(&rows[9 * i + 5], 0xFFFFFFFFu - uint32_t(i));
             }
             sw.Store[0x0204] = rows;
         }},
        {"Trunk", Factory<TModulePortTrunk>(), TPropertyPortTrunk::GetCommand, TSessionPortTrunkSet::Command,
         OverlappingTrunks, OddTrunks},
        {"Trunk Status", Factory<TModulePortTrunkStatus>(), TPropertyPortTrunk::GetCommand, 0, OverlappingTrunks},
        {"Ring", Factory<TModuleRedundancyQloop>(), TPropertyRedundancyQloop::GetCommand,
         TSessionRedundancyQloopSet::Command, nullptr, OddRing},
        {"RSTP Settings", Factory<TModuleRedundancyRstp>(), TPropertyRedundancyRstp::GetCommand,
         TSessionRedundancyRstpSet::Command,
         // Six bytes: the bridge values without the port rows.
         [](Sim::TSimSwitch& sw) { sw.Store[0x0302].resize(6); }, OddRstp},
        {"RSTP Information", Factory<TModuleRedundancyRstpInfo>(), TPropertyRedundancyRstpInfo::GetCommand},
        {"QoS", Factory<TModuleQos>(), TPropertyQos::GetCommand, TSessionQosSet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0500] = {0, 6}; },
         [](Sim::TSimSwitch& sw) { sw.Store[0x0500] = {1, 5}; }},
        {"QoS Port", Factory<TModuleQosPort>(), TPropertyQosPort::GetCommand, TSessionQosPortSet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0502] = Levels(sw.PortCount(), 0, 4), sw.Store[0x0502][2] = 5; },
         [](Sim::TSimSwitch& sw) { sw.Store[0x0502] = Levels(sw.PortCount(), 1, 4); }},
        {"QoS CoS", Factory<TModuleQosCos>(), TPropertyQosCos::GetCommand, TSessionQosCosSet::Command,
         [](Sim::TSimSwitch& sw) { OddCos(sw), sw.Store[0x0504][8 + 3] = 8; }, OddCos},
        {"QoS ToS", Factory<TModuleQosTos>(), TPropertyQosTos::GetCommand, TSessionQosTosSet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0506] = Levels(64, 2, 4), sw.Store[0x0506][40] = 4; },
         [](Sim::TSimSwitch& sw) { sw.Store[0x0506] = Levels(64, 2, 4); }},
        {"IGMP", Factory<TModuleIgmp>(), TPropertyIgmp::GetCommand, TSessionIgmpSet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0600] = {9, 9}; },   // query mode 9
         [](Sim::TSimSwitch& sw) { sw.Store[0x0600] = {1, 2}; }},
        {"IGMP Table", Factory<TModuleIgmpTable>(), TPropertyIgmpTable::GetCommand},
        {"802.1Q VLAN", Factory<TModuleVlan8021q>(), TPropertyVlan8021q::GetCommand, TSessionVlan8021qSet::Command,
         UnknownVlanMode,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0406] = {1, 0x0F, 0xFF}; }},   // management VLAN 4095
        {"802.1Q Port", Factory<TModuleVlan8021qPort>(), TPropertyVlan8021qPort::GetCommand,
         TSessionVlan8021qPortSet::Command, UnknownVlanMode},
        {"VLAN Table", Factory<TModuleVlanTable>(), TPropertyVlan::GetCommand, 0, UnknownVlanMode},
        {"SNMP", Factory<TModuleSnmp>(), TPropertySnmp::GetCommand, TSessionSnmpSet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0700] = {2}; },   // no such version
         [](Sim::TSimSwitch& sw) { sw.Store[0x0700] = {1}; }},
        {"SNMP Community", Factory<TModuleSnmpCommunity>(), TPropertySnmpCommunity::GetCommand,
         TSessionSnmpCommunitySet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0702][2 * 33 + 32] = 2; },   // no such privilege
         [](Sim::TSimSwitch& sw) {   // a full-width name, one not UTF-8 (ending in a cut character), a two-byte character
             std::vector<uint8_t> rows(4 * 33, 0);
             std::memset(&rows[0], 'c', 32);
             const uint8_t odd[] = {'a', 0xFF, 0xC3, 'b', 0xE2, 0x82};
             std::memcpy(&rows[33], odd, sizeof odd);
             rows[33 + 32] = 1;
             std::memcpy(&rows[2 * 33], "priv\xC3\xA9", 6);
             rows[3 * 33 + 32] = 1;
             sw.Store[0x0702] = rows;
         }},
        {"SNMP User", Factory<TModuleSnmpUser>(), TPropertySnmp::GetCommand, 0,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0700] = {7}; }},
        {"SNMP Trap", Factory<TModuleSnmpTrap>(), TPropertySnmpTrap::GetCommand},
        {"IP Security", Factory<TModuleSecurityIP>(), TPropertySecurityIp::GetCommand, TSessionSecurityIpSet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0800].resize(5 + 4 * 9); },   // a slot short
         [](Sim::TSimSwitch& sw) {   // on; bits past the three boxes; addresses after an unused slot
             std::vector<uint8_t> body(5 + 4 * 10, 0);
             body[0] = 1;
             Intp::PutBE32(&body[1], 0xF0000005u);
             Intp::PutBE32(&body[5], 0xC0000201u);
             Intp::PutBE32(&body[13], 0xC0000203u);
             Intp::PutBE32(&body[5 + 4 * 9], 0xFFFFFFFFu);
             sw.Store[0x0800] = body;
         }},
        {"Port Security", Factory<TModuleSecurityPort>(), TPropertySecurityPort::GetCommand, 0,
         [](Sim::TSimSwitch& sw) {   // a row on logical port 12 of 12
             sw.Store[0x0802] = {12, 0x02, 0, 0, 0, 0, 1};
         }},
        {"MAC Blacklist", Factory<TModuleSecurityMac>(), TPropertySecurityMac::GetCommand},
        {"802.1x", Factory<TModuleSecurity8021x>(), TPropertySecurity8021x::GetCommand, TSessionSecurity8021xSet::Command,
         nullptr,
         [](Sim::TSimSwitch& sw) {   // on; timers and ports past their limits; a 32-byte key not UTF-8
             std::vector<uint8_t> radius(86, 0);
             radius[0] = 1;
             Intp::PutBE32(&radius[1], 0xC0000205u);
             Intp::PutBE16(&radius[5], 0);
             Intp::PutBE16(&radius[7], 65535);
             std::memset(&radius[9], 0xFF, 32);
             std::memcpy(&radius[41], "NAS\xE2\x82\xAC", 6);
             Intp::PutBE16(&radius[73], 65535);
             Intp::PutBE16(&radius[75], 0);
             Intp::PutBE16(&radius[77], 301);
             Intp::PutBE16(&radius[79], 0);
             radius[81] = 200;
             Intp::PutBE32(&radius[82], 0xFFFFFFFFu);
             sw.Store[0x0808] = radius;
         }},
        {"802.1x Port", Factory<TModuleSecurity8021xPort>(), TPropertySecurity8021xPort::GetCommand,
         TSessionSecurity8021xPortSet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x080A][3] = 4; },   // no such mode
         [](Sim::TSimSwitch& sw) { sw.Store[0x080A] = {0, 1, 2, 3, 3, 2, 1, 0}; }},
        {"Fault Alarm", Factory<TModuleWarningFault>(), TPropertyWarningFault::GetCommand, TSessionWarningFaultSet::Command,
         nullptr,
         // Alarm bits that no item stands for: past the two power items and
         // past the ports.
         [](Sim::TSimSwitch& sw) { sw.Store[0x0900] = {0x80, 0, 0x01, 0x06, 0x80, 0x01, 0x01, 0x05}; }},
        {"Syslog Warning", Factory<TModuleWarningSyslog>(), TPropertyWarningSyslog::GetCommand,
         TSessionWarningSyslogSet::Command,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0902] = {5, 192, 0, 2, 1}; },   // mode 5
         // A client with a server address that is no usable one.
         [](Sim::TSimSwitch& sw) { sw.Store[0x0902] = {1, 255, 255, 255, 255}; }},
        {"SMTP Warning", Factory<TModuleWarningSmtp>(), TPropertyWarningSmtp::GetCommand, TSessionWarningSmtpSet::Command},
        {"Event Selection",
         [](QWidget* host) -> TModulePage* { return new TModuleWarningEvent(host, 0x0F); },
         TPropertyWarningEvent::GetCommand, TSessionWarningEventSet::Command, nullptr, OddEvents},
        {"MAC Address Table", Factory<TModuleMonitorMac>(), TPropertyMonitorMac::GetCommand},
        {"Port Statistics", Factory<TModuleMonitorPort>(), TPropertyMonitorPort::GetCommand, 0,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0A02].assign(24 * (sw.PortCount() - 1), 0); }},   // a port short
        {"Port Mirroring", Factory<TModuleMonitorMirror>(), TPropertyMonitorMirror::GetCommand,
         TSessionMonitorMirrorSet::Command, [](Sim::TSimSwitch& sw) { sw.Store[0x0A04] = {0, uint8_t(sw.PortCount()), 0, 0, 0, 0, 0, 0, 0, 0}; },
         OddMirror},
        {"Event Log", Factory<TModuleMonitorEvent>(), TPropertyMonitorEvent::GetCommand},
        {"LLDP", Factory<TModuleLldp>(), TPropertyLldp::GetCommand, TSessionLldpSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0B00] = {1, 0, 0xFE, 0xDC}; }},
        // On/off flags reported as bytes other than 1: shown as on, sent as
        // 1; the other bytes as read.
        {"RSTP Settings, flags 3, 5 and 2", Factory<TModuleRedundancyRstp>(), TPropertyRedundancyRstp::GetCommand,
         TSessionRedundancyRstpSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) {
             OddRstp(sw);
             sw.Store[0x0302][0] = 3;
             sw.Store[0x0302][6 + 8 + 6] = 5;   // port 2: edge, non-STP
             sw.Store[0x0302][6 + 8 + 7] = 2;
         },
         {0, 6 + 8 + 6, 6 + 8 + 7}},
        {"IGMP, snooping 9", Factory<TModuleIgmp>(), TPropertyIgmp::GetCommand, TSessionIgmpSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0600] = {9, 1}; }, {0}},
        {"802.1Q VLAN, GVRP 7", Factory<TModuleVlan8021q>(), TPropertyVlan8021q::GetCommand,
         TSessionVlan8021qSet::Command, nullptr, [](Sim::TSimSwitch& sw) { sw.Store[0x0406] = {7, 0, 100}; }, {0}},
        {"LLDP, 2", Factory<TModuleLldp>(), TPropertyLldp::GetCommand, TSessionLldpSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0B00] = {2, 0, 0, 30}; }, {0}},
        {"Ring, flags 5, 2, 3 and 9", Factory<TModuleRedundancyQloop>(), TPropertyRedundancyQloop::GetCommand,
         TSessionRedundancyQloopSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) { sw.Store[0x0300] = {5, 2, 0, 1, 3, 2, 3, 9, 4}; }, {0, 1, 4, 7}},
        {"Trunk, types 5 and 3", Factory<TModulePortTrunk>(), TPropertyPortTrunk::GetCommand,
         TSessionPortTrunkSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) { OddTrunks(sw), sw.Store[0x0206][4] = 5, sw.Store[0x0206][14] = 3; }, {4, 14}},
        {"SNTP, flags 5 and 3", Factory<TModuleBasicsSntp>(), TPropertyBasicsSntp::GetCommand,
         TSessionBasicsSntpSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) {   // client and daylight saving on, with a server and a period it accepts
             std::vector<uint8_t> body(20, 0);
             body[0] = 5;
             Intp::PutBE16(&body[1], 8);
             Intp::PutBE32(&body[3], 0xC0000209u);
             body[7] = 3;
             Intp::PutBE32(&body[8], 1700000000u);
             Intp::PutBE32(&body[12], 1710000000u);
             Intp::PutBE32(&body[16], 60);
             sw.Store[0x010D] = body;
         },
         {0, 7}},
        {"802.1x, 4", Factory<TModuleSecurity8021x>(), TPropertySecurity8021x::GetCommand,
         TSessionSecurity8021xSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) {
             std::vector<uint8_t> radius(86, 0);
             radius[0] = 4;
             Intp::PutBE32(&radius[1], 0xC0000205u);
             Intp::PutBE16(&radius[5], 1812);
             radius[9] = 'k', radius[41] = 'n';   // a shared key and a NAS identifier
             sw.Store[0x0808] = radius;
         },
         {0}},
        {"IP Security, 2", Factory<TModuleSecurityIP>(), TPropertySecurityIp::GetCommand,
         TSessionSecurityIpSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) {
             std::vector<uint8_t> body(5 + 4 * 10, 0);
             body[0] = 2;
             Intp::PutBE32(&body[5], 0xC0000201u);
             sw.Store[0x0800] = body;
         },
         {0}},
        {"DHCP Server, 7", Factory<TModuleBasicsDhcp>(), TPropertyBasicsDhcp::GetCommand,
         TSessionBasicsDhcpSet::Command, nullptr,
         [](Sim::TSimSwitch& sw) {   // on, with a pool it accepts
             std::vector<uint8_t> body(25, 0);
             body[0] = 7;
             const uint32_t values[] = {0xC0000264u, 0xC00002C8u, 0xFFFFFF00u, 0xC0000201u, 0xC0000235u, 86400};
             for (size_t i = 0; i < 6; ++i)
                 Intp::PutBE32(&body[1 + 4 * i], values[i]);
             sw.Store[0x0110] = body;
         },
         {0}},
    };
}

class AllPagesReadTest : public PagesTest {
protected:
    void SetUp() override
    {
        PagesTest::SetUp();
        StartSwitches(1);
        Transport().MaxTimerMs = 200;   // a time-out in a fifth of a second
    }
    // Files a new page as the host's current page and shows it on switch 0
    // with `faults` (and `store`) on the switch.
    TModulePage* Show(const TPageCase& c, const std::function<void(Sim::TSimFaults&)>& faults, const TStore& store)
    {
        Simulator().With(0, [&](Sim::TSimSwitch& sw) {
            sw.Faults = {};
            if (faults)
                faults(sw.Faults);
            if (store)
                store(sw);
        });
        Select({0});
        TModulePage* page = AddPage(c.Make(Host()));
        {
            // Quietly: ShowPage does what a selection change does.
            QSignalBlocker quiet(Host()->PageTree());
            for (int i = 0; i < Host()->PageTree()->topLevelItemCount(); ++i)
                if (QTreeWidgetItem* item = Host()->PageTree()->topLevelItem(i); item->text(0) == page->GetCaption())
                    Host()->PageTree()->setCurrentItem(item);
        }
        EXPECT_EQ(Host()->GetCurrentPage(), page);
        Simulator().ClearLog();
        EXPECT_TRUE(ShowPage());
        return page;
    }
};

} // namespace

TEST_F(AllPagesReadTest, EveryPageSaysWhyItsReadFailedAndAppliesNothing)
{
    struct TFault {
        const char* Name;
        std::function<void(Sim::TSimFaults&)> Set;
        QString Line;
    } faults[] = {
        {"no answer", [](Sim::TSimFaults& f) { f.DropRate = 1; }, "no answer"},
        {"refused", [](Sim::TSimFaults& f) { f.ForceStatus = 3; }, "refused (status 3)"},
        {"cut short", [](Sim::TSimFaults& f) { f.TruncateBody = 0; }, "unreadable reply"},
        {"unreadable", nullptr, "unreadable reply"},
    };
    for (const TPageCase& c : Pages()) {
        for (const TFault& f : faults) {
            if (!f.Set && !c.Unreadable)
                continue;
            SCOPED_TRACE(std::string(c.Name) + ", " + f.Name);
            // Only the silent switch needs its time-out soon; the others
            // answer, and on a busy machine an answer may take a while.
            Transport().MaxTimerMs = std::string(f.Name) == "no answer" ? 200 : 5000;
            if (!f.Set) {
                Show(c, nullptr, nullptr)->hide();   // the store as the switch keeps it
                // The page shows on its first report; a later read's reply
                // of the good store must not come after the change.
                ASSERT_TRUE(Pump([] { return Intp::SessionList().empty(); }));
                Simulator().With(0, c.Unreadable);
            }
            TModulePage* page = Show(c, f.Set, nullptr);
            EXPECT_FALSE(Simulator().Log().empty());   // the page read
            QLabel* line = page->ReadStateLabel();
            EXPECT_TRUE(line->isVisible());
            EXPECT_TRUE(line->text().contains(f.Line)) << line->text().toStdString();
            if (QPushButton* apply = page->ApplyButton()) {
                EXPECT_FALSE(apply->isEnabled());
                Simulator().ClearLog();
                page->EventOnApplyClick();
                ASSERT_TRUE(SentSoFarArrived());
                EXPECT_TRUE(Requests(c.Set).empty());
            }
            page->Leave(true);
            // Every read of this case ends (answered or timed out) before the
            // next one starts: a late answer would otherwise go to the next
            // page's read of the same record.
            EXPECT_TRUE(Pump([] { return Intp::SessionList().empty(); }, 10000));
        }
    }
}

TEST_F(AllPagesReadTest, AfterAGoodReadAnUneditedApplySendsBackTheBytesReadWithFlagsAsOneOrZero)
{
    for (const TPageCase& c : Pages()) {
        if (!c.RoundTrip)
            continue;
        SCOPED_TRACE(c.Name);
        TModulePage* page = Show(c, nullptr, c.RoundTrip);
        EXPECT_FALSE(page->ReadStateLabel()->isVisible());
        ASSERT_TRUE(page->ApplyButton()->isEnabled());
        std::vector<uint8_t> expected = Simulator().With(0, [&](Sim::TSimSwitch& sw) { return sw.Store[c.Get]; });
        for (size_t at : c.Flags)
            expected.at(at) = expected.at(at) != 0;
        QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
        EXPECT_EQ(WaitForRequest(c.Set), expected);
        page->Leave(true);
    }
}
