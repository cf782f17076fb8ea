// SSE2 box-blur passes: window sums in 16-bit lanes, the 16.16 reciprocal applied with an
// unsigned high multiply, which is exactly (sum * q) >> 16 for q < 65536.
#include "image/blur_kernels.h"

#if defined(__SSE2__)
#include <emmintrin.h>

#include "image/sse2.h"

namespace tw::kernels {

namespace {
// Pixel a in lanes 0-3, pixel b in lanes 4-7.
inline __m128i pair(uint32_t a, uint32_t b) {
    const __m128i v = _mm_unpacklo_epi32(_mm_cvtsi32_si128(static_cast<int>(a)),
                                         _mm_cvtsi32_si128(static_cast<int>(b)));
    return _mm_unpacklo_epi8(v, _mm_setzero_si128());
}

} // namespace

void blurRowsSse2(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    const __m128i q = _mm_set1_epi16(static_cast<short>(65536u / (2 * r + 1)));
    // Two rows side by side in one register.
    uint32_t y = 0;
    for (; y + 2 <= h; y += 2) {
        const uint32_t* a = s + static_cast<size_t>(y) * w;
        const uint32_t* b = a + w;
        uint32_t* oa = d + static_cast<size_t>(y) * w;
        uint32_t* ob = oa + w;
        __m128i sum = _mm_setzero_si128();
        for (uint32_t x = 0; x < r; ++x) sum = _mm_add_epi16(sum, pair(a[x], b[x]));
        for (uint32_t x = 0; x < w; ++x) {
            if (x > r) sum = _mm_sub_epi16(sum, pair(a[x - r - 1], b[x - r - 1]));
            if (x + r < w) sum = _mm_add_epi16(sum, pair(a[x + r], b[x + r]));
            const __m128i avg = _mm_mulhi_epu16(sum, q);
            const __m128i packed = _mm_packus_epi16(avg, avg);
            oa[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
            ob[x] = static_cast<uint32_t>(_mm_cvtsi128_si32(_mm_srli_si128(packed, 4)));
        }
    }
    blurRowsScalar(s, d, w, y, h, r);
}

void blurColumnsSse2(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    const __m128i q = _mm_set1_epi16(static_cast<short>(65536u / (2 * r + 1)));
    const __m128i zero = _mm_setzero_si128();
    // Strips of 64 columns, four columns per group, each group's sums in two registers.
    constexpr uint32_t kGroups = 16;
    __m128i lo[kGroups], hi[kGroups];
    const uint32_t wide = w & ~3u;
    for (uint32_t xs = 0; xs < wide; xs += 4 * kGroups) {
        const uint32_t groups = (wide - xs) / 4 < kGroups ? (wide - xs) / 4 : kGroups;
        for (uint32_t g = 0; g < groups; ++g) lo[g] = hi[g] = zero;
        auto add = [&](const uint32_t* row) {
            for (uint32_t g = 0; g < groups; ++g) {
                const __m128i v = load(row + 4 * g);
                lo[g] = _mm_add_epi16(lo[g], _mm_unpacklo_epi8(v, zero));
                hi[g] = _mm_add_epi16(hi[g], _mm_unpackhi_epi8(v, zero));
            }
        };
        for (uint32_t y = 0; y < r; ++y) add(s + static_cast<size_t>(y) * w + xs);
        for (uint32_t y = 0; y < h; ++y) {
            if (y > r) {
                const uint32_t* row = s + static_cast<size_t>(y - r - 1) * w + xs;
                for (uint32_t g = 0; g < groups; ++g) {
                    const __m128i v = load(row + 4 * g);
                    lo[g] = _mm_sub_epi16(lo[g], _mm_unpacklo_epi8(v, zero));
                    hi[g] = _mm_sub_epi16(hi[g], _mm_unpackhi_epi8(v, zero));
                }
            }
            if (y + r < h) add(s + static_cast<size_t>(y + r) * w + xs);
            uint32_t* out = d + static_cast<size_t>(y) * w + xs;
            for (uint32_t g = 0; g < groups; ++g)
                store(out + 4 * g,
                      _mm_packus_epi16(_mm_mulhi_epu16(lo[g], q), _mm_mulhi_epu16(hi[g], q)));
        }
    }
    blurColumnsScalar(s, d, w, h, wide, w, r);
}

} // namespace tw::kernels

#endif
