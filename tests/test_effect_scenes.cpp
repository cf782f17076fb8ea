// The metaball and boombox scenes: sync reactions, flight path, hold and missing pictures
// (their golden frames live in test_scene_goldens.cpp).
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "base/paths.h"
#include "base/random.h"
#include "base/report.h"
#include "base/sync.h"
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
        clearZBuffer(gZBuffer), runBoombox(scene, frame, t);
    }
    void runMetaballsAt(MetaballScene& scene, float t) {
        clearZBuffer(gZBuffer), runMetaballs(scene, frame, t);
    }
    int litPixels(uint32_t above) const {
        int lit = 0;
        for (int i = 0; i < 320 * 240; ++i) lit += ((frame.pixels[i] >> 8) & 255u) > above;
        return lit;
    }
    Bitmap frame;
};

TEST_F(SceneTest, FlightBeatsAndTheHold) {
    auto scene = std::make_unique<BoomboxScene>();
    setupBoombox(*scene);
    TunnelGrid& view = scene->tunnel;

    // Without a beat the view flies 4 units per centisecond and tumbles.
    runBoomboxAt(*scene, 15000.0f);
    EXPECT_EQ(view.z, 60000.0f);
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
    EXPECT_EQ(std::vector<float>({view.x, view.y, view.z, view.angleX, view.angleY}),
              std::vector<float>(5, 0.0f));
    EXPECT_FLOAT_EQ(view.angleZ, 0.2f * 15200.0f);
    // After the hold a beat is still consumed (it blurs) but no longer moves the view.
    musicSyncCallback(0);
    runBoomboxAt(*scene, 15300.0f);
    EXPECT_FLOAT_EQ(scene->kickLevel, 24.0f);
    EXPECT_EQ(view.y + view.z, 0.0f);
    EXPECT_FLOAT_EQ(view.angleZ, 0.2f * 15300.0f);
}

const Metaball& ball(const MetaballScene& scene, int i) {
    return static_cast<const Metaball&>(*scene.blob.sources[static_cast<size_t>(i)]);
}

TEST_F(SceneTest, BallsShareOnePathAndBeatsKick) {
    auto scene = std::make_unique<MetaballScene>();
    setupMetaballs(*scene);
    ASSERT_EQ(scene->blob.sources.size(), 3u);

    // Ball 1 at t is where ball 0 is 60.5 centiseconds later (phase step 242 at 4 per cs).
    runMetaballsAt(*scene, 7200.0f);
    const Metaball b1 = ball(*scene, 1);
    EXPECT_GT(scene->blob.mesh.faceCount, 0);
    runMetaballsAt(*scene, 7260.5f);
    for (auto m : {&Metaball::x, &Metaball::y, &Metaball::z})
        EXPECT_NEAR(ball(*scene, 0).*m, b1.*m, 1e-3f);

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

// Without the data set both scenes still draw plain stand-ins well above the grain.
TEST_F(SceneTest, MissingDataDrawsStandIns) {
    setDataRoot("/nonexistent-tarnwick-data");
    auto boombox = std::make_unique<BoomboxScene>();
    auto metaballs = std::make_unique<MetaballScene>();
    {
        ReportCapture quiet;
        setupBoombox(*boombox);
        EXPECT_GE(quiet.lines.size(), 5u) << "every failed picture is reported";
        setupMetaballs(*metaballs);
    }
    runBoomboxAt(*boombox, 15000.0f);
    EXPECT_GT(litPixels(64), 10000); // a grey wall under distance light; grain is at most 32
    EXPECT_EQ(metaballs->backdrop.faceCount, 0);
    runMetaballsAt(*metaballs, 7000.0f);
    EXPECT_GT(litPixels(48), 2000); // the grey stand-in texture; grain is at most 16
}

} // namespace
} // namespace tw
