// Time settings: "SntpGet" and "SntpSet".
#include "IntpSntp.h"

namespace Intp {

uint32_t TSessionBasicsSntpGet::Decode(TDevice*, TPropertyBasicsSntp& record, TBody body)
{
    record.Enabled = body.U8(0) != 0;
    record.TimeZone = body.U16(1);
    record.Server = body.U32(3);
    record.SwitchTime = body.U32(7);
    record.DstEnabled = body.U8(11) != 0;
    record.DstBegin = body.U32(12);
    record.DstEnd = body.U32(16);
    record.DstOffset = body.U32(20);
    return StatusOk;
}

void TSessionBasicsSntpSet::SetValue(const TBasicsSntpValue& value)
{
    m_Value = value;
    m_HasValue = true;
}

bool TSessionBasicsSntpSet::FillBody(TDevice*, TBodyWriter& body)
{
    if (!m_HasValue)
        return false;
    // The request is the reply's layout without the switch time, so the
    // daylight saving flag sits at 7.
    body.U8(0, m_Value.Enabled ? 1 : 0);
    body.U16(1, m_Value.TimeZone);
    body.U32(3, m_Value.Server);
    body.U8(7, m_Value.DstEnabled ? 1 : 0);
    body.U32(8, m_Value.DstBegin);
    body.U32(12, m_Value.DstEnd);
    body.U32(16, m_Value.DstOffset);
    return true;
}

} // namespace Intp
