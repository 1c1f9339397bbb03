// Monitoring features (command group 0x0A): the system event log, the MAC
// address table, port mirroring and the per-port traffic counters, with the
// commands that clear a table on the switch.
#pragma once

#include "Intp.h"

#include <map>
#include <string>
#include <vector>

namespace Intp {

enum : uint32_t {
    MonitorEventRowSize = 256,
    MonitorEventTextSize = 128,
    MonitorEventThreshold = 5,     // rows in a full reply datagram: more follow
    MonitorMacRowSize = 8,
    MonitorMacThreshold = 128,
    MonitorPortRowSize = 24,
    MonitorMirrorSize = 10,
};

struct TPropertyMonitorEventEntry {
    std::string First;    // the first 128-byte field of the row
    std::string Second;   // the second
};

struct TPropertyMonitorEvent {
    static constexpr uint16_t GetCommand = 0x0A06;
    uint8_t Valid = 0;
    std::vector<TPropertyMonitorEventEntry> Rows;   // in arrival order
};

struct TPropertyMonitorMacEntry {
    int Port = 0;         // logical port index: the ports, then the trunk groups
    TMacAddr Address;
    uint8_t Static = 0;   // 0 dynamic, 1 static
};

struct TPropertyMonitorMac {
    static constexpr uint16_t GetCommand = 0x0A00;
    uint8_t Valid = 0;
    // By port index; entries of one port keep their arrival order.
    std::multimap<int, TPropertyMonitorMacEntry> Entries;
};

struct TPropertyMonitorMirror {
    static constexpr uint16_t GetCommand = 0x0A04;
    uint8_t Valid = 0;
    uint32_t DestRx = 0;         // destination port index for received traffic
    uint32_t DestTx = 0;         // destination port index for transmitted traffic
    uint32_t SourceRxMask = 0;   // bit i: port index i
    uint32_t SourceTxMask = 0;
};

struct TPropertyMonitorPortRow {
    uint32_t TxGood = 0;
    uint32_t TxBad = 0;
    uint32_t RxGood = 0;
    uint32_t RxBad = 0;
    uint32_t TxAbort = 0;
    uint32_t Collision = 0;
};

struct TPropertyMonitorPort {
    static constexpr uint16_t GetCommand = 0x0A02;
    uint8_t Valid = 0;
    std::vector<TPropertyMonitorPortRow> Rows;   // one per port, in port order
};

inline TPropertyMonitorEvent& GetPropertyMonitorEvent(TDevice* device)
{
    return device->GetProperty<TPropertyMonitorEvent>();
}
inline TPropertyMonitorMac& GetPropertyMonitorMac(TDevice* device) { return device->GetProperty<TPropertyMonitorMac>(); }
inline TPropertyMonitorMirror& GetPropertyMonitorMirror(TDevice* device)
{
    return device->GetProperty<TPropertyMonitorMirror>();
}
inline TPropertyMonitorPort& GetPropertyMonitorPort(TDevice* device)
{
    return device->GetProperty<TPropertyMonitorPort>();
}

// The event log: a 4-byte head, then rows of two 128-byte texts; a datagram
// of 5 rows means more follow.
class TSessionMonitorEventGet final : public TRowListSession<0x0A06, TPropertyMonitorEvent,
                                                            TPropertyMonitorEventEntry, MonitorEventThreshold, 4> {
public:
    const char* GetName() const override { return "EvnTblGet"; }

protected:
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TPropertyMonitorEventEntry>& rows,
                        size_t& count) override;
};

class TSessionMonitorEventClear final : public TSetSession<0x0A07, TSessionMonitorEventGet> {
public:
    const char* GetName() const override { return "EvnTblClear"; }
};

// The MAC address table: a 4-byte head, then rows of 8 bytes; a datagram of
// 128 rows means more follow. Rows are collected in the session and reach
// the record with the last datagram; a row naming a port the model does not
// have empties the table and reports 0x1100.
class TSessionMonitorMacGet final : public TSessionGeneral<0x0A00> {
public:
    const char* GetName() const override { return "MacTableGet"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override;

private:
    std::vector<TPropertyMonitorMacEntry> m_Rows;
};

class TSessionMonitorMacClear final : public TSetSession<0x0A01, TSessionMonitorMacGet> {
public:
    const char* GetName() const override { return "MacTableClear"; }
};

class TSessionMonitorPortGet final : public TGetSession<0x0A02, TPropertyMonitorPort, 1> {
public:
    const char* GetName() const override { return "StatiticsGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyMonitorPort& record, TBody body) override;
};

class TSessionMonitorPortClear final : public TSetSession<0x0A03, TSessionMonitorPortGet> {
public:
    const char* GetName() const override { return "StatiticsClear"; }
};

class TSessionMonitorMirrorGet final : public TGetSession<0x0A04, TPropertyMonitorMirror, MonitorMirrorSize> {
public:
    const char* GetName() const override { return "MirrorGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyMonitorMirror& record, TBody body) override;
};

// Request record of the mirroring Set, in host order. The body is 10 bytes:
// the two destination port indexes as single bytes, then the two masks
// big-endian (unaligned).
struct TMonitorMirrorRequest {
    uint8_t DestRx = 0;
    uint8_t DestTx = 0;
    uint32_t SourceRxMask = 0;
    uint32_t SourceTxMask = 0;
};

class TSessionMonitorMirrorSet final : public TSetSession<0x0A05, TSessionMonitorMirrorGet, MonitorMirrorSize> {
public:
    void SetData(const TMonitorMirrorRequest& request)
    {
        m_Request = request;
        m_HasData = true;
    }
    const char* GetName() const override { return "MirrorSet"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TMonitorMirrorRequest m_Request{};
    bool m_HasData = false;
};

} // namespace Intp
