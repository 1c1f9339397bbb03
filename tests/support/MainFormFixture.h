// A test fixture for the main window: a clean protocol library, the fake
// dialogs, one local network and a window built on a free syslog port,
// optionally with every datagram it sends recorded instead of sent. Also a
// page that records what the window tells it and can refuse to be left.
#pragma once

#include "FakeUserInterface.h"
#include "LibraryFixture.h"
#include "MainForm.h"

#include <QCoreApplication>
#include <QTest>
#include <QFrame>
#include <QHostAddress>
#include <QUdpSocket>

#include <memory>
#include <vector>

namespace TestSupport {

// One local network, 192.0.2.0/24, and no routes.
class TOneNet final : public Filter::TNetProvider {
public:
    void GetLocalNetworks(Filter::TIpMaskVector& networks) override { networks = Networks; }
    bool GetBestRoute(uint32_t, Filter::TBestRoute&) override { return false; }
    Filter::TIpMaskVector Networks{{0xC0000200u, 0xFFFFFF00u}};
};

// A page that records what it is told and asked, and refuses to be left
// while `Busy`. By default it shows itself when told anything and hides when
// it agrees to be left, as the real pages do; with `showsItself` false it
// leaves both to its host.
class TRecordingPage final : public QFrame, public TModule {
public:
    struct TEvent {
        Intp::TDevice* Device;
        uint16_t Code, Status;
    };

    explicit TRecordingPage(QString caption, bool showsItself = true)
        : m_Caption(std::move(caption)), m_ShowsItself(showsItself)
    {
    }
    QString GetCaption() const override { return m_Caption; }
    QWidget* GetControl() override { return this; }
    void Notify(Intp::TDevice* device, uint16_t code, uint16_t status) override
    {
        Events.push_back({device, code, status});
        if (m_ShowsItself)
            show();
    }
    bool Leave(bool force) override
    {
        ++Leaves;
        if (Busy && !force)
            return false;
        if (m_ShowsItself)
            hide();
        return true;
    }
    int Refresh(bool shown) override
    {
        Refreshes.push_back(shown);
        return 0;
    }

    std::vector<TEvent> Events;
    std::vector<bool> Refreshes;
    int Leaves = 0;
    bool Busy = false;

private:
    QString m_Caption;
    bool m_ShowsItself;
};

class MainFormFixture : public LibraryTest {
protected:
    // For Create: datagrams go to `Sends` instead of the network.
    static constexpr bool RecordSends = true;

    void SetUp() override
    {
        LibraryTest::SetUp();
        Ui = std::make_unique<TFakeUserInterface>();
    }
    void TearDown() override
    {
        if (Form) {
            Form->Shutdown();
            Intp::ReleaseLibrary();
            Form.reset();
        }
        Ui.reset();
        LibraryTest::TearDown();
    }
    // Builds the window on `syslogPort` and runs its create event, whose
    // result lands in `Created`. With 0 the window binds any free port itself:
    // a port probed free beforehand could be taken by a test running beside.
    TMainForm* Create(uint16_t syslogPort = 0, bool recordSends = false)
    {
        TMainForm::TOptions options;
        options.SyslogPort = syslogPort;
        options.Net = &Net;
        if (recordSends)
            options.SendHook = [this](uint32_t ip, const uint8_t* data, size_t length) {
                Sends.push_back({ip, std::vector<uint8_t>(data, data + length), 0});
                return true;
            };
        Form = std::make_unique<TMainForm>(options);
        Created = Form->EventOnMainFormCreate();
        return Form.get();
    }
    // A switch of `model` (1..6; 0: a product identifier of no model) answers
    // discovery from `ip`, by default 192.0.2.`last`.
    Intp::TDevice* Found(uint8_t last, uint32_t model = 1, uint32_t ip = 0, bool settle = true)
    {
        std::vector<uint8_t> body(8, 0);
        Intp::PutBE32(body.data(),
                      model ? Intp::ProductIdOf(Intp::BuiltinModels[model - 1].ModelCode) : 0x12345678u);
        auto reply = MakeReply(0, 0, Mac(last), body);
        Intp::ReceivePacket(ip ? ip : 0xC0000200u + last, reply.size(), reply.data());
        // Nodes that come close together join the tree within a frame.
        if (Form && settle) {
            EXPECT_TRUE(QTest::qWaitFor([this] { return !Form->NodesWaiting(); }, 1000));
        }
        return Intp::GetDevice(Mac(last), false);
    }
    void Settle() { QCoreApplication::processEvents(); }

    TOneNet Net;
    std::vector<TSentDatagram> Sends;
    std::unique_ptr<TFakeUserInterface> Ui;
    std::unique_ptr<TMainForm> Form;
    bool Created = false;
};

} // namespace TestSupport
