// Live music output: the tick player on SDL's audio thread, its syncs queued until the row
// is heard.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>

#include "host/music_ticker.h"
#include "host/platform.h"

namespace tw {

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

} // namespace tw
