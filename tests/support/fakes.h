// Test doubles for the platform seam: a recording frame sink, a scripted clock and music that
// fires syncs at chosen demo times.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "host/platform.h"
#include "image/bitmap.h"

namespace tw::test {

// 16 hex digits of a frame hash (tests/support/png_io.h).
std::string hex64(uint64_t v);

struct RecordingSink final : FrameSink {
    std::vector<std::vector<uint32_t>> frames; // copies of presented frames (if keepFrames)
    std::vector<uint64_t> hashes;
    bool keepFrames = false;
    int quitAfter = -1; // pollQuit returns true once this many frames were presented
    int polls = 0;
    bool pollQuit() override;
    bool present(const Bitmap& frame) override;
};

// Returns the given deltas in order, then repeats the last one.
struct ScriptedClock final : FrameClock {
    explicit ScriptedClock(std::vector<float> deltas) : deltas(std::move(deltas)) {}
    std::vector<float> deltas;
    size_t next = 0;
    int ticks = 0;
    void start() override { next = 0; }
    float tick() override;
};

// Fires each (time, value) sync through the installed callback once demo time reaches it.
struct ScriptedMusic final : MusicOutput {
    std::vector<std::pair<double, uint32_t>> syncs;
    void (*callback)(uint32_t) = nullptr;
    size_t next = 0;
    bool load(const std::string&, bool) override { return true; }
    void installSync(void (*cb)(uint32_t)) override { callback = cb; }
    void play() override {}
    void advanceTo(double seconds) override;
    void unload() override {}
};

// A fresh temporary folder (removed by the destructor) to hold a data/ tree for a test.
struct TempDir {
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    std::string path;
};

} // namespace tw::test
