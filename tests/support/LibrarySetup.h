// Setup shared by the programs that drive the protocol library without the
// test fixture (the fuzz target, the benchmarks) and by the test fixtures:
// a clean library, switches added by hand and logins ready to start.
#pragma once

#include "Intp.h"
#include "IntpProtocol.h"

namespace TestSupport {

// A device observer that ignores every change.
class TNullDeviceObserver : public Intp::TDeviceCallback {
public:
    void OnDeviceAdd(Intp::TDevice*) override {}
    void OnDeviceRemove(Intp::TDevice*) override {}
    void OnDeviceFlagsChange(Intp::TDevice*, uint32_t) override {}
    void OnDeviceIpChange(Intp::TDevice*) override {}
    void OnDeviceTypeChange(Intp::TDevice*) override {}
    void OnDeviceNameChange(Intp::TDevice*) override {}
};

// Releases whatever an earlier run left, then installs `transport` and a
// device observer that ignores every change, and registers the family's
// models.
inline void StartCleanLibrary(Intp::TSessionCallback* transport)
{
    static TNullDeviceObserver devices;
    Intp::ReleaseLibrary();
    Intp::SetSessionCallback(transport);
    Intp::SetDeviceCallback(&devices);
    Intp::RegisterBuiltinModels();
}

// The device of the switch with `mac`, as a model `model` switch at `ip`.
inline Intp::TDevice* AddSwitch(const Intp::TMacAddr& mac, uint32_t model, uint32_t ip)
{
    Intp::TDevice* d = Intp::GetDevice(mac, true);
    d->SetType(model);
    d->SetIp(ip);
    return d;
}

// A Login session carrying the digest of `user` and `password`.
inline Intp::TSessionIntpLogin* NewLogin(const char* user, const char* password)
{
    uint8_t digest[16];
    Intp::LoginDigest(user, password, digest);
    auto* login = new Intp::TSessionIntpLogin;
    login->SetDigest(digest);
    return login;
}

} // namespace TestSupport
