// Deterministic offline runs of the demo loop.
#include "host/offline.h"

#include <chrono>
#include <cmath>
#include <cstdio>

#include <unistd.h>

#include "host/demo.h"
#include "scenes/registry.h"
#include "scenes/timeline.h"

namespace tw {

namespace {

// Frame k (1-based) lies at demo time k / fps: the clock ticks before each frame is drawn.
int64_t firstFrameAtOrAfter(double seconds, int fps) {
    int64_t k = static_cast<int64_t>(std::ceil(seconds * fps - 1e-6));
    return k < 1 ? 1 : k;
}

} // namespace

int64_t expectedFrames(const OfflineRange& range) {
    int64_t first = firstFrameAtOrAfter(range.from, range.fps);
    int64_t last = firstFrameAtOrAfter(std::min(range.to, demoLengthSeconds()), range.fps);
    return last >= first ? last - first + 1 : 0;
}

OfflineResult runOffline(const OfflineRange& range, FrameSink& sink, MusicOutput& music,
                         const std::string& musicPath) {
    OfflineResult result;
    Demo demo;
    FixedStepClock clock(range.fps);
    demoCreateFramebuffer(demo);
    demoStartup(demo, music, clock, musicPath);

    const float from = static_cast<float>(range.from);
    const float to = static_cast<float>(range.to);
    const int64_t total = expectedFrames(range);
    auto wallStart = std::chrono::steady_clock::now();
    float firstWritten = -1;
    double lastReport = -1.0e9;
    const bool tty = isatty(fileno(stderr)) != 0;
    for (;;) {
        sink.beginFrame(demo.frameIndex);
        FrameResult r = demoFrame(demo, sink, clock, music, from);
        ++result.framesRun;
        bool present = demo.presented;
        if (present) {
            ++result.framesWritten;
            if (firstWritten < 0) {
                firstWritten = demo.demoTime;
                wallStart = std::chrono::steady_clock::now(); // speed counts the written range
            }
        }
        if (range.progress && present) {
            // At most four updates a second on a terminal; one every five seconds in a log.
            double wall =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
            bool done = r != FrameResult::Continue || demo.demoTime >= to;
            if (done || wall - lastReport >= (tty ? 0.25 : 5.0)) {
                lastReport = wall;
                double covered = demo.demoTime - firstWritten + 1.0 / range.fps;
                char speed[32] = "";
                // Too early to tell on the first frames of the written range.
                if (wall >= 0.05)
                    std::snprintf(speed, sizeof speed, "%.2fx real time", covered / wall);
                double pct = total > 0 ? 100.0 * static_cast<double>(result.framesWritten) /
                                             static_cast<double>(total)
                                       : 100.0;
                std::fprintf(stderr, "%starnwick: %5.1f%%  frame %lld/%lld  t=%6.2fs  %-9s  %s%s",
                             tty ? "\r" : "", std::min(pct, 100.0),
                             static_cast<long long>(result.framesWritten),
                             static_cast<long long>(total), static_cast<double>(demo.demoTime),
                             sceneName(demo.timeline.scene), speed, tty ? "" : "\n");
            }
        }
        if (r == FrameResult::SinkFailed) {
            result.sinkFailed = true;
            result.error = sink.error();
            break;
        }
        if (r != FrameResult::Continue || demo.demoTime >= to) break;
    }
    if (range.progress && tty) std::fprintf(stderr, "\n");
    music.unload();
    return result;
}

} // namespace tw
