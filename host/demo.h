// The demo loop: start-up, one frame (clock, timeline, scene, flash, present), shutdown.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "host/platform.h"
#include "image/bitmap.h"
#include "scenes/timeline.h"

namespace tw {

struct AllScenes;

struct Demo {
    Bitmap framebuffer;
    std::unique_ptr<AllScenes> scenes;
    Timeline timeline;
    float demoTime = 0;           // seconds, the single-precision sum of the clock's deltas
    float flashStart = -31337.0f; // no flash shows before the first flash sync
    bool ended = false;
    int64_t frameIndex = 0; // frames run so far (presented or not)
    bool musicLoaded = false;
    bool presented = false; // whether the latest frame went to the sink
};

// What one frame did.
enum class FrameResult { Continue, Quit, Ended, SinkFailed };

// Everything the loop needs before its first frame, given that the display (or frame sink) is
// open: depth buffer, every scene's set-up, music load and sync, timeline, clock, play.
// The random generator and the sync flags are reset so every run starts the same.
// `noSound` runs the music (and its syncs) in real time without output.
void demoStartup(Demo& demo, MusicOutput& music, FrameClock& clock, const std::string& musicPath,
                 bool noSound = false);

// demoStartup in two halves, for runs that fast-forward first: demoSetup does everything up
// to the clock and the music (a fresh pass: new scene state, music loaded at its start);
// demoStart starts the clock and the music.
void demoSetup(Demo& demo, MusicOutput& music, const std::string& musicPath, bool noSound);
void demoStart(MusicOutput& music, FrameClock& clock);

// The framebuffer is created and cleared first (before the display opens).
void demoCreateFramebuffer(Demo& demo);

// One iteration of the loop. The frame is handed to the sink only when its demo time is at
// or past `presentFrom` (offline runs skip the frames before their range this way; the live
// loop presents everything). Demo::presented tells whether this frame was.
FrameResult demoFrame(Demo& demo, FrameSink& sink, FrameClock& clock, MusicOutput& music,
                      float presentFrom = -1.0e30f);

// The white flash: weight (flash end - demoTime) * 5 * 255 while it lasts.
void applyFlash(Bitmap& framebuffer, float flashStart, float demoTime);

} // namespace tw
