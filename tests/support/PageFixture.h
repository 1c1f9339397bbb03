// A test fixture for configuration pages: a real page in a real page host,
// a fake host interface naming the current devices, and the switch
// simulator on loopback as the switches. Session reports reach the page host
// the way the main window passes them on (host first, then the requester).
//
//   class QosPageTest : public TestSupport::PageTest {};
//   TEST_F(QosPageTest, ...) {
//       StartSwitches(2);                          // switches 0 and 1, model 1
//       auto* page = AddPage(new TModuleQos(Host()));
//       Select({0, 1});                            // both current, logged in
//       ASSERT_TRUE(ShowPage());                   // Refresh(true), wait for the reload
//       ... QTest::mouseClick(page->ApplyButton(), Qt::LeftButton);
//       auto body = WaitForRequest(0x0501);        // the Set's body as the switch got it
//   }
#pragma once

#include "FakeHost.h"
#include "FakeTransport.h"
#include "FakeUserInterface.h"
#include "ModuleFrame.h"
#include "Simulator.h"
#include "UdpTransport.h"

#include <QAbstractItemModelTester>
#include <QApplication>
#include <QCoreApplication>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>
#include <vector>

namespace TestSupport {

// Passes every report to the page host before the requester, as the main
// window does for a selected switch.
class TPageTransport final : public TUdpTransport {
public:
    TPageTransport(uint16_t port, TModuleFrame* host) : TUdpTransport(port), m_Host(host) {}
    // On loopback the limited broadcast (as a NetSet uses) goes to the
    // switches' directed broadcast address, 127.0.0.255, which the
    // simulator takes as a broadcast to its switches.
    void SendDatagram(uint32_t ip, const uint8_t* data, size_t length) override
    {
        TUdpTransport::SendDatagram(ip == 0xFFFFFFFFu ? 0x7F0000FFu : ip, data, length);
        Sent.back().Ip = ip;
    }
    void Report(Intp::TDevice* device, uint16_t command, uint32_t status, void* data, Intp::TWizard* observer,
                const char* name) override
    {
        Reports.push_back({device, command, status, data, observer, name ? name : ""});
        if (m_Host)
            m_Host->Notify(device, command, uint16_t(status));
        if (observer)
            observer->OnSessionEvent(device, command, uint16_t(status), data);
    }

private:
    TModuleFrame* m_Host;
};

class PageTest : public ::testing::Test {
protected:
    static constexpr uint32_t SimIp(size_t i) { return 0x7F000002u + uint32_t(i); }

    void SetUp() override
    {
        Intp::ReleaseLibrary();
        Intp::RegisterBuiltinModels();
        m_Observer = std::make_unique<TFakeDeviceObserver>();
        m_Ui = std::make_unique<TFakeUserInterface>();
        m_Host = std::make_unique<TFakeHost>();
        m_Frame = std::make_unique<TModuleFrame>();
        m_Frame->resize(900, 600);
        m_Frame->show();
    }
    void TearDown() override
    {
        Intp::ReleaseLibrary();
        m_Sim.Stop();
        m_Transport.reset();
        m_Frame.reset();
        m_Host.reset();
        m_Ui.reset();
        m_Observer.reset();
    }

    // Starts `count` simulated switches of `model` (each with the user
    // "admin"/"admin") at 127.0.0.2 on, and their devices.
    void StartSwitches(size_t count, uint32_t model = 1)
    {
        m_Sim.AddSwitches(count, SimIp(0), model);
        ASSERT_TRUE(m_Sim.Start(0, 0)) << m_Sim.LastError();
        m_Transport = std::make_unique<TPageTransport>(m_Sim.Port(), m_Frame.get());
        ASSERT_TRUE(m_Transport->Ok());
        m_Devices.clear();
        for (size_t i = 0; i < count; ++i) {
            Intp::TDevice* d = Intp::GetDevice(Sim::SimMac(uint32_t(i + 1)), true);
            d->SetType(model);
            d->SetIp(SimIp(i));
            m_Devices.push_back(d);
        }
    }
    Intp::TDevice* Device(size_t i) const { return m_Devices.at(i); }
    Sim::TSimulator& Simulator() { return m_Sim; }
    TFakeHost& FakeHost() { return *m_Host; }
    TFakeUserInterface& Ui() { return *m_Ui; }
    TModuleFrame* Host() const { return m_Frame.get(); }
    TUdpTransport& Transport() { return *m_Transport; }

