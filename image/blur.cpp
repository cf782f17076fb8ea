// Box blurs along rows and columns: running channel sums over a window of 2r+1 pixels,
// divided by a 16.16 reciprocal. The divisor stays 2r+1 at the edges, which darkens them.
#include <algorithm>
#include <cstring>

#include "image/blur_kernels.h"
#include "image/kernels.h"
#include "image/ops.h"

namespace tw {

namespace kernels {

namespace {

// Four channel sums (blue, green, red, alpha) held side by side.
struct Sums {
    uint32_t c[4] = {0, 0, 0, 0};
    void add(uint32_t p) {
        for (int i = 0; i < 4; ++i) c[i] += (p >> (8 * i)) & 255u;
    }
    void sub(uint32_t p) {
        for (int i = 0; i < 4; ++i) c[i] -= (p >> (8 * i)) & 255u;
    }
    // sum <= 255*(2r+1) and q <= 65536/(2r+1), so the product fits in 32 bits.
    uint32_t average(uint32_t q) const {
        uint32_t out = 0;
        for (int i = 0; i < 4; ++i) out |= ((c[i] * q) >> 16) << (8 * i);
        return out;
    }
};

} // namespace

void blurRowsScalar(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t y0, uint32_t y1,
                    uint32_t r) {
    const uint32_t q = 65536u / (2 * r + 1);
    for (uint32_t y = y0; y < y1; ++y) {
        const uint32_t* row = s + static_cast<size_t>(y) * w;
        uint32_t* out = d + static_cast<size_t>(y) * w;
        Sums sum;
        for (uint32_t x = 0; x < r; ++x) sum.add(row[x]);
        for (uint32_t x = 0; x < w; ++x) {
            if (x > r) sum.sub(row[x - r - 1]);
            if (x + r < w) sum.add(row[x + r]);
            out[x] = sum.average(q);
        }
    }
}

void blurColumnsScalar(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t x0,
                       uint32_t x1, uint32_t r) {
    const uint32_t q = 65536u / (2 * r + 1);
    // Columns are walked in strips so that every step reads whole cache lines of a row; each
    // column keeps its own sums, exactly as if it were walked alone.
    constexpr uint32_t kStrip = 64;
    Sums sums[kStrip];
    for (uint32_t xs = x0; xs < x1; xs += kStrip) {
        const uint32_t cols = std::min(kStrip, x1 - xs);
        const uint32_t* src = s + xs;
        uint32_t* dst = d + xs;
        for (uint32_t c = 0; c < cols; ++c) sums[c] = Sums{};
        for (uint32_t y = 0; y < r; ++y)
            for (uint32_t c = 0; c < cols; ++c) sums[c].add(src[static_cast<size_t>(y) * w + c]);
        for (uint32_t y = 0; y < h; ++y) {
            if (y > r) {
                const uint32_t* row = src + static_cast<size_t>(y - r - 1) * w;
                for (uint32_t c = 0; c < cols; ++c) sums[c].sub(row[c]);
            }
            if (y + r < h) {
                const uint32_t* row = src + static_cast<size_t>(y + r) * w;
                for (uint32_t c = 0; c < cols; ++c) sums[c].add(row[c]);
            }
            uint32_t* out = dst + static_cast<size_t>(y) * w;
            for (uint32_t c = 0; c < cols; ++c) out[c] = sums[c].average(q);
        }
    }
}

void blurRowsPlain(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    blurRowsScalar(s, d, w, 0, h, r);
}

void blurColumnsPlain(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    blurColumnsScalar(s, d, w, h, 0, w, r);
}

} // namespace kernels

namespace {

// Radius 0: a plain copy of the destination's pixel count.
void copyForRadiusZero(Bitmap& dest, const Bitmap& source) {
    const int32_t n = dest.pixels ? dest.pixelCount() : 0;
    if (n == 0 || !source.holds(n)) return;
    std::memmove(dest.pixels, source.pixels, static_cast<size_t>(n) * 4);
}

} // namespace

// The destination must not share the source's pixels: the passes read pixels behind the
// one they write.
void boxBlurH(Bitmap& dest, const Bitmap& source, uint32_t r) {
    if (r == 0) return copyForRadiusZero(dest, source);
    const int32_t n = source.pixels ? source.pixelCount() : 0;
    if (n == 0 || !dest.holds(n)) return;
    const auto w = static_cast<uint32_t>(source.width), h = static_cast<uint32_t>(source.height);
    if (r >= w) r = w - 1;
    if (r >= 1 && r <= kernels::kMaxVectorRadius)
        return kernels::active().blurRows(source.pixels, dest.pixels, w, h, r);
    kernels::blurRowsScalar(source.pixels, dest.pixels, w, 0, h, r);
}

void boxBlurV(Bitmap& dest, const Bitmap& source, uint32_t r) {
    if (r == 0) return copyForRadiusZero(dest, source);
    const int32_t n = source.pixels ? source.pixelCount() : 0;
    if (n == 0 || !dest.holds(n)) return;
    const auto w = static_cast<uint32_t>(source.width), h = static_cast<uint32_t>(source.height);
    if (r >= h) r = h - 1;
    if (r >= 1 && r <= kernels::kMaxVectorRadius)
        return kernels::active().blurColumns(source.pixels, dest.pixels, w, h, r);
    kernels::blurColumnsScalar(source.pixels, dest.pixels, w, h, 0, w, r);
}

} // namespace tw
