// The tick player: a module on libxmp rendered one tick at a time, with the syncs each tick
// fires.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/music_syncs.h"

namespace tw {

constexpr int kMusicRate = 48000; // at 120 bpm a tick is exactly 1000 sample frames

// A loaded module rendered one tick at a time. At load every E8x (value 0..15 in x) is
// recorded in `syncs` (sorted by pattern, row, channel) and removed from the pattern data
// so that libxmp does not play it as panning. Not thread-safe: one thread renders.
struct XmpTicker {
    XmpTicker() = default;
    XmpTicker(const XmpTicker&) = delete;
    XmpTicker& operator=(const XmpTicker&) = delete;
    ~XmpTicker() { release(); }

    // Loads and starts the player at `rate`. On failure `error` holds one line saying why.
    bool load(const std::string& path, int rate);
    // Renders the next tick into `buffer`/`frames` (interleaved stereo int16, valid until
    // the next call). At the first tick of a row, calls `callback` (if set) once per sync of
    // that row in channel order, and points `firedBegin`/`firedEnd` at them.
    void renderTick();
    void release();

    void* ctx = nullptr; // xmp_context
    int rate = kMusicRate;
    std::vector<SyncCell> syncs;
    void (*callback)(uint32_t) = nullptr;
    std::string error;
    // Results of the latest renderTick.
    const int16_t* buffer = nullptr;
    int frames = 0;
    int order = 0, pattern = 0, row = 0, frame = 0, loopCount = 0;
    const SyncCell* firedBegin = nullptr;
    const SyncCell* firedEnd = nullptr;
    int64_t tickStart = 0;      // sample frames rendered before the latest tick
    int64_t renderedFrames = 0; // sample frames rendered so far
};

} // namespace tw
