// Security features (command group 0x08): 802.1x RADIUS settings, the
// 802.1x authorisation mode of each port, IP security (the management access
// list), the MAC blacklist and port security.
#pragma once

#include "Intp.h"
#include "IntpGetInPlace.h"

#include <string>
#include <vector>

namespace Intp {

// 802.1x port authorisation modes.
enum : uint32_t {
    Security8021xReject = 0,
    Security8021xAccept = 1,
    Security8021xAuthorize = 2,
    Security8021xDisable = 3,
};

// IP security management bits: the management access that is allowed.
enum : uint32_t {
    SecurityIpWeb = 1u << 0,
    SecurityIpTelnet = 1u << 1,
    SecurityIpSnmp = 1u << 2,
};

struct TPropertySecurity8021x {
    static constexpr uint16_t GetCommand = 0x0808;
    uint8_t Valid = 0;
    uint8_t Enabled = 0;
    uint32_t RadiusServer = 0;      // IPv4, host order
    uint32_t ServerPort = 0;        // authentication port
    uint32_t AccountingPort = 0;
    std::string SharedKey;          // at most 32 bytes on the wire
    std::string NasIdentifier;      // at most 32 bytes on the wire
    uint32_t QuietPeriod = 0;
    uint32_t TxPeriod = 0;
    uint32_t SupplicantTimeout = 0;
    uint32_t ServerTimeout = 0;
    uint32_t MaxRequests = 0;
    uint32_t ReauthPeriod = 0;
};

struct TPropertySecurity8021xPort {
    static constexpr uint16_t GetCommand = 0x080A;
    uint8_t Valid = 0;
    std::vector<uint32_t> Modes;    // one mode code per port, in port order
};

struct TPropertySecurityIp {
    static constexpr uint16_t GetCommand = 0x0800;
    uint8_t Valid = 0;
    uint8_t Enabled = 0;            // the access list is in force
    uint32_t Management = 0;        // SecurityIp* bits
    std::vector<uint32_t> Addresses; // host order; 0 = unused slot
};

struct TPropertySecurityMac {
    static constexpr uint16_t GetCommand = 0x0805;
    uint8_t Valid = 0;
    std::vector<TMacAddr> Rows;     // blacklisted addresses, in the order received
};

struct TPropertySecurityPortEntry {
    uint32_t Port = 0;              // logical port, 0-based
    TMacAddr Address;
};

struct TPropertySecurityPort {
    static constexpr uint16_t GetCommand = 0x0802;
    uint8_t Valid = 0;
    std::vector<TPropertySecurityPortEntry> Rows;
};

// Rows per full datagram of the MAC blacklist and port security lists.
constexpr size_t SecurityListThreshold = 128;

// --- 802.1x RADIUS settings -------------------------------------------------

class TSessionSecurity8021xGet final : public TGetSession<0x0808, TPropertySecurity8021x, 86> {
public:
    const char* GetName() const override { return "RadiusGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertySecurity8021x& record, TBody body) override;
};

class TSessionSecurity8021xSet final : public TSetSession<0x0809, TSessionSecurity8021xGet, 86> {
public:
    // The settings to write (the valid flag is not read). A value that does
    // not fit its wire field keeps the request from being sent.
    void SetData(const TPropertySecurity8021x& request) { m_Request = request; }
    const char* GetName() const override { return "RadiusSet"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TPropertySecurity8021x m_Request;
};

// --- 802.1x port modes -------------------------------------------------------

// Takes the mode bytes in order into the record; the first mode out of range
// ends the decoding, the modes before it staying written (record not valid).
class TSessionSecurity8021xPortGet final : public TGetInPlaceSession<0x080A, TPropertySecurity8021xPort, 1> {
public:
    const char* GetName() const override { return "8021xPortGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertySecurity8021xPort& record, TBody body) override;
};

class TSessionSecurity8021xPortSet final : public TVarSetSession<0x080B, TSessionSecurity8021xPortGet> {
public:
    // One mode byte per port. n <= 0 or no buffer leaves the session as it
    // was (returns false). Sent only to a switch with exactly n ports.
    bool SetData(const uint8_t* modes, int n);
    const char* GetName() const override { return "8021xPortSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// --- IP security ---------------------------------------------------------------

class TSessionSecurityIpGet final : public TGetSession<0x0800, TPropertySecurityIp, 5> {
public:
    const char* GetName() const override { return "IPsecGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertySecurityIp& record, TBody body) override;
};

class TSessionSecurityIpSet final : public TVarSetSession<0x0801, TSessionSecurityIpGet> {
public:
    // Enabled flag, management bits and the address slots (n = their count).
    // An empty list leaves the session as it was (returns false). Sent only
    // to a switch whose access list has exactly n slots.
    bool SetData(const TPropertySecurityIp& request);
    const char* GetName() const override { return "IPsecSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// --- MAC blacklist -----------------------------------------------------------

class TSessionSecurityMacGet final
    : public TRowListSession<0x0805, TPropertySecurityMac, TMacAddr, SecurityListThreshold, 4> {
public:
    const char* GetName() const override { return "SecMacGet"; }

protected:
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TMacAddr>& rows, size_t& count) override;
};

class TSessionSecurityMacAdd final : public TSetSession<0x0806, TSessionSecurityMacGet, 6> {
public:
    void SetData(const TMacAddr& mac) { m_Mac = mac; }
    const char* GetName() const override { return "SecMacAdd"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    TMacAddr m_Mac;
};

class TSessionSecurityMacDel final : public TSetSession<0x0807, TSessionSecurityMacGet, 6> {
public:
    void SetData(const TMacAddr& mac) { m_Mac = mac; }
    const char* GetName() const override { return "SecMacDel"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    TMacAddr m_Mac;
};

// --- Port security -----------------------------------------------------------

class TSessionSecurityPortGet final
    : public TRowListSession<0x0802, TPropertySecurityPort, TPropertySecurityPortEntry, SecurityListThreshold, 4> {
public:
    const char* GetName() const override { return "SecurityPortGet"; }

protected:
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TPropertySecurityPortEntry>& rows,
                        size_t& count) override;
};

class TSessionSecurityPortAdd final : public TSetSession<0x0803, TSessionSecurityPortGet, 7> {
public:
    // A port that is not a logical port of the switch keeps the request
    // from being sent.
    void SetData(const TPropertySecurityPortEntry& entry) { m_Entry = entry; }
    const char* GetName() const override { return "SecurityPortAdd"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TPropertySecurityPortEntry m_Entry;
};

class TSessionSecurityPortDel final : public TSetSession<0x0804, TSessionSecurityPortGet, 6> {
public:
    void SetData(const TMacAddr& mac) { m_Mac = mac; }
    const char* GetName() const override { return "SecurityPortDel"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    TMacAddr m_Mac;
};

inline TPropertySecurity8021x& GetPropertySecurity8021x(TDevice* device)
{
    return device->GetProperty<TPropertySecurity8021x>();
}
inline TPropertySecurity8021xPort& GetPropertySecurity8021xPort(TDevice* device)
{
    return device->GetProperty<TPropertySecurity8021xPort>();
}
inline TPropertySecurityIp& GetPropertySecurityIp(TDevice* device) { return device->GetProperty<TPropertySecurityIp>(); }
inline TPropertySecurityMac& GetPropertySecurityMac(TDevice* device) { return device->GetProperty<TPropertySecurityMac>(); }
inline TPropertySecurityPort& GetPropertySecurityPort(TDevice* device)
{
    return device->GetProperty<TPropertySecurityPort>();
}

} // namespace Intp
