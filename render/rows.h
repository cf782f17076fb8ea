// The row loop every span family shares: the 16.16 edges, the column clamp, the sub-pixel
// pre-step, and the plain opaque or translucent textured span.
#pragma once

#include <cstddef>
#include <cstdint>

#include "image/bitmap.h"
#include "image/pixel.h"
#include "render/fixed.h"

namespace tw {

// Sub-pixel pre-step of an attribute: start + (((grad >> 4) * f) >> 4) with f in 0..255;
// the product wraps at 32 bits like the single multiply it stands for.
inline int32_t preStep(int32_t start, int32_t grad, int32_t f) {
    const int32_t prod = wrapMul(grad >> 4, f);
    return wrapAdd(start, prod >> 4);
}

inline uint32_t texel(const uint32_t* tex, int32_t shift, int32_t mask, int32_t u, int32_t v) {
    return tex[(((v >> 16) & mask) << shift) + ((u >> 16) & mask)];
}

// One row of a textured span: attributes a = {u, v}, gradients g = {du, dv, dq}.
template <bool Translucent> struct TexturedSpan {
    static constexpr int kAttributes = 2;
    const uint32_t* tex;
    int32_t shift, mask;

    void operator()(uint32_t* dst, int32_t* z, int32_t n, const int32_t* a, int32_t q,
                    const int32_t* g) const {
        int32_t u = a[0], v = a[1];
        const int32_t du = g[0], dv = g[1], dq = g[2];
        for (; n > 0; --n, ++dst, ++z) {
            if (q > *z) { // strictly nearer passes; equal depth fails
                const uint32_t t = texel(tex, shift, mask, u, v);
                if constexpr (Translucent) {
                    *dst = average(t, *dst); // translucent never stores depth
                } else {
                    *dst = t;
                    *z = q;
                }
            }
            u = wrapAdd(u, du);
            v = wrapAdd(v, dv);
            q = wrapAdd(q, dq);
        }
    }
};

// A left edge carries x and every attribute (q last); a right edge only x is used.
template <int N> struct Edge {
    int32_t x = 0, dx = 0;
    int32_t a[N + 1] = {}, da[N + 1] = {};
};

// Rows y0..y1-1 between two edges, each row handed to `span` with its first pixel's
// attributes; both edges end one row past y1 - 1. Always inlined, so that a vector span
// compiled for one instruction set is inlined into its own copy of the loop.
template <int N, class Span>
[[gnu::always_inline]] inline void drawRows(Bitmap& target, int32_t y0, int32_t y1, Edge<N>& left,
                                            Edge<N>& right, const int32_t* grad, const Span& span) {
    const int32_t w = target.width;
    for (int32_t y = y0; y < y1; ++y) {
        // The edges interpolate between vertices inside [1, W - 1], but a nearly flat long
        // edge (slope up to W * 65536) loses a pixel or two of its start to float
        // cancellation: the span is kept to columns 1..W-2.
        int32_t xs = fixedCeil(left.x), xe = fixedCeil(right.x);
        const int32_t skip = xs < 1 ? 1 - xs : 0;
        xs += skip;
        xe = xe < w - 1 ? xe : w - 1;
        if (xe > xs) {
            // 8-bit sub-pixel pre-step from the left edge to the first pixel centre; a left
            // edge exactly on a centre still gets f = 255 (0xFFFF - 0 = 0xFFFF).
            const int32_t f = (0xFFFF - (left.x & 0xFFFF)) >> 8;
            int32_t a[N];
            for (int i = 0; i < N; ++i)
                a[i] = wrapAdd(preStep(left.a[i], grad[i], f), wrapMul(grad[i], skip));
            const int32_t q =
                wrapAdd(left.a[N], wrapMul(grad[N], skip)); // q starts without pre-step
            const size_t row = static_cast<size_t>(y) * static_cast<size_t>(w);
            span(target.pixels + row + xs, gZBuffer.depth.data() + row + xs, xe - xs, a, q, grad);
        }
        left.x = wrapAdd(left.x, left.dx);
        right.x = wrapAdd(right.x, right.dx);
        for (int i = 0; i <= N; ++i) left.a[i] = wrapAdd(left.a[i], left.da[i]);
    }
}

} // namespace tw
