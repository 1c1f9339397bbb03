// System settings ("GetSys", "SetSys") and the basic switch commands:
// "Reboot", "SaveCfg", "Default" and "AdminPassword".
#pragma once

#include "Intp.h"

#include <string>

namespace Intp {

// The switch's system settings. The system name is not kept here: it is the
// device's name (TDevice::GetName), set by every good "GetSys" reply.
struct TPropertyBasicsSettings {
    static constexpr uint16_t GetCommand = 0x0104;
    uint8_t Valid = 0;
    uint32_t KernelVersion = 0;     // high byte major, low byte minor
    uint32_t FirmwareVersion = 0;   // high byte major, low byte minor
    uint32_t HardwareVersion = 0;   // bytes 3/2: first board major/minor; bytes 1/0: second board
    std::string Description;
    std::string Location;
    std::string Contact;
    std::string ObjectId;           // below the fixed prefix, see ObjectIdText
};

inline TPropertyBasicsSettings& GetPropertyBasicsSettings(TDevice* device)
{
    return device->GetProperty<TPropertyBasicsSettings>();
}

// "v%d.%02d" of a kernel or firmware version (major in the high byte of the
// low 16 bits, minor in the low byte).
std::string VersionText(uint32_t version);
// "v%d.%02d(MPCB), v%d.%02d(APCB)" of a hardware version.
std::string HardwareVersionText(uint32_t hardwareVersion);
// "1.3.6.2.1.2.%s" of the object identifier below the prefix.
std::string ObjectIdText(const std::string& objectId);

// Wire layout of the "GetSys" reply and the "SetSys" request.
constexpr size_t SysTextWidth = 256;
constexpr size_t SysReplyLength = 1289;
constexpr size_t SysSetLength = 4 * SysTextWidth;

class TSessionBasicsReboot final : public TSessionGeneral<0x0103> {
public:
    const char* GetName() const override { return "Reboot"; }

protected:
    // A successful reboot forgets the device's address: the switch is not
    // reachable until a reply from it gives the address again.
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override;
};

class TSessionBasicsSettingsGet final : public TGetSession<0x0104, TPropertyBasicsSettings, SysReplyLength> {
public:
    const char* GetName() const override { return "GetSys"; }

protected:
    uint32_t Decode(TDevice* device, TPropertyBasicsSettings& record, TBody body) override;
    // The device's name and logged-in flag follow the reply.
    void Apply(TDevice* device, const TPropertyBasicsSettings& record, TBody body) override;
};

// What "SetSys" writes; each text is cut on a UTF-8 character boundary to
// its 256-byte field (a text that fills the field has no terminating zero).
struct TBasicsSettingsValue {
    std::string Name;
    std::string Description;
    std::string Location;
    std::string Contact;
};

class TSessionBasicsSettingsSet final : public TSetSession<0x0105, TSessionBasicsSettingsGet, SysSetLength> {
public:
    const char* GetName() const override { return "SetSys"; }
    void SetValue(const TBasicsSettingsValue& value);
    // The 1024-byte request body as is; any other length is refused (false)
    // and leaves the session without a value.
    bool SetValue(const void* data, size_t length);

protected:
    // Nothing is sent until a value was given.
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    std::vector<uint8_t> m_Body;
};

class TSessionBasicsSave final : public TSessionGeneral<0x0108> {
public:
    const char* GetName() const override { return "SaveCfg"; }
};

// A new administrator account; each text is cut on a UTF-8 character
// boundary to its 16-byte field (16 bytes go out with no terminating zero).
struct TBasicsPasswordValue {
    std::string User;
    std::string Password;
};

constexpr size_t PasswordFieldWidth = 16;
constexpr size_t PasswordSetLength = 2 * PasswordFieldWidth;

class TSessionBasicsPassword final : public TSessionGeneral<0x010C> {
public:
    const char* GetName() const override { return "AdminPassword"; }
    void SetValue(const TBasicsPasswordValue& value);
    // The 32-byte request body as is; any other length is refused.
    bool SetValue(const void* data, size_t length);

protected:
    size_t BodyLength() const override { return PasswordSetLength; }
    // Nothing is sent until a value was given: an empty account is never
    // written by accident.
    bool FillBody(TDevice* device, TBodyWriter& body) override;

private:
    std::vector<uint8_t> m_Body;
};

enum : uint32_t {
    DefaultKeepAccount = 1,   // keep the current user name and password
    DefaultKeepIp = 2,        // keep the current IP address settings
};

class TSessionBasicsDefault final : public TSessionGeneral<0x010F> {
public:
    const char* GetName() const override { return "Default"; }
    // Non-zero: a successful reply is followed by "Reboot" on the same switch.
    void SetReboot(uint8_t reboot) { m_Reboot = reboot; }
    // DefaultKeepAccount | DefaultKeepIp; other bits are not sent.
    void SetKeepFlags(uint32_t flags) { m_KeepFlags = flags; }
    uint8_t GetReboot() const { return m_Reboot; }
    uint32_t GetKeepFlags() const { return m_KeepFlags; }

protected:
    bool FillBody(TDevice* device, TBodyWriter& body) override;
    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override;

private:
    uint8_t m_Reboot = 0;
    uint32_t m_KeepFlags = 0;
};

} // namespace Intp
