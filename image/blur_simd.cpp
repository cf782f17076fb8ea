// Vector box-blur passes, compiled once per instruction set through Highway. A pixel word
// is two 16-bit lanes; blue and red (its even bytes) and green and alpha (its odd bytes) are
// summed in separate vectors, and (sum * q) >> 16 is a 16-bit high multiply, exactly the
// plain passes' arithmetic for every window sum below 65536 (radius at most
// kMaxVectorRadius).
//
// Columns keep one running sum per column, a strip of columns at a time. Rows take the
// prefix sums P of each row (modulo 2^16, which a difference of two of them survives), so
// that every window is P[x + r] - P[x - r - 1], both read at any offset from a padded copy.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/blur_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include <algorithm>

#include "image/blur_kernels.h"
#include "image/kernels.h"
#include "image/simd.h"

HWY_BEFORE_NAMESPACE();
namespace tw::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR
void BlurRows(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    blurRowsScalar(s, d, w, 0, h, r);
}
void BlurColumns(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    blurColumnsScalar(s, d, w, h, 0, w, r);
}
#else

namespace hn = hwy::HWY_NAMESPACE;
using D32 = hn::ScalableTag<uint32_t>;
using D16 = hn::Repartition<uint16_t, D32>;
using V32 = hn::Vec<D32>;
using V16 = hn::Vec<D16>;

inline V16 evenBytes(V32 v) {
    return hn::And(hn::BitCast(D16(), v), hn::Set(D16(), 0x00FF));
}
inline V16 oddBytes(V32 v) {
    return hn::ShiftRight<8>(hn::BitCast(D16(), v));
}
// Two lanes of 16-bit averages back into pixel words.
inline V32 join(V16 even, V16 odd, V16 q) {
    return hn::BitCast(D32(), hn::Or(hn::MulHigh(even, q), hn::ShiftLeft<8>(hn::MulHigh(odd, q))));
}

// ---- columns ----------------------------------------------------------------------------

// Running sums of one strip of K vectors of columns starting at column x, down all rows.
template <size_t K>
void columnStrip(const uint32_t* s, uint32_t* d, size_t w, uint32_t h, uint32_t r, size_t x,
                 V16 q) {
    const D32 d32;
    const D16 d16;
    const size_t N = hn::Lanes(d32);
    static_assert(K >= 1 && K <= 4);
    V16 e0 = hn::Zero(d16), e1 = e0, e2 = e0, e3 = e0, o0 = e0, o1 = e0, o2 = e0, o3 = e0;
    // Adds (or, with Sub, takes away) one row of the strip to the running sums.
    auto apply = [&](const uint32_t* row, auto op) {
        const V32 v0 = hn::LoadU(d32, row);
        e0 = op(e0, evenBytes(v0));
        o0 = op(o0, oddBytes(v0));
        if constexpr (K > 1) {
            const V32 v1 = hn::LoadU(d32, row + N);
            e1 = op(e1, evenBytes(v1));
            o1 = op(o1, oddBytes(v1));
        }
        if constexpr (K > 2) {
            const V32 v2 = hn::LoadU(d32, row + 2 * N);
            e2 = op(e2, evenBytes(v2));
            o2 = op(o2, oddBytes(v2));
        }
        if constexpr (K > 3) {
            const V32 v3 = hn::LoadU(d32, row + 3 * N);
            e3 = op(e3, evenBytes(v3));
            o3 = op(o3, oddBytes(v3));
        }
    };
    const auto plus = [](V16 a, V16 b) { return hn::Add(a, b); };
    const auto minus = [](V16 a, V16 b) { return hn::Sub(a, b); };
    auto add = [&](const uint32_t* row) { apply(row, plus); };
    auto sub = [&](const uint32_t* row) { apply(row, minus); };
    auto put = [&](uint32_t* row) {
        hn::StoreU(join(e0, o0, q), d32, row);
        if constexpr (K > 1) hn::StoreU(join(e1, o1, q), d32, row + N);
        if constexpr (K > 2) hn::StoreU(join(e2, o2, q), d32, row + 2 * N);
        if constexpr (K > 3) hn::StoreU(join(e3, o3, q), d32, row + 3 * N);
    };
    const uint32_t* src = s + x;
    uint32_t* dst = d + x;
    for (uint32_t y = 0; y < r; ++y) add(src + y * w);
    // Rows whose window has not reached the top, then full windows, then the bottom edge.
    uint32_t y = 0;
    for (; y <= r && y + r < h; ++y) {
        add(src + (y + r) * w);
        put(dst + y * w);
    }
    for (; y + r < h; ++y) {
        add(src + (y + r) * w);
        sub(src + (y - r - 1) * w);
        put(dst + y * w);
    }
    for (; y < h; ++y) {
        if (y > r) sub(src + (y - r - 1) * w);
        put(dst + y * w);
    }
}

