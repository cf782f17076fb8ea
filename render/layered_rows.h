// The layered span (base texture combined with a second layer, optionally bump-displaced through
// a height map) and the rows of an opaque layered triangle half: a plain row loop and vector
// code for the best instruction set the CPU has, chosen once at first use.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bitmap.h"
#include "image/pixel.h"
#include "render/raster.h"
#include "render/rows.h"

namespace tw {

// What a layered span samples: base and second are (mask + 1) pixels square, rows 1 << shift
// apart; with bump, height is indexed like base and holds heightCount >= base's pixel count
// pixels in rows of heightWidth.
struct LayeredSource {
    const uint32_t* base;
    int32_t baseShift, baseMask;
    const uint32_t* second;
    int32_t secondShift, secondMask;
    const uint32_t* height;
    int32_t heightWidth, heightCount;
};

// One row of a layered span: attributes a = {u1, v1, u2, v2}, gradients g = {.., dq}.
template <bool Bump, LayerBlend Blend, bool Translucent> struct LayeredSpan : LayeredSource {
    static constexpr int kAttributes = 4;

    // The second-layer texel, with bump displaced by the height map's red-byte slopes.
    uint32_t layerTexel(int32_t u1, int32_t v1, int32_t u2, int32_t v2) const {
        if constexpr (!Bump) {
            return texel(second, secondShift, secondMask, u2, v2);
        } else {
            const int32_t column = (u1 >> 16) & baseMask;
            const int32_t i = (((v1 >> 16) & baseMask) << baseShift) + column;
            // Neighbours wrap like the texture: the right one of the last column is the first
            // of the same row, the one below the last row lies in row 0.
            const int32_t right = column == baseMask ? i - baseMask : i + 1;
            int32_t down = i + heightWidth;
            if (down >= heightCount) down -= heightCount;
            const int32_t h = static_cast<int32_t>((height[i] >> 16) & 255u);
            const int32_t hr = static_cast<int32_t>((height[right] >> 16) & 255u);
            const int32_t hd = static_cast<int32_t>((height[down] >> 16) & 255u);
            return second[(((hd + (v2 >> 16) - h) & secondMask) << secondShift) +
                          ((hr + (u2 >> 16) - h) & secondMask)];
        }
    }

    static uint32_t combine(uint32_t b, uint32_t e, uint32_t d) {
        if constexpr (Blend == LayerBlend::Add) {
            if constexpr (Translucent)
                return addSaturate(average(b, d), e);
            else if constexpr (Bump)
                return addSaturate(b, half(e));
            else
                return average(b, e);
        } else {
            if constexpr (Translucent)
                return average(multiply(b, e), d);
            else
                return multiply(b, e);
        }
    }

    void operator()(uint32_t* dst, int32_t* z, int32_t n, const int32_t* a, int32_t q,
                    const int32_t* g) const {
        int32_t u1 = a[0], v1 = a[1], u2 = a[2], v2 = a[3];
        const int32_t du1 = g[0], dv1 = g[1], du2 = g[2], dv2 = g[3], dq = g[4];
        for (; n > 0; --n, ++dst, ++z) {
            if (q > *z) {
                const uint32_t b = texel(base, baseShift, baseMask, u1, v1);
                const uint32_t e = layerTexel(u1, v1, u2, v2);
                *dst = combine(b, e, *dst);
                if constexpr (!Translucent) *z = q;
            }
            u1 = wrapAdd(u1, du1);
            v1 = wrapAdd(v1, dv1);
            u2 = wrapAdd(u2, du2);
            v2 = wrapAdd(v2, dv2);
            q = wrapAdd(q, dq);
        }
    }
};

// Draws rows y0..y1-1 of `target` between `left` and `right` as drawRows does with one opaque
// LayeredSpan (grad = {du1, dv1, du2, dv2, dq}), testing and writing the global ZBuffer, and
// steps both edges past the last row.
using LayeredRows = void (*)(Bitmap& target, int32_t y0, int32_t y1, Edge<4>& left, Edge<4>& right,
                             const int32_t* grad, const LayeredSource& source);

// The opaque rows of each variant, indexed by layeredVariant().
struct LayeredRowsSet {
    LayeredRows rows[4];
};
constexpr int layeredVariant(bool bump, LayerBlend blend) {
    return (bump ? 2 : 0) + (blend == LayerBlend::Add ? 1 : 0);
}

// The chosen target's rows, or the plain loops while the image kernels are forced plain.
const LayeredRowsSet& layeredRows();
const LayeredRowsSet& layeredRowsPlain();

// Every instruction set compiled for and supported by this CPU, for tests that hold each one
// to the plain loops.
struct LayeredRowsTarget {
    const char* name;
    LayeredRowsSet rows;
};
std::vector<LayeredRowsTarget> everyLayeredRowsTarget();

} // namespace tw
