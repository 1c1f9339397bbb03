// QoS features: decoders and Set requests.
#include "IntpQos.h"

namespace Intp {

uint32_t TSessionQosGet::Decode(TDevice*, TPropertyQos& record, TBody body)
{
    uint8_t scheme = body.U8(0), type = body.U8(1);
    if (scheme >= QosQueueSchemeCount)
        return StatusTableError;
    if (type >= QosPriorityTypeCount)
        return StatusRangeError;
    record.QueueScheme = scheme;
    record.PriorityType = type;
    return StatusOk;
}

uint32_t TSessionQosPortGet::Decode(TDevice* device, TPropertyQosPort& record, TBody body)
{
    size_t ports = device->GetPortCount();
    if (body.Size() != ports)
        return StatusRangeError;
    // Sized by the model of the device now, so a model that changed since
    // the last read never leaves the array too short.
    record.QueueLevel.resize(ports);
    for (size_t i = 0; i < ports; ++i) {
        uint8_t level = body.U8(i);
        if (level >= QosQueueLevelCount)
            return StatusTableError;
        record.QueueLevel[i] = level;
    }
    return StatusOk;
}

uint32_t TSessionQosCosGet::Decode(TDevice* device, TPropertyQosCos& record, TBody body)
{
    size_t ports = device->GetPortCount();
    size_t n = body.Size() - QosCosPriorityCount;   // the minimum length guarantees 8
    if (n == 0 || n != ports)
        return StatusConflict;
    record.DefaultPriority.resize(ports);
    for (size_t i = 0; i < QosCosPriorityCount; ++i) {
        uint8_t level = body.U8(i);
        if (level >= QosQueueLevelCount)
            return StatusTableError;
        record.QueueLevel[i] = level;
    }
    for (size_t i = 0; i < n; ++i) {
        uint8_t priority = body.U8(QosCosPriorityCount + i);
        if (priority >= QosCosPriorityCount)
            return StatusRangeError;
        record.DefaultPriority[i] = priority;
    }
    return StatusOk;
}

uint32_t TSessionQosTosGet::Decode(TDevice*, TPropertyQosTos& record, TBody body)
{
    for (size_t d = 0; d < QosTosCount; ++d) {
        uint8_t level = body.U8(d);
        if (level >= QosQueueLevelCount)
            return StatusTableError;
        record.QueueLevel[d] = level;
    }
    return StatusOk;
}

bool TSessionQosPortSet::SetData(std::span<const uint8_t> buffer, int n)
{
    if (n <= 0 || buffer.size() != size_t(n))
        return false;
    TVarSetSession::SetData(buffer.data(), buffer.size(), n);
    return true;
}

bool TSessionQosPortSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetPortCount();
}

bool TSessionQosCosSet::SetData(std::span<const uint8_t> buffer, int n)
{
    if (n <= 0 || buffer.size() != size_t(n) + QosCosPriorityCount)
        return false;
    TVarSetSession::SetData(buffer.data(), buffer.size(), n);
    return true;
}

bool TSessionQosCosSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetPortCount();
}

} // namespace Intp
