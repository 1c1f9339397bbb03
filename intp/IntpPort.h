// Port features: port names, port configuration, port status, rate limits
// and port trunks.
//
// Ports and trunk groups are numbered as logical ports: the model's P ports
// first (0 .. P-1), then its T trunk groups (P .. P+T-1).
#pragma once

#include "Intp.h"
#include "IntpGetInPlace.h"

#include <string>
#include <vector>

namespace Intp {

// ---------------------------------------------------------------------------
// Records
// ---------------------------------------------------------------------------

struct TPropertyPortName {
    static constexpr uint16_t GetCommand = 0x0200;
    uint8_t Valid = 0;
    std::vector<std::string> Names;   // one per logical port
};

struct TPortConfigRow {
    uint32_t Port = 0;       // logical port, 0-based
    uint32_t Type = 0;       // port type code 0-9
    uint32_t State = 0;      // 0 disabled, 1 enabled
    uint32_t Speed = 0;      // speed/duplex code 0-7
    uint32_t Flow = 0;       // flow-control code 0-2
    uint32_t Security = 0;   // 0 or 1
};

struct TPropertyPortConfig {
    static constexpr uint16_t GetCommand = 0x0201;
    uint8_t Valid = 0;
    uint32_t Count = 0;               // rows filled, in reply order
    std::vector<TPortConfigRow> Rows; // room for every logical port
};

struct TPortStatusRow {
    uint32_t Type = 0;    // port type code 0-9
    uint8_t Link = 0;     // 1 up
    uint8_t State = 0;    // 1 enabled
    uint32_t Speed = 0;   // speed/duplex code 0-7
    uint8_t Flow = 0;     // 1 flow control active
};

struct TPropertyPortStatus {
    static constexpr uint16_t GetCommand = 0x0203;
    uint8_t Valid = 0;
    std::vector<TPortStatusRow> Rows;   // one per port
};

struct TPortLimitRow {
    uint32_t FrameType = 0;   // 0-3
    uint32_t Ingress = 0;     // kbps
    uint32_t Egress = 0;      // kbps, 0 = no limit
};

struct TPropertyPortLimit {
    static constexpr uint16_t GetCommand = 0x0204;
    uint8_t Valid = 0;
    std::vector<TPortLimitRow> Rows;   // one per port
};

struct TPortTrunkRow {
    uint32_t Mask = 0;   // bit i = port i+1 is a member
    uint8_t Type = 0;    // 1 = 802.3ad LACP, 0 = static
};

struct TPropertyPortTrunk {
    static constexpr uint16_t GetCommand = 0x0206;
    uint8_t Valid = 0;
    std::vector<TPortTrunkRow> Rows;   // one per trunk group
};

// Wire sizes.
constexpr size_t PortNameSize = 8;
constexpr size_t PortConfigHeadSize = 4;
constexpr size_t PortConfigReplyRowSize = 6;
constexpr size_t PortConfigRequestRowSize = 5;
constexpr size_t PortStatusRowSize = 5;
constexpr size_t PortLimitRowSize = 9;
constexpr size_t PortTrunkRowSize = 5;

// ---------------------------------------------------------------------------
// Get sessions
//
// The table decoders check the rows in order and write each good row
// straight into the record; the first bad row ends the decoding, and the rows
// before it stay written with the record marked not valid.
// ---------------------------------------------------------------------------

class TSessionPortNameGet final : public TGetSession<0x0200, TPropertyPortName, 1> {
public:
    const char* GetName() const override { return "PortName"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyPortName& record, TBody body) override;
};

class TSessionPortConfigGet final : public TGetInPlaceSession<0x0201, TPropertyPortConfig, 4> {
public:
    const char* GetName() const override { return "PortConfigGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyPortConfig& record, TBody body) override;
};

class TSessionPortStatusGet final : public TGetInPlaceSession<0x0203, TPropertyPortStatus, 1> {
public:
    const char* GetName() const override { return "PortStatusGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyPortStatus& record, TBody body) override;
};

class TSessionPortLimitGet final : public TGetInPlaceSession<0x0204, TPropertyPortLimit, 1> {
public:
    const char* GetName() const override { return "PortLimitGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyPortLimit& record, TBody body) override;
};

class TSessionPortTrunkGet final : public TGetInPlaceSession<0x0206, TPropertyPortTrunk, 1> {
public:
    const char* GetName() const override { return "TrunkGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyPortTrunk& record, TBody body) override;
};

// ---------------------------------------------------------------------------
// Set sessions
// ---------------------------------------------------------------------------

// The whole request body: a 4-byte head, then n rows of 5 single bytes
// {port, state, speed/duplex, flow control, security}; 1 <= n <= P + T.
class TSessionPortConfigSet final : public TVarSetSession<0x0202, TSessionPortConfigGet> {
public:
    // Copies 4 + 5n bytes; false (session unchanged) when n <= 0 or the
    // length is not 4 + 5n.
    bool SetData(const void* buffer, size_t length, int n);
    const char* GetName() const override { return "PortConfigSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// n = P rows of 9 bytes {u8 frame type, u32 ingress, u32 egress}, the u32
// fields in host order at those byte offsets; sent big-endian.
class TSessionPortLimitSet final : public TVarSetSession<0x0205, TSessionPortLimitGet> {
public:
    // Copies 9n bytes; false (session unchanged) when n <= 0 or the length
    // is not 9n.
    bool SetData(const void* buffer, size_t length, int n);
    const char* GetName() const override { return "PortLimitSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// n = T rows of 5 bytes {u32 member mask, u8 type}, the mask in host order;
// sent big-endian.
class TSessionPortTrunkSet final : public TVarSetSession<0x0207, TSessionPortTrunkGet> {
public:
    // Copies 5n bytes; false (session unchanged) when n <= 0 or the length
    // is not 5n.
    bool SetData(const void* buffer, size_t length, int n);
    const char* GetName() const override { return "TrunkSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// ---------------------------------------------------------------------------
// Getters
// ---------------------------------------------------------------------------

inline TPropertyPortName& GetPropertyPortName(TDevice* device) { return device->GetProperty<TPropertyPortName>(); }
inline TPropertyPortConfig& GetPropertyPortConfig(TDevice* device)
{
    return device->GetProperty<TPropertyPortConfig>();
}
inline TPropertyPortStatus& GetPropertyPortStatus(TDevice* device)
{
    return device->GetProperty<TPropertyPortStatus>();
}
inline TPropertyPortLimit& GetPropertyPortLimit(TDevice* device) { return device->GetProperty<TPropertyPortLimit>(); }
inline TPropertyPortTrunk& GetPropertyPortTrunk(TDevice* device) { return device->GetProperty<TPropertyPortTrunk>(); }

} // namespace Intp
