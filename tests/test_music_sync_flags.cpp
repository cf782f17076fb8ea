// The sync flag path under contention: an audio-like thread storing syncs while the main
// thread latches them, as the demo does (the value mapping is in test_demo_loop.cpp).
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "base/sync.h"

namespace tw {
namespace {

TEST(SyncFlags, HammeredFromASecondThreadTheyOnlyEverHoldZeroOrOne) {
    resetSyncFlags();
    std::atomic<bool> done{false};
    std::thread producer([&] {
        for (uint32_t i = 0; i < 2000000; ++i) musicSyncCallback(i % 13); // 10..12 ignored
        done.store(true);
    });
    long latched[kSyncFlagCount] = {};
    long odd = 0;
    while (!done.load()) {
        for (int f = 0; f < kSyncFlagCount; ++f) {
            float v = syncFlags[f].load();
            if (v != 0.0f && v != 1.0f) ++odd;
            if (latchSync(f)) ++latched[f];
        }
    }
    producer.join();
    EXPECT_EQ(odd, 0);
    // Every flag that values 0..9 reach was seen at least once (flag 0 from two values).
    for (int f = 0; f < kSyncFlagCount; ++f)
        EXPECT_GT(latched[f] + (syncFlags[f].load() == 1.0f), 0) << f;
}

} // namespace
} // namespace tw
