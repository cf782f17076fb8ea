// Scanline triangle rasterisers: the shared 16.16 triangle set-up and the span families
// (textured and layered, opaque and translucent) that test and write the global ZBuffer.
#include "render/raster.h"

#include <cmath>
#include <utility>

#include "image/pixel.h"
#include "render/layered_rows.h"
#include "render/material.h"
#include "render/rows.h"
#include "render/textured_rows.h"

namespace tw {

namespace {

// An opaque textured triangle: its rows run through the chosen textured-rows kernel.
struct OpaqueTextured {
    static constexpr int kAttributes = 2;
    TexturedSource source;
    TexturedRows rows;
};

// An opaque layered triangle: its rows run through the chosen layered-rows kernel.
struct OpaqueLayered {
    static constexpr int kAttributes = 4;
    LayeredSource source;
    LayeredRows rows;
};

// One half of a triangle: the span family's own row loop, or the kernel for opaque textured
// and layered triangles.
template <int N, class Span>
void drawHalf(Bitmap& target, int32_t y0, int32_t y1, Edge<N>& left, Edge<N>& right,
              const int32_t* grad, const Span& span) {
    drawRows<N>(target, y0, y1, left, right, grad, span);
}
void drawHalf(Bitmap& target, int32_t y0, int32_t y1, Edge<2>& left, Edge<2>& right,
              const int32_t* grad, const OpaqueTextured& span) {
    span.rows(target, y0, y1, left, right, grad, span.source);
}
void drawHalf(Bitmap& target, int32_t y0, int32_t y1, Edge<4>& left, Edge<4>& right,
              const int32_t* grad, const OpaqueLayered& span) {
    span.rows(target, y0, y1, left, right, grad, span.source);
}

// The set-up hands over vertices inside [1, W - 1] x [1, H - 1] (NaN fails the test).
inline bool inside(float v, int32_t size) {
    return v >= 1.0f && v <= static_cast<float>(size - 1);
}

// A vertex's attributes (N texture coordinates, then q, then zeros) in whole vectors of four
// floats (GCC and Clang vector types), so that the per-attribute divisions and products below
// run as packed operations on values built in registers; each lane is the same IEEE operation
// as its scalar form, so the results are bit for bit the same.
typedef float Float4 __attribute__((vector_size(16)));

template <int N> struct Attributes {
    static constexpr int kVectors = N + 1 <= 4 ? 1 : 2;
    Float4 v[kVectors];
    float operator[](int i) const { return v[i / 4][i % 4]; }
};

inline Float4 broadcast(float x) {
    return Float4{x, x, x, x};
}

// Loads a vertex's interpolated attributes.
template <int N> Attributes<N> attributes(const Vertex& v) {
    const float q = 32767.0f / v.depth;
    if constexpr (N == 4)
        return {{Float4{v.uv1.u, v.uv1.v, v.uv2.u, v.uv2.v}, Float4{q, 0.0f, 0.0f, 0.0f}}};
    else
        return {{Float4{v.uv1.u, v.uv1.v, q, 0.0f}}};
}

// (to - from) / d for every lane.
template <int N> Attributes<N> slopes(const Attributes<N>& from, const Attributes<N>& to, float d) {
    Attributes<N> out;
    for (int k = 0; k < Attributes<N>::kVectors; ++k)
        out.v[k] = (to.v[k] - from.v[k]) / broadcast(d);
    return out;
}

// start + t * slope for every lane.
template <int N>
Attributes<N> advance(const Attributes<N>& start, const Attributes<N>& slope, float t) {
    Attributes<N> out;
    for (int k = 0; k < Attributes<N>::kVectors; ++k)
        out.v[k] = start.v[k] + broadcast(t) * slope.v[k];
    return out;
}

// The left edge's 16.16 attributes: start + dy * slope, stepping by slope.
template <int N>
void startEdge(Edge<N>& left, const Attributes<N>& start, const Attributes<N>& slope, float dy) {
    const Attributes<N> at = advance(start, slope, dy);
    for (int i = 0; i <= N; ++i) {
        left.a[i] = toFixed(at[i]);
        left.da[i] = toFixed(slope[i]);
    }
}

template <class Span>
void rasterise(Bitmap& target, Vertex& a, Vertex& b, Vertex& c, const Span& span) {
    constexpr int N = Span::kAttributes;
    Vertex* vs[3] = {&a, &b, &c};
    for (Vertex* v : vs) {
        v->iy = fixedCeil(toFixed(v->sy));
        v->ix = fixedCeil(toFixed(v->sx));
    }
    // Anything outside [1, W-1] x [1, H-1] (or NaN) is refused: rows then stay in 1..H-2, and
    // the span clamp keeps columns in 1..W-2, so nothing leaves the bitmap or depth buffer.
    const int32_t w = target.width, hgt = target.height;
    if (!target.pixels || w <= 0 || hgt <= 0) return;
    if (gZBuffer.depth.size() < static_cast<size_t>(w) * static_cast<size_t>(hgt)) return;
    for (Vertex* v : vs)
        if (!inside(v->sx, w) || !inside(v->sy, hgt)) return;

    Vertex* t = vs[0];
    Vertex* m = vs[1];
    Vertex* bt = vs[2];
    if (t->iy > m->iy) std::swap(t, m);
    if (t->iy > bt->iy) std::swap(t, bt);
    if (m->iy > bt->iy) std::swap(m, bt);

    // Rejections: doubled area below half a pixel, no scanline crossed, middle vertex on the
    // long edge (the gradients would blow up).
    if (std::fabs((bt->sx - t->sx) * (m->sy - t->sy) - (bt->sy - t->sy) * (m->sx - t->sx)) < 0.5f)
        return;
    if (bt->iy == t->iy) return;

    const float longDy = bt->sy - t->sy;
    const float midDy = m->sy - t->sy;
    const float longSlopeX = (bt->sx - t->sx) / longDy;
    const float longX = t->sx + midDy * longSlopeX; // long edge at the middle vertex's height
    const float width = m->sx - longX;
    if (std::fabs(width) < 0.1f) return;

    const Attributes<N> at = attributes<N>(*t), am = attributes<N>(*m), ab = attributes<N>(*bt);
    const Attributes<N> longSlope = slopes(at, ab, longDy);
    const Attributes<N> longAtMid = advance(at, longSlope, midDy);
    const Attributes<N> gradient = slopes(longAtMid, am, width);
    int32_t grad[N + 1];
    for (int i = 0; i <= N; ++i) grad[i] = toFixed(gradient[i]);
    const bool longIsLeft = longX <= m->sx;

    Edge<N> longEdge, shortEdge;
    if (m->iy - t->iy > 0) {
        const float dy = static_cast<float>(t->iy) - t->sy; // exact y pre-step to row T.iy
        const float shortSlopeX = (m->sx - t->sx) / midDy;
        longEdge.x = toFixed(t->sx + dy * longSlopeX);
        longEdge.dx = toFixed(longSlopeX);
        shortEdge.x = toFixed(t->sx + dy * shortSlopeX);
        shortEdge.dx = toFixed(shortSlopeX);
        if (longIsLeft) {
            startEdge<N>(longEdge, at, longSlope, dy);
            drawHalf(target, t->iy, m->iy, longEdge, shortEdge, grad, span);
        } else {
            startEdge<N>(shortEdge, at, slopes(at, am, midDy), dy);
            drawHalf(target, t->iy, m->iy, shortEdge, longEdge, grad, span);
        }
    }
    if (bt->iy - m->iy > 0) {
        const float dy = static_cast<float>(m->iy) - m->sy;
        const float lowDy = bt->sy - m->sy;
        const float shortSlopeX = (bt->sx - m->sx) / lowDy;
        // The long edge restarts from its float value at M; no fixed-point drift carries over.
        longEdge.x = toFixed(longX + dy * longSlopeX);
        longEdge.dx = toFixed(longSlopeX);
        shortEdge.x = toFixed(m->sx + dy * shortSlopeX);
        shortEdge.dx = toFixed(shortSlopeX);
        if (longIsLeft) {
            startEdge<N>(longEdge, longAtMid, longSlope, dy);
            drawHalf(target, m->iy, bt->iy, longEdge, shortEdge, grad, span);
        } else {
            startEdge<N>(shortEdge, am, slopes(am, ab, lowDy), dy);
            drawHalf(target, m->iy, bt->iy, shortEdge, longEdge, grad, span);
        }
    }
}

template <bool Bump, LayerBlend Blend>
void translucentLayered(Bitmap& target, const LayeredSource& source, Vertex& a, Vertex& b,
                        Vertex& c) {
    rasterise(target, a, b, c, LayeredSpan<Bump, Blend, true>{source});
}

void markPositions(Vertex& a, Vertex& b, Vertex& c) {
    for (Vertex* v : {&a, &b, &c}) {
        v->iy = fixedCeil(toFixed(v->sy));
        v->ix = fixedCeil(toFixed(v->sx));
    }
}

} // namespace

void rasterTextured(Bitmap& target, const Bitmap& texture, Vertex& a, Vertex& b, Vertex& c,
                    bool translucent) {
    if (!textureUsable(texture)) {
        markPositions(a, b, c);
        return;
    }
    if (translucent)
        rasterise(target, a, b, c,
                  TexturedSpan<true>{texture.pixels, texture.widthShift, texture.widthMask});
    else
        rasterise(target, a, b, c,
                  OpaqueTextured{{texture.pixels, texture.widthShift, texture.widthMask},
                                 texturedRows()});
}

void rasterLayered(Bitmap& target, const Bitmap& base, const Bitmap& second, const Bitmap& third,
                   Vertex& a, Vertex& b, Vertex& c, bool bump, LayerBlend blend, bool translucent) {
    if (!textureUsable(base) || !textureUsable(second)) {
        markPositions(a, b, c);
        return;
    }
    // A height map too small to be addressed with the base's indices draws without bump.
    const bool useBump = bump && heightMapUsable(base, third);
    const LayeredSource source{
        base.pixels,   base.widthShift,           base.widthMask,
        second.pixels, second.widthShift,         second.widthMask,
        third.pixels,  useBump ? third.width : 0, useBump ? third.pixelCount() : 0};
    if (!translucent)
        rasterise(target, a, b, c,
                  OpaqueLayered{source, layeredRows().rows[layeredVariant(useBump, blend)]});
    else if (useBump && blend == LayerBlend::Add)
        translucentLayered<true, LayerBlend::Add>(target, source, a, b, c);
    else if (useBump)
        translucentLayered<true, LayerBlend::Multiply>(target, source, a, b, c);
    else if (blend == LayerBlend::Add)
        translucentLayered<false, LayerBlend::Add>(target, source, a, b, c);
    else
        translucentLayered<false, LayerBlend::Multiply>(target, source, a, b, c);
}

} // namespace tw
