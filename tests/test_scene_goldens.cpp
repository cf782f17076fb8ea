// Golden frames of the single-mesh scenes: a fixed sequence of frame times with injected
// music syncs, compared by hash at checkpoints (tests/support/goldens.h).
#include <gtest/gtest.h>

#include "base/paths.h"
#include "base/random.h"
#include "base/report.h"
#include "base/sync.h"
#include "image/bitmap.h"
#include "scenes/boombox.h"
#include "scenes/metaballs.h"
#include "scenes/registry.h"
#include "scenes/spike.h"
#include "scenes/timeline.h"
#include "scenes/twist.h"
#include "scenes/warp.h"
#include "tests/support/goldens.h"

namespace tw {
namespace {

using SceneGolden = GoldenScene;

TEST_F(SceneGolden, Warp) {
    static WarpScene scene;
    golden(scene, setupWarp, runWarp,
           {"warp",
            sceneStartCs(SCENE_WARP),
            kStep30,
            60,
            {{20, SYNC_BEAT}, {45, SYNC_BEAT}},
            {0, 21, 59}});
}

TEST_F(SceneGolden, Twist) {
    static TwistScene scene;
    // The first second and a half fades out of the previous scene's last frame.
    golden(scene, setupTwist, runTwist,
           {"twist",
            sceneStartCs(SCENE_TWIST),
            kStep30,
            60,
            {{25, SYNC_BEAT}, {35, SYNC_ACCENT}},
            {10, 37, 59}},
           true);
}

TEST_F(SceneGolden, Spike) {
    static SpikeScene scene;
    golden(scene, setupSpike, runSpike,
           {"spike", sceneStartCs(SCENE_SPIKE), 5, 110, {{30, SYNC_BEAT}}, {25, 33, 80, 109}});
}

TEST_F(SceneGolden, Metaballs) {
    static MetaballScene scene;
    // A beat at frame 15 (kick and vertical blur only), a value-2 blur at frame 40.
    golden(scene, setupMetaballs, runMetaballs,
           {"metaballs",
            sceneStartCs(SCENE_METABALLS),
            kStep30,
            60,
            {{15, SYNC_BEAT}, {40, SYNC_ACCENT}},
            {0, 16, 45, 59}});
}

TEST_F(SceneGolden, Boombox) {
    static BoomboxScene scene;
    // A beat jolts the flight at frame 20; the hold at frame 50 stops it; a beat after the
    // hold only blurs.
    golden(scene, setupBoombox, runBoombox,
           {"boombox",
            sceneStartCs(SCENE_BOOMBOX),
            kStep30,
            90,
            {{20, SYNC_BEAT}, {50, SYNC_HOLD}, {60, SYNC_BEAT}},
            {10, 21, 55, 61, 89}});
}

// Without a data set every picture and mesh is missing: every scene of the table must set up
// and draw on without reading any of them (run under the sanitizers, this catches a stray read).
TEST(SceneWithoutData, DrawsWithoutReadingMissingAssets) {
    seedRandom(); // the grain below must not depend on what ran before
    setDataRoot("/nonexistent-tarnwick-data");
    createZBuffer(gZBuffer, 320, 240);
    Bitmap frame = createBitmap(320, 240);
    ReportCapture quiet;
    static AllScenes scenes;
    setupAllScenes(scenes);
    EXPECT_GE(quiet.lines.size(), 20u); // every missing file is reported
    EXPECT_FALSE(scenes.room.liveTexture);
    for (int i = 0; i < 120; ++i) {
        syncFlags[SYNC_BEAT] = (i % 30 == 0) ? 1.0f : 0.0f;
        syncFlags[SYNC_ACCENT] = (i % 45 == 0) ? 1.0f : 0.0f;
        for (int id = 0; id < SCENE_COUNT; ++id) {
            clearZBuffer(gZBuffer);
            runScene(scenes, id, frame, sceneStartCs(id) + static_cast<float>(i) * 7);
        }
    }
    // Only the grey fill, smoothing and grain remain of the spike scene.
    runScene(scenes, SCENE_SPIKE, frame, sceneStartCs(SCENE_SPIKE) + 840);
    EXPECT_NEAR(static_cast<int>(frame.pixels[120 * 320 + 160] & 255u), 127 + 8, 10);
    setDataRoot(".");
}

// A beat on the twist's first frame moves the fade's end 30 centiseconds on: the frozen
// frame (blue) must still cover the next frames, not wrap to a faint weight.
TEST(SceneWithoutData, TwistFadeHoldsThroughABeatOnItsFirstFrame) {
    seedRandom(), resetSyncFlags(), setDataRoot("/nonexistent-tarnwick-data");
    ReportCapture quiet;
    static TwistScene twist;
    setupTwist(twist);
    Bitmap frame = createBitmap(320, 240);
    fillBitmap(frame, makeColour(0, 0, 255, 255));
    syncFlags[SYNC_BEAT] = 1.0f;
    for (float t : {5700.0f, 5703.3f, 5706.7f, 5710.0f}) {
        runTwist(twist, frame, t);
        EXPECT_GE(frame.pixels[120 * 320 + 160] & 255u, 200u) << t;
    }
    setDataRoot(".");
}

} // namespace
} // namespace tw
