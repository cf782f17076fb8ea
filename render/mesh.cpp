// Mesh allocation, face and vertex normals, and the per-frame orientation operations.
#include "render/mesh.h"

#include <algorithm>
#include <cmath>

#include "render/normalise.h"

namespace tw {

namespace {

int32_t liveVertices(const Mesh& m) {
    return std::clamp<int32_t>(m.vertexCount, 0, static_cast<int32_t>(m.vertices.size()));
}
int32_t liveFaces(const Mesh& m) {
    return std::clamp<int32_t>(m.faceCount, 0, static_cast<int32_t>(m.faces.size()));
}

bool faceValid(const Face& f, int32_t n) {
    return f.a >= 0 && f.a < n && f.b >= 0 && f.b < n && f.c >= 0 && f.c < n;
}

// (B - A) x (C - A) on object-space positions, unnormalised.
Vec3 faceCross(const Mesh& m, const Face& f) {
    const Vertex& A = m.vertices[static_cast<size_t>(f.a)];
    const Vertex& B = m.vertices[static_cast<size_t>(f.b)];
    const Vertex& C = m.vertices[static_cast<size_t>(f.c)];
    const float ex = B.x - A.x, ey = B.y - A.y, ez = B.z - A.z;
    const float gx = C.x - A.x, gy = C.y - A.y, gz = C.z - A.z;
    return {ey * gz - ez * gy, ez * gx - ex * gz, ex * gy - ey * gx};
}

} // namespace

void allocate(Mesh& mesh, int32_t vertexCount, int32_t faceCount) {
    mesh.vertexCount = std::max(vertexCount, 0);
    mesh.faceCount = std::max(faceCount, 0);
    mesh.vertices.assign(static_cast<size_t>(mesh.vertexCount), Vertex{});
    mesh.faces.assign(static_cast<size_t>(mesh.faceCount), Face{});
}

void computeFaceNormals(Mesh& mesh) {
    const int32_t nv = liveVertices(mesh), nf = liveFaces(mesh);
    for (int32_t i = 0; i < nf; ++i) {
        Face& f = mesh.faces[static_cast<size_t>(i)];
        Vec3 n = faceValid(f, nv) ? faceCross(mesh, f) : Vec3{};
        normaliseOrZero(n.x, n.y, n.z);
        f.nx = n.x;
        f.ny = n.y;
        f.nz = n.z;
    }
}

void computeVertexNormals(Mesh& mesh) {
    const int32_t nv = liveVertices(mesh), nf = liveFaces(mesh);
    for (int32_t i = 0; i < nv; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        v.nx = v.ny = v.nz = 0;
    }
    // Unnormalised cross products: larger faces weigh more.
    for (int32_t i = 0; i < nf; ++i) {
        const Face& f = mesh.faces[static_cast<size_t>(i)];
        if (!faceValid(f, nv)) continue;
        const Vec3 n = faceCross(mesh, f);
        for (int32_t idx : {f.a, f.b, f.c}) {
            Vertex& v = mesh.vertices[static_cast<size_t>(idx)];
            v.nx += n.x;
            v.ny += n.y;
            v.nz += n.z;
        }
    }
    for (int32_t i = 0; i < nv; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        normaliseOrZero(v.nx, v.ny, v.nz);
    }
}

void computeNormals(Mesh& mesh) {
    computeFaceNormals(mesh);
    computeVertexNormals(mesh);
}

void setScale(Mesh& mesh, float sx, float sy, float sz) {
    setScale(mesh.matrix, sx, sy, sz);
}

void rotate(Mesh& mesh, float a, float b, float c) {
    Matrix r;
    setRotation(r, a, b, c);
    concatRotation(mesh.matrix, r);
}

void setPosition(Mesh& mesh, float x, float y, float z) {
    mesh.px = x;
    mesh.py = y;
    mesh.pz = z;
}

bool indicesValid(const Mesh& mesh) {
    if (mesh.vertexCount < 0 || mesh.faceCount < 0) return false;
    if (static_cast<size_t>(mesh.vertexCount) > mesh.vertices.size()) return false;
    if (static_cast<size_t>(mesh.faceCount) > mesh.faces.size()) return false;
    for (int32_t i = 0; i < mesh.faceCount; ++i)
        if (!faceValid(mesh.faces[static_cast<size_t>(i)], mesh.vertexCount)) return false;
    return true;
}

} // namespace tw
