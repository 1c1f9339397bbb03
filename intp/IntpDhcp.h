// DHCP server features: the server settings, the table of the server's
// client entries and the binding of one IPv4 address to each port.
#pragma once

#include "Intp.h"

#include <vector>

namespace Intp {

// ---------------------------------------------------------------------------
// Server settings ("DhcpGet" 0x0110, "DhcpSet" 0x0111)
// ---------------------------------------------------------------------------

struct TPropertyBasicsDhcp {
    static constexpr uint16_t GetCommand = 0x0110;
    uint8_t Valid = 0;
    uint8_t ServerEnabled = 0;
    uint32_t StartIp = 0;     // host order
    uint32_t EndIp = 0;
    uint32_t Netmask = 0;
    uint32_t Gateway = 0;     // 0 = none
    uint32_t Dns = 0;         // 0 = none
    uint32_t LeaseTime = 0;   // seconds
};

// The request record of "DhcpSet": 25 bytes with no gaps, host order.
#pragma pack(push, 1)
struct TBasicsDhcpRequest {
    uint8_t ServerEnabled = 0;
    uint32_t StartIp = 0;
    uint32_t EndIp = 0;
    uint32_t Netmask = 0;
    uint32_t Gateway = 0;
    uint32_t Dns = 0;
    uint32_t LeaseTime = 0;
};
#pragma pack(pop)
static_assert(sizeof(TBasicsDhcpRequest) == 25);

class TSessionBasicsDhcpGet final : public TGetSession<0x0110, TPropertyBasicsDhcp, 25> {
public:
    const char* GetName() const override { return "DhcpGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyBasicsDhcp& record, TBody body) override;
};

class TSessionBasicsDhcpSet final : public TSetSession<0x0111, TSessionBasicsDhcpGet, 25> {
public:
    void SetValue(const TBasicsDhcpRequest& request) { m_Request = request; }
    // Copies a 25-byte request record; refuses any other size.
    bool SetValue(const void* record, size_t length);
    const TBasicsDhcpRequest& Value() const { return m_Request; }
    const char* GetName() const override { return "DhcpSet"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TBasicsDhcpRequest m_Request;
};

// ---------------------------------------------------------------------------
// Client entries ("DhcpEntry" 0x0112), up to 32 rows per reply datagram
// ---------------------------------------------------------------------------

struct TPropertyBasicsDhcpEntryEntry {
    uint32_t Ip = 0;        // host order
    TMacAddr ClientId;
    uint32_t Type = 0;      // 0 .. 4
    uint32_t Status = 0;    // 0 .. 3
    uint32_t Lease = 0;
};

struct TPropertyBasicsDhcpEntry {
    static constexpr uint16_t GetCommand = 0x0112;
    uint8_t Valid = 0;
    std::vector<TPropertyBasicsDhcpEntryEntry> Rows;
};

constexpr size_t DhcpEntryRowsPerDatagram = 32;
constexpr size_t DhcpEntryRowSize = 18;

class TSessionBasicsDhcpEntry final
    : public TRowListSession<0x0112, TPropertyBasicsDhcpEntry, TPropertyBasicsDhcpEntryEntry,
                             DhcpEntryRowsPerDatagram, 4> {
public:
    const char* GetName() const override { return "DhcpEntry"; }

protected:
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TPropertyBasicsDhcpEntryEntry>& rows,
                        size_t& count) override;
};

// ---------------------------------------------------------------------------
// Port addresses ("DhcpPortIpGet" 0x0113, "DhcpPortIpSet" 0x0114)
// ---------------------------------------------------------------------------

struct TPropertyBasicsDhcpPortIp {
    static constexpr uint16_t GetCommand = 0x0113;
    uint8_t Valid = 0;
    // One host-order address per port, index 0 = port 1; 0 = no binding.
    std::vector<uint32_t> Addresses;
};

class TSessionBasicsDhcpPortIpGet final : public TGetSession<0x0113, TPropertyBasicsDhcpPortIp, 1> {
public:
    const char* GetName() const override { return "DhcpPortIpGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyBasicsDhcpPortIp& record, TBody body) override;
};

class TSessionBasicsDhcpPortIpSet final : public TVarSetSession<0x0114, TSessionBasicsDhcpPortIpGet> {
public:
    // Copies `count` host-order addresses, port 1 first. A count of 0 or
    // below leaves the session as it was.
    void SetValue(const uint32_t* addresses, int count);
    const char* GetName() const override { return "DhcpPortIpSet"; }

protected:
    // One address per port of the device's model.
    bool AcceptCount(TDevice* device, int count) const override;
};

inline TPropertyBasicsDhcp& GetPropertyBasicsDhcp(TDevice* device)
{
    return device->GetProperty<TPropertyBasicsDhcp>();
}
inline TPropertyBasicsDhcpEntry& GetPropertyBasicsDhcpEntry(TDevice* device)
{
    return device->GetProperty<TPropertyBasicsDhcpEntry>();
}
inline TPropertyBasicsDhcpPortIp& GetPropertyBasicsDhcpPortIp(TDevice* device)
{
    return device->GetProperty<TPropertyBasicsDhcpPortIp>();
}

} // namespace Intp
