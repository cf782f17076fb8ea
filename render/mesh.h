// Vertex, Face and Mesh: one renderable triangle object and its per-frame working fields.
#pragma once

#include <cstdint>
#include <vector>

#include "render/matrix.h"

namespace tw {

struct UV {
    float u = 0, v = 0;
};

// Outcode bits of a camera-space point against the frustum |x| <= z, |y| <= z, z >= 1.
enum : uint32_t { OUT_RIGHT = 1, OUT_LEFT = 2, OUT_BOTTOM = 4, OUT_TOP = 8, OUT_NEAR = 16 };

struct Vertex {
    float x = 0, y = 0, z = 0;       // object space (loader writes)
    float cx = 0, cy = 0, cz = 0;    // camera space (renderer writes)
    float nx = 0, ny = 0, nz = 0;    // object-space unit normal
    float cnx = 0, cny = 0, cnz = 0; // camera-space unit normal
    float sx = 0, sy = 0;            // projected screen position
    float depth = 0;                 // copy of cz for the rasterisers
    UV uv1, uv2;                     // normalised 0..1 as loaded; texels in working copies
    int32_t ix = 0, iy = 0;          // ceil of sx, sy (rasterisers write)
    uint32_t outcode = 0;
};

struct Face {
    int32_t a = 0, b = 0, c = 0;
    UV corner[3];
    float nx = 0, ny = 0, nz = 0;    // object-space unit face normal
    float cnx = 0, cny = 0, cnz = 0; // camera-space unit face normal
};

// vertexCount/faceCount are the live counts; the arrays may be larger (the isosurface
// reuses one allocation every frame).
struct Mesh {
    int32_t materialIndex = 0;
    int32_t vertexCount = 0;
    std::vector<Vertex> vertices;
    int32_t faceCount = 0;
    std::vector<Face> faces;
    float px = 0, py = 0, pz = 0;
    Matrix matrix;
};

void allocate(Mesh& mesh, int32_t vertexCount, int32_t faceCount);
// A zero-length normal (zero-area face, unused vertex) becomes (0, 0, 0), never NaN.
void computeFaceNormals(Mesh& mesh);
void computeVertexNormals(Mesh& mesh);
// Both of the above: what a mesh loaded for environment mapping needs.
void computeNormals(Mesh& mesh);
void setScale(Mesh& mesh, float sx, float sy, float sz);
void rotate(Mesh& mesh, float a, float b, float c);
void setPosition(Mesh& mesh, float x, float y, float z);

// True when every face index lies inside the vertex array (loaders check this).
bool indicesValid(const Mesh& mesh);

} // namespace tw
