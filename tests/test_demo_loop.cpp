// The demo loop against fake platform parts: flash, sync flags, quit and end behaviour, and
// golden frames of the end scene with a flash over it.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "base/paths.h"
#include "base/report.h"
#include "host/demo.h"
#include "host/offline.h"
#include "host/sync.h"
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
    musicSyncCallback(0);
    EXPECT_EQ(syncFlags[0].load(), 1.0f);
    EXPECT_TRUE(latchSync(0));
    EXPECT_FALSE(latchSync(0));
    musicSyncCallback(1); // 0 and 1 share flag 0
    EXPECT_TRUE(latchSync(0));
    musicSyncCallback(2);
    musicSyncCallback(5);
    musicSyncCallback(6);
    musicSyncCallback(9);
    EXPECT_TRUE(latchSync(SYNC_ACCENT));
    EXPECT_TRUE(latchSync(SYNC_FLASH));
    EXPECT_TRUE(latchSync(SYNC_HOLD));
    EXPECT_TRUE(latchSync(8));
    musicSyncCallback(10);
    musicSyncCallback(255);
    for (int i = 0; i < kSyncFlagCount; ++i) EXPECT_EQ(syncFlags[i].load(), 0.0f) << i;
    syncFlags[3].store(0.5f); // only exactly 1.0 counts as pending
    EXPECT_FALSE(latchSync(3));
    EXPECT_EQ(syncFlags[3].load(), 0.5f);
    resetSyncFlags();
}

TEST(SyncFlags, ConcurrentStoresAreNeverTorn) {
    resetSyncFlags();
    std::atomic<bool> stop{false};
    std::thread producer([&] {
        while (!stop.load()) musicSyncCallback(2);
    });
    int latched = 0;
    for (int i = 0; i < 200000; ++i) {
        float v = syncFlags[1].load();
        ASSERT_TRUE(v == 0.0f || v == 1.0f);
        if (latchSync(1)) ++latched;
    }
    stop = true;
    producer.join();
    EXPECT_GT(latched, 0);
    resetSyncFlags();
}

TEST(Flash, WeightFallsFromFullToNothingOverAFifthOfASecond) {
    Bitmap fb = createBitmap(320, 240);
    applyFlash(fb, 10.0f, 10.0f);
    EXPECT_EQ(fb.pixels[0], 0xFEFEFEFEu); // weight 255 (or 254 by rounding): almost white
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
    for (int i = 0; i < 30; ++i) demoFrame(demo, sink, clock, music);
    // Frame 20 is at 1.0 s: the eye scene draws nothing without data, so the frame is the
    // flash alone at full weight.
    ASSERT_EQ(sink.frames.size(), 30u);
    EXPECT_NEAR(demo.flashStart, 1.1f, 1e-4);
    EXPECT_EQ(sink.frames[19][0] & 255u, 254u);
    EXPECT_LT(sink.frames[20][0] & 255u, 254u); // 1.05 s: fading
    EXPECT_EQ(sink.frames[21][0] & 255u, 254u); // 1.1 s: the second sync restarts it
    EXPECT_EQ(sink.frames[26][0] & 255u, 0u);   // 1.35 s: gone
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
    while (demo.demoTime < 56.9f) demoFrame(demo, sink, clock, music);
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
    // 174.9 s: the card exactly; 175.0: the flash at full weight; 175.1: half; 175.2: gone.
    EXPECT_EQ(sink.frames[0], std::vector<uint32_t>(card.pixels, card.pixels + 76800));
    EXPECT_EQ(sink.frames[3], sink.frames[0]);
    EXPECT_EQ(test::hex64(sink.hashes[0]), "7d2c1f0ae5b4a0b5");
    EXPECT_EQ(test::hex64(sink.hashes[1]), "ee5bf7ef6ea4a1f5");
    EXPECT_EQ(test::hex64(sink.hashes[2]), "f0c4f93a3bb2ba25");
}

} // namespace
} // namespace tw
