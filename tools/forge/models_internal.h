// Shared pieces of the model forge: the small shape builders (models_shapes.cpp) and the
// single meshes and scenes each subject file makes.
#pragma once

#include <string>

#include "tools/forge/models.h"

namespace tw {

constexpr float kPi = 3.14159265f;
const V3 kUp = {0, -1, 0};

void orientUp(TriangleMesh& m);
TriangleMesh octahedron(const std::string& name, V3 c, float r, float stretch);
TriangleMesh column(const std::string& name, V3 base, float top, float radius, int sides);
TriangleMesh quad(const std::string& name, V3 a, V3 b, V3 c, V3 d, V3 facing, float uvScale);
void sphericalUV(TriangleMesh& m);

// A heightfield over x (x0..x1) and z (z0..z1), y = height(x, z), seen from above.
template <class H>
TriangleMesh heightfield(const std::string& name, float x0, float x1, float z0, float z1, int nx,
                         int nz, H height, float uvScale) {
    TriangleMesh m;
    m.name = name;
    for (int j = 0; j <= nz; ++j)
        for (int i = 0; i <= nx; ++i) {
            float x = x0 + (x1 - x0) * i / nx, z = z0 + (z1 - z0) * j / nz;
            addVertex(m, {x, height(x, z), z}, {x / uvScale, z / uvScale});
        }
    for (int j = 0; j < nz; ++j)
        for (int i = 0; i < nx; ++i) {
            int a = j * (nx + 1) + i;
            addQuad(m, a, a + 1, a + nx + 2, a + nx + 1);
        }
    orientUp(m);
    return m;
}

} // namespace tw
