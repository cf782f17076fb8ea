// Live play's fast-forward and looping, driven by a fixed-step clock and the lockstep music
// so that frames can be compared with an offline run's.
#include <gtest/gtest.h>

#include "base/paths.h"
#include "base/report.h"
#include "host/live.h"
#include "host/music_xmp.h"
#include "host/offline.h"
#include "tests/support/fakes.h"

namespace tw {
namespace {

using test::RecordingSink;

struct LivePlay : ::testing::Test {
    ReportCapture quiet;
    std::string module = std::string(TW_BINARY_DIR) + "/data/vekt51.xm";
    void SetUp() override { setDataRoot(TW_BINARY_DIR); }
    void TearDown() override { setDataRoot("."); }
};

TEST_F(LivePlay, FirstFrameAfterAFastForwardIsTheOfflineRunsFrame) {
    // 60 s lies in the twist scene, which starts from the room scene's last frame and
    // reacts to syncs the fast-forward has to deliver on the right frames.
    const int fps = 10;
    const double from = 60;
    RecordingSink offline;
    OfflineMusic offlineMusic;
    OfflineRange range;
    range.fps = fps;
    range.from = from;
    range.to = from;
    range.progress = false;
    runOffline(range, offline, offlineMusic, module);
    ASSERT_EQ(offline.hashes.size(), 1u);

    for (double start : {from, from - 0.04}) { // on a frame, and just before one
        RecordingSink live;
        live.quitAfter = 2;
        live.keepFrames = true;
        LivePlan plan;
        plan.from = start;
        plan.fastForwardFps = fps;
        FixedStepClock clock(fps);
        OfflineMusic music;
        LiveResult r = playLive(plan, live, clock, music, module);
        EXPECT_EQ(r.last, FrameResult::Quit);
        ASSERT_EQ(live.hashes.size(), 2u);
        EXPECT_EQ(live.hashes[0], offline.hashes[0]) << start;
        // The live clock (here a fixed step again) and the music carry on from there.
        EXPECT_NE(live.hashes[1], live.hashes[0]);
        EXPECT_EQ(music.ticker.renderedFrames / kMusicRate, 60);
    }
}

TEST_F(LivePlay, LoopStartsEachPassAfreshWithTheMusicFromItsStart) {
    const int fps = 4, compared = 6;
    const int firstPass = (177 - 20) * fps + 1; // frames shown from 20 s to 177 s
    RecordingSink sink;
    sink.quitAfter = firstPass + compared;
    LivePlan plan;
    plan.from = 20; // the first pass may start late; later ones start at 0
    plan.fastForwardFps = fps;
    plan.loop = true;
    FixedStepClock clock(fps);
    OfflineMusic music;
    LiveResult r = playLive(plan, sink, clock, music, module);
    EXPECT_EQ(r.last, FrameResult::Quit);
    EXPECT_EQ(r.passes, 2);
    ASSERT_EQ(sink.hashes.size(), static_cast<size_t>(firstPass + compared));

    RecordingSink fresh;
    fresh.quitAfter = compared;
    LivePlan once;
    FixedStepClock freshClock(fps);
    OfflineMusic freshMusic;
    playLive(once, fresh, freshClock, freshMusic, module);
    for (int i = 0; i < compared; ++i)
        EXPECT_EQ(sink.hashes[firstPass + i], fresh.hashes[i]) << "frame " << i;
    // The second pass's music was rendered from the module's start again.
    ASSERT_FALSE(freshMusic.samples.empty());
    EXPECT_EQ(music.samples, freshMusic.samples);
}

} // namespace
} // namespace tw