    // Files `page` as the first page of the host's tree (the page the host
    // shows when no logged-in switch is current) and returns it.
    // Every list model of the page runs under QAbstractItemModelTester.
    template <class P>
    P* AddPage(P* page)
    {
        for (QAbstractItemModel* model : page->template findChildren<QAbstractItemModel*>())
            if (model->inherits("TPageListModel"))
                new QAbstractItemModelTester(model, QAbstractItemModelTester::FailureReportingMode::Fatal, model);
        QTreeWidgetItem* item = m_Frame->AddPage(nullptr, page);
        if (m_Frame->PageTree()->topLevelItemCount() == 1)
            m_Frame->PageTree()->setCurrentItem(item);
        return page;
    }

    // Starts one switch (after `setup` on its simulated state), files a new
    // `P` as the first page and shows it with that switch current.
    template <class P>
    P* ShowOnOneSwitch(const std::function<void(Sim::TSimSwitch&)>& setup = nullptr)
    {
        StartSwitches(1);
        if (setup)
            m_Sim.With(0, setup);
        auto* page = AddPage(new P(Host()));
        Select({0});
        EXPECT_TRUE(ShowPage());
        return page;
    }

    // One switch of `model`, `page` filed as the first page, the switch
    // current and logged in.
    template <class P>
    P* StartWithPage(P* page, uint32_t model = 1)
    {
        StartSwitches(1, model);
        AddPage(page);
        Select({0});
        return page;
    }

    // Makes the given switches current, in this order; each is logged in on
    // the device and on its simulated switch unless `login` is false.
    void Select(const std::vector<size_t>& which, bool login = true)
    {
        m_Host->Current.clear();
        for (size_t i : which) {
            Intp::TDevice* d = Device(i);
            m_Host->Current.push_back(d);
            if (login)
                d->SetFlags(Intp::DeviceFlagLoggedIn);
            m_Sim.With(i, [login](Sim::TSimSwitch& sw) { sw.LoggedIn = login; });
        }
        m_Host->All = m_Devices;
    }

    // Shows the current page (and the banner) as the host does after a
    // selection change (Refresh(true), or at once Notify 0xFF01) and waits
    // until the page shows.
    bool ShowPage(unsigned ms = 3000)
    {
        TModule* page = m_Frame->GetCurrentPage();
        m_Frame->Notify(m_Host->Current.empty() ? nullptr : m_Host->Current.front(), 0xFF01, 0);
        if (!page)
            return true;   // a banner alone
        return Pump([page] { return page->GetControl() && page->GetControl()->isVisible(); }, ms);
    }

    // Pumps datagrams, timers and Qt events until `done` or `ms` passed.
    bool Pump(const std::function<bool()>& done, unsigned ms = 3000)
    {
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            QCoreApplication::processEvents();
            if (done())
                return true;
            if (std::chrono::steady_clock::now() >= end)
                return false;
            if (m_Transport)
                m_Transport->Pump(5);
        }
    }
    // Pumps until `device` reports `command` from now on (a report that
    // already came does not count: call it right after the action); returns
    // its status, or 0xFFFFFFFF when none came.
    uint32_t WaitForReport(Intp::TDevice* device, uint16_t command, unsigned ms = 3000)
    {
        const size_t from = m_Transport->Reports.size();
        uint32_t status = 0xFFFFFFFFu;
        Pump([&] {
            for (size_t i = from; i < m_Transport->Reports.size(); ++i)
                if (m_Transport->Reports[i].Device == device && m_Transport->Reports[i].Command == command) {
                    status = m_Transport->Reports[i].Status;
                    return true;
                }
            return false;
        }, ms);
        return status;
    }

