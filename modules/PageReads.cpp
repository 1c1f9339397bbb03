#include "PageReads.h"

#include "Intp.h"
#include "IntpPort.h"
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