void BlurColumns(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    const size_t N = hn::Lanes(D32());
    const V16 q = hn::Set(D16(), static_cast<uint16_t>(65536u / (2 * r + 1)));
    size_t x = 0;
    for (; x + 4 * N <= w; x += 4 * N) columnStrip<4>(s, d, w, h, r, x, q);
    for (; x + N <= w; x += N) columnStrip<1>(s, d, w, h, r, x, q);
    blurColumnsScalar(s, d, w, h, static_cast<uint32_t>(x), w, r);
}

// ---- rows -------------------------------------------------------------------------------

#if !HWY_HAVE_SCALABLE
// Lane moves for prefix sums across 128-bit blocks: step i brings the last pixel of the
// block 2^i blocks lower into every pixel of a block (zero where there is none); `last`
// brings the vector's last pixel everywhere. Vectors of up to four blocks.
struct Moves {
    using Indices = decltype(hn::SetTableIndices(D32(), static_cast<const int32_t*>(nullptr)));
    Indices step[2]{}, last{};
    V32 keep[2]{};
    size_t steps = 0;

    Moves() {
        const D32 d32;
        const size_t N = hn::Lanes(d32);
        HWY_ALIGN int32_t index[hn::MaxLanes(d32)];
        HWY_ALIGN uint32_t mask[hn::MaxLanes(d32)];
        for (size_t blocks = 1; blocks * 4 < N && steps < 2; blocks *= 2, ++steps) {
            for (size_t i = 0; i < N; ++i) {
                const bool from = i >= 4 * blocks;
                index[i] = from ? static_cast<int32_t>((i / 4 - blocks) * 4 + 3) : 0;
                mask[i] = from ? ~0u : 0u;
            }
            step[steps] = hn::SetTableIndices(d32, index);
            keep[steps] = hn::Load(d32, mask);
        }
        for (size_t i = 0; i < N; ++i) index[i] = static_cast<int32_t>(N - 1);
        last = hn::SetTableIndices(d32, index);
    }
};

// Inclusive prefix sums of the pixels (32-bit lanes) of v, per 16-bit lane, plus carry.
HWY_INLINE V16 prefix(V16 v, V16 carry, const Moves& m) {
    const D32 d32;
    const D16 d16;
    v = hn::Add(v, hn::BitCast(d16, hn::ShiftLeftLanes<1>(d32, hn::BitCast(d32, v))));
    v = hn::Add(v, hn::BitCast(d16, hn::ShiftLeftLanes<2>(d32, hn::BitCast(d32, v))));
    for (size_t i = 0; i < m.steps; ++i) {
        const V32 moved = hn::TableLookupLanes(hn::BitCast(d32, v), m.step[i]);
        v = hn::Add(v, hn::BitCast(d16, hn::And(moved, m.keep[i])));
    }
    return hn::Add(v, carry);
}

HWY_INLINE V16 broadcastLast(V16 v, const Moves& m) {
    return hn::BitCast(D16(), hn::TableLookupLanes(hn::BitCast(D32(), v), m.last));
}

