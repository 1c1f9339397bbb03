// IGMP snooping settings, the IGMP snooping table (command group 0x06) and
// the LLDP settings (group 0x0B).
#pragma once

#include "Intp.h"
#include "IntpGetInPlace.h"

#include <vector>

namespace Intp {

struct TPropertyIgmp {
    static constexpr uint16_t GetCommand = 0x0600;
    uint8_t Valid = 0;
    uint8_t Snooping = 0;     // 0 or 1
    uint32_t QueryMode = 0;   // 0 disabled, 1 enabled, 2 automatic
};

struct TPropertyIgmpTableEntry {
    uint32_t PortMask = 0;    // bit i: port index i is a member
    uint32_t GroupIp = 0;     // host order
    uint16_t VlanId = 0;
};

struct TPropertyIgmpTable {
    static constexpr uint16_t GetCommand = 0x0602;
    uint8_t Valid = 0;
    std::vector<TPropertyIgmpTableEntry> Rows;   // in arrival order
};

struct TPropertyLldp {
    static constexpr uint16_t GetCommand = 0x0B00;
    uint8_t Valid = 0;
    uint8_t Enabled = 0;     // 0 or 1
    uint32_t Interval = 0;   // transmit interval in seconds (16 bits on the wire)
};

inline TPropertyLldp& GetPropertyLldp(TDevice* device) { return device->GetProperty<TPropertyLldp>(); }

enum : uint32_t {
    IgmpQueryModeCount = 3,
    IgmpTableRowSize = 10,
    IgmpTableThreshold = 64,   // rows in a full reply datagram: more follow
};

class TSessionIgmpGet final : public TGetInPlaceSession<0x0600, TPropertyIgmp, 2> {
public:
    const char* GetName() const override { return "IgmpGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyIgmp& record, TBody body) override;
};

// Request record of the IGMP Set: the body is these two bytes in this order.
struct TIgmpSetRequest {
    uint8_t Snooping = 0;    // 0 or 1
    uint8_t QueryMode = 0;   // 0-2
};

class TSessionIgmpSet final : public TSetSession<0x0601, TSessionIgmpGet, 2> {
public:
    void SetValue(const TIgmpSetRequest& request)
    {
        m_Request = request;
        m_HasData = true;
    }
    const char* GetName() const override { return "IgmpSet"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TIgmpSetRequest m_Request{};
    bool m_HasData = false;
};

// The snooping table, answered in as many datagrams as it needs: a 4-byte
// head, then rows of 10 bytes; a datagram of 64 rows means more follow.
class TSessionIgmpTable final
    : public TRowListSession<0x0602, TPropertyIgmpTable, TPropertyIgmpTableEntry, IgmpTableThreshold, 4> {
public:
    const char* GetName() const override { return "IgmpTblGet"; }

protected:
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TPropertyIgmpTableEntry>& rows,
                        size_t& count) override;
};

class TSessionLldpGet final : public TGetSession<0x0B00, TPropertyLldp, 4> {
public:
    const char* GetName() const override { return "LldpGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyLldp& record, TBody body) override;
};

// Request record of the LLDP Set, in host order; the body is
// {enabled, 0, interval big-endian}.
struct TLldpSetRequest {
    uint8_t Enabled = 0;     // sent as 1 or 0
    uint8_t Reserved = 0;    // always sent as 0
    uint16_t Interval = 0;   // seconds
};

class TSessionLldpSet final : public TSetSession<0x0B01, TSessionLldpGet, 4> {
public:
    void SetData(const TLldpSetRequest& request)
    {
        m_Request = request;
        m_HasData = true;
    }
    const char* GetName() const override { return "LldpSet"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TLldpSetRequest m_Request{};
    bool m_HasData = false;
};

} // namespace Intp
