// SSE2 twins of the per-channel kernels: four pixels per step as sixteen 16-bit lanes, the
// same products, shifts and saturations as the plain kernels, which handle the tails.
#include "image/blend_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "image/sse2.h"

namespace tw::kernels {

namespace {
inline __m128i lo16(__m128i v) {
    return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}
inline __m128i hi16(__m128i v) {
    return _mm_unpackhi_epi8(v, _mm_setzero_si128());
}
// Channel times weight, both at most 255: the 16-bit low product is exact.
inline __m128i mulShift(__m128i a, __m128i b) {
    return _mm_srli_epi16(_mm_mullo_epi16(a, b), 8);
}
// Every 16-bit lane of a pixel set to that pixel's alpha lane.
inline __m128i alphaLanes(__m128i v) {
    return _mm_shufflehi_epi16(_mm_shufflelo_epi16(v, 0xFF), 0xFF);
}

} // namespace

void scaleSse2(uint32_t* d, size_t n, uint32_t k) {
    const __m128i w = _mm_set1_epi16(static_cast<short>(k));
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = load(d + i);
        store(d + i, _mm_packus_epi16(mulShift(lo16(v), w), mulShift(hi16(v), w)));
    }
    scaleScalar(d + i, n - i, k);
}

void crossfadeSse2(const uint32_t* s, uint32_t* d, size_t n, uint32_t k) {
    const __m128i w = _mm_set1_epi16(static_cast<short>(k));
    const __m128i iw = _mm_set1_epi16(static_cast<short>(255 - k));
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i dv = load(d + i), sv = load(s + i);
        const __m128i l = _mm_adds_epu16(mulShift(lo16(dv), iw), mulShift(lo16(sv), w));
        const __m128i h = _mm_adds_epu16(mulShift(hi16(dv), iw), mulShift(hi16(sv), w));
        store(d + i, _mm_packus_epi16(l, h));
    }
    crossfadeScalar(s + i, d + i, n - i, k);
}

void brightenSse2(uint32_t* d, size_t n, uint32_t k) {
    const __m128i w = _mm_set1_epi16(static_cast<short>(k));
    const __m128i alpha = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = load(d + i);
        const __m128i l = _mm_add_epi16(lo16(v), mulShift(lo16(v), w));
        const __m128i h = _mm_add_epi16(hi16(v), mulShift(hi16(v), w));
        const __m128i out = _mm_packus_epi16(l, h); // clamps at 255
        store(d + i, _mm_or_si128(_mm_andnot_si128(alpha, out), _mm_and_si128(alpha, v)));
    }
    brightenScalar(d + i, n - i, k);
}

void multiplySse2(const uint32_t* s, uint32_t* d, size_t n) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i dv = load(d + i), sv = load(s + i);
        store(d + i, _mm_packus_epi16(mulShift(lo16(dv), lo16(sv)), mulShift(hi16(dv), hi16(sv))));
    }
    multiplyScalar(s + i, d + i, n - i);
}

void addSse2(const uint32_t* s, uint32_t* d, size_t n) {
    size_t i = 0;
    for (; i + 4 <= n; i += 4) store(d + i, _mm_adds_epu8(load(d + i), load(s + i)));
    addScalar(s + i, d + i, n - i);
}

void alphaOverlaySse2(const uint32_t* s, uint32_t* d, size_t n) {
    const __m128i full = _mm_set1_epi16(255);
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i dv = load(d + i), sv = load(s + i);
        const __m128i sl = lo16(sv), sh = hi16(sv);
        const __m128i al = alphaLanes(sl), ah = alphaLanes(sh);
        const __m128i l =
            _mm_adds_epu16(mulShift(lo16(dv), al), mulShift(sl, _mm_sub_epi16(full, al)));
        const __m128i h =
            _mm_adds_epu16(mulShift(hi16(dv), ah), mulShift(sh, _mm_sub_epi16(full, ah)));
        store(d + i, _mm_packus_epi16(l, h));
    }
    alphaOverlayScalar(s + i, d + i, n - i);
}

