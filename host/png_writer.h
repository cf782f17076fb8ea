// PNG output of frames (offline runs, tests, contact sheets).
#pragma once

#include <string>

#include "image/bitmap.h"

namespace tw {

// Writes the bitmap as an 8-bit RGB PNG (alpha dropped, as the display ignores it), or RGBA
// with `keepAlpha` (icons), each pixel repeated `scale` times in both directions. False on
// any write error.
bool writePng(const std::string& path, const Bitmap& bitmap, int scale = 1, bool keepAlpha = false);

} // namespace tw
