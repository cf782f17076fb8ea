// Neutral stand-ins for pictures and textures that failed to load, so that a scene never reads
// past the end of a missing picture and still draws something sensible.
#pragma once

#include <cstdint>
#include <string>

#include "image/bitmap.h"

namespace tw {

// A width x height picture filled with one colour (widthShift/widthMask set for 256x256).
Bitmap plainPicture(int32_t width, int32_t height, uint32_t colour);

// Keeps `picture` when it is exactly width x height with all its pixels; otherwise replaces it
// by a plain picture of that size and reports the substitution under `name`. Returns true
// when the loaded picture was kept.
bool ensurePicture(Bitmap& picture, int32_t width, int32_t height, uint32_t colour,
                   const std::string& name);
// The same for a texture (textureUsable, render/material.h): an unusable one becomes a plain
// 256x256 texture.
bool ensureTexture(Bitmap& texture, uint32_t colour, const std::string& name);

// Reads the picture at `path` for a scene that draws it at width x height (at least that size
// with `atLeast`). One that loads with a size the scene cannot use is named on standard error
// (the reader names one that does not load). True when the picture is there and usable.
bool readPicture(Bitmap& picture, const std::string& path, int32_t width, int32_t height,
                 bool atLeast = false);

} // namespace tw