// Rows y0 .. y1-1 from their prefix sums.
void rowsByPrefix(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t y0, uint32_t y1,
                  uint32_t r) {
    const D32 d32;
    const D16 d16;
    const size_t N = hn::Lanes(d32);
    // pe/po[k + r + 1] = P(k) of the even / odd bytes for -r-1 <= k < w + r, where P(k) is 0
    // before the row and P(w-1) after it: the window of x is P(x+r) - P(x-r-1).
    constexpr size_t kMaxSpan = 2048 + 2 * kMaxVectorRadius + 1 + hn::MaxLanes(d32);
    const size_t span = w + 2 * r + 1;
    if (w < N || N > 16 || span + N > kMaxSpan) return blurRowsScalar(s, d, w, y0, y1, r);
    HWY_ALIGN uint32_t pe[kMaxSpan], po[kMaxSpan];
    for (size_t k = 0; k <= r; ++k) pe[k] = po[k] = 0;
    const Moves moves;
    const V16 q = hn::Set(d16, static_cast<uint16_t>(65536u / (2 * r + 1)));
    const uint32_t q32 = 65536u / (2 * r + 1);
    const size_t reach = 2 * r + 1;

    for (uint32_t y = y0; y < y1; ++y) {
        const uint32_t* row = s + static_cast<size_t>(y) * w;
        uint32_t* out = d + static_cast<size_t>(y) * w;
        V16 ce = hn::Zero(d16), co = ce;
        size_t x = 0;
        for (; x + N <= w; x += N) {
            const V32 v = hn::LoadU(d32, row + x);
            const V16 e = prefix(evenBytes(v), ce, moves), o = prefix(oddBytes(v), co, moves);
            hn::StoreU(hn::BitCast(d32, e), d32, pe + r + 1 + x);
            hn::StoreU(hn::BitCast(d32, o), d32, po + r + 1 + x);
            ce = broadcastLast(e, moves);
            co = broadcastLast(o, moves);
        }
        // The last few pixels one at a time, then P(w-1) repeated over the right padding.
        uint32_t le = hn::GetLane(hn::BitCast(d32, ce)), lo = hn::GetLane(hn::BitCast(d32, co));
        auto add16 = [](uint32_t a, uint32_t b) {
            return ((a + b) & 0xFFFFu) | (((a >> 16) + (b >> 16)) << 16);
        };
        for (; x < w; ++x) {
            le = add16(le, row[x] & 0x00FF00FFu);
            lo = add16(lo, (row[x] >> 8) & 0x00FF00FFu);
            pe[r + 1 + x] = le;
            po[r + 1 + x] = lo;
        }
        for (size_t k = r + 1 + w; k < span; ++k) {
            pe[k] = le;
            po[k] = lo;
        }

        x = 0;
        for (; x + N <= w; x += N) {
            const V16 e = hn::Sub(hn::BitCast(d16, hn::LoadU(d32, pe + x + reach)),
                                  hn::BitCast(d16, hn::LoadU(d32, pe + x)));
            const V16 o = hn::Sub(hn::BitCast(d16, hn::LoadU(d32, po + x + reach)),
                                  hn::BitCast(d16, hn::LoadU(d32, po + x)));
            hn::StoreU(join(e, o, q), d32, out + x);
        }
        for (; x < w; ++x) {
            uint32_t px = 0;
            for (int c = 0; c < 4; ++c) {
                const uint32_t* p = (c & 1) ? po : pe;
                const int shift = (c >> 1) * 16;
                const uint32_t sum = ((p[x + reach] >> shift) - (p[x] >> shift)) & 0xFFFFu;
                px |= ((sum * q32) >> 16) << (8 * c);
            }
            out[x] = px;
        }
    }
}

#else
// Vectors of unknown length (SVE, RVV): the lane moves above are built for at most four
// blocks, so rows take the plain pass there.
void rowsByPrefix(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t y0, uint32_t y1,
                  uint32_t r) {
    blurRowsScalar(s, d, w, y0, y1, r);
}
#endif

