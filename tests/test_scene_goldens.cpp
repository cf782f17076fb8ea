// Golden frames of the single-mesh scenes: a fixed sequence of frame times with injected
// music syncs, compared by hash at checkpoints. With TW_GOLDEN_UPDATE=1 in the environment
// (scripts/update-goldens) the checkpoints are rewritten, and every changed frame leaves
// old | new | difference in build/golden-diff/.
#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>

#include "base/paths.h"
#include "base/random.h"
#include "base/report.h"
#include "host/sync.h"
#include "image/bitmap.h"
#include "scenes/boombox.h"
#include "scenes/metaballs.h"
#include "scenes/spike.h"
#include "scenes/twist.h"
#include "scenes/warp.h"
#include "tests/support/png_io.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

const fs::path kGoldenDir = fs::path(TW_SOURCE_DIR) / "tests" / "goldens";
const fs::path kDiffDir = fs::path(TW_BINARY_DIR) / "golden-diff";

bool updating() {
    const char* v = std::getenv("TW_GOLDEN_UPDATE");
    return v && *v && std::string(v) != "0";
}

std::map<std::string, uint64_t> readHashes() {
    std::map<std::string, uint64_t> out;
    std::ifstream in(kGoldenDir / "hashes.txt");
    std::string name, hex;
    while (in >> name >> hex) out[name] = std::strtoull(hex.c_str(), nullptr, 16);
    return out;
}

void writeHash(const std::string& key, uint64_t hash) {
    std::map<std::string, uint64_t> all = readHashes();
    all[key] = hash;
    std::ofstream out(kGoldenDir / "hashes.txt");
    for (const auto& [k, h] : all) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%016" PRIx64, h);
        out << k << ' ' << buf << '\n';
    }
}

// One scene played from its first frame: frame i at start + i * step, a sync stored before
// the frames listed, and the frame hashed at each checkpoint.
struct Sequence {
    std::string name;
    float start, step;
    int frames;
    std::map<int, int> syncs; // frame -> flag index
    std::vector<int> checkpoints;
};

void play(const Sequence& seq, const std::function<void(Bitmap&, float)>& runFrame, Bitmap& frame) {
    const auto hashes = readHashes();
    fs::create_directories(kDiffDir);
    size_t next = 0;
    for (int i = 0; i < seq.frames && next < seq.checkpoints.size(); ++i) {
        if (auto it = seq.syncs.find(i); it != seq.syncs.end()) syncFlags[it->second] = 1.0f;
        clearZBuffer(gZBuffer); // the demo loop does this before every scene call
        runFrame(frame, seq.start + seq.step * static_cast<float>(i));
        if (i != seq.checkpoints[next]) continue;
        ++next;
        const std::string key = seq.name + "_" + std::to_string(i);
        const uint64_t hash = frameHash(frame);
        const fs::path golden = kGoldenDir / (key + ".png");
        const auto known = hashes.find(key);
        const bool same = known != hashes.end() && known->second == hash;
        const fs::path diff = kDiffDir / (key + ".png");
        if (same) fs::remove(diff); // no stale picture from an earlier run
        if (!same) {
            Bitmap old;
            readPng(golden.string(), old); // missing: the left panel stays black
            writePng(diff.string(), sideBySide(old, frame));
        }
        if (updating()) {
            if (!same || !fs::exists(golden)) {
                writePng(golden.string(), frame);
                writeHash(key, hash);
            }
        } else {
            EXPECT_TRUE(same) << key << " changed; see " << diff.string()
                              << " (old | new | difference); scripts/update-goldens accepts it";
        }
    }
}

class SceneGolden : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!fs::exists(fs::path(TW_BINARY_DIR) / "data" / "geo2.3ds"))
            GTEST_SKIP() << "the data set has not been forged into " << TW_BINARY_DIR;
        setDataRoot(TW_BINARY_DIR);
        createZBuffer(gZBuffer, 320, 240);
        frame = createBitmap(320, 240);
        seedRandom();
        resetSyncFlags();
    }
    void TearDown() override { setDataRoot("."); }
    Bitmap frame;
    ReportCapture quiet; // a missing picture would be a data-set fault, seen in the frames
};

