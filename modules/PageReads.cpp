#include "PageReads.h"

#include "Intp.h"
#include "IntpBasics.h"
#include "IntpPort.h"
#include "IntpProtocol.h"
#include "ModuleCallback.h"

int StartOnCurrentDevices(const TSessionFactory& make, Intp::TWizard* observer)
{
    if (!g_ModuleCallback)
        return 0;
    TDeviceList devices;
    g_ModuleCallback->GetCurrentDevices(devices);
    int started = 0;
    for (Intp::TDevice* device : devices)
        if (Intp::TSession* session = make(device))
            started += StartOnDevice(session, device, observer) ? 1 : 0;
    return started;
}

bool StartOnDevice(Intp::TSession* session, Intp::TDevice* device, Intp::TWizard* observer)
{
    if (!session)
        return false;
    if (device && Intp::StartSession(session, device, observer))
        return true;
    delete session;
    return false;
}

int StartLoginSessions(const uint8_t digest[16], Intp::TWizard* observer)
{
    return StartOnCurrentDevices(
        [digest](Intp::TDevice*) {
            auto* session = new Intp::TSessionIntpLogin;
            session->SetDigest(digest);
            return session;
        },
        observer);
}

int StartRebootSessions(Intp::TWizard* observer)
{
    return StartOnCurrentDevices([](Intp::TDevice*) { return new Intp::TSessionBasicsReboot; }, observer);
}

int RequestPortNames()
{
    return StartOnCurrentDevices([](Intp::TDevice*) { return new Intp::TSessionPortNameGet; });
}

int RequestPortStatus()
{
    return StartOnCurrentDevices([](Intp::TDevice*) { return new Intp::TSessionPortStatusGet; });
}

bool RequestPortConfigIfNamed(Intp::TDevice* device)
{
    if (!device || !Intp::GetPropertyPortName(device).Valid)
        return false;
    return StartOnDevice(new Intp::TSessionPortConfigGet, device);
}

// --- Read state -------------------------------------------------------------------

namespace {

// Held in the device's record map under a code no switch command uses.
struct TPageReadLog {
    static constexpr uint16_t GetCommand = 0xFFF1;
    uint8_t Valid = 1;
    std::map<uint16_t, uint32_t> Status;   // per Get code, at most one each
    uint32_t PageFailure = 0;
};

} // namespace

void NoteReadStatus(Intp::TDevice* device, uint16_t code, uint32_t status)
{
    if (device)
        device->GetProperty<TPageReadLog>().Status[code] = status;
}

std::optional<uint32_t> LastReadStatus(Intp::TDevice* device, uint16_t code)
{
    if (!device)
        return std::nullopt;
    const auto& log = device->GetProperty<TPageReadLog>();
    auto it = log.Status.find(code);
    if (it == log.Status.end())
        return std::nullopt;
    return it->second;
}

void NotePageReadState(Intp::TDevice* device, uint32_t failure)
{
    if (!device)
        return;
    uint32_t& kept = device->GetProperty<TPageReadLog>().PageFailure;
    if (kept == failure)
        return;
    kept = failure;
    emit ReadStates().Changed();
}

uint32_t PageReadState(Intp::TDevice* device) { return device ? device->GetProperty<TPageReadLog>().PageFailure : 0; }

QString ReadFailureText(uint32_t failure)
{
    QString reason;
    if (failure == ReadNotDone)
        return QStringLiteral("Not read from the switch yet: the values shown are not the switch's.");
    if (failure == Intp::StatusTimeout)
        reason = QStringLiteral("no answer (time-out, 0x%1)").arg(failure, 4, 16, QLatin1Char('0'));
    else if (failure == Intp::StatusRefused)
        reason = QStringLiteral("refused (status %1)").arg(failure);
    else if (failure == Intp::StatusShort)
        reason = QStringLiteral("unreadable reply (too short, status %1)").arg(failure);
    else
        reason = QStringLiteral("unreadable reply (Error: 0x%1)").arg(failure, 4, 16, QLatin1Char('0'));
    return QStringLiteral("Read failed: %1. The values shown are not the switch's.").arg(reason);
}

TReadStates& ReadStates()
{
    static TReadStates* states = new TReadStates;
    return *states;
}
