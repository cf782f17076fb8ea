// One-pixel Bresenham lines, clipped: exactly the in-bounds points of the full walk.
#include <algorithm>
#include <cstdlib>

#include "image/ops.h"

namespace tw {

namespace {

// Step counts and error terms reach 2^32 each; their product needs more than 64 bits.
__extension__ typedef __int128 Wide;

} // namespace

void drawLine(Bitmap& bitmap, int32_t x0, int32_t y0, int32_t x1, int32_t y1, uint32_t colour) {
    if (!bitmap.pixels || bitmap.pixelCount() == 0) return;
    const int64_t w = bitmap.width, h = bitmap.height;
    const int64_t dx = static_cast<int64_t>(x1) - x0, dy = static_cast<int64_t>(y1) - y0;
    const int64_t sx = dx >= 0 ? 1 : -1, sy = dy >= 0 ? 1 : -1;
    const bool xLong = std::llabs(dx) > std::llabs(dy);
    const int64_t lng = xLong ? std::llabs(dx) : std::llabs(dy);
    const int64_t sht = xLong ? std::llabs(dy) : std::llabs(dx);
    const int64_t e0 = lng >> 1;

    // The walk plots long+1 points; point j lies j straight-or-diagonal steps along the long
    // axis and diag(j) = floor((e0 + j*short) / long) diagonal steps along the short axis
    // (the error term stays in [0, long)). Both coordinates are monotone in j, so the points
    // inside the bitmap form one run [lo, hi] of j, found without walking the rest.
    if (lng == 0) {
        if (x0 >= 0 && x0 < w && y0 >= 0 && y0 < h) bitmap.pixels[y0 * w + x0] = colour;
        return;
    }
    auto diag = [&](int64_t j) {
        return static_cast<int64_t>((static_cast<Wide>(j) * sht + e0) / lng);
    };
    const int64_t l0 = xLong ? x0 : y0, sl = xLong ? sx : sy, lMax = xLong ? w : h;
    const int64_t s0 = xLong ? y0 : x0, ss = xLong ? sy : sx, sMax = xLong ? h : w;

    // Long axis: l0 + sl*j in [0, lMax).
    int64_t lo = 0, hi = lng;
    if (sl > 0) {
        lo = std::max(lo, -l0);
        hi = std::min(hi, lMax - 1 - l0);
    } else {
        lo = std::max(lo, l0 - (lMax - 1));
        hi = std::min(hi, l0);
    }
    if (lo > hi) return;
    // Short axis: s0 + ss*diag(j) in [0, sMax), i.e. diag(j) in [dMin, dMax].
    const int64_t dMin = ss > 0 ? -s0 : s0 - (sMax - 1);
    const int64_t dMax = ss > 0 ? sMax - 1 - s0 : s0;
    // First j in [lo, hi] with diag(j) >= dMin, and last with diag(j) <= dMax.
    int64_t a = lo, b = hi + 1;
    while (a < b) {
        const int64_t m = a + (b - a) / 2;
        if (diag(m) >= dMin)
            b = m;
        else
            a = m + 1;
    }
    const int64_t first = a;
    a = lo - 1;
    b = hi;
    while (a < b) {
        const int64_t m = b - (b - a) / 2;
        if (diag(m) <= dMax)
            a = m;
        else
            b = m - 1;
    }
    const int64_t last = a;
    if (first > last) return;

    // Resume the plain walk at point `first`.
    int64_t l = l0 + sl * first;
    int64_t s = s0 + ss * diag(first);
    int64_t err = static_cast<int64_t>((static_cast<Wide>(first) * sht + e0) % lng);
    uint32_t* px = bitmap.pixels;
    for (int64_t j = first; j <= last; ++j) {
        const int64_t x = xLong ? l : s, y = xLong ? s : l;
        px[y * w + x] = colour;
        err += sht;
        if (err >= lng) {
            err -= lng;
            s += ss;
        }
        l += sl;
    }
}

} // namespace tw
