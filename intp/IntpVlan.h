// VLAN features (command group 0x04): the VLAN mode, the port-based VLAN
// table, the 802.1Q settings and the 802.1Q port membership table.
#pragma once

#include "Intp.h"

#include <string>
#include <vector>

namespace Intp {

enum : uint32_t {
    VlanModeNone = 0,
    VlanModePortBased = 1,
    VlanMode8021q = 2,
};

// Link types of a port entry in the 802.1Q membership list.
enum : uint8_t {
    VlanLinkAccess = 0,
    VlanLink8021q = 1,
    VlanLinkHybrid = 2,
};

struct TPropertyVlan {
    static constexpr uint16_t GetCommand = 0x0400;
    uint8_t Valid = 0;
    uint32_t Mode = 0;              // VlanMode*
};

struct TPropertyVlan8021q {
    static constexpr uint16_t GetCommand = 0x0406;
    uint8_t Valid = 0;
    uint8_t Gvrp = 0;
    uint32_t ManagementVlan = 0;    // 0 = none; as received
};

struct TPropertyVlan8021qPortEntry {
    uint32_t VlanId = 0;            // never 0
    uint32_t UntaggedMask = 0;      // logical-port bits
    uint32_t TaggedMask = 0;
};

struct TPropertyVlan8021qPort {
    static constexpr uint16_t GetCommand = 0x0408;
    uint8_t Valid = 0;
    uint32_t HybridMask = 0;        // bit i: logical port i is a Hybrid port
    std::vector<TPropertyVlan8021qPortEntry> Rows;
};

struct TPropertyVlanPortEntry {
    uint32_t VlanId = 0;            // 1 to 4094
    uint32_t Mask = 0;              // member logical ports, not 0
    std::string Name;               // 1 to 16 bytes
};

struct TPropertyVlanPort {
    static constexpr uint16_t GetCommand = 0x0402;
    uint8_t Valid = 0;
    std::vector<TPropertyVlanPortEntry> Rows;
};

constexpr size_t Vlan8021qPortThreshold = 128;
constexpr size_t VlanPortThreshold = 32;
constexpr uint32_t VlanIdMax = 4094;

// Whether `mask` names only logical ports of a switch with `logicalPorts`
// of them (bit i for port i).
bool MaskFitsPorts(uint32_t mask, uint32_t logicalPorts);

class TSessionVlanGet final : public TGetSession<0x0400, TPropertyVlan, 1> {
public:
    const char* GetName() const override { return "VlanGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyVlan& record, TBody body) override;
};

class TSessionVlanPortGet final
    : public TRowListSession<0x0402, TPropertyVlanPort, TPropertyVlanPortEntry, VlanPortThreshold, 4> {
public:
    const char* GetName() const override { return "VlanPortGet"; }

protected:
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TPropertyVlanPortEntry>& rows,
                        size_t& count) override;
};

class TSessionVlan8021qGet final : public TGetSession<0x0406, TPropertyVlan8021q, 3> {
public:
    const char* GetName() const override { return "Vlan8021qGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyVlan8021q& record, TBody body) override;
};

class TSessionVlan8021qSet final : public TSetSession<0x0407, TSessionVlan8021qGet, 3> {
public:
    void SetData(bool gvrp, uint16_t managementVlan)
    {
        m_Gvrp = gvrp;
        m_ManagementVlan = managementVlan;
    }
    const char* GetName() const override { return "Vlan8021qSet"; }

protected:
    bool FillBody(TDevice*, TBodyWriter& body) override;

private:
    bool m_Gvrp = false;
    uint16_t m_ManagementVlan = 0;
};

// Reads the membership table. The hybrid port mask is read afresh with the
// rows: a table without a hybrid row has no hybrid ports.
class TSessionVlan8021qPortGet final
    : public TRowListSession<0x0408, TPropertyVlan8021qPort, TPropertyVlan8021qPortEntry, Vlan8021qPortThreshold, 4> {
public:
    const char* GetName() const override { return "Vlan8021qPortGet"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;
    uint32_t DecodeRows(TDevice* device, TBody body, std::vector<TPropertyVlan8021qPortEntry>& rows,
                        size_t& count) override;

private:
    uint32_t m_HybridMask = 0;
};

class TSessionVlan8021qPortSet final : public TVarSetSession<0x0409, TSessionVlan8021qPortGet> {
public:
    // The membership list (port entries, each ending in 0; see
    // AppendVlan8021qPortEntry). A list that is empty or whose last item is
    // not 0 leaves the session as it was (returns false).
    bool SetData(const std::vector<uint16_t>& items);
    const char* GetName() const override { return "Vlan8021qPortSet"; }
};

// Appends one port entry to a membership list: port and link type, the
// untagged VLAN, the tagged VLANs, then the closing 0.
void AppendVlan8021qPortEntry(std::vector<uint16_t>& items, uint8_t port, uint8_t linkType, uint16_t untaggedVlan,
                              const std::vector<uint16_t>& taggedVlans);

inline TPropertyVlan& GetPropertyVlan(TDevice* device) { return device->GetProperty<TPropertyVlan>(); }
inline TPropertyVlan8021q& GetPropertyVlan8021q(TDevice* device) { return device->GetProperty<TPropertyVlan8021q>(); }
inline TPropertyVlan8021qPort& GetPropertyVlan8021qPort(TDevice* device)
{
    return device->GetProperty<TPropertyVlan8021qPort>();
}
inline TPropertyVlanPort& GetPropertyVlanPort(TDevice* device) { return device->GetProperty<TPropertyVlanPort>(); }

} // namespace Intp
