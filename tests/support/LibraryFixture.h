// A test fixture that gives each test a clean protocol library: the
// family's models registered, a fake transport and a fake device observer,
// and everything released afterwards.
#pragma once

#include "FakeTransport.h"
#include "LibrarySetup.h"

#include <gtest/gtest.h>
#include <memory>

namespace TestSupport {

class LibraryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Intp::ReleaseLibrary();
        Intp::RegisterBuiltinModels();
        Transport = std::make_unique<TFakeTransport>();
        Observer = std::make_unique<TFakeDeviceObserver>();
    }
    void TearDown() override
    {
        Intp::ReleaseLibrary();
        Observer.reset();
        Transport.reset();
    }
    // A device of the given model (1..6) at the given address.
    Intp::TDevice* AddDevice(uint8_t last, uint32_t model = 1, uint32_t ip = 0xC0000200u)
    {
        return AddSwitch(Mac(last), model, ip + last);
    }
    // Feeds a reply for `device` into the dispatcher, from the device's address.
    int Deliver(Intp::TDevice* device, uint16_t command, uint16_t status, const std::vector<uint8_t>& body)
    {
        auto d = MakeReply(command, status, device->GetMac(), body);
        return Intp::ReceivePacket(device->GetIp(), d.size(), d.data());
    }
    const TSentDatagram& LastSent() const { return Transport->Sent.back(); }
    const TReport& LastReport() const { return Transport->Reports.back(); }

    std::unique_ptr<TFakeTransport> Transport;
    std::unique_ptr<TFakeDeviceObserver> Observer;
};

} // namespace TestSupport
