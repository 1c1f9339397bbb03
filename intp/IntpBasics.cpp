// System settings and the basic switch commands.
#include "IntpBasics.h"

#include <cstdio>
#include <cstring>

namespace Intp {

std::string VersionText(uint32_t version)
{
    char text[32];
    std::snprintf(text, sizeof text, "v%d.%02d", int((version >> 8) & 0xFF), int(version & 0xFF));
    return text;
}

std::string HardwareVersionText(uint32_t hw)
{
    char text[64];
    std::snprintf(text, sizeof text, "v%d.%02d(MPCB), v%d.%02d(APCB)", int(hw >> 24), int((hw >> 16) & 0xFF),
                  int((hw >> 8) & 0xFF), int(hw & 0xFF));
    return text;
}

std::string ObjectIdText(const std::string& objectId) { return "1.3.6.2.1.2." + objectId; }

namespace {

// Keeps a request body given as is: `length` bytes from `data` when that is
// the request's `size`; otherwise keeps nothing and refuses it.
bool KeepRequest(std::vector<uint8_t>& kept, const void* data, size_t length, size_t size)
{
    kept.clear();
    if (!data || length != size)
        return false;
    auto* p = static_cast<const uint8_t*>(data);
    kept.assign(p, p + length);
    return true;
}

// Writes a kept request body; false (nothing to send) while no body of the
// request's `size` is kept.
bool WriteRequest(const std::vector<uint8_t>& kept, size_t size, TBodyWriter& body)
{
    if (kept.size() != size)
        return false;
    body.Bytes(0, kept.data(), kept.size());
    return true;
}

} // namespace

// ---------------------------------------------------------------------------
// Reboot
// ---------------------------------------------------------------------------

int TSessionBasicsReboot::ParseReply(TDevice* device, const TPacketHeader& header, TBody)
{
    if (header.Status == StatusOk)
        device->SetIp(0);
    Report(device, Command, header.Status);
    return ReplyFinished;
}

// ---------------------------------------------------------------------------
// GetSys
// ---------------------------------------------------------------------------

namespace {
// Offsets in the "GetSys" reply body.
constexpr size_t SysKernel = 0;
constexpr size_t SysFirmware = 2;
constexpr size_t SysHardware = 4;
constexpr size_t SysLoggedIn = 8;
constexpr size_t SysName = 9;
constexpr size_t SysDescription = SysName + SysTextWidth;
constexpr size_t SysLocation = SysDescription + SysTextWidth;
constexpr size_t SysContact = SysLocation + SysTextWidth;
constexpr size_t SysObjectId = SysContact + SysTextWidth;
static_assert(SysObjectId + SysTextWidth == SysReplyLength);
} // namespace

uint32_t TSessionBasicsSettingsGet::Decode(TDevice*, TPropertyBasicsSettings& record, TBody body)
{
    record.KernelVersion = body.U16(SysKernel);
    record.FirmwareVersion = body.U16(SysFirmware);
    record.HardwareVersion = body.U32(SysHardware);
    record.Description = body.Text(SysDescription, SysTextWidth);
    record.Location = body.Text(SysLocation, SysTextWidth);
    record.Contact = body.Text(SysContact, SysTextWidth);
    record.ObjectId = body.Text(SysObjectId, SysTextWidth);
    return StatusOk;
}

void TSessionBasicsSettingsGet::Apply(TDevice* device, const TPropertyBasicsSettings&, TBody body)
{
    device->SetName(body.Text(SysName, SysTextWidth));
    device->SetLoggedIn(body.U8(SysLoggedIn) != 0);
}

// ---------------------------------------------------------------------------
// SetSys
// ---------------------------------------------------------------------------

void TSessionBasicsSettingsSet::SetValue(const TBasicsSettingsValue& value)
{
    m_Body.assign(SysSetLength, 0);
    TBodyWriter writer(m_Body.data(), m_Body.size());
    writer.Text(0 * SysTextWidth, SysTextWidth, value.Name);
    writer.Text(1 * SysTextWidth, SysTextWidth, value.Description);
    writer.Text(2 * SysTextWidth, SysTextWidth, value.Location);
    writer.Text(3 * SysTextWidth, SysTextWidth, value.Contact);
}

bool TSessionBasicsSettingsSet::SetValue(const void* data, size_t length)
{
    return KeepRequest(m_Body, data, length, SysSetLength);
}

bool TSessionBasicsSettingsSet::FillBody(TDevice*, TBodyWriter& body)
{
    return WriteRequest(m_Body, SysSetLength, body);
}

// ---------------------------------------------------------------------------
// AdminPassword
// ---------------------------------------------------------------------------

void TSessionBasicsPassword::SetValue(const TBasicsPasswordValue& value)
{
    m_Body.assign(PasswordSetLength, 0);
    TBodyWriter writer(m_Body.data(), m_Body.size());
    writer.Text(0, PasswordFieldWidth, value.User);
    writer.Text(PasswordFieldWidth, PasswordFieldWidth, value.Password);
}

bool TSessionBasicsPassword::SetValue(const void* data, size_t length)
{
    return KeepRequest(m_Body, data, length, PasswordSetLength);
}

bool TSessionBasicsPassword::FillBody(TDevice*, TBodyWriter& body)
{
    return WriteRequest(m_Body, PasswordSetLength, body);
}

// ---------------------------------------------------------------------------
// Default
// ---------------------------------------------------------------------------

bool TSessionBasicsDefault::FillBody(TDevice*, TBodyWriter& body)
{
    body.U32(0, m_KeepFlags & (DefaultKeepAccount | DefaultKeepIp));
    return true;
}

int TSessionBasicsDefault::ParseReply(TDevice* device, const TPacketHeader& header, TBody)
{
    if (header.Status == StatusOk && m_Reboot)
        StartOwnedSession(std::make_unique<TSessionBasicsReboot>(), device, nullptr);
    Report(device, Command, header.Status);
    return ReplyFinished;
}

} // namespace Intp
