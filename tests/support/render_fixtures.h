// Small inputs for the renderer tests: power-of-two textures filled by a function, and
// meshes built from point and face lists.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "image/bitmap.h"
#include "render/matrix.h"
#include "render/mesh.h"

namespace tw::test {

// A square 2^shift texture with `f(u, v)` in every texel, its width shift and mask set.
template <class F> Bitmap texture(int shift, F f) {
    const int size = 1 << shift;
    Bitmap b = createBitmap(size, size);
    b.widthShift = shift;
    b.widthMask = size - 1;
    for (int v = 0; v < size; ++v)
        for (int u = 0; u < size; ++u) b.pixels[v * size + u] = f(u, v);
    return b;
}

// A 1x1 texture of colour `c`.
inline Bitmap solid(uint32_t c) {
    return texture(0, [c](int, int) { return c; });
}

// A mesh with the given object-space points and faces; normals are left for the caller.
Mesh meshOf(const std::vector<Vec3>& points, const std::vector<std::array<int, 3>>& faces);

} // namespace tw::test