void maskBlendSse2(const uint32_t* s, uint32_t* d, const uint32_t* m, size_t n) {
    const __m128i full = _mm_set1_epi16(255);
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i dv = load(d + i), sv = load(s + i), mv = load(m + i);
        const __m128i ml = lo16(mv), mh = hi16(mv);
        const __m128i l =
            _mm_adds_epu16(mulShift(lo16(dv), _mm_sub_epi16(full, ml)), mulShift(lo16(sv), ml));
        const __m128i h =
            _mm_adds_epu16(mulShift(hi16(dv), _mm_sub_epi16(full, mh)), mulShift(hi16(sv), mh));
        store(d + i, _mm_packus_epi16(l, h));
    }
    maskBlendScalar(s + i, d + i, m + i, n - i);
}

void blendFillSse2(uint32_t* d, size_t n, uint32_t k, uint32_t colour) {
    const __m128i iw = _mm_set1_epi16(static_cast<short>(255 - k));
    // The colour's terms are the same for every pixel.
    const __m128i c = lo16(_mm_set1_epi32(static_cast<int>(colour)));
    const __m128i ct = mulShift(c, _mm_set1_epi16(static_cast<short>(k)));
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = load(d + i);
        const __m128i l = _mm_adds_epu16(mulShift(lo16(v), iw), ct);
        const __m128i h = _mm_adds_epu16(mulShift(hi16(v), iw), ct);
        store(d + i, _mm_packus_epi16(l, h));
    }
    blendFillScalar(d + i, n - i, k, colour);
}

void spriteBlendSse2(const uint32_t* s, uint32_t* d, size_t n) {
    const __m128i full = _mm_set1_epi16(255);
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i dv = load(d + i), sv = load(s + i);
        const __m128i sl = lo16(sv), sh = hi16(sv);
        const __m128i al = alphaLanes(sl), ah = alphaLanes(sh);
        // Each sum is at most 254: no saturation is needed.
        const __m128i l =
            _mm_add_epi16(mulShift(sl, al), mulShift(lo16(dv), _mm_sub_epi16(full, al)));
        const __m128i h =
            _mm_add_epi16(mulShift(sh, ah), mulShift(hi16(dv), _mm_sub_epi16(full, ah)));
        store(d + i, _mm_and_si128(_mm_packus_epi16(l, h), colour));
    }
    spriteBlendScalar(s + i, d + i, n - i);
}

void desaturateSse2(uint32_t* d, size_t n, uint32_t k) {
    const __m128i w = _mm_set1_epi16(static_cast<short>(k));
    const __m128i iw = _mm_set1_epi16(static_cast<short>(255 - k));
    const __m128i third = _mm_set1_epi16(21846); // (x * 21846) >> 16 == x / 3 for x < 32768
    const __m128i colour = _mm_set1_epi32(0x00FFFFFF);
    auto half = [&](__m128i v) {
        // Lane 0 of each pixel: blue + green + red, then / 3, then spread over the pixel.
        const __m128i sum =
            _mm_add_epi16(v, _mm_add_epi16(_mm_srli_epi64(v, 16), _mm_srli_epi64(v, 32)));
        __m128i g = _mm_mulhi_epu16(sum, third);
        g = _mm_shufflehi_epi16(_mm_shufflelo_epi16(g, 0x00), 0x00);
        return _mm_add_epi16(mulShift(v, iw), mulShift(g, w));
    };
    size_t i = 0;
    for (; i + 4 <= n; i += 4) {
        const __m128i v = load(d + i);
        store(d + i, _mm_and_si128(_mm_packus_epi16(half(lo16(v)), half(hi16(v))), colour));
    }
    desaturateScalar(d + i, n - i, k);
}

} // namespace tw::kernels

#endif
