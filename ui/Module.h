// The page interface that every frame of the main window implements, and
// the window event codes that pages receive.
#pragma once

#include <QString>
#include <cstdint>

class QWidget;

namespace Intp {
class TDevice;
}

// Window event codes that pages receive besides session command codes.
enum : uint16_t {
    EventPageShown = 0xFF01,        // page shown or selection changed: reload
    EventDeviceAdded = 0xFF02,
    EventDeviceRemoved = 0xFF03,
    EventDeviceTypeChanged = 0xFF04,
    EventDeviceNameChanged = 0xFF05,
    EventDeviceIpChanged = 0xFF06,
    EventDeviceFlagsChanged = 0xFF07,
};

class TModule {
public:
    virtual ~TModule() = default;
    virtual QString GetCaption() const = 0;
    virtual QWidget* GetControl() = 0;
    virtual void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) = 0;
    // The page is about to be left: false refuses; true hides the page.
    virtual bool Leave(bool force) = 0;
    // Starts the reads the page needs; returns how many started.
    virtual int Refresh(bool shown) = 0;
};
