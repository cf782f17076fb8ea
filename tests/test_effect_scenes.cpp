// Tests for the metaball and boombox scenes: their sync reactions, the flight path, the hold
// and missing pictures (their golden frames live with the other scenes' in
// test_scene_goldens.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "base/paths.h"
#include "base/random.h"
#include "base/report.h"
#include "host/sync.h"
#include "image/bitmap.h"
#include "scenes/boombox.h"
#include "scenes/metaballs.h"

namespace tw {
namespace {

// Scenes read the forged data set under the build directory.
struct SceneTest : testing::Test {
    void SetUp() override {
        setDataRoot(TW_BINARY_DIR);
        resetSyncFlags();
        seedRandom();
        createZBuffer(gZBuffer, 320, 240);
        frame = createBitmap(320, 240);
    }
    void TearDown() override {
        resetSyncFlags();
        setDataRoot(".");
    }
    void runBoomboxAt(BoomboxScene& scene, float t) {
        clearZBuffer(gZBuffer);
        runBoombox(scene, frame, t);
    }
    void runMetaballsAt(MetaballScene& scene, float t) {
        clearZBuffer(gZBuffer);
        runMetaballs(scene, frame, t);
    }
    Bitmap frame;
};

// ---- boombox ---------------------------------------------------------------------------

using BoomboxTest = SceneTest;

TEST_F(BoomboxTest, FlightBeatsAndTheHold) {
    auto scene = std::make_unique<BoomboxScene>();
    setupBoombox(*scene);
    TunnelGrid& view = scene->tunnel;

    // Without a beat the view flies 4 units per centisecond and tumbles.
    runBoomboxAt(*scene, 15000.0f);
    EXPECT_EQ(view.z, 60000.0f);
    EXPECT_EQ(view.y, 0.0f);
    EXPECT_FLOAT_EQ(view.angleX, 3000.0f);
    EXPECT_FLOAT_EQ(view.angleY, 4500.0f);
    EXPECT_FLOAT_EQ(view.angleZ, 1500.0f);

    // A beat lifts the view by 24 and rolls it by 24 degrees, fading over 50 centiseconds.
    musicSyncCallback(1);
    runBoomboxAt(*scene, 15100.0f);
    EXPECT_EQ(syncFlags[SYNC_BEAT].load(), 0.0f) << "the scene consumes the beat";
    EXPECT_FLOAT_EQ(view.y, 24.0f);
    EXPECT_FLOAT_EQ(view.angleZ, 1510.0f + 24.0f);
    runBoomboxAt(*scene, 15125.0f);
    EXPECT_NEAR(view.y, 12.0f, 1e-4f);
    runBoomboxAt(*scene, 15150.0f);
    EXPECT_EQ(view.y, 0.0f);
    EXPECT_FLOAT_EQ(view.z, 60600.0f);

    // A value-6 sync stops the flight for good: on the axis, only rolling.
    musicSyncCallback(6);
    runBoomboxAt(*scene, 15200.0f);
    EXPECT_EQ(scene->hold, 1);
    EXPECT_EQ(view.x, 0.0f);
    EXPECT_EQ(view.y, 0.0f);
    EXPECT_EQ(view.z, 0.0f);
    EXPECT_EQ(view.angleX, 0.0f);
    EXPECT_EQ(view.angleY, 0.0f);
    EXPECT_FLOAT_EQ(view.angleZ, 0.2f * 15200.0f);
    // After the hold a beat is still consumed (it blurs) but no longer moves the view.
    musicSyncCallback(0);
    runBoomboxAt(*scene, 15300.0f);
    EXPECT_FLOAT_EQ(scene->kickLevel, 24.0f);
    EXPECT_EQ(view.y, 0.0f);
    EXPECT_EQ(view.z, 0.0f);
    EXPECT_FLOAT_EQ(view.angleZ, 0.2f * 15300.0f);
    runBoomboxAt(*scene, 16000.0f);
    EXPECT_EQ(scene->hold, 1);
    EXPECT_EQ(view.z, 0.0f);
}

TEST_F(BoomboxTest, MissingPicturesDrawPlainStandIns) {
    setDataRoot("/nonexistent-tarnwick-data");
    auto scene = std::make_unique<BoomboxScene>();
    {
        ReportCapture quiet;
        setupBoombox(*scene);
        EXPECT_GE(quiet.lines.size(), 5u) << "every failed picture is reported";
    }
    EXPECT_EQ(scene->multiplyPicture.width, 320);
    EXPECT_EQ(scene->addPicture.height, 240);
    runBoomboxAt(*scene, 15000.0f);
    // A grey wall under distance light shows well above the grain (at most 32).
    int lit = 0;
    for (int i = 0; i < 320 * 240; ++i) lit += ((frame.pixels[i] >> 8) & 255u) > 64;
    EXPECT_GT(lit, 10000);
}

// ---- metaballs -------------------------------------------------------------------------

using MetaballTest = SceneTest;

const Metaball& ball(const MetaballScene& scene, int i) {
    return static_cast<const Metaball&>(*scene.blob.sources[static_cast<size_t>(i)]);
}

TEST_F(MetaballTest, BallsShareOnePathAndBeatsKick) {
    auto scene = std::make_unique<MetaballScene>();
    setupMetaballs(*scene);
    ASSERT_EQ(scene->blob.sources.size(), 3u);

    // Ball 1 at t is where ball 0 is 60.5 centiseconds later (phase step 242 at 4 per cs).
    runMetaballsAt(*scene, 7200.0f);
    const float x1 = ball(*scene, 1).x, y1 = ball(*scene, 1).y, z1 = ball(*scene, 1).z;
    EXPECT_GT(scene->blob.mesh.faceCount, 0);
    runMetaballsAt(*scene, 7260.5f);
    EXPECT_NEAR(ball(*scene, 0).x, x1, 1e-3f);
    EXPECT_NEAR(ball(*scene, 0).y, y1, 1e-3f);
    EXPECT_NEAR(ball(*scene, 0).z, z1, 1e-3f);
    for (int i = 0; i < 3; ++i) {
        EXPECT_LE(std::fabs(ball(*scene, i).x), 42.0f);
        EXPECT_LE(std::fabs(ball(*scene, i).y), 42.0f);
    }

    // A beat kicks the spin by 24 degrees, falling to nothing over 50 centiseconds.
    musicSyncCallback(0);
    runMetaballsAt(*scene, 7300.0f);
    EXPECT_EQ(scene->beatHitTime, 7300.0f);
    EXPECT_FLOAT_EQ(scene->kickLevel, 24.0f);
    runMetaballsAt(*scene, 7325.0f);
    EXPECT_NEAR(scene->kickLevel, 12.0f, 1e-3f);
    runMetaballsAt(*scene, 7350.0f);
    EXPECT_EQ(scene->kickLevel, 0.0f);

    // A value-2 sync is consumed here and remembered as the blur hit.
    musicSyncCallback(2);
    runMetaballsAt(*scene, 7400.0f);
    EXPECT_EQ(syncFlags[SYNC_ACCENT].load(), 0.0f);
    EXPECT_EQ(scene->blurHitTime, 7400.0f);
}

TEST_F(MetaballTest, MissingDataStillDrawsTheBlob) {
    setDataRoot("/nonexistent-tarnwick-data");
    auto scene = std::make_unique<MetaballScene>();
    {
        ReportCapture quiet;
        setupMetaballs(*scene);
    }
    EXPECT_EQ(scene->tint.width, 320);
    EXPECT_EQ(scene->blobMaterial.base.width, 256);
    EXPECT_EQ(scene->backdrop.faceCount, 0);
    runMetaballsAt(*scene, 7000.0f);
    // The grey stand-in texture keeps the blob visible above the grain (at most 16).
    int lit = 0;
    for (int i = 0; i < 320 * 240; ++i) lit += ((frame.pixels[i] >> 8) & 255u) > 48;
    EXPECT_GT(lit, 2000);
}

} // namespace
} // namespace tw
