// Deterministic offline runs: a fixed-step clock, music in lockstep, frames to a sink.
#pragma once

#include <cstdint>
#include <string>

#include "host/platform.h"
#include "scenes/timeline.h"

namespace tw {

struct OfflineRange {
    int fps = 30;
    double from = 0;                 // frames before this demo time run but are not presented
    double to = demoLengthSeconds(); // the run stops after the first frame at or past this time
    bool progress = true;            // a progress line on standard error
};

struct OfflineResult {
    int64_t framesRun = 0;
    int64_t framesWritten = 0;
    bool sinkFailed = false;
    std::string error;
};

// Runs start-up and the loop from demo time 0 (scenes carry state from frame to frame, so
// every frame before `from` is drawn too) and presents the frames in [from, to].
OfflineResult runOffline(const OfflineRange& range, FrameSink& sink, MusicOutput& music,
                         const std::string& musicPath);

// Frames an offline run presents for a range (for progress and for tests).
int64_t expectedFrames(const OfflineRange& range);

} // namespace tw
