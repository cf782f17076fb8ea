// The demo loop against fake platform parts: flash, sync flags, quit and end behaviour, and
// golden frames of the end scene with a flash over it.
#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include "base/paths.h"
#include "base/report.h"
#include "base/sync.h"
#include "host/demo.h"
#include "host/offline.h"
#include "scenes/registry.h"
#include "tests/support/fakes.h"
#include "tools/write/tga_writer.h"

namespace tw {
namespace {

using test::RecordingSink;
using test::ScriptedClock;
using test::ScriptedMusic;

// Runs start-up against an empty data folder (every reader reports and the scenes draw their
// stand-ins) and returns the demo ready for frames.
struct LoopFixture : ::testing::Test {
    test::TempDir dir;
    ReportCapture quiet;
    void SetUp() override {
        std::filesystem::create_directories(dir.path + "/data");
        setDataRoot(dir.path);
    }
    void TearDown() override { setDataRoot("."); }
};

TEST(SyncFlags, ValuesMapToTheirFlagsAndLatchOnce) {
    resetSyncFlags();
    // 0 and 1 share flag 0.
    const std::pair<uint32_t, int> mapping[] = {{0, 0},          {1, 0},         {2, SYNC_ACCENT},
                                                {5, SYNC_FLASH}, {6, SYNC_HOLD}, {9, 8}};
    for (auto [value, flag] : mapping) {
        musicSyncCallback(value);
        EXPECT_EQ(syncFlags[flag].load(), 1.0f) << value;
        EXPECT_TRUE(latchSync(flag)) << value;
        EXPECT_FALSE(latchSync(flag)) << value;
    }
    musicSyncCallback(10);
    musicSyncCallback(255);
    for (int i = 0; i < kSyncFlagCount; ++i) EXPECT_EQ(syncFlags[i].load(), 0.0f) << i;
    syncFlags[3].store(0.5f); // only exactly 1.0 counts as pending
    EXPECT_FALSE(latchSync(3));
    EXPECT_EQ(syncFlags[3].load(), 0.5f);
    resetSyncFlags();
}

TEST(Flash, WeightFallsFromFullToNothingOverAFifthOfASecond) {
    Bitmap fb = createBitmap(320, 240);
    // On the latch frame the weight is 255, or 254 where the double-precision end rounds
    // below start + 0.2 (as it does for 10.0): almost white either way.
    applyFlash(fb, 10.0f, 10.0f);
    EXPECT_EQ(fb.pixels[0], 0xFDFDFDFDu);
    clearBitmap(fb);
    applyFlash(fb, 0.25f, 0.25f);
    EXPECT_EQ(fb.pixels[0], 0xFEFEFEFEu);
    clearBitmap(fb);
    applyFlash(fb, 10.0f, 10.1f);
    uint32_t c = fb.pixels[123] & 255u;
    EXPECT_GE(c, 125u);
    EXPECT_LE(c, 128u);
    clearBitmap(fb);
    applyFlash(fb, 10.0f, 10.2f);
    EXPECT_EQ(fb.pixels[0] & 255u, 0u);
    applyFlash(fb, -31337.0f, 0.0f); // before any sync: nothing
    EXPECT_EQ(fb.pixels[0], 0u);
}

TEST_F(LoopFixture, FlashLatchesOnTheFrameOfTheSyncAndRestarts) {
    Demo demo;
    ScriptedClock clock({0.05f});
    ScriptedMusic music;
    music.syncs = {{1.0, 5}, {1.1, 5}};
    RecordingSink sink;
    sink.keepFrames = true;
    demoCreateFramebuffer(demo);
    demoStartup(demo, music, clock, dataPath("data/vekt51.xm"));
    std::vector<float> starts;
    for (int i = 0; i < 30; ++i) {
        demoFrame(demo, sink, clock, music);
        starts.push_back(demo.flashStart);
    }
    // Frame 20 is at 1.0 s, frame 22 at 1.1 s: each sync latches on its own frame, the second
    // restarting the flash at full weight.
    ASSERT_EQ(sink.frames.size(), 30u);
    EXPECT_EQ(starts[18], -31337.0f);
    EXPECT_NEAR(starts[19], 1.0f, 1e-5);
    EXPECT_NEAR(starts[20], 1.0f, 1e-5);
    EXPECT_NEAR(starts[21], 1.1f, 1e-5);
    EXPECT_GE(sink.frames[19][0] & 255u, 253u);
    EXPECT_GE(sink.frames[21][0] & 255u, 253u);
}

TEST_F(LoopFixture, AStallPassesScenesAndTheEndPresentsOneLastFrame) {
    Demo demo;
    ScriptedClock clock({50.0f, 100.0f, 30.0f});
    SilentMusic music;
    RecordingSink sink;
    demoCreateFramebuffer(demo);
    demoStartup(demo, music, clock, dataPath("data/vekt51.xm"));
    EXPECT_EQ(demoFrame(demo, sink, clock, music), FrameResult::Continue);
    EXPECT_EQ(demo.timeline.scene, SCENE_ROOM);
    EXPECT_EQ(demoFrame(demo, sink, clock, music), FrameResult::Continue);
    EXPECT_EQ(demo.timeline.scene, SCENE_BOOMBOX);
    EXPECT_EQ(demoFrame(demo, sink, clock, music), FrameResult::Ended);
    EXPECT_TRUE(demo.ended);
    EXPECT_EQ(sink.hashes.size(), 3u); // the final frame is still presented
}

TEST_F(LoopFixture, QuitEndsTheLoopBeforeTheClockTicks) {
    Demo demo;
    ScriptedClock clock({0.1f});
    SilentMusic music;
    RecordingSink sink;
    sink.quitAfter = 2;
    demoCreateFramebuffer(demo);
    demoStartup(demo, music, clock, dataPath("data/vekt51.xm"));
    EXPECT_EQ(demoFrame(demo, sink, clock, music), FrameResult::Continue);
    EXPECT_EQ(demoFrame(demo, sink, clock, music), FrameResult::Continue);
    EXPECT_EQ(demoFrame(demo, sink, clock, music), FrameResult::Quit);
    EXPECT_EQ(clock.ticks, 2);
    EXPECT_EQ(sink.hashes.size(), 2u);
}

TEST_F(LoopFixture, ASyncWithoutAConsumerStaysPending) {
    // Value 2 during the room scene (which listens to nothing) is still pending later on.
    Demo demo;
    ScriptedClock clock({0.5f});
    ScriptedMusic music;
    music.syncs = {{50.0, 2}};
    RecordingSink sink;
    demoCreateFramebuffer(demo);
    demoStartup(demo, music, clock, dataPath("data/vekt51.xm"));
    while (demo.demoTime + 0.5f < 57.0f) demoFrame(demo, sink, clock, music);
    EXPECT_EQ(demo.timeline.scene, SCENE_ROOM);
    EXPECT_EQ(syncFlags[SYNC_ACCENT].load(), 1.0f);
}

// Golden frames: the end card alone, and with a flash over it, in an offline run.
TEST_F(LoopFixture, GoldenEndSceneAndFlash) {
    Bitmap card = createBitmap(320, 240);
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            card.pixels[y * 320 + x] = makeColour(x * 255 / 319, y * 255 / 239, (x ^ y) & 255, 255);
    ASSERT_TRUE(writeTga(dir.path + "/data/end.tga", card));

    ScriptedMusic music;
    music.syncs = {{175.0, 5}};
    RecordingSink sink;
    sink.keepFrames = true;
    OfflineRange range;
    range.fps = 10;
    range.from = 174.9;
    range.to = 175.3;
    range.progress = false;
    OfflineResult r = runOffline(range, sink, music, dataPath("data/vekt51.xm"));
    ASSERT_EQ(r.framesWritten, 5);
    ASSERT_EQ(sink.frames.size(), 5u);
    // 174.9 s: the card exactly; 175.0: the flash at full weight; 175.1: half; 175.2: the
    // end lies a hair past the float demo time, so a zero-weight blend still darkens by
    // 255/256; 175.3: the card again.
    std::vector<uint32_t> cardPixels(card.pixels, card.pixels + 76800);
    EXPECT_EQ(sink.frames[0], cardPixels);
    EXPECT_EQ(sink.frames[4], cardPixels);
    EXPECT_EQ(sink.frames[3][0], makeColour(0, 0, 0, 254));
    EXPECT_GE(sink.frames[1][0] >> 24, 253u);
    EXPECT_NEAR(static_cast<int>(sink.frames[2][0] & 255u), 127, 2);
    EXPECT_EQ(test::hex64(sink.hashes[0]), "79be638bca2ba483");
    EXPECT_EQ(test::hex64(sink.hashes[1]), "f929862565fb7783");
    EXPECT_EQ(test::hex64(sink.hashes[2]), "eab11ef3dbfa2ae3");
}

} // namespace
} // namespace tw
