// A stand-in for the main window's host interface: the test says which
// devices are current and which servers exist. Installs itself as
// g_ModuleCallback for its lifetime.
#pragma once

#include "Intp.h"
#include "ModuleCallback.h"

#include <QString>
#include <algorithm>
#include <vector>

namespace TestSupport {

class TFakeHost final : public TModuleCallback {
public:
    TFakeHost() { g_ModuleCallback = this; }
    ~TFakeHost() override
    {
        if (g_ModuleCallback == this)
            g_ModuleCallback = nullptr;
    }

    int GetSelectedDevice(Intp::TDevice*& device) override
    {
        device = Current.empty() ? nullptr : Current.front();
        return int(Current.size());
    }
    int GetSelectedDevices(TDeviceList& devices) override
    {
        devices.insert(devices.end(), Current.begin(), Current.end());
        return int(Current.size());
    }
    int GetCurrentDevice(Intp::TDevice*& device) override { return GetSelectedDevice(device); }
    int GetCurrentDevices(TDeviceList& devices) override { return GetSelectedDevices(devices); }
    void GetAllDevices(TDeviceList& devices) override { EnumDevices(devices); }
    void EnumDevices(TDeviceList& devices) override { devices.insert(devices.end(), All.begin(), All.end()); }
    bool AskLogin(QString& user, QString& password) override
    {
        ++LoginAsked;
        if (!LoginAnswer)
            return false;
        user = LoginUser;
        password = LoginPassword;
        return true;
    }
    bool IsSelectedDevice(Intp::TDevice* device) override { return !Current.empty() && Current.front() == device; }
    bool IsAmongSelected(Intp::TDevice* device) override
    {
        return std::find(Current.begin(), Current.end(), device) != Current.end();
    }
    bool IsCurrentDevice(Intp::TDevice* device) override { return IsSelectedDevice(device); }
    bool IsAmongCurrent(Intp::TDevice* device) override { return IsAmongSelected(device); }
    bool SelectPage(const QString& path) override
    {
        SelectedPaths.push_back(path);
        return SelectAnswer;
    }
    Filter::TFilterServer* GetFilterServer() override { return FilterServer; }
    Status::TStatusServer* GetStatusServer() override { return StatusServer; }
    Syslog::TSyslogServer* GetSyslogServer() override { return SyslogServer; }

    std::vector<Intp::TDevice*> Current;   // the selected (and current) devices
    std::vector<Intp::TDevice*> All;       // the devices with a tree node
    bool LoginAnswer = false;
    QString LoginUser, LoginPassword;
    int LoginAsked = 0;
    std::vector<QString> SelectedPaths;
    bool SelectAnswer = true;
    Filter::TFilterServer* FilterServer = nullptr;
    Status::TStatusServer* StatusServer = nullptr;
    Syslog::TSyslogServer* SyslogServer = nullptr;
};

} // namespace TestSupport
