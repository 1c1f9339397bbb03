// The host interface: how pages, wizards, dialogs and worker threads reach
// the main window (the selected devices, the login dialog, page selection and
// the filter, status monitor and syslog servers).
#pragma once

#include <QString>
#include <vector>

namespace Intp {
class TDevice;
}
namespace Filter {
class TFilterServer;
}
namespace Status {
class TStatusServer;
}
namespace Syslog {
class TSyslogServer;
}

// Devices the host appends for a caller; they stay owned by the library.
using TDeviceList = std::vector<Intp::TDevice*>;

class TModuleCallback {
public:
    virtual ~TModuleCallback() = default;

    // The first selected device and the number of selected nodes, while a
    // device node has the focus; otherwise null and 0.
    virtual int GetSelectedDevice(Intp::TDevice*& device) = 0;
    // Appends every selected device in selection order; returns their count.
    virtual int GetSelectedDevices(TDeviceList& devices) = 0;
    virtual int GetCurrentDevice(Intp::TDevice*& device) = 0;
    virtual int GetCurrentDevices(TDeviceList& devices) = 0;
    virtual void GetAllDevices(TDeviceList& devices) = 0;
    // Every device that has a node, in tree order.
    virtual void EnumDevices(TDeviceList& devices) = 0;
    // Shows the login dialog; true (and both texts) when confirmed.
    virtual bool AskLogin(QString& user, QString& password) = 0;
    virtual bool IsSelectedDevice(Intp::TDevice* device) = 0;
    virtual bool IsAmongSelected(Intp::TDevice* device) = 0;
    virtual bool IsCurrentDevice(Intp::TDevice* device) = 0;
    virtual bool IsAmongCurrent(Intp::TDevice* device) = 0;
    // Selects a main-tree node by a "/"-separated path of page captions.
    virtual bool SelectPage(const QString& path) = 0;
    virtual Filter::TFilterServer* GetFilterServer() = 0;
    virtual Status::TStatusServer* GetStatusServer() = 0;
    virtual Syslog::TSyslogServer* GetSyslogServer() = 0;
};

// Set by the main window when it is created; never cleared.
extern TModuleCallback* g_ModuleCallback;
