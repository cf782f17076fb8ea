// The 2D compositing toolbox: whole-frame blends, overlays, grain, blurs, smoothing,
// the warped texture fill, sprites and lines. Bit-exact integer rules: products are
// shifted right by 8, sums saturate at 255, weights use only their low 8 bits.
#pragma once

#include <cstdint>

#include "image/bitmap.h"

namespace tw {

// Whole-buffer operations. The pass length comes from the bitmap named in each comment;
// the other bitmaps must hold at least as many pixels, otherwise the call does nothing
// (a picture that failed to load must never be read past its end).
void scaleBitmap(Bitmap& bitmap, int32_t k);                            // bitmap
void crossfade(const Bitmap& source, Bitmap& dest, int32_t k);          // source
void brighten(Bitmap& bitmap, int32_t k);                               // bitmap
void multiplyInto(const Bitmap& source, Bitmap& dest);                  // source
void addInto(const Bitmap& source, Bitmap& dest);                       // source
void copyBitmap(const Bitmap& source, Bitmap& dest);                    // dest, multiple of 16
void alphaOverlay(const Bitmap& source, Bitmap& dest);                  // dest, even
void maskBlend(const Bitmap& source, Bitmap& dest, const Bitmap& mask); // dest
void addNoise(Bitmap& bitmap, int32_t amplitude); // bitmap; amplitude <= 0: no-op
void desaturate(Bitmap& bitmap, int32_t k);       // bitmap

// Places source with its top-left corner at (x, y), clipped to dest. With blend, source
// alpha 255 shows the source and 0 keeps dest; the result's alpha byte is 0.
void drawSprite(const Bitmap& source, Bitmap& dest, int32_t x, int32_t y, bool blend);

// Box blurs of window 2r+1 along rows / columns (running sums, divisor always 2r+1).
void boxBlurH(Bitmap& dest, const Bitmap& source, uint32_t r);
void boxBlurV(Bitmap& dest, const Bitmap& source, uint32_t r);

// In-place four-neighbour average over a flat array with a fixed row length of 320.
void smooth4(Bitmap& bitmap);

// Fills 320x240 pixels of dest with a 256x256 picture through a sine-driven quadrilateral.
// Any other picture size, or a dest smaller than 320x240, is refused silently: dest is left
// as it was (the caller draws its own stand-in).
void warpTexture(Bitmap& dest, const Bitmap& picture, float t);

// A one-pixel line; points outside the bitmap are clipped (never written).
void drawLine(Bitmap& bitmap, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour);

} // namespace tw
