// Face set-up: camera-space face normal, near rejection, winding, the two texture pairs,
// frustum outcodes and clipping, re-projection, the fan, and the rasteriser dispatch.
#include "render/setup.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "image/ops.h"
#include "render/normalise.h"
#include "render/raster.h"

namespace tw {

namespace {

// Faces whose three vertices are all nearer than this are dropped before any clipping.
constexpr float kNearReject = 16.0f;

// A triangle clipped by five planes has at most 8 vertices; a pass emits at most its input
// count plus twice its in/out transitions, which from a triangle stays below 20 even if
// rounding makes an intermediate polygon non-convex (3, 4, 6, 9, 13, 19).
constexpr int kClipCapacity = 20;

// The clipper always runs these five planes, in this order.
constexpr uint32_t kClipOrder[] = {OUT_NEAR, OUT_RIGHT, OUT_LEFT, OUT_BOTTOM, OUT_TOP};

// One texture pair of a working vertex: environment-mapped from a camera-space normal, the
// vertex's own loaded value, or the face corner, all in texels of size `s`.
void texturePair(UV& out, bool env, bool envFace, bool fromVertex, const Face& face,
                 const Vertex& own, const UV& ownUv, const UV& corner, float s) {
    const float h = s / 2 - 1, k = s / 2;
    if (env) {
        const float nx = envFace ? face.cnx : own.cnx;
        const float ny = envFace ? face.cny : own.cny;
        out.u = k + h * nx;
        out.v = k + h * ny;
    } else if (fromVertex) {
        out.u = s * ownUv.u;
        out.v = s * ownUv.v;
    } else {
        out.u = s * corner.u;
        out.v = s * corner.v;
    }
}

// Frustum points project into [1, W - 1] x [1, H - 1], but only up to float rounding (a few
// thousandths of a pixel); pinning them there keeps the fill rule off the frame's border.
void pinToView(Vertex& p, float width, float height) {
    p.sx = std::clamp(p.sx, 1.0f, width - 1);
    p.sy = std::clamp(p.sy, 1.0f, height - 1);
}

// Whether the face A, B, C shows its front under `rule`. For vertices in front of the eye the
// screen cross product has the sign of det[A; B; C] = A . (B x C) (the face normal against
// the eye-to-face vector), scaled by the positive 1 / (Az Bz Cz); a vertex at or behind the
// eye plane projects to a meaningless point, so such faces are judged by the determinant
// itself. Every other face keeps the screen rule, bit for bit.
bool showsFront(const Vertex& a, const Vertex& b, const Vertex& c, FrontRule rule) {
    double side;
    if (a.cz > 0.0f && b.cz > 0.0f && c.cz > 0.0f) {
        const float cross = (b.sx - a.sx) * (c.sy - a.sy) - (b.sy - a.sy) * (c.sx - a.sx);
        side = cross;
    } else {
        const double ax = a.cx, ay = a.cy, az = a.cz, bx = b.cx, by = b.cy, bz = b.cz;
        const double cx = c.cx, cy = c.cy, cz = c.cz;
        side = ax * (by * cz - bz * cy) + ay * (bz * cx - bx * cz) + az * (bx * cy - by * cx);
    }
    return rule == FrontRule::Default ? side < 0.0 : !(side < 0.0);
}

void reproject(Vertex& p, float halfW, float halfH) {
    p.depth = p.cz;
    p.sx = p.cx / p.cz * (halfW - 1) + halfW;
    p.sy = p.cy / p.cz * (halfH - 1) + halfH;
    pinToView(p, 2 * halfW, 2 * halfH);
}

// Clip storage left uninitialised: every slot a pass reads was written before by this face.
struct ClipBuffer {
    ClipBuffer() {}
    union {
        Vertex v[kClipCapacity];
    };
};

// One clip pass over the polygon in[first], in[first + 1], ... (wrapping at count): the
// vertices inside and the crossings, each crossing computed from p towards q.
int clipRotated(const Vertex* in, int count, int first, Vertex* out, uint32_t planeBit) {
    int n = 0;
    for (int k = 0; k < count; ++k) {
        int i = first + k, j = i + 1;
        if (i >= count) i -= count;
        if (j >= count) j -= count;
        const Vertex& p = in[i];
        const Vertex& q = in[j];
        const bool pOut = (p.outcode & planeBit) != 0;
        const bool qOut = (q.outcode & planeBit) != 0;
        if (!pOut && !qOut) {
            out[n++] = q;
        } else if (!pOut) {
            out[n++] = intersectPlane(p, q, planeBit);
        } else if (!qOut) {
            out[n++] = intersectPlane(p, q, planeBit);
            out[n++] = q;
        }
    }
    return n;
}

// The polygon being clipped: `count` vertices in `at`, starting at index `first`.
struct ClipPolygon {
    Vertex* at;
    Vertex* spare;
    int count;
    int first;
};

// A pass that finds no vertex outside its plane would only rotate the polygon by one (its
// first output is the second vertex), so just the rotation is kept; one that finds every
// vertex outside leaves nothing. Either way the result is the full pass's, without copies.
void clipPass(ClipPolygon& poly, uint32_t planeBit) {
    uint32_t any = 0, all = ~0u;
    for (int i = 0; i < poly.count; ++i) {
        any |= poly.at[i].outcode;
        all &= poly.at[i].outcode;
    }
    if (poly.count == 0) return;
    if (!(any & planeBit)) {
        poly.first = poly.first + 1 < poly.count ? poly.first + 1 : 0;
        return;
    }
    if (all & planeBit) {
        poly.count = 0;
        return;
    }
    poly.count = clipRotated(poly.at, poly.count, poly.first, poly.spare, planeBit);
    poly.first = 0;
    std::swap(poly.at, poly.spare);
}

// Whether the clipper leaves nothing of the triangle without cutting it: the passes before the
// first plane any corner is outside of only rotate it, and that pass drops it when every corner
// is outside. Decided from the corners' own outcodes, so no clip rounding is involved.
bool clippedWhole(uint32_t a, uint32_t b, uint32_t c) {
    const uint32_t any = a | b | c, all = a & b & c;
    for (uint32_t plane : kClipOrder) {
        if (any & plane) return (all & plane) != 0;
    }
    return false;
}

// The rasteriser the material asks for, its textures already known to be usable.
void rasterise(Bitmap& target, const Material& material, Vertex& a, Vertex& b, Vertex& c) {
    const uint32_t flags = material.flags;
    const bool translucent = (flags & MAT_TWO_SIDED) != 0;
    if (flags & MAT_LAYERED) {
        rasterLayered(target, material.base, material.second, material.third, a, b, c,
                      (flags & MAT_BUMP) != 0,
                      (flags & MAT_LAYER_ADD) ? LayerBlend::Add : LayerBlend::Multiply,
                      translucent);
    } else if (flags & MAT_TEXTURED) {
        rasterTextured(target, material.base, a, b, c, translucent);
    } else if (flags & MAT_WIRE) {
        drawWireTriangle(target, a, b, c, 0xFFFFFFFFu);
    }
}

void clipAndDraw(Bitmap& target, const Material& material, const Vertex& a, const Vertex& b,
                 const Vertex& c) {
    ClipBuffer bufA, bufB;
    bufA.v[0] = a;
    bufA.v[1] = b;
    bufA.v[2] = c;
    ClipPolygon poly{bufA.v, bufB.v, 3, 0};
    for (uint32_t plane : kClipOrder) {
        clipPass(poly, plane);
        if (poly.count == 0) return;
    }
    const int n = poly.count;
    auto vertex = [&poly, n](int k) -> Vertex& {
        const int i = poly.first + k;
        return poly.at[i < n ? i : i - n];
    };
    const float halfW = static_cast<float>(target.width) * 0.5f;
    const float halfH = static_cast<float>(target.height) * 0.5f;
    for (int i = 0; i < n; ++i) reproject(poly.at[i], halfW, halfH);
    for (int i = 1; i + 1 < n; ++i)
        rasterise(target, material, vertex(0), vertex(i), vertex(i + 1));
}

} // namespace

Vertex intersectPlane(const Vertex& p, const Vertex& q, uint32_t planeBit) {
    float t;
    switch (planeBit) {
    case OUT_RIGHT:
        t = (p.cx - p.cz) / ((q.cz - p.cz) - (q.cx - p.cx));
        break;
    case OUT_LEFT:
        t = (p.cz + p.cx) / (-(q.cz - p.cz) - (q.cx - p.cx));
        break;
    case OUT_BOTTOM:
        t = (p.cy - p.cz) / ((q.cz - p.cz) - (q.cy - p.cy));
        break;
    case OUT_TOP:
        t = (p.cz + p.cy) / (-(q.cz - p.cz) - (q.cy - p.cy));
        break;
    default: // OUT_NEAR
        t = (1.0f - p.cz) / (q.cz - p.cz);
        break;
    }
    Vertex r = p;
    r.cx = p.cx + t * (q.cx - p.cx);
    r.cy = p.cy + t * (q.cy - p.cy);
    r.cz = p.cz + t * (q.cz - p.cz);
    r.uv1.u = p.uv1.u + t * (q.uv1.u - p.uv1.u);
    r.uv1.v = p.uv1.v + t * (q.uv1.v - p.uv1.v);
    r.uv2.u = p.uv2.u + t * (q.uv2.u - p.uv2.u);
    r.uv2.v = p.uv2.v + t * (q.uv2.v - p.uv2.v);
    computeOutcode(r);
    return r;
}

int clipAgainstPlane(const Vertex* in, int count, Vertex* out, uint32_t planeBit) {
    return clipRotated(in, count, 0, out, planeBit);
}

void drawTriangle(Bitmap& target, const Material& material, Vertex& a, Vertex& b, Vertex& c) {
    if (materialDrawable(material)) rasterise(target, material, a, b, c);
}

void drawWireTriangle(Bitmap& target, Vertex& a, Vertex& b, Vertex& c, uint32_t colour) {
    for (Vertex* v : {&a, &b, &c}) {
        v->ix = fixedCeil(toFixed(v->sx));
        v->iy = fixedCeil(toFixed(v->sy));
    }
    // drawLine clips, so even a vertex handed over from outside the frustum stays in bounds.
    drawLine(target, a.ix, a.iy, b.ix, b.iy, colour);
    drawLine(target, b.ix, b.iy, c.ix, c.iy, colour);
    drawLine(target, c.ix, c.iy, a.ix, a.iy, colour);
}

namespace {

// Steps 3 to 9 of the set-up, for a face that survived the cheap rejections.
void drawFace(Bitmap& target, Face& face, const Vertex& a, const Vertex& b, const Vertex& c,
              const Matrix& rotation, const Material& material) {
    const uint32_t flags = material.flags;
    // 3. Camera-space face normal, for environment mapping from the face (scaled up by
    // 10000 first, as the vertex normals are, so tiny normals survive the rotation before
    // they are normalised).
    if (((flags & MAT_ENV1) && (flags & MAT_ENV1_FACE)) ||
        ((flags & MAT_ENV2) && (flags & MAT_ENV2_FACE))) {
        float nx = face.nx * 10000.0f, ny = face.ny * 10000.0f, nz = face.nz * 10000.0f;
        const Matrix& r = rotation;
        face.cnx = nx * r.m[0][0] + ny * r.m[1][0] + nz * r.m[2][0];
        face.cny = nx * r.m[0][1] + ny * r.m[1][1] + nz * r.m[2][1];
        face.cnz = nx * r.m[0][2] + ny * r.m[1][2] + nz * r.m[2][2];
        normaliseOrZero(face.cnx, face.cny, face.cnz);
    }

    // 4. Working copies: everything below writes only into these.
    Vertex A = a, B = b, C = c;

    // 5. Texture pairs in texels of the base texture's size.
    const float s = static_cast<float>(material.base.width);
    const bool env1 = flags & MAT_ENV1, env1Face = flags & MAT_ENV1_FACE;
    const bool uv1Vertex = flags & MAT_UV1_VERTEX;
    const bool env2 = flags & MAT_ENV2, env2Face = flags & MAT_ENV2_FACE;
    const bool uv2Vertex = flags & MAT_UV2_VERTEX;
    Vertex* work[3] = {&A, &B, &C};
    for (int i = 0; i < 3; ++i) {
        Vertex& v = *work[i];
        const UV own1 = v.uv1, own2 = v.uv2;
        texturePair(v.uv1, env1, env1Face, uv1Vertex, face, v, own1, face.corner[i], s);
        texturePair(v.uv2, env2, env2Face, uv2Vertex, face, v, own2, face.corner[i], s);
    }

    // 6-9. Inside the frustum: straight to the rasteriser; otherwise clip, re-project, fan.
    if ((A.outcode | B.outcode | C.outcode) == 0) {
        const float w = static_cast<float>(target.width), h = static_cast<float>(target.height);
        pinToView(A, w, h);
        pinToView(B, w, h);
        pinToView(C, w, h);
        rasterise(target, material, A, B, C);
        return;
    }
    clipAndDraw(target, material, A, B, C);
}

} // namespace

void setupFaces(Bitmap& target, Mesh& mesh, int32_t count, const Matrix& rotation,
                const Material& material, FrontRule rule) {
    // A face naming a vertex outside the live array is never read (loaders check; this is
    // the cheap last line of defence).
    int64_t live = mesh.vertexCount;
    if (static_cast<size_t>(live) > mesh.vertices.size())
        live = static_cast<int64_t>(mesh.vertices.size());
    if (count < 0) count = 0;
    if (static_cast<size_t>(count) > mesh.faces.size())
        count = static_cast<int32_t>(mesh.faces.size());
    const bool twoSided = (material.flags & MAT_TWO_SIDED) != 0;
    const bool drawable = materialDrawable(material);
    for (int32_t i = 0; i < count; ++i) {
        Face& face = mesh.faces[static_cast<size_t>(i)];
        if (face.a < 0 || face.a >= live || face.b < 0 || face.b >= live || face.c < 0 ||
            face.c >= live)
            continue;
        const Vertex& a = mesh.vertices[static_cast<size_t>(face.a)];
        const Vertex& b = mesh.vertices[static_cast<size_t>(face.b)];
        const Vertex& c = mesh.vertices[static_cast<size_t>(face.c)];

        // 1. Near rejection.
        if (a.depth < kNearReject && b.depth < kNearReject && c.depth < kNearReject) continue;

        // 2. Winding. The first face that shows its front with a material that cannot be drawn
        // reports it; nothing of the mesh is drawn.
        if (!twoSided && !showsFront(a, b, c, rule)) continue;
        if (!drawable) {
            drawableOrReported(material);
            return;
        }
        // A face the clipper would drop whole goes no further.
        if (clippedWhole(a.outcode, b.outcode, c.outcode)) continue;
        drawFace(target, face, a, b, c, rotation, material);
    }
}

} // namespace tw
