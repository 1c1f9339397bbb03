// A hash map from a small key (an integer or a pointer) to a small value
// that keeps its entries in one array probed linearly: a lookup touches one
// or two cache lines, and adding or erasing allocates nothing until the
// table grows; a table that has emptied to an eighth shrinks, so a burst of
// keys does not keep its memory. Erasing moves later entries of the same run
// back, so a reference to a value holds only until the next insertion or
// erasure.
#pragma once

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <utility>
#include <vector>

namespace Intp {

template <class K, class V>
class TFlatMap {
    static_assert(std::is_integral_v<K> || std::is_pointer_v<K>);
    static_assert(std::is_trivially_copyable_v<V>);

public:
    TFlatMap() = default;

    size_t Size() const { return m_Size + (m_HasZero ? 1 : 0); }

    V* Find(K key)
    {
        if (key == K{})
            return m_HasZero ? &m_ZeroValue : nullptr;
        if (m_Slots.empty())
            return nullptr;
        for (size_t i = Home(key);; i = (i + 1) & m_Mask) {
            TSlot& slot = m_Slots[i];
            if (slot.Key == key)
                return &slot.Value;
            if (slot.Key == K{})
                return nullptr;
        }
    }
    const V* Find(K key) const { return const_cast<TFlatMap*>(this)->Find(key); }

    // Starts loading the key's slot into the cache, so that a lookup soon
    // after overlaps its memory access with other work.
    void Prefetch(K key) const
    {
        if (!m_Slots.empty())
            __builtin_prefetch(&m_Slots[Home(key)]);
    }

    // The key's value, value-initialised when the key is new (`added`).
    V& Insert(K key, bool& added)
    {
        added = false;
        if (key == K{}) {
            if (!m_HasZero) {
                m_HasZero = added = true;
                m_ZeroValue = V{};
            }
            return m_ZeroValue;
        }
        if ((m_Size + 1) * 2 > m_Slots.size())
            Grow();
        size_t i = Home(key);
        for (; m_Slots[i].Key != K{}; i = (i + 1) & m_Mask)
            if (m_Slots[i].Key == key)
                return m_Slots[i].Value;
        m_Slots[i] = {key, V{}};
        ++m_Size;
        added = true;
        return m_Slots[i].Value;
    }
    V& operator[](K key)
    {
        bool added;
        return Insert(key, added);
    }

    bool Erase(K key)
    {
        if (key == K{}) {
            const bool had = m_HasZero;
            m_HasZero = false;
            return had;
        }
        if (m_Slots.empty())
            return false;
        size_t hole = Home(key);
        for (; m_Slots[hole].Key != key; hole = (hole + 1) & m_Mask)
            if (m_Slots[hole].Key == K{})
                return false;
        // Moves back each later entry of the run whose home does not lie
        // between the hole and itself, so every entry stays reachable.
        for (size_t i = (hole + 1) & m_Mask; m_Slots[i].Key != K{}; i = (i + 1) & m_Mask) {
            const size_t home = Home(m_Slots[i].Key);
            if (((i - home) & m_Mask) >= ((i - hole) & m_Mask)) {
                m_Slots[hole] = m_Slots[i];
                hole = i;
            }
        }
        m_Slots[hole].Key = K{};
        --m_Size;
        if (m_Slots.size() > MinCapacity && m_Size * 8 < m_Slots.size())
            Rehash(m_Slots.size() / 2);
        return true;
    }

    // Forgets every entry and frees the table.
    void Clear()
    {
        std::vector<TSlot>().swap(m_Slots);
        m_Size = 0;
        m_Mask = 0;
        m_HasZero = false;
    }

private:
    static constexpr size_t MinCapacity = 16;

    struct TSlot {
        K Key{};
        V Value{};
    };

    static uint64_t Bits(K key)
    {
        if constexpr (std::is_pointer_v<K>)
            return uint64_t(reinterpret_cast<uintptr_t>(key));
        else
            return uint64_t(key);
    }
    // Mixes every bit of the key into the low bits that pick the slot.
    size_t Home(K key) const
    {
        uint64_t x = Bits(key);
        x ^= x >> 33;
        x *= 0xFF51AFD7ED558CCDull;
        x ^= x >> 33;
        x *= 0xC4CEB9FE1A85EC53ull;
        x ^= x >> 33;
        return size_t(x) & m_Mask;
    }

    void Grow() { Rehash(m_Slots.empty() ? MinCapacity : m_Slots.size() * 2); }

    void Rehash(size_t atLeast)
    {
        size_t capacity = MinCapacity;
        while (capacity < atLeast)
            capacity *= 2;
        std::vector<TSlot> old(capacity);
        old.swap(m_Slots);
        m_Mask = capacity - 1;
        for (const TSlot& slot : old) {
            if (slot.Key == K{})
                continue;
            size_t i = Home(slot.Key);
            while (m_Slots[i].Key != K{})
                i = (i + 1) & m_Mask;
            m_Slots[i] = slot;
        }
    }

    std::vector<TSlot> m_Slots;   // a key of K{} marks a free slot
    size_t m_Size = 0;            // entries in m_Slots
    size_t m_Mask = 0;
    // The entry whose key is K{}, kept aside.
    bool m_HasZero = false;
    V m_ZeroValue{};
};

} // namespace Intp
