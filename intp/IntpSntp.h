// The switch's time settings: "SntpGet" and "SntpSet".
#pragma once

#include "Intp.h"

namespace Intp {

// Time values are second counts since 1970-01-01 00:00:00 on the switch's
// own clock; no time zone of the workstation is applied to them.
struct TPropertyBasicsSntp {
    static constexpr uint16_t GetCommand = 0x010D;
    uint8_t Valid = 0;
    uint8_t Enabled = 0;          // the switch's SNTP client is on
    uint32_t TimeZone = 0;        // index into the time page's zone list
    uint32_t Server = 0;          // host order
    uint32_t SwitchTime = 0;      // SntpTimeUnknown: the switch does not know the time
    uint8_t DstEnabled = 0;
    uint32_t DstBegin = 0;        // seconds
    uint32_t DstEnd = 0;          // seconds
    uint32_t DstOffset = 0;       // minutes
};

constexpr uint32_t SntpTimeUnknown = 0xFFFFFFFFu;

inline TPropertyBasicsSntp& GetPropertyBasicsSntp(TDevice* device)
{
    return device->GetProperty<TPropertyBasicsSntp>();
}

// What "SntpSet" writes (the switch's clock cannot be set). Numbers are in
// host order; the request carries them big-endian.
struct TBasicsSntpValue {
    uint8_t Enabled = 0;
    uint16_t TimeZone = 0;
    uint32_t Server = 0;
    uint8_t DstEnabled = 0;
    uint32_t DstBegin = 0;
    uint32_t DstEnd = 0;
    uint32_t DstOffset = 0;       // minutes
};

constexpr size_t SntpReplyLength = 24;
constexpr size_t SntpSetLength = 20;

class TSessionBasicsSntpGet final : public TGetSession<0x010D, TPropertyBasicsSntp, SntpReplyLength> {
public:
    const char* GetName() const override { return "SntpGet"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyBasicsSntp& record, TBody body) override;
};

class TSessionBasicsSntpSet final : public TSetSession<0x010E, TSessionBasicsSntpGet, SntpSetLength> {
public:
    const char* GetName() const override { return "SntpSet"; }
    void SetValue(const TBasicsSntpValue& value);
    bool HasValue() const { return m_HasValue; }

protected:
    // Nothing is sent until a value was given.
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    TBasicsSntpValue m_Value;
    bool m_HasValue = false;
};

} // namespace Intp
