// Live play: an optional fast-forward to a start time, then the real-time loop; with looping,
// fresh passes from the beginning until the user quits.
#pragma once

#include <string>

#include "host/demo.h"
#include "host/platform.h"

namespace tw {

struct LivePlan {
    double from = 0;         // first pass: frames before this time run unseen on a fixed step
    int fastForwardFps = 30; // the fixed step of the fast-forward (as --frames at its default)
    bool loop = false;       // start a fresh pass from 0 after each end card
    bool noSound = false;
    bool report = false; // one line on stderr saying how long the fast-forward took
};

struct LiveResult {
    FrameResult last = FrameResult::Ended; // Quit, Ended or SinkFailed
    int passes = 0;                        // passes started
};

// Runs the presentation on `clock` into `sink` with `music`. Before the first shown frame of
// a pass starting at `from`, every earlier frame is run at the fixed step with the music
// rendered in lockstep (its syncs reach the scenes exactly as in an offline run) and nothing
// is shown; the first frame at or after `from` is the one an offline run at that step
// shows, and then `clock` and the music start from there. Each pass has fresh scene state
// and the music from its start.
LiveResult playLive(const LivePlan& plan, FrameSink& sink, FrameClock& clock, MusicOutput& music,
                    const std::string& musicPath);

} // namespace tw
