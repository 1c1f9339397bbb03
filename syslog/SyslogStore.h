// The stored syslog events, compactly: one fixed 40-byte record per event in
// arrival order, and the message bytes (UTF-8 as received) packed into large
// chunks taken straight from the system. The store is bounded in bytes: when
// it grows past its limit the oldest events give way, a chunk at a time, and
// the chunk's memory goes back to the system at once.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace Syslog {

// A block of message bytes, its pages mapped in one go (rather than one
// fault per page as messages are written). Bytes once written never
// change, so an export running on another thread may read them while new
// messages are appended.
class TMessageChunk {
public:
    explicit TMessageChunk(size_t capacity);
    ~TMessageChunk();
    TMessageChunk(const TMessageChunk&) = delete;
    TMessageChunk& operator=(const TMessageChunk&) = delete;

    char* Data = nullptr;
    size_t Capacity = 0;
    size_t Used = 0;
    size_t Events = 0; // stored events whose message lies here
};

// One stored event, 32 bytes. The receive time is UTC; it is turned into
// local time only where the event is shown or saved.
struct TStoredEvent {
    const char* Text = nullptr; // message bytes inside a chunk, not terminated
    int64_t ReceiveMs = 0;      // milliseconds since the epoch, UTC
    uint32_t Length = 0;
    uint32_t EventId = 0;
    uint32_t Sender = 0;        // IPv4, host byte order
    // A priority never exceeds a signed 32-bit number, so its facility fits
    // 28 bits.
    uint32_t Facility : 28 = 16;
    uint32_t Severity : 3 = 3;
    uint32_t Read : 1 = 0;

    std::string_view Message() const { return {Text, Length}; }
};

// A frozen copy of the events for an export: the records, and the chunks
// their messages lie in, kept alive even when the store lets them go.
struct TStoreSnapshot {
    std::vector<TStoredEvent> Events;
    std::vector<std::shared_ptr<const TMessageChunk>> Chunks;
};

// The event records in arrival order, in blocks of a fixed number of them:
// growing never moves the records already stored nor copies an index of
// all of them, and the oldest go a block at a time. A block's pages are
// mapped in one go when it is taken.
class TEventRecords {
public:
    static constexpr size_t BlockShift = 15;
    static constexpr size_t BlockRecords = size_t(1) << BlockShift; // 1 MB of records

    size_t Size() const { return m_Size; }
    TStoredEvent& operator[](size_t i)
    {
        const size_t at = m_First + i;
        return m_Blocks[at >> BlockShift].get()[at & (BlockRecords - 1)];
    }
    const TStoredEvent& operator[](size_t i) const { return const_cast<TEventRecords&>(*this)[i]; }
    TStoredEvent& Back() { return (*this)[m_Size - 1]; }
    const TStoredEvent& Back() const { return (*this)[m_Size - 1]; }
    TStoredEvent& Append(const TStoredEvent& event);
    // Removes the n oldest records.
    void DropFront(size_t n);
    void Clear();

private:
    struct TFree {
        void operator()(TStoredEvent* block) const;
    };
    std::deque<std::unique_ptr<TStoredEvent, TFree>> m_Blocks;
    size_t m_First = 0; // the oldest record's place in the first block
    size_t m_Size = 0;
};

class TSyslogStore {
public:
    static constexpr size_t DefaultLimitBytes = size_t(1) << 30;

    explicit TSyslogStore(size_t limitBytes = DefaultLimitBytes);

    // Appends one event at the end (arrival order). The caller then lets
    // OverLimit() events go with DropOldest.
    void Append(const TStoredEvent& event, std::string_view message);

    size_t Size() const { return m_Events.Size(); }
    const TStoredEvent& At(size_t i) const { return m_Events[i]; }
    TStoredEvent& At(size_t i) { return m_Events[i]; }
    const TStoredEvent& Back() const { return m_Events.Back(); }

    // Memory held: chunks, records and the per-sender counts.
    size_t Bytes() const;
    size_t Limit() const { return m_Limit; }
    void SetLimit(size_t bytes);
    // How many of the oldest events must go to bring the store back within
    // its limit (whole chunks; never the chunk being filled).
    size_t OverLimit() const;
    // Removes the n oldest events; chunks left without events are released.
    void DropOldest(size_t n);

    uint32_t Count(uint32_t sender) const;
    // Removes everything and gives the memory back to the system.
    void Clear();

    // Starts a snapshot: the chunks of every stored event, and room for the
    // records, which SnapshotEvents copies a slice at a time.
    TStoreSnapshot BeginSnapshot() const;
    void SnapshotEvents(TStoreSnapshot& snapshot, size_t first, size_t last) const;

private:
    size_t ChunkSize() const;

    TEventRecords m_Events;
    std::deque<std::shared_ptr<TMessageChunk>> m_Chunks; // oldest first
    std::unordered_map<uint32_t, uint32_t> m_Counts;
    size_t m_ChunkBytes = 0;
    size_t m_Limit;
};

// The positions of the events in the order the store hands them out: by
// sender address, then arrival.
std::vector<uint32_t> SenderOrder(const std::vector<TStoredEvent>& events);

// Gives memory the heap no longer uses back to the system.
void ReturnFreeMemory();

} // namespace Syslog
