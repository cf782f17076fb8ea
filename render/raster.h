// Scanline triangle rasterisers in 16.16 fixed point against the global ZBuffer.
#pragma once

#include <cstdint>

#include "image/bitmap.h"
#include "render/fixed.h"
#include "render/mesh.h"

namespace tw {

enum class LayerBlend { Multiply, Add };

// One texture; opaque stores depth, translucent averages with the frame and stores nothing.
void rasterTextured(Bitmap& target, const Bitmap& texture, Vertex& a, Vertex& b, Vertex& c,
                    bool translucent);
// Base texture combined with the second; with bump the third (a height map the size of the
// base) perturbs the second-layer lookup.
void rasterLayered(Bitmap& target, const Bitmap& base, const Bitmap& second, const Bitmap& third,
                   Vertex& a, Vertex& b, Vertex& c, bool bump, LayerBlend blend, bool translucent);

} // namespace tw