#if !HWY_HAVE_SCALABLE && HWY_MAX_BYTES <= 64
// N x N transpose of pixel words, N = the vector length: v[j] holds row j on entry and
// column j on exit. Four-by-four inside every 128-bit block, then the blocks themselves.
HWY_INLINE void transpose(V32* v) {
    const D32 d32;
    const hn::Repartition<uint64_t, D32> d64;
    constexpr size_t N = hn::MaxLanes(D32());
#pragma GCC unroll 16
    for (size_t g = 0; g < N; g += 4) {
        const V32 t0 = hn::InterleaveLower(d32, v[g], v[g + 1]);
        const V32 t1 = hn::InterleaveLower(d32, v[g + 2], v[g + 3]);
        const V32 t2 = hn::InterleaveUpper(d32, v[g], v[g + 1]);
        const V32 t3 = hn::InterleaveUpper(d32, v[g + 2], v[g + 3]);
        v[g] =
            hn::BitCast(d32, hn::InterleaveLower(d64, hn::BitCast(d64, t0), hn::BitCast(d64, t1)));
        v[g + 1] =
            hn::BitCast(d32, hn::InterleaveUpper(d64, hn::BitCast(d64, t0), hn::BitCast(d64, t1)));
        v[g + 2] =
            hn::BitCast(d32, hn::InterleaveLower(d64, hn::BitCast(d64, t2), hn::BitCast(d64, t3)));
        v[g + 3] =
            hn::BitCast(d32, hn::InterleaveUpper(d64, hn::BitCast(d64, t2), hn::BitCast(d64, t3)));
    }
    // Now block k of v[4g + i] holds pixel 4k + i of rows 4g .. 4g+3.
#if HWY_MAX_BYTES == 32
#pragma GCC unroll 16
    for (size_t i = 0; i < 4; ++i) {
        const V32 a = v[i], b = v[4 + i];
        v[i] = hn::ConcatLowerLower(d32, b, a);
        v[4 + i] = hn::ConcatUpperUpper(d32, b, a);
    }
#elif HWY_MAX_BYTES == 64 && HWY_ARCH_X86
// Four-by-four of blocks in two rounds of two-source block shuffles (Highway 1.0 has no
// portable form of this one instruction).
#pragma GCC unroll 16
    for (size_t i = 0; i < 4; ++i) {
        const __m512i a = v[i].raw, b = v[4 + i].raw, c = v[8 + i].raw, e = v[12 + i].raw;
        const __m512i x = _mm512_shuffle_i32x4(a, b, 0x88), y = _mm512_shuffle_i32x4(a, b, 0xDD);
        const __m512i z = _mm512_shuffle_i32x4(c, e, 0x88), u = _mm512_shuffle_i32x4(c, e, 0xDD);
        v[i].raw = _mm512_shuffle_i32x4(x, z, 0x88);
        v[4 + i].raw = _mm512_shuffle_i32x4(y, u, 0x88);
        v[8 + i].raw = _mm512_shuffle_i32x4(x, z, 0xDD);
        v[12 + i].raw = _mm512_shuffle_i32x4(y, u, 0xDD);
    }
#elif HWY_MAX_BYTES == 64
    V32 out[N];
#pragma GCC unroll 16
    for (size_t i = 0; i < 4; ++i) {
        const V32 a = v[i], b = v[4 + i], c = v[8 + i], e = v[12 + i];
        const V32 p = hn::ConcatLowerLower(d32, c, a), q = hn::ConcatLowerLower(d32, e, b);
        const V32 r = hn::ConcatUpperUpper(d32, c, a), s = hn::ConcatUpperUpper(d32, e, b);
        out[i] = hn::OddEvenBlocks(hn::SwapAdjacentBlocks(q), p);
        out[4 + i] = hn::OddEvenBlocks(q, hn::SwapAdjacentBlocks(p));
        out[8 + i] = hn::OddEvenBlocks(hn::SwapAdjacentBlocks(s), r);
        out[12 + i] = hn::OddEvenBlocks(s, hn::SwapAdjacentBlocks(r));
    }
#pragma GCC unroll 16
    for (size_t j = 0; j < N; ++j) v[j] = out[j];
#endif
}

