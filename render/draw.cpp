// Object drawing: a mesh to camera space, projected, and every face through the set-up;
// and projected texture coordinates for laying a screen-sized picture onto a mesh.
#include "render/draw.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tw {

namespace {

// The object-to-camera rotation (mesh basis, then view basis) and the object origin in
// camera space.
struct CameraSpace {
    Matrix rotation;
    Vec3 origin;
};

CameraSpace cameraSpace(const Mesh& mesh, const Camera& camera) {
    CameraSpace cs;
    setIdentity(cs.rotation);
    concatRotation(cs.rotation, mesh.matrix);
    concatRotation(cs.rotation, camera.view);
    cs.origin = transform(camera.view, mesh.px - camera.position[0], mesh.py - camera.position[1],
                          mesh.pz - camera.position[2]);
    return cs;
}

int32_t liveCount(int32_t count, size_t size) {
    return std::clamp<int32_t>(count, 0, static_cast<int32_t>(std::min<size_t>(size, INT32_MAX)));
}

} // namespace

void drawSceneMesh(Bitmap& target, Mesh& mesh, const Camera& camera, const Material& material,
                   FrontRule rule) {
    const int32_t vertexCount = liveCount(mesh.vertexCount, mesh.vertices.size());
    const int32_t faceCount = liveCount(mesh.faceCount, mesh.faces.size());
    if (vertexCount == 0) return;

    const float cx0 = static_cast<float>(target.width) * 0.5f;
    const float cy0 = static_cast<float>(target.height) * 0.5f;
    const float kx = cx0 - 1, ky = cy0 - 1;
    const CameraSpace cs = cameraSpace(mesh, camera);
    const Matrix& r = cs.rotation;

    // Camera-space vertex normals are read only by environment mapping from the vertices.
    const uint32_t flags = material.flags;
    const bool vertexNormals = ((flags & MAT_ENV1) && !(flags & MAT_ENV1_FACE)) ||
                               ((flags & MAT_ENV2) && !(flags & MAT_ENV2_FACE));
    for (int32_t i = 0; i < vertexCount; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        const Vec3 c = transform(r, v.x, v.y, v.z);
        if (vertexNormals) {
            Vec3 n = transform(r, 10000.0f * v.nx, 10000.0f * v.ny, 10000.0f * v.nz);
            const float d = n.x * n.x + n.y * n.y + n.z * n.z;
            if (d > 0.0f && std::isfinite(d)) {
                const float inv = 1.0f / std::sqrt(d);
                n = {n.x * inv, n.y * inv, n.z * inv};
            } else {
                n = {}; // a vertex without a normal maps to the texture's centre, never NaN
            }
            v.cnx = n.x;
            v.cny = n.y;
            v.cnz = n.z;
        }
        v.cx = c.x + cs.origin.x;
        v.cy = c.y + cs.origin.y;
        v.cz = c.z + cs.origin.z;
        computeOutcode(v);
        // Projected for every vertex; the winding test reads these only for faces wholly in front
        // of the eye.
        v.depth = v.cz;
        const float inv = 1.0f / v.cz;
        v.sx = inv * kx * v.cx + cx0;
        v.sy = inv * ky * v.cy + cy0;
    }
    setupFaces(target, mesh, faceCount, r, material, rule);
}

void drawMesh(Mesh& mesh, Bitmap& target, const Camera& camera, const Material& material) {
    drawSceneMesh(target, mesh, camera, material, FrontRule::Default);
}

void projectTexture(Mesh& mesh, int slot, const Camera& camera) {
    const int32_t vertexCount = liveCount(mesh.vertexCount, mesh.vertices.size());
    const CameraSpace cs = cameraSpace(mesh, camera);
    // 0..1 with NaN (a vertex exactly on the eye) going to 0.
    auto clamp01 = [](float x) { return x > 0.0f ? (x < 1.0f ? x : 1.0f) : 0.0f; };
    for (int32_t i = 0; i < vertexCount; ++i) {
        Vertex& v = mesh.vertices[static_cast<size_t>(i)];
        Vec3 c = transform(cs.rotation, v.x, v.y, v.z);
        c.x += cs.origin.x;
        c.y += cs.origin.y;
        c.z += cs.origin.z;
        // Fixed to the 320x240 frame whatever the target, so a frame copy lines up.
        const float sx = c.x / c.z * 159.0f + 160.0f;
        const float sy = c.y / c.z * 119.0f + 120.0f;
        UV uv{sx * 0.003125f, sy * 0.004166667f};
        if (!(c.z > 1.0f && sx > 0.0f && sx < 320.0f && sy > 0.0f && sy < 240.0f)) {
            uv.u = clamp01(uv.u);
            uv.v = clamp01(uv.v);
        }
        (slot == 0 ? v.uv1 : v.uv2) = uv;
    }
}

} // namespace tw
