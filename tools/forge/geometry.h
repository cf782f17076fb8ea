// Meshes as the forge builds them: in the presentation's own axes (x right, y down on
// screen, z away from the viewer), with every face wound so that its cross product
// (b - a) x (c - a) points at the side meant to be seen. Converters turn them into each file
// format's axes and winding.
#pragma once

#include <array>
#include <cmath>
#include <string>
#include <vector>

#include "tools/write/siv_writer.h"
#include "tools/write/tds_writer.h"

namespace tw {

struct V3 {
    float x = 0, y = 0, z = 0;
};
inline V3 operator+(V3 a, V3 b) {
    return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline V3 operator-(V3 a, V3 b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline V3 operator*(V3 a, float k) {
    return {a.x * k, a.y * k, a.z * k};
}
inline float dot(V3 a, V3 b) {
    return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline V3 cross(V3 a, V3 b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline float length(V3 a) {
    return std::sqrt(dot(a, a));
}
inline V3 normalised(V3 a) {
    float l = length(a);
    return l > 0 ? a * (1.0f / l) : V3{0, 0, 0};
}

// Texture coordinates in texture space: u = column / size, v = row / size from the top.
struct TexUV {
    float u = 0, v = 0;
};

struct TriangleMesh {
    std::string name;
    std::vector<V3> pos;
    std::vector<TexUV> uv; // one per vertex (may be empty)
    std::vector<std::array<int, 3>> tri;
};

int addVertex(TriangleMesh& m, V3 p, TexUV uv = {});
void addTri(TriangleMesh& m, int a, int b, int c);
void addQuad(TriangleMesh& m, int a, int b, int c, int d); // (a, b, c) and (a, c, d)
void append(TriangleMesh& dst, const TriangleMesh& src);
void flipFaces(TriangleMesh& m);
V3 faceNormal(const TriangleMesh& m, size_t face); // unnormalised (b - a) x (c - a)
// Winds every face so that its normal points away from (outward) or towards (inward) the
// point `centre` seen from the face's centroid.
void orientAbout(TriangleMesh& m, V3 centre, bool outward);
// Smooth, area-weighted vertex normals (what the presentation computes for 3DS meshes).
std::vector<V3> vertexNormals(const TriangleMesh& m);
void translate(TriangleMesh& m, V3 d);
void scaleBy(TriangleMesh& m, V3 s);
void rotateY(TriangleMesh& m, float radians);
// Gives every face its own three vertices (faceted shading, free per-face mapping).
TriangleMesh unshared(const TriangleMesh& m);

// ---- builders (all oriented outward unless said otherwise) ----
TriangleMesh icosphere(int subdivisions, float radius);
TriangleMesh box(V3 lo, V3 hi, float uvScale); // uv tiles every uvScale units
TriangleMesh torusKnot(int p, int q, float bigR, float smallR, float tube, int segments, int sides);
// A tube through a closed or open list of path points; inward: faces seen from inside.
TriangleMesh tube(const std::vector<V3>& path, float radius, int sides, bool closed, bool inward,
                  float uvAlong, float uvAround);

// ---- format conversions ----
// Single-mesh 3DS: the reader turns file (x, y, z) into (x, -z, y); uv1 = (1 - u, v).
TdsMesh toTdsSingle(const TriangleMesh& m);
// Scene 3DS mesh: the scene reader turns file (x, y, z) into (x, z, -y); uv1 = (1 - u, v).
TdsMesh toTdsScene(const TriangleMesh& m, const std::string& material);
// Scene 3DS camera points: loaders end with (-x, -z, -y) of the file's (x, y, z).
std::array<float, 3> toTdsCameraPoint(V3 p);
// SIV: y is negated on loading and the mirrored winding rule draws the mesh, so faces are
// stored with the other winding; normals are kept as given; uv1 = (u, 1 - v).
SivObject toSiv(const TriangleMesh& m, int material);
std::array<float, 3> toSivPoint(V3 p);

} // namespace tw
