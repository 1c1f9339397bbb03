#include "SyslogStore.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <malloc.h>
#include <sys/mman.h>
#include <unistd.h>

namespace Syslog {

namespace {

constexpr size_t MinChunk = 4096;
constexpr size_t MaxChunk = size_t(1) << 20;
// What one per-sender count costs in the hash map, roughly.
constexpr size_t CountEntryBytes = 48;

size_t PageRounded(size_t bytes)
{
    const size_t page = size_t(::sysconf(_SC_PAGESIZE));
    return (bytes + page - 1) / page * page;
}

// Memory straight from the system, its pages present from the start.
void* MapPages(size_t bytes)
{
    void* p = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | MAP_POPULATE, -1, 0);
    if (p == MAP_FAILED)
        throw std::bad_alloc();
    return p;
}

constexpr size_t RecordBlockBytes = TEventRecords::BlockRecords * sizeof(TStoredEvent);

} // namespace

TMessageChunk::TMessageChunk(size_t capacity)
    : Data(static_cast<char*>(MapPages(PageRounded(std::max<size_t>(capacity, 1))))),
      Capacity(PageRounded(std::max<size_t>(capacity, 1)))
{
}

TMessageChunk::~TMessageChunk() { ::munmap(Data, Capacity); }

TStoredEvent& TEventRecords::Append(const TStoredEvent& event)
{
    const size_t at = m_First + m_Size;
    if ((at >> BlockShift) == m_Blocks.size())
        m_Blocks.emplace_back(static_cast<TStoredEvent*>(MapPages(RecordBlockBytes)));
    TStoredEvent* record = ::new (m_Blocks.back().get() + (at & (BlockRecords - 1))) TStoredEvent(event);
    ++m_Size;
    return *record;
}

void TEventRecords::TFree::operator()(TStoredEvent* block) const { ::munmap(block, RecordBlockBytes); }

void TEventRecords::DropFront(size_t n)
{
    n = std::min(n, m_Size);
    m_First += n;
    m_Size -= n;
    while (m_First >= BlockRecords) {
        m_Blocks.pop_front();
        m_First -= BlockRecords;
    }
    if (m_Size == 0)
        Clear();
}

void TEventRecords::Clear()
{
    std::deque<std::unique_ptr<TStoredEvent, TFree>>().swap(m_Blocks);
    m_First = 0;
    m_Size = 0;
}

TSyslogStore::TSyslogStore(size_t limitBytes) : m_Limit(limitBytes) {}

size_t TSyslogStore::ChunkSize() const { return std::clamp(m_Limit / 16, MinChunk, MaxChunk); }

void TSyslogStore::Append(const TStoredEvent& event, std::string_view message)
{
    if (m_Chunks.empty() || m_Chunks.back()->Capacity - m_Chunks.back()->Used < message.size()) {
        // Messages stay in arrival order across chunks, so a message that
        // does not fit starts a new chunk (one of its own when it is large).
        m_Chunks.push_back(std::make_shared<TMessageChunk>(std::max(ChunkSize(), message.size())));
        m_ChunkBytes += m_Chunks.back()->Capacity;
    }
    TMessageChunk& chunk = *m_Chunks.back();
    char* text = chunk.Data + chunk.Used;
    if (!message.empty())
        std::memcpy(text, message.data(), message.size());
    chunk.Used += message.size();
    ++chunk.Events;
    TStoredEvent& stored = m_Events.Append(event);
    stored.Text = text;
    stored.Length = uint32_t(message.size());
    ++m_Counts[event.Sender];
}

size_t TSyslogStore::Bytes() const
{
    return m_ChunkBytes + m_Events.Size() * sizeof(TStoredEvent) + m_Counts.size() * CountEntryBytes;
}

void TSyslogStore::SetLimit(size_t bytes) { m_Limit = bytes; }

size_t TSyslogStore::OverLimit() const
{
    size_t bytes = Bytes();
    size_t events = 0;
    for (size_t i = 0; bytes > m_Limit && i + 1 < m_Chunks.size(); ++i) {
        const TMessageChunk& chunk = *m_Chunks[i];
        bytes -= chunk.Capacity + chunk.Events * sizeof(TStoredEvent);
        events += chunk.Events;
    }
    return events;
}

void TSyslogStore::DropOldest(size_t n)
{
    n = std::min(n, m_Events.Size());
    for (size_t i = 0; i < n; ++i) {
        const auto it = m_Counts.find(m_Events[i].Sender);
        if (--it->second == 0)
            m_Counts.erase(it);
    }
    m_Events.DropFront(n);
    while (n > 0 && !m_Chunks.empty()) {
        TMessageChunk& front = *m_Chunks.front();
        const size_t here = std::min(n, front.Events);
        front.Events -= here;
        n -= here;
        if (front.Events == 0 && m_Chunks.size() > 1) {
            m_ChunkBytes -= front.Capacity;
            m_Chunks.pop_front();
        }
    }
}

uint32_t TSyslogStore::Count(uint32_t sender) const
{
    const auto it = m_Counts.find(sender);
    return it == m_Counts.end() ? 0 : it->second;
}

void TSyslogStore::Clear()
{
    m_Events.Clear();
    m_Chunks.clear();
    m_ChunkBytes = 0;
    std::unordered_map<uint32_t, uint32_t>().swap(m_Counts);
    ReturnFreeMemory();
}

TStoreSnapshot TSyslogStore::BeginSnapshot() const
{
    TStoreSnapshot snapshot;
    snapshot.Chunks.assign(m_Chunks.begin(), m_Chunks.end());
    snapshot.Events.reserve(m_Events.Size());
    return snapshot;
}

void TSyslogStore::SnapshotEvents(TStoreSnapshot& snapshot, size_t first, size_t last) const
{
    for (size_t i = first; i < last; ++i)
        snapshot.Events.push_back(m_Events[i]);
}

std::vector<uint32_t> SenderOrder(const std::vector<TStoredEvent>& events)
{
    // Sender and position in one key: unique keys, so a plain sort keeps
    // the arrival order of one sender's events.
    std::vector<uint64_t> keys(events.size());
    for (size_t i = 0; i < events.size(); ++i)
        keys[i] = uint64_t(events[i].Sender) << 32 | uint32_t(i);
    std::sort(keys.begin(), keys.end());
    std::vector<uint32_t> order(keys.size());
    for (size_t i = 0; i < keys.size(); ++i)
        order[i] = uint32_t(keys[i]);
    return order;
}

void ReturnFreeMemory() { ::malloc_trim(0); }

} // namespace Syslog
