// The nine music sync flags and the callback that sets them from the audio thread.
#pragma once

#include <atomic>
#include <cstdint>

namespace tw {

constexpr int kSyncFlagCount = 9;
// Flag indices by meaning (sync values 0 and 1 share flag 0; value v >= 2 uses flag v - 1).
enum SyncFlag : int { SYNC_BEAT = 0, SYNC_ACCENT = 1, SYNC_FLASH = 4, SYNC_HOLD = 5 };

// 1.0 while a sync of that kind is pending, 0.0 otherwise. Each is one lock-free 32-bit word:
// the callback does a single store, consumers test, clear and react on the main thread.
extern std::atomic<float> syncFlags[kSyncFlagCount];

// The music's sync procedure: one store of 1.0 into the flag for `value`; 10 and above
// change nothing. Safe to call from any thread.
void musicSyncCallback(uint32_t value);

// The consumer pattern: if the flag equals exactly 1.0, set it to 0.0 and return true.
bool latchSync(int index);

void resetSyncFlags();

} // namespace tw
