// Redundancy features (command group 0x03): the redundancy summary, RSTP
// bridge and port settings, RSTP state information and the Qloop ring.
#pragma once

#include "Intp.h"

#include <array>
#include <span>
#include <vector>

namespace Intp {

enum : uint32_t {
    RedundancyModeRing = 1,
    RedundancyModeRstp = 2,
    RstpHeadSize = 6,
    RstpRowSize = 8,
    RstpInfoHeadSize = 19,
    RstpInfoRowSize = 10,
    RstpRootPortSelf = 255,   // root port value of the root switch itself
    QloopSize = 9,
};

struct TPropertyRedundancy {
    static constexpr uint16_t GetCommand = 0x0307;
    uint8_t Valid = 0;
    uint8_t Enabled = 0;
    uint32_t Mode = 0;   // 1 ring, 2 RSTP
};

struct TPropertyRedundancyRstpPort {
    uint32_t PathCost = 0;
    uint32_t Priority = 0;
    uint32_t AdminP2p = 0;   // 0 false, 1 true, 2 auto
    uint8_t AdminEdge = 0;
    uint8_t AdminNonStp = 0;
};

struct TPropertyRedundancyRstp {
    static constexpr uint16_t GetCommand = 0x0302;
    uint8_t Valid = 0;
    uint8_t Enabled = 0;
    uint32_t BridgePriority = 0;
    uint32_t MaxAge = 0;
    uint32_t HelloTime = 0;
    uint32_t ForwardDelay = 0;
    std::vector<TPropertyRedundancyRstpPort> Ports;   // in port order
};

struct TPropertyRedundancyRstpInfoPort {
    uint32_t PathCost = 0;
    uint32_t Priority = 0;
    uint32_t OperP2p = 0;
    uint8_t OperEdge = 0;
    uint8_t StpNeighbor = 0;
    uint32_t State = 0;   // 0 disabled, 1 discarding, 2 learning, 3 forwarding, 4 non STP
    uint32_t Role = 0;    // 0 disabled, 1 root, 2 designated, 3 alternated, 4 backup, 5 non STP, 6 unknown
};

struct TPropertyRedundancyRstpInfo {
    static constexpr uint16_t GetCommand = 0x0304;
    uint8_t Valid = 0;
    uint8_t Enabled = 0;
    std::array<uint8_t, 8> BridgeId{};   // as received
    uint32_t RootPriority = 0;
    uint32_t RootPort = 0;               // as received; 255: this switch is the root
    uint32_t RootPathCost = 0;
    uint32_t MaxAge = 0;
    uint32_t HelloTime = 0;
    uint32_t ForwardDelay = 0;
    std::vector<TPropertyRedundancyRstpInfoPort> Ports;   // in port order
};

// Ring ports are 0-based positions in the device's port list, kept as the
// switch sent them; check them with IsValidRingPort before using one as an
// index.
struct TPropertyRedundancyQloop {
    static constexpr uint16_t GetCommand = 0x0300;
    uint8_t Valid = 0;
    uint8_t RingEnabled = 0;
    uint8_t RingMaster = 0;
    uint32_t FirstRingPort = 0;
    uint32_t SecondRingPort = 0;
    uint8_t CouplingEnabled = 0;
    uint32_t CouplingControlPort = 0;
    uint32_t CouplingPort = 0;
    uint8_t HomingEnabled = 0;
    uint32_t HomingPort = 0;
};

// Whether `port` (a ring, coupling or homing port number of a Qloop record)
// is a valid 0-based port index of the device.
inline bool IsValidRingPort(const TDevice* device, uint32_t port) { return device && port < device->GetPortCount(); }

inline TPropertyRedundancy& GetPropertyRedundancy(TDevice* device) { return device->GetProperty<TPropertyRedundancy>(); }
inline TPropertyRedundancyRstp& GetPropertyRedundancyRstp(TDevice* device)
{
    return device->GetProperty<TPropertyRedundancyRstp>();
}
inline TPropertyRedundancyRstpInfo& GetPropertyRedundancyRstpInfo(TDevice* device)
{
    return device->GetProperty<TPropertyRedundancyRstpInfo>();
}
inline TPropertyRedundancyQloop& GetPropertyRedundancyQloop(TDevice* device)
{
    return device->GetProperty<TPropertyRedundancyQloop>();
}

class TSessionRedundancyGet final : public TGetSession<0x0307, TPropertyRedundancy, 2> {
public:
    const char* GetName() const override { return "RedundancyGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyRedundancy& record, TBody body) override;
};

class TSessionRedundancyRstpGet final : public TGetSession<0x0302, TPropertyRedundancyRstp, RstpHeadSize> {
public:
    const char* GetName() const override { return "RstpGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyRedundancyRstp& record, TBody body) override;
};

class TSessionRedundancyRstpInfoGet final
    : public TGetSession<0x0304, TPropertyRedundancyRstpInfo, RstpInfoHeadSize> {
public:
    const char* GetName() const override { return "RstpInfoGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyRedundancyRstpInfo& record, TBody body) override;
};

class TSessionRedundancyQloopGet final : public TGetSession<0x0300, TPropertyRedundancyQloop, QloopSize> {
public:
    const char* GetName() const override { return "QloopGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyRedundancyQloop& record, TBody body) override;
};

// The RSTP Set of 8n + 6 bytes for n port rows. SetData takes the body as
// the page lays it out, with the bridge priority (bytes 1-2) and each row's
// path cost (its first 4 bytes) in host order, and keeps it big-endian. It
// refuses n <= 0 and a buffer that is not 8n + 6 bytes; Send refuses when n
// is not the device's port count.
class TSessionRedundancyRstpSet final : public TVarSetSession<0x0303, TSessionRedundancyRstpGet> {
public:
    bool SetData(std::span<const uint8_t> buffer, int n);
    const char* GetName() const override { return "RstpSet"; }

protected:
    bool AcceptCount(TDevice* device, int count) const override;
};

// Request record of the Qloop Set: the 9 body bytes in order.
struct TRedundancyQloopRequest {
    uint8_t RingEnabled = 0;
    uint8_t RingMaster = 0;
    uint8_t FirstRingPort = 0;
    uint8_t SecondRingPort = 0;
    uint8_t CouplingEnabled = 0;
    uint8_t CouplingControlPort = 0;
    uint8_t CouplingPort = 0;
    uint8_t HomingEnabled = 0;
    uint8_t HomingPort = 0;
};

class TSessionRedundancyQloopSet final : public TSetSession<0x0301, TSessionRedundancyQloopGet, QloopSize> {
public:
    void SetData(const TRedundancyQloopRequest& request)
    {
        m_Request = request;
        m_HasData = true;
    }
    const char* GetName() const override { return "QloopSet"; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TRedundancyQloopRequest m_Request{};
    bool m_HasData = false;
};

} // namespace Intp
