#include "IntpSocketThread.h"

#include "Intp.h"

#include <QHostAddress>
#include <QNetworkInterface>

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

bool TIntpSocketThread::IsOwnAddress(uint32_t ip)
{
    for (const QHostAddress& address : QNetworkInterface::allAddresses())
        if (address.protocol() == QAbstractSocket::IPv4Protocol && address.toIPv4Address() == ip)
            return true;
    return false;
}
