// The seam between the demo loop and the platform: where frames go, where time comes from,
// and the music. The same loop runs live (SDL window, real clock, audio thread) or offline
// (frames to files or a video encoder, a fixed-step clock, music rendered in lockstep).
#pragma once

#include <cstdint>
#include <string>

#include "image/bitmap.h"

namespace tw {

// Where presented frames go: a window, PNG files, an encoder pipe, or a test's memory.
struct FrameSink {
    virtual ~FrameSink() = default;
    // At most one pending platform event per frame; true when it asks to quit.
    virtual bool pollQuit() { return false; }
    // Shows or stores one 320x240 frame. False means the sink failed (a write error, say)
    // and the run must stop with an error.
    virtual bool present(const Bitmap& frame) = 0;
    // Offline runs announce the index of the frame about to be presented (0 = the run's
    // first frame, counting the frames that were run but not written).
    virtual void beginFrame(int64_t index) { (void)index; }
    // Why the latest present failed, for the error message.
    virtual std::string error() const { return {}; }
};

// Frame-to-frame time in seconds; never returns a zero step.
struct FrameClock {
    virtual ~FrameClock() = default;
    virtual void start() = 0;
    virtual float tick() = 0; // returns the new delta
};

// The music: load, install the sync callback, play, unload, in that order.
struct MusicOutput {
    virtual ~MusicOutput() = default;
    // Returns true when the module loaded; on failure one line on standard error says why.
    virtual bool load(const std::string& path, bool noSound) = 0;
    virtual void installSync(void (*callback)(uint32_t value)) = 0;
    virtual void play() = 0;
    // Called at the start of every frame with its demo time; syncs fire on the calling
    // thread. Offline: renders every tick whose start lies at or before `seconds`. Live:
    // before play, the same silent rendering (a fast-forward, syncs in lockstep with the
    // frames), after which play continues from there; once playing, releases the syncs
    // whose sound reaches the listener by the time the frame is shown.
    virtual void advanceTo(double seconds) { (void)seconds; }
    virtual void unload() = 0;
};

// A clock that advances by exactly 1/fps per tick (offline capture, tests).
struct FixedStepClock final : FrameClock {
    explicit FixedStepClock(int fps) : fps(fps) {}
    void start() override {
        frame = 0;
        last = 0;
        sum = 0;
    }
    float tick() override;
    int fps;
    int64_t frame = 0;
    double last = 0; // exact time of the latest frame
    float sum = 0;   // the demo loop's running float sum, mirrored
};

// Music that does nothing (no module, or a test).
struct SilentMusic final : MusicOutput {
    bool load(const std::string&, bool) override { return false; }
    void installSync(void (*)(uint32_t)) override {}
    void play() override {}
    void unload() override {}
};

} // namespace tw
