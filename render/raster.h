// Scanline triangle rasterisers in 16.16 fixed point against the global ZBuffer.
#pragma once

#include <cstdint>

#include "image/bitmap.h"
#include "render/mesh.h"

namespace tw {

// x*65536 truncated for -32768 < x < 32768; at or below -32768 the most negative value,
// otherwise (32768 and above, NaN) 0x7FFF0000.
int32_t toFixed(float x);
// ceil of a 16.16 value as an integer.
inline int32_t fixedCeil(int32_t f) {
    return (f + 0xFFFF) >> 16;
}

enum class LayerBlend { Multiply, Add };

// One texture; opaque stores depth, translucent averages with the frame and stores nothing.
void rasterTextured(Bitmap& target, const Bitmap& texture, Vertex& a, Vertex& b, Vertex& c,
                    bool translucent);
// Base texture combined with the second; with bump the third (a height map the size of the
// base) perturbs the second-layer lookup.
void rasterLayered(Bitmap& target, const Bitmap& base, const Bitmap& second, const Bitmap& third,
                   Vertex& a, Vertex& b, Vertex& c, bool bump, LayerBlend blend, bool translucent);

} // namespace tw
