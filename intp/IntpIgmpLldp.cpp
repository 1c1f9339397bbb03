// IGMP and LLDP features: decoders and Set requests.
#include "IntpIgmpLldp.h"

namespace Intp {

uint32_t TSessionIgmpGet::Decode(TDevice*, TPropertyIgmp& record, TBody body)
{
    record.Snooping = body.U8(0) != 0;
    uint8_t mode = body.U8(1);
    if (mode >= IgmpQueryModeCount)
        return StatusTableError;
    record.QueryMode = mode;
    return StatusOk;
}

bool TSessionIgmpSet::FillBody(TDevice*, TBodyWriter& body)
{
    if (!m_HasData)
        return false;
    body.U8(0, m_Request.Snooping);
    body.U8(1, m_Request.QueryMode);
    return true;
}

uint32_t TSessionIgmpTable::DecodeRows(TDevice*, TBody body, std::vector<TPropertyIgmpTableEntry>& rows,
                                       size_t& count)
{
    TBody table = body.From(4);
    count = table.Size() / IgmpTableRowSize;   // a partial trailing row is ignored
    for (size_t i = 0; i < count; ++i) {
        size_t at = i * IgmpTableRowSize;
        TPropertyIgmpTableEntry row;
        row.PortMask = table.U32(at);
        row.GroupIp = table.U32(at + 4);
        row.VlanId = table.U16(at + 8);
        rows.push_back(row);
    }
    return StatusOk;
}

uint32_t TSessionLldpGet::Decode(TDevice*, TPropertyLldp& record, TBody body)
{
    record.Enabled = body.U8(0) != 0;
    record.Interval = body.U16(2);
    return StatusOk;
}

bool TSessionLldpSet::FillBody(TDevice*, TBodyWriter& body)
{
    if (!m_HasData)
        return false;
    body.U8(0, m_Request.Enabled ? 1 : 0);
    body.U8(1, 0);
    body.U16(2, m_Request.Interval);
    return true;
}

} // namespace Intp
