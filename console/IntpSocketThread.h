// The protocol socket and its receiving thread: every datagram that arrives
// on it is handed to the protocol library's receive dispatcher on the window
// thread, one at a time, in arrival order. Requests leave through Send on
// the same socket, so that switches answer to the port the console listens on.
#pragma once

#include "ReceivePump.h"

#include <QElapsedTimer>

#include <vector>

class TIntpSocketThread : public TReceivePump {
    Q_OBJECT

public:
    // The switches' management port.
    static constexpr uint16_t IntpPort = 1638;
    // Datagrams of this length or longer are dropped.
    static constexpr size_t MaxDatagramLength = 65535;

    // Binds the socket to localPort (0 takes any free local port) with
    // broadcast enabled; check IsOpen(). The receiving thread waits until
    // Start().
    explicit TIntpSocketThread(uint16_t localPort = 0, QObject* parent = nullptr);

    // Sends a request to a switch (or a broadcast address), port 1638.
    bool SendToSwitch(uint32_t ip, const uint8_t* data, size_t length)
    {
        return Send(ip, IntpPort, data, length);
    }

protected:
    // Runs Intp::ReceivePacket on the datagram.
    void DispatchDatagram(const TListElement& element) override;
    // Announces it to the dispatcher (Intp::PrefetchPacket).
    void PrefetchDatagram(const uint8_t* data, size_t length) override;

private:
    // Whether ip is one of this host's IPv4 addresses. The addresses are
    // read once per hand-over of received datagrams, not per datagram, and
    // kept this long for the hand-overs that follow.
    bool IsOwnAddress(uint32_t ip);
    static constexpr int OwnAddressesMs = 100;

    std::vector<uint32_t> m_OwnAddresses;
    uint64_t m_OwnAddressesDelivery = 0;
    QElapsedTimer m_OwnAddressesAge;
    bool m_OwnAddressesRead = false;
};
