// The web build's entry: the demo loop driven from the page's script. The page supplies the
// clock (the audio clock, or a fixed step in test mode), fires the soundtrack's syncs by
// time, and takes each frame as RGBA bytes for its canvas.
#include <emscripten/emscripten.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "base/frame_hash.h"
#include "host/demo.h"
#include "host/platform.h"
#include "image/tga.h"
#include "scenes/registry.h"

namespace {

constexpr int kWidth = 320;
constexpr int kHeight = 240;
constexpr int kSyncRate = 48000; // sample frames per second in the sync list

// The demo time follows a time given from outside (the audio clock): each tick steps the
// loop's single-precision sum to the float nearest that time, as the fixed-step clock does.
struct FollowClock final : tw::FrameClock {
    void start() override { sum = 0; }
    float tick() override {
        float delta = static_cast<float>(target - static_cast<double>(sum));
        if (delta <= 0.0f) delta = 1e-6f; // never a zero step
        sum = sum + delta;
        return delta;
    }
    double target = 0;
    float sum = 0;
};

// The soundtrack's syncs, replayed by time: every sync whose sample frame lies at or before
// the demo time fires, exactly when the offline player would render the tick that holds it.
struct SyncListMusic final : tw::MusicOutput {
    bool load(const std::string& path, bool) override {
        syncs.clear();
        next = 0;
        std::ifstream in(path);
        if (!in) {
            std::fprintf(stderr,
                         "music: cannot read the sync list %s; the picture runs without "
                         "syncs\n",
                         path.c_str());
            return false;
        }
        std::string line;
        int lineNo = 0;
        while (std::getline(in, line)) {
            ++lineNo;
            if (line.empty() || line[0] == '#') continue;
            std::istringstream fields(line);
            double seconds = 0;
            long long frame = 0;
            int value = 0;
            if (!(fields >> seconds >> frame >> value) || frame < 0 || value < 0 ||
                (!syncs.empty() && frame < syncs.back().frame)) {
                std::fprintf(stderr,
                             "music: %s line %d is not \"seconds frame value\" in "
                             "order; the picture runs without syncs\n",
                             path.c_str(), lineNo);
                syncs.clear();
                return false;
            }
            syncs.push_back({frame, static_cast<uint32_t>(value)});
        }
        return true;
    }
    void installSync(void (*cb)(uint32_t)) override { callback = cb; }
    void play() override { playing = true; }
    void advanceTo(double seconds) override {
        if (!playing || !callback) return;
        double limit = seconds * kSyncRate + 1e-6;
        while (next < syncs.size() && static_cast<double>(syncs[next].frame) <= limit)
            callback(syncs[next++].value);
    }
    void unload() override { playing = false; }

    struct Sync {
        long long frame;
        uint32_t value;
    };
    std::vector<Sync> syncs;
    size_t next = 0;
    bool playing = false;
    void (*callback)(uint32_t) = nullptr;
};

// Keeps the latest frame's hash and its RGBA bytes for the canvas.
struct CanvasSink final : tw::FrameSink {
    bool present(const tw::Bitmap& frame) override {
        hash = tw::frameHash(frame.pixels, static_cast<size_t>(frame.pixelCount()));
        toRgba(frame.pixels, frame.pixelCount());
        return true;
    }
    void toRgba(const uint32_t* src, int count) {
        for (int i = 0; i < count; ++i) {
            uint32_t w = src[i]; // 0xAARRGGBB
            rgba[i] = ((w >> 16) & 0xffu) | (w & 0xff00u) | ((w & 0xffu) << 16) | 0xff000000u;
        }
    }
    uint64_t hash = 0;
    uint32_t rgba[kWidth * kHeight] = {}; // bytes R, G, B, A in memory
};

struct WebDemo {
    tw::Demo demo;
    CanvasSink sink;
    SyncListMusic music;
    FollowClock followClock;
    tw::FixedStepClock fixedClock{60};
    tw::FrameClock* clock = &followClock;
    bool started = false;
    char hashText[17] = {};
};

WebDemo& web() {
    static WebDemo* w = new WebDemo; // lives for the whole page
    return *w;
}

} // namespace

extern "C" {

// Starts (or restarts) a run. fps > 0: a fixed step of 1/fps per frame (test mode);
// 0: the demo time follows tw_frame's argument.
EMSCRIPTEN_KEEPALIVE int tw_start(int fps) {
    WebDemo& w = web();
    if (fps > 0) {
        w.fixedClock.fps = fps;
        w.clock = &w.fixedClock;
    } else {
        w.followClock.target = 0;
        w.clock = &w.followClock;
    }
    tw::demoCreateFramebuffer(w.demo);
    tw::demoStartup(w.demo, w.music, *w.clock, "tarnwick.syncs");
    w.started = true;
    return w.demo.musicLoaded ? 1 : 0;
}

// Runs one frame of the loop; `seconds` is the audio clock (ignored with a fixed step).
// Returns 0 while running, 1 once the presentation has ended, -1 before a start.
EMSCRIPTEN_KEEPALIVE int tw_frame(double seconds) {
    WebDemo& w = web();
    if (!w.started) return -1;
    w.followClock.target = seconds;
    tw::FrameResult r = tw::demoFrame(w.demo, w.sink, *w.clock, w.music);
    return r == tw::FrameResult::Continue ? 0 : 1;
}

EMSCRIPTEN_KEEPALIVE const uint32_t* tw_rgba() {
    return web().sink.rgba;
}

EMSCRIPTEN_KEEPALIVE double tw_demo_time() {
    return static_cast<double>(web().demo.demoTime);
}

// Frames run so far; frame k of a fixed-step run shows demo time k / fps.
EMSCRIPTEN_KEEPALIVE double tw_frame_count() {
    return static_cast<double>(web().demo.frameIndex);
}

EMSCRIPTEN_KEEPALIVE const char* tw_frame_hash() {
    WebDemo& w = web();
    std::snprintf(w.hashText, sizeof w.hashText, "%016llx",
                  static_cast<unsigned long long>(w.sink.hash));
    return w.hashText;
}

// The title picture (the end picture of the data set) as RGBA in the frame buffer, for the
// start card. 0 when it cannot be read (the reader has said why).
EMSCRIPTEN_KEEPALIVE int tw_title_picture() {
    tw::Bitmap title;
    if (!tw::readTga(title, "data/end.tga")) return 0;
    if (title.width != kWidth || title.height != kHeight) {
        std::fprintf(stderr, "data/end.tga is %dx%d, not %dx%d\n", title.width, title.height,
                     kWidth, kHeight);
        return 0;
    }
    web().sink.toRgba(title.pixels, title.pixelCount());
    return 1;
}

} // extern "C"
