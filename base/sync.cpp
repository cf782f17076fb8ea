// Sync flag storage, the music callback and the consumer latch.
#include "base/sync.h"

namespace tw {

std::atomic<float> syncFlags[kSyncFlagCount];
static_assert(std::atomic<float>::is_always_lock_free, "sync flags must be single words");

void musicSyncCallback(uint32_t value) {
    if (value > 9) return;
    int index = value == 0 ? 0 : static_cast<int>(value) - 1;
    syncFlags[index].store(1.0f, std::memory_order_relaxed);
}

bool latchSync(int index) {
    if (syncFlags[index].load(std::memory_order_relaxed) != 1.0f) return false;
    syncFlags[index].store(0.0f, std::memory_order_relaxed);
    return true;
}

void resetSyncFlags() {
    for (auto& f : syncFlags) f.store(0.0f, std::memory_order_relaxed);
}

} // namespace tw
