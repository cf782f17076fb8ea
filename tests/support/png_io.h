// PNG files of frames for looking at renders and for golden-frame comparisons.
#pragma once

#include <cstdint>
#include <string>

#include "host/png_writer.h"
#include "image/bitmap.h"

namespace tw {

// Reads an 8-bit RGB or RGBA PNG into a new bitmap (alpha 0xFF); false on any problem.
bool readPng(const std::string& path, Bitmap& picture);
// FNV-1a over the colour bytes of every pixel (alpha excluded), for golden comparisons.
uint64_t frameHash(const Bitmap& picture);
// old | new | difference (amplified) side by side, for a changed golden frame.
Bitmap sideBySide(const Bitmap& before, const Bitmap& after);

} // namespace tw
