// Per-scene stills from an offline run and the contact sheet that tiles them.
#include "host/stills.h"

#include <algorithm>
#include <cmath>

#include "image/ops.h"
#include "scenes/registry.h"
#include "scenes/timeline.h"

namespace tw {

bool StillsSink::present(const Bitmap& frame) {
    if (std::find(wanted.begin(), wanted.end(), current) == wanted.end()) return true;
    Bitmap copy = createBitmap(frame.width, frame.height);
    std::copy(frame.pixels, frame.pixels + frame.pixelCount(), copy.pixels);
    stills.push_back(copy);
    return true;
}

double sceneStillTime(int id) {
    float start = 0, end = 0;
    sceneInterval(id, start, end);
    return std::min(static_cast<double>(start + sceneStillSeconds(id)),
                    static_cast<double>(end) - 0.1);
}

std::vector<int64_t> sceneStillFrames(int fps) {
    std::vector<int64_t> frames;
    for (int id = 0; id < SCENE_COUNT; ++id) {
        double t = sceneStillTime(id);
        // Frame k (1-based) is drawn at k / fps; indices count from 0.
        frames.push_back(static_cast<int64_t>(std::llround(t * fps)) - 1);
    }
    return frames;
}

Bitmap tileStills(const std::vector<Bitmap>& stills, int columns) {
    const int gap = 4;
    int rows = static_cast<int>((stills.size() + columns - 1) / columns);
    Bitmap sheet = createBitmap(columns * (320 + gap) + gap, rows * (240 + gap) + gap);
    fillBitmap(sheet, makeColour(5, 7, 13, 255));
    for (size_t i = 0; i < stills.size(); ++i) {
        int x = gap + static_cast<int>(i % columns) * (320 + gap);
        int y = gap + static_cast<int>(i / columns) * (240 + gap);
        drawSprite(stills[i], sheet, x, y, false);
    }
    return sheet;
}

} // namespace tw
