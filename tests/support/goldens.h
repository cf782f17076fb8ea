// Golden-frame sequences shared by the scene tests: play a scene frame by frame with syncs
// injected at fixed frames, and compare the frame hash at checkpoints with
// tests/goldens/hashes.txt. With TW_GOLDEN_UPDATE=1 (scripts/update-goldens) changed
// checkpoints are rewritten; every changed frame leaves old | new | difference in
// build/golden-diff/.
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "image/bitmap.h"

namespace tw {

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

} // namespace tw
