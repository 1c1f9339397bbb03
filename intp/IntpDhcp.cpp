// DHCP server settings, client entries and port addresses.
#include "IntpDhcp.h"

#include <cstring>

namespace Intp {

uint32_t TSessionBasicsDhcpGet::Decode(TDevice*, TPropertyBasicsDhcp& record, TBody body)
{
    record.ServerEnabled = body.U8(0) != 0;
    record.StartIp = body.U32(1);
    record.EndIp = body.U32(5);
    record.Netmask = body.U32(9);
    record.Gateway = body.U32(13);
    record.Dns = body.U32(17);
    record.LeaseTime = body.U32(21);
    return StatusOk;
}

bool TSessionBasicsDhcpSet::SetValue(const void* record, size_t length)
{
    if (!record || length != sizeof(TBasicsDhcpRequest))
        return false;
    std::memcpy(&m_Request, record, sizeof m_Request);
    return true;
}

bool TSessionBasicsDhcpSet::FillBody(TDevice*, TBodyWriter& body)
{
    body.U8(0, m_Request.ServerEnabled ? 1 : 0);
    body.U32(1, m_Request.StartIp);
    body.U32(5, m_Request.EndIp);
    body.U32(9, m_Request.Netmask);
    body.U32(13, m_Request.Gateway);
    body.U32(17, m_Request.Dns);
    body.U32(21, m_Request.LeaseTime);
    return true;
}

uint32_t TSessionBasicsDhcpEntry::DecodeRows(TDevice*, TBody body, std::vector<TPropertyBasicsDhcpEntryEntry>& rows,
                                             size_t& count)
{
    // 4 bytes that are not decoded, then whole rows; a partial row at the
    // end is ignored.
    count = (body.Size() - 4) / DhcpEntryRowSize;
    for (size_t i = 0; i < count; ++i) {
        const size_t off = 4 + i * DhcpEntryRowSize;
        TPropertyBasicsDhcpEntryEntry row;
        row.Type = body.U16(off + 10);
        row.Status = body.U16(off + 12);
        if (row.Type >= 5 || row.Status >= 4)
            return StatusTableError;
        row.Ip = body.U32(off);
        uint8_t mac[6];
        body.Copy(off + 4, mac, 6);
        row.ClientId = TMacAddr(mac);
        row.Lease = body.U32(off + 14);
        rows.push_back(row);
    }
    return StatusOk;
}

uint32_t TSessionBasicsDhcpPortIpGet::Decode(TDevice* device, TPropertyBasicsDhcpPortIp& record, TBody body)
{
    const size_t count = body.Size() / 4;
    if (count == 0 || count != device->GetPortCount())
        return StatusTableError;
    record.Addresses.assign(count, 0);
    for (size_t i = 0; i < count; ++i)
        record.Addresses[i] = body.U32(4 * i);
    return StatusOk;
}

void TSessionBasicsDhcpPortIpSet::SetValue(const uint32_t* addresses, int count)
{
    if (!addresses || count <= 0)
        return;
    std::vector<uint8_t> bytes(size_t(count) * 4);
    for (int i = 0; i < count; ++i)
        PutBE32(bytes.data() + 4 * size_t(i), addresses[i]);
    SetData(bytes.data(), bytes.size(), count);
}

bool TSessionBasicsDhcpPortIpSet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetPortCount();
}

} // namespace Intp
