#include "IntpSocketThread.h"

#include "Intp.h"

#include <QHostAddress>
#include <QNetworkInterface>

#include <algorithm>

TIntpSocketThread::TIntpSocketThread(uint16_t localPort, QObject* parent)
    : TReceivePump(parent)
{
    Open(localPort, true);
}

void TIntpSocketThread::DispatchDatagram(const TListElement& element)
{
    // An empty datagram, or one too long for the header's 16-bit length to
    // describe, is no reply of a switch.
    if (element.Data.empty() || element.Data.size() >= MaxDatagramLength)
        return;
    // A broadcast this socket sent (a NetSet) comes back to it when it is
    // bound to the protocol's own port: it is a request, not a reply.
    if (element.SourcePort != 0 && element.SourcePort == LocalPort() && IsOwnAddress(element.SourceIp))
        return;
    Intp::ReceivePacket(element.SourceIp, element.Data.size(), element.Data.data());
}

static_assert(TReceivePump::PrefetchAhead == Intp::PrefetchDistance);

void TIntpSocketThread::PrefetchDatagram(const uint8_t* data, size_t length)
{
    Intp::PrefetchPacket(length, data);
}

bool TIntpSocketThread::IsOwnAddress(uint32_t ip)
{
    // Listing the interfaces asks the kernel over a socket of its own: a
    // burst of replies to the protocol's own port reads them once per
    // hand-over, and hand-overs that follow each other closely share them.
    const bool fresh = m_OwnAddressesDelivery == DeliveryNumber() || m_OwnAddressesAge.elapsed() < OwnAddressesMs;
    if (!m_OwnAddressesRead || !fresh) {
        m_OwnAddresses.clear();
        for (const QHostAddress& address : QNetworkInterface::allAddresses())
            if (address.protocol() == QAbstractSocket::IPv4Protocol)
                m_OwnAddresses.push_back(address.toIPv4Address());
        m_OwnAddressesDelivery = DeliveryNumber();
        m_OwnAddressesAge.start();
        m_OwnAddressesRead = true;
    }
    return std::find(m_OwnAddresses.begin(), m_OwnAddresses.end(), ip) != m_OwnAddresses.end();
}
