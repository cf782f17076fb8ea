// Face set-up: camera-space normals, near rejection, winding, texture pairs, frustum
// clipping, re-projection, the fan, and the choice of rasteriser.
#pragma once

#include <cstdint>

#include "image/bitmap.h"
#include "render/material.h"
#include "render/mesh.h"

namespace tw {

// Default: a face is drawn when its screen cross product is negative. Mirrored (meshes whose
// y was negated at load, i.e. SIV scenes): drawn when it is not negative.
enum class FrontRule { Default, Mirrored };

inline void computeOutcode(Vertex& v) {
    uint32_t code = 0;
    if (v.cx > v.cz) code |= OUT_RIGHT;
    if (-v.cz > v.cx) code |= OUT_LEFT;
    if (v.cy > v.cz) code |= OUT_BOTTOM;
    if (-v.cz > v.cy) code |= OUT_TOP;
    if (v.cz < 1.0f) code |= OUT_NEAR;
    v.outcode = code;
}
Vertex intersectPlane(const Vertex& p, const Vertex& q, uint32_t planeBit);
int clipAgainstPlane(const Vertex* in, int count, Vertex* out, uint32_t planeBit);

void drawTriangle(Bitmap& target, const Material& material, Vertex& a, Vertex& b, Vertex& c);
void drawWireTriangle(Bitmap& target, Vertex& a, Vertex& b, Vertex& c, uint32_t colour);

// Runs faces [0, count) of a mesh (vertices already in camera space and projected) through
// the whole set-up, in order. `rotation` is the object-to-camera rotation used for the face
// normal.
void setupFaces(Bitmap& target, Mesh& mesh, int32_t count, const Matrix& rotation,
                const Material& material, FrontRule rule);

} // namespace tw
