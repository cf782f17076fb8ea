// The application icon: a round window onto the opening eye, at the hicolor theme's sizes.
#pragma once

#include <string>
#include <vector>

#include "tools/forge/canvas.h"

namespace tw {

// The sizes written, in pixels (square).
const std::vector<int>& iconSizes();

// The icon at `size` pixels: the eye picture's centre square, area-averaged down, inside an
// anti-aliased disc (transparent outside).
Canvas makeIcon(int size);

// Writes DIR/hicolor/NxN/apps/tarnwick.png for every size. On failure `error` says why.
bool writeIcons(const std::string& dir, std::string& error);

} // namespace tw
