// Find, Login, Ping2 and IntpSip.
#include "IntpProtocol.h"

#include <cstring>

namespace Intp {

TSessionIntpFind& TSessionIntpFind::Instance()
{
    // Never deleted: destroying it at exit would call a session callback
    // that may already be gone.
    static TSessionIntpFind* instance = new TSessionIntpFind;
    return *instance;
}

int TSessionIntpFind::OnReply(TDevice* device, const TPacketHeader& header, TBody body)
{
    return OnReplyFrom(device, header, body, device ? device->GetIp() : 0);
}

int TSessionIntpFind::OnReplyFrom(TDevice* device, const TPacketHeader& header, TBody body, uint32_t sourceIp)
{
    if (!device)
        return ReplyNotMine;
    if (body.Size() < 8) {
        Report(device, Command, StatusShort);
        return ReplyFinished;
    }
    if (header.Status != StatusOk) {
        Report(device, Command, header.Status);
        return ReplyFinished;
    }
    device->SetType(TypeFromProductId(body.U32(0)));
    device->SetIp(sourceIp);
    Report(device, Command, StatusOk);
    return ReplyFinished;
}

void SendFind(TWizard* observer, uint32_t target)
{
    std::vector<uint8_t> frame = BuildRequest(TSessionIntpFind::Command, TMacAddr(), 4);
    Detail::SendDatagram(target, frame.data(), frame.size());
    TSessionIntpFind::Instance().SetObserver(observer);
}

void TSessionIntpLogin::SetDigest(const uint8_t digest[16]) { std::memcpy(m_Digest, digest, 16); }

bool TSessionIntpLogin::FillBody(TDevice*, TBodyWriter& body)
{
    body.Bytes(0, m_Digest, 16);
    return true;
}

int TSessionIntpLogin::ParseReply(TDevice* device, const TPacketHeader& header, TBody)
{
    // The all-zero digest logs out: its success ends the login, it never
    // starts one.
    static const uint8_t logout[16] = {};
    bool isLogout = std::memcmp(m_Digest, logout, 16) == 0;
    device->SetLoggedIn(header.Status == StatusOk && !isLogout);
    Report(device, Command, header.Status);
    return ReplyFinished;
}

void TSessionIntpPing2::Arm()
{
    Detail::CreateTimer(this, m_TimeoutMs);
    Detail::EnableTimer(this, true);
}

int TSessionIntpPing2::ParseReply(TDevice* device, const TPacketHeader& header, TBody body)
{
    TPropertyIntpPing2& record = device->GetProperty<TPropertyIntpPing2>();
    if (header.Status == StatusOk) {
        Decode(device, record, body);
        record.Valid = 1;
    } else {
        record.Valid = 0;
    }
    if (TSessionCallback* cb = GetSessionCallback())
        cb->Report(device, Command, header.Status, nullptr, GetObserver(), nullptr);
    return ReplyFinished;
}

uint32_t TSessionIntpPing2::Decode(TDevice*, TPropertyIntpPing2& record, TBody body)
{
    record.PowerAlarm = body.U32(0);
    record.PortAlarm = body.U32(4);
    record.LinkMask = body.U32(8);
    return StatusOk;
}

uint32_t TSessionIntpSipGet::Decode(TDevice*, TPropertyIntpSip& record, TBody body)
{
    record.Flag = body.U8(0) != 0;
    record.Value = body.U16(2);
    return StatusOk;
}

void TSessionIntpSipGet::Apply(TDevice* device, const TPropertyIntpSip&, TBody body)
{
    if (body.U8(1))
        device->SetFlags(DeviceFlagWarning);
    else
        device->ClearFlags(DeviceFlagWarning);
}

} // namespace Intp
