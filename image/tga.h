// Reader for uncompressed 32-bit TGA pictures (bottom row first in the file).
#pragma once

#include <cstdint>
#include <span>
#include <string>

#include "image/bitmap.h"

namespace tw {

// Fills `bitmap` from the file at `path`. A missing file reports "Cant open %s" under the
// caption "ERROR!"; a bad header or a truncated file reports one line "PATH: not a usable TGA
// picture: REASON" on standard error. On any failure the bitmap is left entirely unchanged.
// Returns true on success; the scene set-ups ignore it, since the failure is already reported
// and drawing copes with a picture that is missing.
bool readTga(Bitmap& bitmap, const std::string& path);

// The same from the bytes of a file; `name` stands for the file in the messages (a bad header
// or cut pixels). The bytes are copied, not kept.
bool readTga(Bitmap& bitmap, std::span<const uint8_t> bytes, const std::string& name);

} // namespace tw
