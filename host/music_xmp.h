// The music player on libxmp: sync table, tick-by-tick rendering, live SDL output and the
// offline (lockstep) renderer.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "host/platform.h"

namespace tw {

constexpr int kMusicRate = 48000; // at 120 bpm a tick is exactly 1000 sample frames

// One sync command found in the module: E8x in the effect column of `channel`.
struct SyncCell {
    int pattern = 0;
    int row = 0;
    int channel = 0;
    uint8_t value = 0;
};

// A sync as played: when its row started (seconds of rendered audio) and where.
struct SyncEvent {
    double seconds = 0;
    int value = 0;
    int order = 0;
    int pattern = 0;
    int row = 0;
};

// Checks that every length in an XM file's headers lies inside the file. libxmp accepts
// some truncated files (it pads missing sample data with silence); we refuse them.
// Returns true, or false with a short reason.
bool checkXmLayout(const uint8_t* data, size_t size, std::string& why);

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

// A sync waiting for the moment its row is heard (steady-clock nanoseconds).
struct TimedSync {
    int64_t dueNs = 0;
    uint32_t value = 0;
};

// Syncs handed from the thread that renders the music to the thread that draws: one
// producer, one consumer, no locks, nothing allocated. When full, the newest is dropped.
struct SyncQueue {
    static constexpr uint32_t kSize = 256;
    TimedSync items[kSize];
    std::atomic<uint32_t> head{0}; // next to read (consumer)
    std::atomic<uint32_t> tail{0}; // next to write (producer)
    bool push(const TimedSync& s);
    // Calls `callback` for every sync due at or before `nowNs`, in order.
    void release(int64_t nowNs, void (*callback)(uint32_t));
    void clear() { head.store(tail.load()); }
};

// Live playback: libxmp renders on SDL's audio thread (48000 Hz stereo, small buffer).
// Each tick is stamped with the time its first sample reaches the output: the audio queued
// ahead of it (the rest of the buffer being filled, the device's buffer and the sound
// server's, as far as SDL lets us know them) over the rate. Its syncs wait in a queue until
// then and are released by advanceTo, which the demo loop calls at the start of every
// frame, so the picture reacts when the row is heard, not when it is mixed. Without a
// device, or with noSound, a thread of ours renders each tick at its start time with no
// output, and the syncs are due at that time. Before play, advanceTo renders silently on
// the calling thread and delivers the syncs at once (a fast-forward); play then continues
// from the tick after.
struct XmpMusic final : MusicOutput {
    ~XmpMusic() override { unload(); }
    bool load(const std::string& path, bool noSound) override;
    void installSync(void (*callback)(uint32_t value)) override;
    void play() override;
    // Before play: the fast-forward. Playing: releases the syncs heard by the time this
    // frame is shown, those due within one and a half frames (the step since the previous
    // call) from now.
    void advanceTo(double seconds) override;
    void unload() override;

    // Queues the syncs of the tick just rendered, due `dueNs`.
    void queueFired(int64_t dueNs);

    XmpTicker ticker;
    uint32_t device = 0; // SDL_AudioDeviceID
    bool audioInit = false;
    bool loaded = false;
    int deviceSamples = 0; // the device buffer SDL granted, in sample frames
    // Audio-thread state: the unread part of the latest tick.
    const int16_t* pending = nullptr;
    int pendingFrames = 0;
    bool playing = false;
    // The silent clock (no device): renders ticks against absolute deadlines.
    std::thread silentThread;
    std::atomic<bool> stopSilent{false};
    // Sync timing: the callback the syncs go to, those waiting to be heard, and how long
    // audio handed over at the start of a device callback takes to reach the output.
    void (*syncCallback)(uint32_t) = nullptr;
    SyncQueue queue;
    int64_t outputLatencyNs = 0;
    double lastAdvance = -1; // the demo time of the previous advanceTo
};

// Nanoseconds on the steady clock (the clock sync stamps are given in).
int64_t steadyNowNs();

// Offline playback in lockstep with a fixed-step clock: nothing renders until advanceTo,
// which renders every tick whose start lies at or before the given time (before or after
// play); syncs fire on the calling thread. Every rendered frame is kept for writeWav.
struct OfflineMusic final : MusicOutput {
    bool load(const std::string& path, bool noSound) override;
    void installSync(void (*callback)(uint32_t value)) override;
    void play() override;
    void advanceTo(double seconds) override;
    void unload() override;

    // Writes the rendered audio of [fromSeconds, toSeconds) as a 48000 Hz stereo WAV,
    // rendering further first if needed; silence where no module is loaded. False (with a
    // line on stderr) when the file cannot be written.
    bool writeWav(const std::string& path, double fromSeconds, double toSeconds);

    XmpTicker ticker;
    bool loaded = false;
    bool playing = false;
    // Set before load when only the syncs matter (frames, stills): ticks are mixed without
    // interpolation and nothing is kept, so writeWav writes silence. Sync times and values
    // do not depend on the mixing.
    bool syncsOnly = false;
    std::vector<int16_t> samples; // interleaved stereo, from the start of play
};

// The syncs of the module's first pass (until it loops), from the player's own code.
// Empty with `error` set when the module does not load.
std::vector<SyncEvent> firstPassSyncs(const std::string& path, double* durationSeconds,
                                      std::string* error);

// Prints the first-pass syncs as "time value order pattern row" lines; returns the process
// exit status (0, or 1 with one line on stderr when the module does not load).
int listSyncs(const std::string& modulePath);

} // namespace tw
