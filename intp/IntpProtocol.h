// Protocol commands of group 0x00: Find, Login, Ping2 and IntpSip.
#pragma once

#include "Intp.h"

namespace Intp {

// The one discovery session of the process. It has no timer, is never in
// the pending list and cannot be started with StartSession; the receive
// dispatcher hands it every reply with command 0.
class TSessionIntpFind final : public TSession {
public:
    static constexpr uint16_t Command = 0;
    static TSessionIntpFind& Instance();

    bool Send(TDevice*) override { return false; }
    int OnReply(TDevice* device, const TPacketHeader& header, TBody body) override;
    int OnReplyFrom(TDevice* device, const TPacketHeader& header, TBody body, uint32_t sourceIp);
    void OnTimeout() override {}
    const char* GetName() const override { return "Find"; }

private:
    TSessionIntpFind() = default;
};

// Sends the discovery request to `target` (host order) and makes `observer`
// the observer of every later discovery reply.
void SendFind(TWizard* observer, uint32_t target);

class TSessionIntpLogin final : public TSessionGeneral<2> {
public:
    void SetDigest(const uint8_t digest[16]);
    const char* GetName() const override { return "Login"; }

protected:
    size_t BodyLength() const override { return 16; }
    size_t MinReplyLength() const override { return 4; }
    bool FillBody(TDevice* device, TBodyWriter& body) override;
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override;

private:
    uint8_t m_Digest[16] = {};
};

struct TPropertyIntpPing2 {
    static constexpr uint16_t GetCommand = 6;
    uint8_t Valid = 0;
    uint32_t PowerAlarm = 0;   // bit 0: power input 1 failed; bit 1: input 2
    uint32_t PortAlarm = 0;    // bit i: port i + 1 failed
    uint32_t LinkMask = 0;     // bit i: port i + 1 has link
};

class TSessionIntpPing2 final : public TGetSession<6, TPropertyIntpPing2, 12> {
public:
    explicit TSessionIntpPing2(unsigned timeoutMs) : m_TimeoutMs(timeoutMs) {}
    const char* GetName() const override { return "Ping2"; }

protected:
    void Arm() override;
    uint32_t Decode(TDevice* device, TPropertyIntpPing2& record, TBody body) override;
    // The decoded reply is reported without a name (short replies, refusals
    // and time-outs carry "Ping2" as every session's do).
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override;

private:
    unsigned m_TimeoutMs;
};

struct TPropertyIntpSip {
    static constexpr uint16_t GetCommand = 7;
    uint8_t Valid = 0;
    uint8_t Flag = 0;
    uint32_t Value = 0;
};

class TSessionIntpSipGet final : public TGetSession<7, TPropertyIntpSip, 4> {
public:
    const char* GetName() const override { return "IntpSipGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyIntpSip& record, TBody body) override;
    void Apply(TDevice* device, const TPropertyIntpSip& record, TBody body) override;
};

inline TPropertyIntpPing2& GetPropertyIntpPing2(TDevice* device) { return device->GetProperty<TPropertyIntpPing2>(); }
inline TPropertyIntpSip& GetPropertyIntpSip(TDevice* device) { return device->GetProperty<TPropertyIntpSip>(); }

} // namespace Intp
