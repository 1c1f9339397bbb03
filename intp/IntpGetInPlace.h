// A Get whose decoder writes straight into the device's record. Used by the
// features whose decoders check their fields one by one and keep the values
// that passed before the first failure (the record's valid flag is 0 then,
// so nothing reads them as a good reply).
#pragma once

#include "Intp.h"

namespace Intp {

template <uint16_t N, class T, size_t MinReply>
class TGetInPlaceSession : public TSessionGeneral<N> {
public:
    using Record = T;

protected:
    size_t MinReplyLength() const override { return MinReply; }
    // Decodes into the record itself; returns 0 or a failure status.
    virtual uint32_t Decode(TDevice* device, T& record, TBody body) = 0;

    int ParseReply(TDevice* device, const TPacketHeader& header, TBody body) override
    {
        T& record = device->template GetProperty<T>();
        record.Valid = 0;
        uint32_t status = header.Status;
        if (status == StatusOk)
            status = Decode(device, record, body);
        record.Valid = status == StatusOk ? 1 : 0;
        this->Report(device, N, status);
        return ReplyFinished;
    }
};

} // namespace Intp
