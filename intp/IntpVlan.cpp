// VLAN features: mode, port-based table, 802.1Q settings and membership.
#include "IntpVlan.h"

namespace Intp {

namespace {

constexpr size_t ListHead = 4;
constexpr size_t MembershipRowSize = 10;
constexpr size_t PortRowSize = 22;
constexpr size_t VlanNameWidth = 16;
// Largest membership list whose datagram still fits a UDP payload.
constexpr size_t MaxMembershipItems = MaxBodyLength / 2;

} // namespace

bool MaskFitsPorts(uint32_t mask, uint32_t logicalPorts)
{
    if (mask == 0)
        return false;
    // 2^ports in 64 bits: a switch with 32 or more logical ports takes any
    // 32-bit mask.
    if (logicalPorts >= 32)
        return true;
    return uint64_t(mask) < (uint64_t(1) << logicalPorts);
}

uint32_t TSessionVlanGet::Decode(TDevice*, TPropertyVlan& record, TBody body)
{
    const uint8_t mode = body.U8(0);
    if (mode > VlanMode8021q)
        return StatusTableError;
    record.Mode = mode;
    return StatusOk;
}

uint32_t TSessionVlanPortGet::DecodeRows(TDevice* device, TBody body, std::vector<TPropertyVlanPortEntry>& rows,
                                         size_t& count)
{
    TBody table = body.From(ListHead);
    count = table.Size() / PortRowSize;
    const uint32_t logical = device->GetLogicalPortCount();
    for (size_t i = 0; i < count; ++i) {
        const size_t row = i * PortRowSize;
        TPropertyVlanPortEntry e;
        e.VlanId = table.U16(row);
        e.Mask = table.U32(row + 2);
        e.Name = table.Text(row + 6, VlanNameWidth);
        if (e.VlanId < 1 || e.VlanId > VlanIdMax)
            return StatusTableError;
        if (!MaskFitsPorts(e.Mask, logical))
            return StatusRangeError;
        if (e.Name.empty())
            return StatusConflict;
        rows.push_back(std::move(e));
    }
    return StatusOk;
}

uint32_t TSessionVlan8021qGet::Decode(TDevice*, TPropertyVlan8021q& record, TBody body)
{
    record.Gvrp = body.U8(0) != 0;
    record.ManagementVlan = body.U16(1);
    return StatusOk;
}

bool TSessionVlan8021qSet::FillBody(TDevice*, TBodyWriter& body)
{
    body.U8(0, m_Gvrp ? 1 : 0);
    body.U16(1, m_ManagementVlan);
    return true;
}

bool TSessionVlan8021qPortGet::FillBody(TDevice* device, TBodyWriter& body)
{
    m_HybridMask = 0;
    GetPropertyVlan8021qPort(device).HybridMask = 0;
    return TRowListSession::FillBody(device, body);
}

uint32_t TSessionVlan8021qPortGet::DecodeRows(TDevice* device, TBody body,
                                              std::vector<TPropertyVlan8021qPortEntry>& rows, size_t& count)
{
    TBody table = body.From(ListHead);
    count = table.Size() / MembershipRowSize;
    for (size_t i = 0; i < count; ++i) {
        const size_t row = i * MembershipRowSize;
        TPropertyVlan8021qPortEntry e{table.U16(row), table.U32(row + 2), table.U32(row + 6)};
        if (e.VlanId == 0)
            m_HybridMask = e.UntaggedMask;
        else
            rows.push_back(e);
    }
    // The last datagram of the table: the hybrid mask becomes valid with the
    // rows (committed by the caller right after this).
    if (count < Vlan8021qPortThreshold)
        GetPropertyVlan8021qPort(device).HybridMask = m_HybridMask;
    return StatusOk;
}

bool TSessionVlan8021qPortSet::SetData(const std::vector<uint16_t>& items)
{
    if (items.empty() || items.back() != 0 || items.size() > MaxMembershipItems)
        return false;
    std::vector<uint8_t> bytes(items.size() * 2);
    for (size_t i = 0; i < items.size(); ++i)
        PutBE16(bytes.data() + 2 * i, items[i]);
    TVarSetSession::SetData(bytes.data(), bytes.size(), int(items.size()));
    return true;
}

void AppendVlan8021qPortEntry(std::vector<uint16_t>& items, uint8_t port, uint8_t linkType, uint16_t untaggedVlan,
                              const std::vector<uint16_t>& taggedVlans)
{
    items.push_back(uint16_t((port << 8) | linkType));
    items.push_back(untaggedVlan);
    items.insert(items.end(), taggedVlans.begin(), taggedVlans.end());
    items.push_back(0);
}

} // namespace Intp
