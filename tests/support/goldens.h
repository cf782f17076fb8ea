// Golden-frame sequences shared by the scene tests: play a scene frame by frame with syncs
// injected at fixed frames, and compare the frame hash at checkpoints with
// tests/goldens/hashes.txt. With TW_GOLDEN_UPDATE=1 (scripts/update-goldens) changed
// checkpoints are rewritten; every changed frame leaves old | new | difference in
// build/golden-diff/.
#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "base/report.h"
#include "image/bitmap.h"

namespace tw {

constexpr float kStep30 = 10.0f / 3; // centiseconds per frame at 30 fps

struct GoldenSequence {
    std::string name;
    float start = 0; // t of frame 0 (centiseconds)
    float step = 0;  // centiseconds per frame
    int frames = 0;
    std::map<int, int> syncs; // frame -> sync flag index set to 1.0 before that frame
    std::vector<int> checkpoints;
};

bool goldenUpdating();

// True when the forge has written data/`file` into the build tree; without the data set the
// golden sequences have nothing to draw and are skipped.
bool goldenDataForged(const std::string& file);

// The state every golden sequence starts from: the forged data set, a 320x240 frame and
// depth buffer, the random sequence from its seed and no sync pending.
void startGoldenScene(Bitmap& frame);

// Runs `runFrame` for each frame (clearing the depth buffer first, as the demo loop does)
// and checks every checkpoint with gtest expectations.
void playGolden(const GoldenSequence& seq, const std::function<void(Bitmap&, float)>& runFrame,
                Bitmap& frame);

// A frame that stands for the previous scene's last one: a colour ramp across and down.
void fillPreviousFrame(Bitmap& frame);

// The fixture of the golden scene tests: skipped without the forged data set; `golden` sets a
// scene up and plays a sequence through it. Only the SIV reader's "len: " lines may be
// reported while a scene sets up. Scenes are static in the tests: too large for the stack.
class GoldenScene : public ::testing::Test {
  protected:
    void SetUp() override {
        if (!goldenDataForged("scene01.3ds"))
            GTEST_SKIP() << "the data set has not been forged into " << TW_BINARY_DIR;
        startGoldenScene(frame);
    }
    void TearDown() override;
    template <typename S>
    void golden(S& scene, void (*setup)(S&), void (*run)(S&, Bitmap&, float),
                const GoldenSequence& seq, bool afterPreviousFrame = false) {
        setup(scene);
        for (const std::string& line : quiet.lines) EXPECT_EQ(line.rfind("len: ", 0), 0u) << line;
        if (afterPreviousFrame) fillPreviousFrame(frame);
        playGolden(
            seq, [&](Bitmap& f, float t) { run(scene, f, t); }, frame);
    }
    Bitmap frame;
    ReportCapture quiet;
};

} // namespace tw
