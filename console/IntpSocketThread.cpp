#include "IntpSocketThread.h"

#include "Intp.h"

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
    Intp::ReceivePacket(element.SourceIp, element.Data.size(), element.Data.data());
}
