// SNMP agent features: version, communities, trap receivers and users.
#include "IntpSnmp.h"

namespace Intp {

namespace {

constexpr size_t TrapHead = 4;
constexpr size_t TrapRowSize = 37;
constexpr size_t UserRowSize = 34;

} // namespace

// --- Agent version -------------------------------------------------------------

uint32_t TSessionSnmpGet::Decode(TDevice*, TPropertySnmp& record, TBody body)
{
    const uint8_t version = body.U8(0);
    if (version > SnmpVersionV3)
        return StatusTableError;
    record.Version = version;
    return StatusOk;
}

bool TSessionSnmpSet::FillBody(TDevice*, TBodyWriter& body)
{
    body.U8(0, m_Version);
    return true;
}

// --- Communities -------------------------------------------------------------

int TSessionSnmpCommunityGet::ParseReply(TDevice* device, const TPacketHeader& header, TBody body)
{
    TPropertySnmpCommunity& record = GetPropertySnmpCommunity(device);
    uint32_t status = header.Status;
    record.Valid = 0;
    if (status == StatusOk) {
        const size_t n = body.Size() / SnmpCommunityRowSize;
        if (n == 0 || n != device->GetSnmpCommunityCount()) {
            status = StatusTableError;
        } else {
            // The entries are kept in place: rows read before a refused row
            // stay as received, with the record marked not valid.
            record.Entries.resize(n);
            for (size_t i = 0; i < n && status == StatusOk; ++i) {
                const size_t row = i * SnmpCommunityRowSize;
                record.Entries[i].Name = body.Text(row, SnmpTextWidth);
                record.Entries[i].Privilege = body.U8(row + SnmpTextWidth);
                if (record.Entries[i].Privilege > SnmpReadWrite)
                    status = StatusRangeError;
            }
            if (status == StatusOk)
                record.Valid = 1;
        }
    }
    Report(device, Command, status);
    return ReplyFinished;
}

bool TSessionSnmpCommunitySet::SetData(const std::vector<TPropertySnmpCommunityEntry>& rows)
{
    const size_t n = rows.size();
    if (n == 0 || n > MaxBodyLength / SnmpCommunityRowSize)
        return false;
    std::vector<uint8_t> bytes(SnmpCommunityRowSize * n, 0);
    TBodyWriter w(bytes.data(), bytes.size());
    for (size_t i = 0; i < n; ++i) {
        w.Text(i * SnmpCommunityRowSize, SnmpTextWidth, rows[i].Name);
        w.U8(i * SnmpCommunityRowSize + SnmpTextWidth, uint8_t(rows[i].Privilege));
    }
    TVarSetSession::SetData(bytes.data(), bytes.size(), int(n));
    return true;
}

bool TSessionSnmpCommunitySet::AcceptCount(TDevice* device, int count) const
{
    return uint32_t(count) == device->GetSnmpCommunityCount();
}

// --- Trap receivers ------------------------------------------------------------

uint32_t TSessionSnmpTrapGet::DecodeRows(TDevice*, TBody body, std::vector<TPropertySnmpTrapEntry>& rows,
                                         size_t& count)
{
    TBody table = body.From(TrapHead);
    count = table.Size() / TrapRowSize;
    for (size_t i = 0; i < count; ++i) {
        const size_t row = i * TrapRowSize;
        TPropertySnmpTrapEntry e;
        e.Server = table.U32(row);
        e.Community = table.Text(row + 4, SnmpTextWidth);
        e.Version = table.U8(row + 36);
        // Unused or damaged slots are left out of the list.
        if (e.Server == 0 || e.Community.empty() || e.Version > SnmpTrapV2c)
            continue;
        rows.push_back(std::move(e));
    }
    return StatusOk;
}

bool TSessionSnmpTrapAdd::FillBody(TDevice*, TBodyWriter& body)
{
    if (m_Entry.Version > 0xFF)
        return false;
    body.U32(0, m_Entry.Server);
    body.Text(4, SnmpTextWidth, m_Entry.Community);
    body.U8(36, uint8_t(m_Entry.Version));
    return true;
}

bool TSessionSnmpTrapDel::FillBody(TDevice*, TBodyWriter& body)
{
    body.U32(0, m_Server);
    return true;
}

// --- SNMPv3 users --------------------------------------------------------------

uint32_t TSessionSnmpUserGet::DecodeRows(TDevice*, TBody body, std::vector<TPropertySnmpUserEntry>& rows,
                                         size_t& count)
{
    count = body.Size() / UserRowSize;
    for (size_t i = 0; i < count; ++i) {
        const size_t row = i * UserRowSize;
        rows.push_back({body.Text(row, SnmpTextWidth), body.U8(row + 32) != 0, body.U8(row + 33) != 0});
    }
    return StatusOk;
}

void TSnmpUserRequest::SetData(std::string_view user, std::string_view authPassword, std::string_view privPassword)
{
    m_User.assign(user);
    m_Auth.assign(authPassword);
    m_Priv.assign(privPassword);
}

void TSnmpUserRequest::Write(TBodyWriter& body) const
{
    body.Text(0, SnmpTextWidth, m_User);
    body.Text(32, SnmpTextWidth, m_Auth);
    body.Text(64, SnmpTextWidth, m_Priv);
}

} // namespace Intp
