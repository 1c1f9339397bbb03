// Redundancy features: decoders and Set requests.
#include "IntpRedundancy.h"

#include <cstring>
#include <vector>

namespace Intp {

uint32_t TSessionRedundancyGet::Decode(TDevice*, TPropertyRedundancy& record, TBody body)
{
    record.Enabled = body.U8(0) != 0;
    record.Mode = body.U8(1);
    return StatusOk;
}

uint32_t TSessionRedundancyRstpGet::Decode(TDevice* device, TPropertyRedundancyRstp& record, TBody body)
{
    size_t n = (body.Size() - RstpHeadSize) / RstpRowSize;
    if (n == 0 || n != device->GetPortCount())
        return StatusTableError;
    record.Enabled = body.U8(0) != 0;
    record.BridgePriority = body.U16(1);
    record.MaxAge = body.U8(3);
    record.HelloTime = body.U8(4);
    record.ForwardDelay = body.U8(5);
    record.Ports.assign(n, {});
    for (size_t i = 0; i < n; ++i) {
        size_t at = RstpHeadSize + i * RstpRowSize;
        auto& port = record.Ports[i];
        port.PathCost = body.U32(at);
        port.Priority = body.U8(at + 4);
        port.AdminP2p = body.U8(at + 5);
        port.AdminEdge = body.U8(at + 6) != 0;
        port.AdminNonStp = body.U8(at + 7) != 0;
    }
    return StatusOk;
}

uint32_t TSessionRedundancyRstpInfoGet::Decode(TDevice* device, TPropertyRedundancyRstpInfo& record, TBody body)
{
    size_t n = (body.Size() - RstpInfoHeadSize) / RstpInfoRowSize;
    if (n == 0 || n != device->GetPortCount())
        return StatusTableError;
    record.Enabled = body.U8(0) != 0;
    body.Copy(1, record.BridgeId.data(), record.BridgeId.size());
    record.RootPriority = body.U16(9);
    record.RootPort = body.U8(11);
    record.RootPathCost = body.U32(12);
    record.MaxAge = body.U8(16);
    record.HelloTime = body.U8(17);
    record.ForwardDelay = body.U8(18);
    record.Ports.assign(n, {});
    for (size_t i = 0; i < n; ++i) {
        size_t at = RstpInfoHeadSize + i * RstpInfoRowSize;
        auto& port = record.Ports[i];
        port.PathCost = body.U32(at);
        port.Priority = body.U8(at + 4);
        port.OperP2p = body.U8(at + 5);
        port.OperEdge = body.U8(at + 6) != 0;
        port.StpNeighbor = body.U8(at + 7) != 0;
        port.State = body.U8(at + 8);
        port.Role = body.U8(at + 9);
    }
    return StatusOk;
}

uint32_t TSessionRedundancyQloopGet::Decode(TDevice*, TPropertyRedundancyQloop& record, TBody body)
{
    record.RingEnabled = body.U8(0) != 0;
    record.RingMaster = body.U8(1) != 0;
    record.FirstRingPort = body.U8(2);
    record.SecondRingPort = body.U8(3);
    record.CouplingEnabled = body.U8(4) != 0;
    record.CouplingControlPort = body.U8(5);
    record.CouplingPort = body.U8(6);
    record.HomingEnabled = body.U8(7) != 0;
    record.HomingPort = body.U8(8);
    return StatusOk;
}

bool TSessionRedundancyRstpSet::SetData(std::span<const uint8_t> buffer, int n)
{
    if (n <= 0 || buffer.size() != size_t(n) * RstpRowSize + RstpHeadSize)
        return false;
    std::vector<uint8_t> body(buffer.begin(), buffer.end());
    // The caller's bridge priority and path costs are native integers;
    // rewrite them big-endian in place.
    uint16_t priority;
    std::memcpy(&priority, body.data() + 1, 2);
    PutBE16(body.data() + 1, priority);
    for (size_t i = 0; i < size_t(n); ++i) {
        uint8_t* cost = body.data() + RstpHeadSize + i * RstpRowSize;
        uint32_t value;
        std::memcpy(&value, cost, 4);
        PutBE32(cost, value);
    }
    TVarSetSession::SetData(body.data(), body.size(), n);
    return true;
}

bool TSessionRedundancyRstpSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetPortCount();
}

bool TSessionRedundancyQloopSet::FillBody(TDevice*, TBodyWriter& body)
{
    if (!m_HasData)
        return false;
    const uint8_t bytes[QloopSize] = {m_Request.RingEnabled,     m_Request.RingMaster,          m_Request.FirstRingPort,
                                      m_Request.SecondRingPort,  m_Request.CouplingEnabled,     m_Request.CouplingControlPort,
                                      m_Request.CouplingPort,    m_Request.HomingEnabled,       m_Request.HomingPort};
    body.Bytes(0, bytes, QloopSize);
    return true;
}

} // namespace Intp
