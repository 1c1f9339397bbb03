// SNMP agent features (command group 0x07): agent version, communities,
// trap receivers and SNMPv3 users.
#pragma once

#include "Intp.h"

#include <limits>
#include <string>
#include <string_view>
#include <vector>

namespace Intp {

enum : uint32_t {
    SnmpVersionV1V2c = 0,
    SnmpVersionV3 = 1,
};
enum : uint32_t {
    SnmpReadOnly = 0,
    SnmpReadWrite = 1,
};
enum : uint32_t {
    SnmpTrapV1 = 0,
    SnmpTrapV2c = 1,
};

struct TPropertySnmp {
    static constexpr uint16_t GetCommand = 0x0700;
    uint8_t Valid = 0;
    uint32_t Version = 0;           // SnmpVersion*
};

struct TPropertySnmpCommunityEntry {
    std::string Name;               // at most 32 bytes on the wire
    uint32_t Privilege = 0;         // SnmpReadOnly / SnmpReadWrite
};

struct TPropertySnmpCommunity {
    static constexpr uint16_t GetCommand = 0x0702;
    uint8_t Valid = 0;
    // As many entries as the model has communities, once a good reply came.
    std::vector<TPropertySnmpCommunityEntry> Entries;
};

struct TPropertySnmpTrapEntry {
    uint32_t Server = 0;            // IPv4, host order, never 0
    std::string Community;          // 1 to 32 bytes
    uint32_t Version = 0;           // SnmpTrap*
};

struct TPropertySnmpTrap {
    static constexpr uint16_t GetCommand = 0x0707;
    uint8_t Valid = 0;
    std::vector<TPropertySnmpTrapEntry> Rows;
};

struct TPropertySnmpUserEntry {
    std::string Name;               // may be empty
    bool Authentication = false;
    bool Privacy = false;
};

struct TPropertySnmpUser {
    static constexpr uint16_t GetCommand = 0x0704;
    uint8_t Valid = 0;
    std::vector<TPropertySnmpUserEntry> Rows;
};

constexpr size_t SnmpTextWidth = 32;
constexpr size_t SnmpCommunityRowSize = 33;
// The trap and user lists come in one reply each.
constexpr size_t SnmpSingleReply = std::numeric_limits<size_t>::max();

// --- Agent version -------------------------------------------------------------

class TSessionSnmpGet final : public TGetSession<0x0700, TPropertySnmp, 1> {
public:
    const char* GetName() const override { return "SnmpGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertySnmp& record, TBody body) override;
};

class TSessionSnmpSet final : public TSetSession<0x0701, TSessionSnmpGet, 1> {
public:
    void SetData(uint8_t version) { m_Version = version; }
    const char* GetName() const override { return "SnmpSet"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    uint8_t m_Version = 0;
};

// --- Communities -------------------------------------------------------------

class TSessionSnmpCommunityGet final : public TSessionGeneral<0x0702> {
public:
    const char* GetName() const override { return "SnmpCommunityGet"; }

protected:
    size_t MinReplyLength() const override { return 1; }
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override;
};

class TSessionSnmpCommunitySet final : public TVarSetSession<0x0703, TSessionSnmpCommunityGet> {
public:
    // The whole community table (n = rows.size()). An empty table leaves the
    // session as it was (returns false). Sent only to a switch with exactly
    // n communities.
    bool SetData(const std::vector<TPropertySnmpCommunityEntry>& rows);
    const char* GetName() const override { return "SnmpCommunitySet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// --- Trap receivers ------------------------------------------------------------

class TSessionSnmpTrapGet final
    : public TRowListSession<0x0707, TPropertySnmpTrap, TPropertySnmpTrapEntry, SnmpSingleReply, 4> {
public:
    const char* GetName() const override { return "SnmpTrapGet"; }

protected:
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TPropertySnmpTrapEntry>& rows,
                        size_t& count) override;
};

class TSessionSnmpTrapAdd final : public TSetSession<0x0708, TSessionSnmpTrapGet, 37> {
public:
    void SetData(const TPropertySnmpTrapEntry& entry) { m_Entry = entry; }
    const char* GetName() const override { return "SnmpTrapAdd"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    TPropertySnmpTrapEntry m_Entry;
};

class TSessionSnmpTrapDel final : public TSetSession<0x0709, TSessionSnmpTrapGet, 4> {
public:
    void SetData(uint32_t server) { m_Server = server; }
    const char* GetName() const override { return "SnmpTrapDel"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    uint32_t m_Server = 0;
};

// --- SNMPv3 users --------------------------------------------------------------

class TSessionSnmpUserGet final
    : public TRowListSession<0x0704, TPropertySnmpUser, TPropertySnmpUserEntry, SnmpSingleReply, 1> {
public:
    const char* GetName() const override { return "SnmpUserGet"; }

protected:
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TPropertySnmpUserEntry>& rows,
                        size_t& count) override;
};

// The 96-byte user request shared by Add and Del: user name, authentication
// password and privacy password, 32 bytes each; an empty password is none.
class TSnmpUserRequest {
public:
    void SetData(std::string_view user, std::string_view authPassword, std::string_view privPassword);

protected:
    void Write(TBodyWriter& body) const;

private:
    std::string m_User, m_Auth, m_Priv;
};

class TSessionSnmpUserAdd final : public TSetSession<0x0705, TSessionSnmpUserGet, 96>, public TSnmpUserRequest {
public:
    const char* GetName() const override { return "SnmpUserAdd"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override
    {
        Write(body);
        return true;
    }
};

class TSessionSnmpUserDel final : public TSetSession<0x0706, TSessionSnmpUserGet, 96>, public TSnmpUserRequest {
public:
    const char* GetName() const override { return "SnmpUserDel"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override
    {
        Write(body);
        return true;
    }
};

inline TPropertySnmp& GetPropertySnmp(TDevice* device) { return device->GetProperty<TPropertySnmp>(); }
inline TPropertySnmpCommunity& GetPropertySnmpCommunity(TDevice* device)
{
    return device->GetProperty<TPropertySnmpCommunity>();
}
inline TPropertySnmpTrap& GetPropertySnmpTrap(TDevice* device) { return device->GetProperty<TPropertySnmpTrap>(); }
inline TPropertySnmpUser& GetPropertySnmpUser(TDevice* device) { return device->GetProperty<TPropertySnmpUser>(); }

} // namespace Intp
