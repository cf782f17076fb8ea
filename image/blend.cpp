// The per-channel whole-buffer family: fades, cross-fades, brighten, multiply, add, copy,
// alpha overlay, masked blend and desaturation.
#include <algorithm>
#include <cstring>

#include "image/blend_kernels.h"
#include "image/kernels.h"
#include "image/ops.h"
#include "image/pixel.h"

namespace tw {

namespace kernels {

void scaleScalar(uint32_t* d, size_t n, uint32_t k) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t r = 0;
        for (int c = 0; c < 4; ++c) r |= ((channel(d[i], c) * k) >> 8) << (8 * c);
        d[i] = r;
    }
}

void crossfadeScalar(const uint32_t* s, uint32_t* d, size_t n, uint32_t k) {
    const uint32_t ik = 255u - k;
    for (size_t i = 0; i < n; ++i) {
        uint32_t r = 0;
        for (int c = 0; c < 4; ++c) {
            uint32_t v = ((channel(d[i], c) * ik) >> 8) + ((channel(s[i], c) * k) >> 8);
            r |= std::min(v, 255u) << (8 * c);
        }
        d[i] = r;
    }
}

void brightenScalar(uint32_t* d, size_t n, uint32_t k) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t r = d[i] & 0xFF000000u;
        for (int c = 0; c < 3; ++c) {
            uint32_t v = channel(d[i], c);
            r |= std::min(v + ((v * k) >> 8), 255u) << (8 * c);
        }
        d[i] = r;
    }
}

void multiplyScalar(const uint32_t* s, uint32_t* d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t r = 0;
        for (int c = 0; c < 4; ++c) r |= ((channel(d[i], c) * channel(s[i], c)) >> 8) << (8 * c);
        d[i] = r;
    }
}

void addScalar(const uint32_t* s, uint32_t* d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        d[i] = addSaturate(d[i], s[i]);
    }
}

void alphaOverlayScalar(const uint32_t* s, uint32_t* d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t a = s[i] >> 24;
        uint32_t r = 0;
        for (int c = 0; c < 4; ++c) {
            uint32_t v = ((channel(d[i], c) * a) >> 8) + ((channel(s[i], c) * (255u - a)) >> 8);
            r |= std::min(v, 255u) << (8 * c);
        }
        d[i] = r;
    }
}

void maskBlendScalar(const uint32_t* s, uint32_t* d, const uint32_t* m, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        uint32_t r = 0;
        for (int c = 0; c < 4; ++c) {
            const uint32_t w = channel(m[i], c);
            uint32_t v = ((channel(d[i], c) * (255u - w)) >> 8) + ((channel(s[i], c) * w) >> 8);
            r |= std::min(v, 255u) << (8 * c);
        }
        d[i] = r;
    }
}

void desaturateScalar(uint32_t* d, size_t n, uint32_t k) {
    const uint32_t ik = 255u - k;
    for (size_t i = 0; i < n; ++i) {
        const uint32_t g = (channel(d[i], 0) + channel(d[i], 1) + channel(d[i], 2)) / 3;
        const uint32_t gk = (g * k) >> 8;
        uint32_t r = 0; // the alpha byte becomes 0
        for (int c = 0; c < 3; ++c) r |= (((channel(d[i], c) * ik) >> 8) + gk) << (8 * c);
        d[i] = r;
    }
}

void blendFillScalar(uint32_t* d, size_t n, uint32_t k, uint32_t colour) {
    const uint32_t ik = 255u - k;
    uint32_t ct[4]; // the colour's terms are the same for every pixel
    for (int c = 0; c < 4; ++c) ct[c] = (channel(colour, c) * k) >> 8;
    for (size_t i = 0; i < n; ++i) {
        uint32_t r = 0;
        for (int c = 0; c < 4; ++c)
            r |= std::min(((channel(d[i], c) * ik) >> 8) + ct[c], 255u) << (8 * c);
        d[i] = r;
    }
}

void spriteBlendScalar(const uint32_t* s, uint32_t* d, size_t n) {
    for (size_t i = 0; i < n; ++i) {
        const uint32_t a = s[i] >> 24;
        uint32_t r = 0; // the result's alpha byte is 0
        for (int c = 0; c < 3; ++c)
            r |= (((channel(s[i], c) * a) >> 8) + ((channel(d[i], c) * (255u - a)) >> 8))
                 << (8 * c);
        d[i] = r;
    }
}

void fillScalar(uint32_t* d, size_t n, uint32_t c) {
    std::fill(d, d + n, c);
}

} // namespace kernels

namespace {
inline uint32_t weight(int32_t k) {
    return static_cast<uint32_t>(k) & 255u;
}
inline size_t count(const Bitmap& b) {
    return b.pixels ? static_cast<size_t>(b.pixelCount()) : 0;
}
} // namespace

void scaleBitmap(Bitmap& bitmap, int32_t k) {
    kernels::active().scale(bitmap.pixels, count(bitmap), weight(k));
}

void crossfade(const Bitmap& source, Bitmap& dest, int32_t k) {
    const size_t n = count(source);
    if (n == 0 || !dest.holds(static_cast<int64_t>(n))) return;
    kernels::active().crossfade(source.pixels, dest.pixels, n, weight(k));
}

void brighten(Bitmap& bitmap, int32_t k) {
    kernels::active().brighten(bitmap.pixels, count(bitmap), weight(k));
}

void multiplyInto(const Bitmap& source, Bitmap& dest) {
    const size_t n = count(source);
    if (n == 0 || !dest.holds(static_cast<int64_t>(n))) return;
    kernels::active().multiply(source.pixels, dest.pixels, n);
}

void addInto(const Bitmap& source, Bitmap& dest) {
    const size_t n = count(source);
    if (n == 0 || !dest.holds(static_cast<int64_t>(n))) return;
    kernels::active().add(source.pixels, dest.pixels, n);
}

void copyBitmap(const Bitmap& source, Bitmap& dest) {
    // The copy works in blocks of sixteen pixels; a tail shorter than that is not copied.
    const size_t n = count(dest) & ~size_t{15};
    if (n == 0 || !source.holds(static_cast<int64_t>(n))) return;
    std::memmove(dest.pixels, source.pixels, n * 4);
}

void alphaOverlay(const Bitmap& source, Bitmap& dest) {
    // Pairs of pixels: an odd last pixel is left alone.
    const size_t n = count(dest) & ~size_t{1};
    if (n == 0 || !source.holds(static_cast<int64_t>(n))) return;
    kernels::active().alphaOverlay(source.pixels, dest.pixels, n);
}

void maskBlend(const Bitmap& source, Bitmap& dest, const Bitmap& mask) {
    const size_t n = count(dest);
    if (n == 0 || !source.holds(static_cast<int64_t>(n)) || !mask.holds(static_cast<int64_t>(n)))
        return;
    kernels::active().maskBlend(source.pixels, dest.pixels, mask.pixels, n);
}

void desaturate(Bitmap& bitmap, int32_t k) {
    kernels::active().desaturate(bitmap.pixels, count(bitmap), weight(k));
}

} // namespace tw