TEST_F(SceneGolden, Warp) {
    static WarpScene scene; // scenes are process-lifetime globals in the demo
    setupWarp(scene);
    EXPECT_TRUE(quiet.lines.empty()) << quiet.lines.front();
    play(
        {"warp", 1850, 10.0f / 3, 60, {{20, SYNC_BEAT}, {45, SYNC_BEAT}}, {0, 21, 59}},
        [](Bitmap& f, float t) { runWarp(scene, f, t); }, frame);
}

TEST_F(SceneGolden, Twist) {
    static TwistScene scene;
    setupTwist(scene);
    EXPECT_TRUE(quiet.lines.empty()) << quiet.lines.front();
    // The previous scene's last frame, which the first second and a half fades out of.
    for (int y = 0; y < 240; ++y)
        for (int x = 0; x < 320; ++x)
            frame.pixels[y * 320 + x] = makeColour(x * 255 / 319, y, 255 - y, 255);
    play(
        {"twist", 5700, 10.0f / 3, 60, {{25, SYNC_BEAT}, {35, SYNC_ACCENT}}, {10, 37, 59}},
        [](Bitmap& f, float t) { runTwist(scene, f, t); }, frame);
}

TEST_F(SceneGolden, Spike) {
    static SpikeScene scene;
    setupSpike(scene);
    EXPECT_TRUE(quiet.lines.empty()) << quiet.lines.front();
    play(
        {"spike", 8350, 5, 110, {{30, SYNC_BEAT}}, {25, 33, 80, 109}},
        [](Bitmap& f, float t) { runSpike(scene, f, t); }, frame);
}

TEST_F(SceneGolden, Metaballs) {
    static MetaballScene scene;
    setupMetaballs(scene);
    EXPECT_TRUE(quiet.lines.empty()) << quiet.lines.front();
    // A beat at frame 15 (kick and vertical blur only), a value-2 blur at frame 40.
    play(
        {"metaballs", 7000, 10.0f / 3, 60, {{15, SYNC_BEAT}, {40, SYNC_ACCENT}}, {0, 16, 45, 59}},
        [](Bitmap& f, float t) { runMetaballs(scene, f, t); }, frame);
}

TEST_F(SceneGolden, Boombox) {
    static BoomboxScene scene;
    setupBoombox(scene);
    EXPECT_TRUE(quiet.lines.empty()) << quiet.lines.front();
    // A beat jolts the flight at frame 20; the hold at frame 50 stops it; a beat after the
    // hold only blurs.
    play(
        {"boombox",
         14800,
         10.0f / 3,
         90,
         {{20, SYNC_BEAT}, {50, SYNC_HOLD}, {60, SYNC_BEAT}},
         {10, 21, 55, 61, 89}},
        [](Bitmap& f, float t) { runBoombox(scene, f, t); }, frame);
}

// Without a data set every picture and mesh is missing: the scenes must draw on without
// reading any of them (run under the sanitizers, this catches a stray read).
TEST(SceneWithoutData, DrawsWithoutReadingMissingAssets) {
    seedRandom(); // the grain below must not depend on what ran before
    setDataRoot("/nonexistent-tarnwick-data");
    createZBuffer(gZBuffer, 320, 240);
    Bitmap frame = createBitmap(320, 240);
    ReportCapture quiet;
    static WarpScene warp;
    static TwistScene twist;
    static SpikeScene spike;
    setupWarp(warp);
    setupTwist(twist);
    setupSpike(spike);
    EXPECT_GE(quiet.lines.size(), 10u);
    for (int i = 0; i < 150; ++i) {
        const float t = static_cast<float>(i) * 5;
        syncFlags[SYNC_BEAT] = (i % 40 == 0) ? 1.0f : 0.0f;
        runWarp(warp, frame, 1850 + t);
        runTwist(twist, frame, 5700 + t);
        runSpike(spike, frame, 8350 + t);
    }
    // Only the grey fill, smoothing and grain remain of the spike scene.
    EXPECT_NEAR(static_cast<int>(frame.pixels[120 * 320 + 160] & 255u), 127 + 8, 10);
    setDataRoot(".");
}

} // namespace
} // namespace tw