    // The requests of `command` the switches received so far, in order.
    std::vector<Sim::TSimLogEntry> Requests(uint16_t command) const
    {
        std::vector<Sim::TSimLogEntry> out;
        for (auto& e : m_Sim.Log())
            if (e.Command == command)
                out.push_back(e);
        return out;
    }
    // Waits for the `n`-th (from 1) request of `command` and returns its
    // body; empty when it did not come.
    std::vector<uint8_t> WaitForRequest(uint16_t command, size_t n = 1, unsigned ms = 3000)
    {
        std::vector<Sim::TSimLogEntry> found;
        Pump([&] {
            found = Requests(command);
            return found.size() >= n;
        }, ms);
        return found.size() >= n ? found[n - 1].Body : std::vector<uint8_t>{};
    }
    // What an action on the window thread sends (a click, a key press) is
    // handed to the socket before the action returns. This sends a marker
    // after it on the same socket and waits, on the simulator alone, until
    // the switches got it: every request sent before it has arrived then, so
    // a test that finds no request of a command knows the action sent none.
    // No switch answers the marker's command.
    bool SentSoFarArrived(unsigned ms = 3000)
    {
        static constexpr uint16_t MarkerCommand = 0xFFFF;
        uint8_t marker[Intp::HeaderSize + 4] = {};
        Intp::PutBE16(marker, MarkerCommand);
        Intp::PutBE16(marker + 4, 4);
        Intp::PutBE32(marker + Intp::HeaderSize, ++m_Markers);
        m_Transport->SendDatagram(0x7F000001u, marker, sizeof marker);
        const std::vector<uint8_t> body(marker + Intp::HeaderSize, marker + sizeof marker);
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const std::vector<Sim::TSimLogEntry> log = m_Sim.Log();
            for (const auto& e : log)
                if (e.Command == MarkerCommand && e.Body == body)
                    return true;
            const auto now = std::chrono::steady_clock::now();
            if (now >= end)
                return false;
            m_Sim.WaitForRequests(log.size() + 1, std::chrono::duration_cast<std::chrono::milliseconds>(end - now));
        }
    }
    // Waits, on the simulator alone, for the `n`-th request of `command` and
    // returns its body (empty when it did not come). The console hears
    // nothing meanwhile: the switch has taken the request but the console
    // has not seen the answer, so a test may change what the switch holds
    // and see whether the read that follows shows the change.
    std::vector<uint8_t> AwaitRequestUnanswered(uint16_t command, size_t n = 1, unsigned ms = 3000)
    {
        const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            const size_t seen = m_Sim.Log().size();
            const std::vector<Sim::TSimLogEntry> found = Requests(command);
            if (found.size() >= n)
                return found[n - 1].Body;
            const auto now = std::chrono::steady_clock::now();
            if (now >= end)
                return {};
            m_Sim.WaitForRequests(seen + 1, std::chrono::duration_cast<std::chrono::milliseconds>(end - now));
        }
    }
    // The number of reports so far, to wait for one that comes after it.
    size_t ReportCount() const { return m_Transport->Reports.size(); }
    // As WaitForReport, counting the reports from the `from`-th on (the
    // report may already have come while waiting for something else).
    uint32_t WaitForReportSince(size_t from, Intp::TDevice* device, uint16_t command, unsigned ms = 3000)
    {
        const auto& reports = m_Transport->Reports;
        size_t at = from;
        Pump([&] {
            while (at < reports.size() && !(reports[at].Device == device && reports[at].Command == command))
                ++at;
            return at < reports.size();
        }, ms);
        return at < reports.size() ? reports[at].Status : 0xFFFFFFFFu;
    }
    // Waits for `device`'s report of `set` and then for its report of `get`
    // (the read that follows a Set and reloads the page), counting the
    // reports from the `from`-th on.
    bool WaitForSetAndRead(size_t from, Intp::TDevice* device, uint16_t set, uint16_t get, unsigned ms = 3000)
    {
        const auto& reports = m_Transport->Reports;
        bool setSeen = false;
        return Pump([&] {
            for (; from < reports.size(); ++from)
                if (reports[from].Device == device) {
                    if (reports[from].Command == set)
                        setSeen = true;
                    else if (setSeen && reports[from].Command == get)
                        return true;
                }
            return false;
        }, ms);
    }

private:
    Sim::TSimulator m_Sim;
    std::unique_ptr<TFakeDeviceObserver> m_Observer;
    std::unique_ptr<TFakeUserInterface> m_Ui;
    std::unique_ptr<TFakeHost> m_Host;
    std::unique_ptr<TModuleFrame> m_Frame;
    std::unique_ptr<TPageTransport> m_Transport;
    std::vector<Intp::TDevice*> m_Devices;
    uint32_t m_Markers = 0;
};

} // namespace TestSupport
