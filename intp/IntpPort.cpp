// Port names, configuration, status, rate limits and trunks.
#include "IntpPort.h"

#include <cstring>
#include <initializer_list>

namespace Intp {

namespace {

uint32_t HostU32(const uint8_t* p)
{
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
}

// Copies `rows` rows of `rowSize` bytes, turning the host-order u32 at each
// of `fields` (byte offsets within a row) into big-endian.
std::vector<uint8_t> RowsToWire(const uint8_t* src, size_t rows, size_t rowSize,
                                std::initializer_list<size_t> fields)
{
    std::vector<uint8_t> out(src, src + rows * rowSize);
    for (size_t r = 0; r < rows; ++r)
        for (size_t f : fields)
            PutBE32(out.data() + r * rowSize + f, HostU32(src + r * rowSize + f));
    return out;
}

} // namespace

// ---------------------------------------------------------------------------
// Decoders
// ---------------------------------------------------------------------------

uint32_t TSessionPortNameGet::Decode(TDevice* device, TPropertyPortName& record, TBody body)
{
    const size_t logical = device->GetLogicalPortCount();
    if (body.Size() < PortNameSize || body.Size() / PortNameSize != logical)
        return StatusTableError;
    record.Names.resize(logical);
    for (size_t i = 0; i < logical; ++i)
        record.Names[i] = body.Text(PortNameSize * i, PortNameSize);
    return StatusOk;
}

uint32_t TSessionPortConfigGet::Decode(TDevice* device, TPropertyPortConfig& record, TBody body)
{
    const size_t logical = device->GetLogicalPortCount();
    const size_t n = (body.Size() - PortConfigHeadSize) / PortConfigReplyRowSize;
    // More rows than the model has logical ports cannot be a table of this
    // switch, and would not fit the record.
    if (n == 0 || n > logical)
        return StatusTableError;
    if (record.Rows.size() < logical)
        record.Rows.resize(logical);
    for (size_t i = 0; i < n; ++i) {
        const size_t off = PortConfigHeadSize + PortConfigReplyRowSize * i;
        TPortConfigRow row;
        row.Port = body.U8(off);
        row.Type = body.U8(off + 1);
        row.State = body.U8(off + 2) != 0;
        row.Speed = body.U8(off + 3);
        row.Flow = body.U8(off + 4);
        row.Security = body.U8(off + 5) != 0;
        if (row.Type >= 10 || row.Speed >= 8 || row.Flow >= 3 || row.Port >= logical)
            return StatusRangeError;
        record.Rows[i] = row;
    }
    record.Count = uint32_t(n);
    return StatusOk;
}

uint32_t TSessionPortStatusGet::Decode(TDevice* device, TPropertyPortStatus& record, TBody body)
{
    const size_t ports = device->GetPortCount();
    const size_t n = body.Size() / PortStatusRowSize;
    if (n == 0 || n != ports)
        return StatusTableError;
    record.Rows.resize(ports);
    for (size_t i = 0; i < n; ++i) {
        const size_t off = PortStatusRowSize * i;
        TPortStatusRow row;
        row.Type = body.U8(off);
        row.Link = body.U8(off + 1) != 0;
        row.State = body.U8(off + 2) != 0;
        row.Speed = body.U8(off + 3);
        row.Flow = body.U8(off + 4) != 0;
        if (row.Type >= 10 || row.Speed >= 8)
            return StatusRangeError;
        record.Rows[i] = row;
    }
    return StatusOk;
}

uint32_t TSessionPortLimitGet::Decode(TDevice* device, TPropertyPortLimit& record, TBody body)
{
    const size_t ports = device->GetPortCount();
    const size_t n = body.Size() / PortLimitRowSize;
    if (n == 0 || n != ports)
        return StatusTableError;
    record.Rows.resize(ports);
    for (size_t i = 0; i < n; ++i) {
        const size_t off = PortLimitRowSize * i;
        TPortLimitRow row;
        row.FrameType = body.U8(off);
        if (row.FrameType >= 4)
            return StatusRangeError;
        row.Ingress = body.U32(off + 1);
        row.Egress = body.U32(off + 5);
        record.Rows[i] = row;
    }
    return StatusOk;
}

uint32_t TSessionPortTrunkGet::Decode(TDevice* device, TPropertyPortTrunk& record, TBody body)
{
    const size_t ports = device->GetPortCount();
    const size_t groups = device->GetTrunkCount();
    const size_t n = body.Size() / PortTrunkRowSize;
    if (n == 0 || n != groups)
        return StatusTableError;
    // Bits at positions P and above name ports the model does not have.
    const uint32_t beyond = ports >= 32 ? 0 : ~((uint32_t(1) << ports) - 1);
    record.Rows.resize(groups);
    uint32_t seen = 0;
    for (size_t i = 0; i < n; ++i) {
        const size_t off = PortTrunkRowSize * i;
        TPortTrunkRow row;
        row.Mask = body.U32(off);
        if (row.Mask & beyond)
            return StatusRangeError;
        if (row.Mask & seen)
            return StatusConflict;
        seen |= row.Mask;
        row.Type = body.U8(off + 4) != 0;
        record.Rows[i] = row;
    }
    return StatusOk;
}

// ---------------------------------------------------------------------------
// Set sessions
// ---------------------------------------------------------------------------

bool TSessionPortConfigSet::SetData(const void* buffer, size_t length, int n)
{
    if (!buffer || n <= 0 || length != PortConfigHeadSize + PortConfigRequestRowSize * size_t(n))
        return false;
    TVarSetSession::SetData(buffer, length, n);
    return true;
}

bool TSessionPortConfigSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) <= device->GetLogicalPortCount();
}

bool TSessionPortLimitSet::SetData(const void* buffer, size_t length, int n)
{
    if (!buffer || n <= 0 || length != PortLimitRowSize * size_t(n))
        return false;
    auto wire = RowsToWire(static_cast<const uint8_t*>(buffer), size_t(n), PortLimitRowSize, {1, 5});
    TVarSetSession::SetData(wire.data(), wire.size(), n);
    return true;
}

bool TSessionPortLimitSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetPortCount();
}

bool TSessionPortTrunkSet::SetData(const void* buffer, size_t length, int n)
{
    if (!buffer || n <= 0 || length != PortTrunkRowSize * size_t(n))
        return false;
    auto wire = RowsToWire(static_cast<const uint8_t*>(buffer), size_t(n), PortTrunkRowSize, {0});
    TVarSetSession::SetData(wire.data(), wire.size(), n);
    return true;
}

bool TSessionPortTrunkSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetTrunkCount();
}

} // namespace Intp
