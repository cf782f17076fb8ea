// Writer for uncompressed 32-bit TGA pictures, the only kind the presentation reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/bitmap.h"

namespace tw {

// Encodes a top-row-first picture as an uncompressed true-colour TGA: 18-byte header
// (image type 2, 32 bits per pixel, descriptor 8 = eight alpha bits, origin bottom-left),
// then the rows bottom first, each pixel as bytes blue, green, red, alpha.
std::vector<uint8_t> encodeTga(const uint32_t* pixels, int width, int height);
std::vector<uint8_t> encodeTga(const Bitmap& bitmap);

// Writes bytes to a file; false (with errno intact) when the file cannot be written whole.
bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes);
bool writeTga(const std::string& path, const Bitmap& bitmap);

} // namespace tw
