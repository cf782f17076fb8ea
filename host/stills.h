// One still per scene from an offline run, tiled into a contact sheet.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "host/platform.h"

namespace tw {

// Keeps copies of the frames whose run index is in `wanted` (ascending).
struct StillsSink final : FrameSink {
    std::vector<int64_t> wanted;
    std::vector<Bitmap> stills;
    int64_t current = 0;
    void beginFrame(int64_t index) override { current = index; }
    bool present(const Bitmap& frame) override;
};

// Frame index (0-based, at `fps`) of the still shown for each scene: a moment inside the
// scene chosen to show what it does.
std::vector<int64_t> sceneStillFrames(int fps);
// Demo time (seconds) of scene `id`'s still: its still time into the scene, kept 0.1 s
// short of the scene's end.
double sceneStillTime(int id);

// Tiles the stills 4 across at 1x onto a dark sheet. Returns the sheet.
Bitmap tileStills(const std::vector<Bitmap>& stills, int columns = 4);

} // namespace tw
