// Helpers shared by the simulator's feature handlers: per-switch stored
// bodies, tables answered in several datagrams, and a failing status
// injected into one datagram of a table reply.
#pragma once

#include "SimSwitch.h"

#include <algorithm>
#include <memory>
#include <string>
#include <vector>

namespace Sim {

// The body stored for a feature (keyed by its Get code), created from
// `initial` on first use.
inline std::vector<uint8_t>& Stored(TSimSwitch& sw, uint16_t getCode, const std::vector<uint8_t>& initial)
{
    auto it = sw.Store.find(getCode);
    if (it == sw.Store.end())
        it = sw.Store.emplace(getCode, initial).first;
    return it->second;
}

// The body stored for a feature, kept at `size` bytes: zeros whenever what
// is stored has another size (nothing yet, or written for another model).
inline std::vector<uint8_t>& StoredSized(TSimSwitch& sw, uint16_t getCode, size_t size)
{
    auto& body = sw.Store[getCode];
    if (body.size() != size)
        body.assign(size, 0);
    return body;
}

// Error status a simulated switch answers to a Set it cannot use.
constexpr uint16_t SimStatusBadRequest = 1;

// A Get answered with the stored body (created from `initial` on first use).
inline std::vector<TSimReply> StoredGet(TSimSwitch& sw, uint16_t getCode, const std::vector<uint8_t>& initial)
{
    std::vector<TSimReply> out;
    if (RequireLogin(sw, out))
        out.push_back(Reply(0, Stored(sw, getCode, initial)));
    return out;
}

// A Set that stores its body for the Get `getCode` when it is exactly `size`
// bytes; any other size answers SimStatusBadRequest and changes nothing.
inline std::vector<TSimReply> StoredSet(TSimSwitch& sw, const TSimRequest& req, uint16_t getCode, size_t size)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    if (req.Body.size() != size) {
        out.push_back(Reply(SimStatusBadRequest));
        return out;
    }
    sw.Store[getCode] = req.Body;
    out.push_back(Reply(0));
    return out;
}

// A failing status in datagram `Frame` (from 0) of the next table reply to
// `Command`; the reply ends with that datagram. Used once.
struct TSimRowListFault {
    uint16_t Command = 0;
    size_t Frame = 0;
    uint16_t Status = 0;
};

inline void SetRowListFault(TSimSwitch& sw, uint16_t command, size_t frame, uint16_t status)
{
    sw.Extra["rowlist-fault-" + std::to_string(command)] =
        std::make_shared<TSimRowListFault>(TSimRowListFault{command, frame, status});
}

// Splits a table of `rowSize`-byte rows into reply datagrams: a 4-byte head
// then at most `threshold` rows each. A datagram that carries `threshold`
// rows tells the console more follow, so a table that fills its last
// datagram exactly gets an empty one after it.
inline std::vector<TSimReply> SplitRows(const std::vector<uint8_t>& rows, size_t rowSize, size_t threshold)
{
    std::vector<TSimReply> out;
    const size_t count = rows.size() / rowSize;
    for (size_t next = 0;;) {
        const size_t n = std::min(threshold, count - next);
        std::vector<uint8_t> body(4, 0);
        body.insert(body.end(), rows.begin() + long(next * rowSize), rows.begin() + long((next + n) * rowSize));
        out.push_back(Reply(0, std::move(body)));
        next += n;
        if (n < threshold)
            return out;
    }
}

// SplitRows, with the failing status set by SetRowListFault for `command`
// put into its datagram, which then ends the reply.
inline std::vector<TSimReply> RowListReplies(TSimSwitch& sw, uint16_t command, const std::vector<uint8_t>& rows,
                                             size_t rowSize, size_t threshold)
{
    std::shared_ptr<TSimRowListFault> fault;
    auto key = "rowlist-fault-" + std::to_string(command);
    if (auto it = sw.Extra.find(key); it != sw.Extra.end()) {
        fault = std::static_pointer_cast<TSimRowListFault>(it->second);
        sw.Extra.erase(it);
    }
    std::vector<TSimReply> out = SplitRows(rows, rowSize, threshold);
    if (fault && fault->Frame < out.size()) {
        out.resize(fault->Frame + 1);
        out.back().Status = fault->Status;
    }
    return out;
}

// A table Get answered from the rows stored under its own code (none at
// first), split by RowListReplies.
inline std::vector<TSimReply> StoredTableGet(TSimSwitch& sw, uint16_t command, size_t rowSize, size_t threshold)
{
    std::vector<TSimReply> out;
    if (!RequireLogin(sw, out))
        return out;
    return RowListReplies(sw, command, Stored(sw, command, {}), rowSize, threshold);
}

} // namespace Sim
