// The flat hash map against std::map under random insertions and erasures
// (runs that wrap around the table's end, erasures inside long runs).
#include "IntpFlatMap.h"

#include <gtest/gtest.h>

#include <map>
#include <random>

TEST(FlatMap, MatchesAnOrderedMapUnderChurn)
{
    Intp::TFlatMap<uint64_t, uint32_t> flat;
    std::map<uint64_t, uint32_t> expected;
    std::mt19937_64 random(11);
    bool added = false;
    for (int step = 0; step < 200000; ++step) {
        // Few distinct keys, some of them 0, so that runs grow long.
        const uint64_t key = (random() % 3000) << 16;
        if (random() % 3 == 0) {
            EXPECT_EQ(flat.Erase(key), expected.erase(key) == 1);
        } else {
            flat.Insert(key, added) = uint32_t(step);
            EXPECT_EQ(added, !expected.count(key));
            expected[key] = uint32_t(step);
        }
        if (step % 1000 == 0) {
            ASSERT_EQ(flat.Size(), expected.size());
            for (uint64_t k = 0; k < 3000; ++k) {
                const uint32_t* value = flat.Find(k << 16);
                auto it = expected.find(k << 16);
                ASSERT_EQ(value != nullptr, it != expected.end()) << k;
                if (value) {
                    EXPECT_EQ(*value, it->second);
                }
            }
        }
    }
    // Emptying shrinks the table on the way; what is left stays found.
    while (!expected.empty()) {
        ASSERT_TRUE(flat.Erase(expected.begin()->first));
        expected.erase(expected.begin());
        for (auto [key, value] : expected) {
            const uint32_t* found = flat.Find(key);
            ASSERT_TRUE(found && *found == value) << key;
        }
    }
    flat.Insert(5, added);
    flat.Clear();
    EXPECT_EQ(flat.Size(), 0u);
    EXPECT_EQ(flat.Find(uint64_t(1) << 16), nullptr);
}
