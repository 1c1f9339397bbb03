// A test fixture for sessions against the switch simulator over loopback: a
// clean protocol library with the family's models, the simulated switches
// at 127.0.0.2 on, and a UDP transport to them. For the test programs that
// link the simulator.
#pragma once

#include "FakeTransport.h"
#include "LibrarySetup.h"
#include "Simulator.h"
#include "UdpTransport.h"

#include <gtest/gtest.h>

#include <memory>

namespace TestSupport {

constexpr uint32_t Loopback(uint8_t last) { return 0x7F000000u | last; }

class SimulatorTest : public ::testing::Test {
protected:
    // The fixture adds its switches to Sim, then calls StartSimulator.
    void SetUp() override
    {
        Intp::ReleaseLibrary();
        Intp::RegisterBuiltinModels();
        Observer = std::make_unique<TFakeDeviceObserver>();
    }
    void TearDown() override
    {
        Intp::ReleaseLibrary();
        Sim.Stop();
        Transport.reset();
        Observer.reset();
    }
    // Starts the simulator on a free port and opens the transport to it.
    void StartSimulator()
    {
        ASSERT_TRUE(Sim.Start(0, 0)) << Sim.LastError();
        Transport = std::make_unique<TUdpTransport>(Sim.Port());
        ASSERT_TRUE(Transport->Ok());
    }
    // The device of simulated switch `i` (from 0), known by its MAC and
    // address, and of `model` when that is not 0 (otherwise the type stays
    // what it is, say what a Find reported).
    Intp::TDevice* SimDevice(size_t i, uint32_t model = 0)
    {
        Intp::TDevice* d = Intp::GetDevice(Sim::SimMac(uint32_t(i + 1)), true);
        if (model)
            d->SetType(model);
        d->SetIp(Loopback(uint8_t(2 + i)));
        return d;
    }
    // Pumps until `device` reported `command` (a report from index `from`
    // on); returns its status, or 0xFFFFFFFF when none came in 3 s.
    uint32_t WaitFor(Intp::TDevice* device, uint16_t command, size_t from)
    {
        uint32_t status = 0xFFFFFFFFu;
        Transport->PumpUntil(
            [&] {
                for (size_t i = from; i < Transport->Reports.size(); ++i)
                    if (Transport->Reports[i].Device == device && Transport->Reports[i].Command == command) {
                        status = Transport->Reports[i].Status;
                        return true;
                    }
                return false;
            },
            3000);
        return status;
    }
    // Starts a session and waits for `device`'s report of `command`; a
    // session that cannot start is deleted and gives 0xFFFFFFFF.
    uint32_t RunFor(Intp::TSession* session, Intp::TDevice* device, uint16_t command)
    {
        const size_t from = Transport->Reports.size();
        if (!Intp::StartSession(session, device, nullptr)) {
            delete session;
            return 0xFFFFFFFFu;
        }
        return WaitFor(device, command, from);
    }

    Sim::TSimulator Sim;
    std::unique_ptr<TUdpTransport> Transport;
    std::unique_ptr<TFakeDeviceObserver> Observer;
};

} // namespace TestSupport
