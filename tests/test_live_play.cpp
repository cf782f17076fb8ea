// Live play's fast-forward and looping, driven by a fixed-step clock and the lockstep music
// so that its frames can be compared with offline runs'.
#include <gtest/gtest.h>

#include "base/paths.h"
#include "base/report.h"
#include "host/live.h"
#include "host/music_offline.h"
#include "host/offline.h"
#include "tests/support/fakes.h"

namespace tw {
namespace {

TEST(LivePlay, StartsLateOnTheOfflineFrameThenLoopsAfreshWithTheMusicFromItsStart) {
    ReportCapture quiet;
    setDataRoot(TW_BINARY_DIR);
    const std::string module = std::string(TW_BINARY_DIR) + "/data/vekt51.xm";
    const int fps = 4, compared = 6;
    // Offline references: the frame at 20 s (after the eye scene and its syncs), and the
    // first frames of a run from the start.
    auto offline = [&](double from, double to, OfflineMusic& music) {
        test::RecordingSink sink;
        OfflineRange range{fps, from, to, false};
        runOffline(range, sink, music, module);
        return sink.hashes;
    };
    OfflineMusic lateMusic, startMusic;
    std::vector<uint64_t> late = offline(20, 20, lateMusic);
    std::vector<uint64_t> start = offline(0, (compared - 0.5) / fps, startMusic);
    ASSERT_EQ(late.size(), 1u);
    ASSERT_EQ(start.size(), static_cast<size_t>(compared));

    // Live from 19.9 s: fast-forward to the first frame at or after it, 20 s, play to the
    // end, then a second pass from 0 until the sink quits.
    const int firstPass = (177 - 20) * fps + 1;
    test::RecordingSink sink;
    sink.quitAfter = firstPass + compared;
    LivePlan plan;
    plan.from = 19.9;
    plan.fastForwardFps = fps;
    plan.loop = true;
    FixedStepClock clock(fps);
    OfflineMusic music;
    LiveResult r = playLive(plan, sink, clock, music, module);
    setDataRoot(".");
    EXPECT_EQ(r.last, FrameResult::Quit);
    EXPECT_EQ(r.passes, 2);
    ASSERT_EQ(sink.hashes.size(), static_cast<size_t>(firstPass + compared));
    EXPECT_EQ(sink.hashes[0], late[0]);
    EXPECT_NE(sink.hashes[1], sink.hashes[0]); // and it moves on from there
    for (int i = 0; i < compared; ++i)
        EXPECT_EQ(sink.hashes[firstPass + i], start[i]) << "second pass, frame " << i;
    // The second pass's music was rendered from the module's start again.
    ASSERT_FALSE(startMusic.samples.empty());
    EXPECT_EQ(music.samples, startMusic.samples);
}

} // namespace
} // namespace tw