// Bands of N rows turned on their side: the band's columns become vectors (one lane per
// row) in a padded array, the running sums walk along it as down a column, and N outputs at
// a time turn back into rows.
void BlurRows(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    const D32 d32;
    const D16 d16;
    constexpr size_t N = hn::MaxLanes(D32());
    constexpr size_t kMaxSpan = 1024;
    // Column k + r + 1 of the band in t[(k + r + 1) * N ...]; zero for k < 0 and k >= w.
    const size_t span = w + 2 * r + 1;
    if (hn::Lanes(d32) != N || w < N || h < N || span > kMaxSpan)
        return rowsByPrefix(s, d, w, 0, h, r);
    HWY_ALIGN uint32_t t[kMaxSpan * N];
    std::fill(t, t + (r + 1) * N, 0u);
    std::fill(t + (r + 1 + w) * N, t + span * N, 0u);
    const V16 q = hn::Set(d16, static_cast<uint16_t>(65536u / (2 * r + 1)));
    const size_t wide = w / N * N;

    uint32_t y0 = 0;
    for (; y0 + N <= h; y0 += N) {
        const uint32_t* band = s + static_cast<size_t>(y0) * w;
        uint32_t* out = d + static_cast<size_t>(y0) * w;
        uint32_t* col = t + (r + 1) * N;
        for (size_t x = 0; x < wide; x += N) {
            V32 v[N];
            const uint32_t* from = band + x;
#pragma GCC unroll 16
            for (size_t j = 0; j < N; ++j, from += w) v[j] = hn::LoadU(d32, from);
            transpose(v);
#pragma GCC unroll 16
            for (size_t j = 0; j < N; ++j) hn::Store(v[j], d32, col + (x + j) * N);
        }
        for (size_t x = wide; x < w; ++x)
#pragma GCC unroll 16
            for (size_t j = 0; j < N; ++j) col[x * N + j] = band[j * w + x];

        // The window of x is columns x+1 .. x+2r+1 of the padded array.
        V16 e = hn::Zero(d16), o = e;
        for (size_t k = r + 1; k <= 2 * r; ++k) {
            const V32 v = hn::Load(d32, t + k * N);
            e = hn::Add(e, evenBytes(v));
            o = hn::Add(o, oddBytes(v));
        }
        auto step = [&](size_t x) {
            const V32 in = hn::Load(d32, t + (x + 2 * r + 1) * N);
            const V32 gone = hn::Load(d32, t + x * N);
            // The difference first: one add on the running sums' chain.
            e = hn::Add(e, hn::Sub(evenBytes(in), evenBytes(gone)));
            o = hn::Add(o, hn::Sub(oddBytes(in), oddBytes(gone)));
            return join(e, o, q);
        };
        for (size_t x = 0; x < wide; x += N) {
            V32 v[N];
#pragma GCC unroll 16
            for (size_t j = 0; j < N; ++j) v[j] = step(x + j);
            transpose(v);
            uint32_t* to = out + x;
#pragma GCC unroll 16
            for (size_t j = 0; j < N; ++j, to += w) hn::StoreU(v[j], d32, to);
        }
        for (size_t x = wide; x < w; ++x) {
            HWY_ALIGN uint32_t lanes[N];
            hn::Store(step(x), d32, lanes);
#pragma GCC unroll 16
            for (size_t j = 0; j < N; ++j) out[j * w + x] = lanes[j];
        }
    }
    rowsByPrefix(s, d, w, y0, h, r);
}
#else
void BlurRows(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r) {
    rowsByPrefix(s, d, w, 0, h, r);
}
#endif

#endif // HWY_TARGET == HWY_SCALAR

} // namespace tw::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tw::kernels {

HWY_EXPORT(BlurRows);
HWY_EXPORT(BlurColumns);

void chooseBlurKernels(Kernels& t) {
    t.blurRows = TW_CHOSEN(BlurRows);
    t.blurColumns = TW_CHOSEN(BlurColumns);
}

} // namespace tw::kernels
#endif
