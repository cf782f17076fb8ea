// The live loop with its fast-forward and looping.
#include "host/live.h"

#include <chrono>
#include <cstdio>

#include "scenes/registry.h"

namespace tw {

namespace {

// Runs frames on a fixed step, unseen, until the first frame at or after `from` has been
// shown (or the sink quits or fails).
FrameResult fastForward(Demo& demo, FrameSink& sink, MusicOutput& music, double from, int fps) {
    FixedStepClock step(fps);
    step.start();
    const float presentFrom = static_cast<float>(from);
    for (;;) {
        FrameResult r = demoFrame(demo, sink, step, music, presentFrom);
        if (r != FrameResult::Continue || demo.presented) return r;
    }
}

} // namespace

LiveResult playLive(const LivePlan& plan, FrameSink& sink, FrameClock& clock, MusicOutput& music,
                    const std::string& musicPath) {
    LiveResult result;
    Demo demo;
    demoCreateFramebuffer(demo);
    double from = plan.from;
    for (;;) {
        ++result.passes;
        auto begin = std::chrono::steady_clock::now();
        demoSetup(demo, music, musicPath, plan.noSound);
        FrameResult r = FrameResult::Continue;
        if (from > 0) {
            r = fastForward(demo, sink, music, from, plan.fastForwardFps);
            if (plan.report && demo.presented)
                std::fprintf(stderr,
                             "tarnwick: first frame at %.2f s, shown %.2f s after set-up began\n",
                             static_cast<double>(demo.demoTime),
                             std::chrono::duration<double>(std::chrono::steady_clock::now() - begin)
                                 .count());
        }
        if (r == FrameResult::Continue) {
            demoStart(music, clock);
            do {
                r = demoFrame(demo, sink, clock, music);
            } while (r == FrameResult::Continue);
        }
        music.unload();
        result.last = r;
        if (r != FrameResult::Ended || !plan.loop) return result;
        from = 0;
    }
}

} // namespace tw
