// Monitoring features: decoders and Set requests.
#include "IntpMonitor.h"

namespace Intp {

uint32_t TSessionMonitorEventGet::DecodeRows(TDevice*, TBody body, std::vector<TPropertyMonitorEventEntry>& rows,
                                             size_t& count)
{
    TBody table = body.From(4);
    count = table.Size() / MonitorEventRowSize;   // a partial trailing row is ignored
    for (size_t i = 0; i < count; ++i) {
        size_t at = i * MonitorEventRowSize;
        rows.push_back({table.Text(at, MonitorEventTextSize),
                        table.Text(at + MonitorEventTextSize, MonitorEventTextSize)});
    }
    return StatusOk;
}

bool TSessionMonitorMacGet::FillBody(TDevice* device, TBodyWriter&)
{
    auto& record = GetPropertyMonitorMac(device);
    record.Valid = 0;
    record.Entries.clear();
    m_Rows.clear();
    return true;
}

int TSessionMonitorMacGet::ParseReply(TDevice* device, const TPacketHeader& header, TBody body)
{
    auto& record = GetPropertyMonitorMac(device);
    uint32_t status = header.Status;
    if (status == StatusOk) {
        TBody table = body.From(4);
        size_t count = table.Size() / MonitorMacRowSize;
        size_t ports = device->GetLogicalPortCount();
        for (size_t i = 0; i < count && status == StatusOk; ++i) {
            size_t at = i * MonitorMacRowSize;
            uint8_t port = table.U8(at);
            if (port >= ports) {
                status = StatusTableError;
                break;
            }
            uint8_t mac[6];
            table.Copy(at + 1, mac, 6);
            m_Rows.push_back({int(port), TMacAddr(mac), uint8_t(table.U8(at + 7) != 0)});
        }
        if (status == StatusOk && count >= MonitorMacThreshold) {
            Detail::EnableTimer(this, true);
            return ReplyWaiting;
        }
    }
    record.Valid = 0;
    record.Entries.clear();
    if (status == StatusOk) {
        // A multimap inserts equal keys after the ones already there, so the
        // rows of one port keep their arrival order.
        for (const auto& row : m_Rows)
            record.Entries.emplace(row.Port, row);
        record.Valid = 1;
    }
    m_Rows.clear();
    Report(device, Command, status);
    return ReplyFinished;
}

uint32_t TSessionMonitorPortGet::Decode(TDevice* device, TPropertyMonitorPort& record, TBody body)
{
    size_t n = body.Size() / MonitorPortRowSize;
    if (n == 0 || n != device->GetPortCount())
        return StatusTableError;
    record.Rows.assign(n, {});
    for (size_t i = 0; i < n; ++i) {
        size_t at = i * MonitorPortRowSize;
        auto& row = record.Rows[i];
        row.TxGood = body.U32(at);
        row.TxBad = body.U32(at + 4);
        row.RxGood = body.U32(at + 8);
        row.RxBad = body.U32(at + 12);
        row.TxAbort = body.U32(at + 16);
        row.Collision = body.U32(at + 20);
    }
    return StatusOk;
}

uint32_t TSessionMonitorMirrorGet::Decode(TDevice* device, TPropertyMonitorMirror& record, TBody body)
{
    uint32_t ports = device->GetPortCount();
    uint8_t rx = body.U8(0), tx = body.U8(1);
    if (rx >= ports || tx >= ports)
        return StatusTableError;
    record.DestRx = rx;
    record.DestTx = tx;
    record.SourceRxMask = body.U32(2);
    record.SourceTxMask = body.U32(6);
    return StatusOk;
}

bool TSessionMonitorMirrorSet::FillBody(TDevice*, TBodyWriter& body)
{
    if (!m_HasData)
        return false;
    body.U8(0, m_Request.DestRx);
    body.U8(1, m_Request.DestTx);
    body.U32(2, m_Request.SourceRxMask);
    body.U32(6, m_Request.SourceTxMask);
    return true;
}

} // namespace Intp
