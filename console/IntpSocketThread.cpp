#include "IntpSocketThread.h"

#include "Intp.h"

TIntpSocketThread::TIntpSocketThread(uint16_t localPort, QObject* parent)
    : TReceivePump(parent)
{
    Open(localPort, true);
}

void TIntpSocketThread::DispatchDatagram(const TListElement& element)
{
    Intp::ReceivePacket(element.SourceIp, element.Data.size(), element.Data.data());
}
