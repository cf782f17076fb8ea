// Vector versions of the per-channel kernels, compiled once per instruction set through Highway. A
// pixel word is two 16-bit lanes; each lane's even and odd bytes are multiplied by their weights
// separately (byte * weight <= 65025 fits the lane), so every product, shift and saturation is the
// plain kernels' own. The plain kernels finish each tail.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/blend_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include "image/blend_kernels.h"
#include "image/kernels.h"
#include "image/simd.h"

HWY_BEFORE_NAMESPACE();
namespace tw::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR
// The fallback target runs the plain kernels.
void Scale(uint32_t* d, size_t n, uint32_t k) {
    scaleScalar(d, n, k);
}
void Crossfade(const uint32_t* s, uint32_t* d, size_t n, uint32_t k) {
    crossfadeScalar(s, d, n, k);
}
void Brighten(uint32_t* d, size_t n, uint32_t k) {
    brightenScalar(d, n, k);
}
void Multiply(const uint32_t* s, uint32_t* d, size_t n) {
    multiplyScalar(s, d, n);
}
void Add(const uint32_t* s, uint32_t* d, size_t n) {
    addScalar(s, d, n);
}
void AlphaOverlay(const uint32_t* s, uint32_t* d, size_t n) {
    alphaOverlayScalar(s, d, n);
}
void MaskBlend(const uint32_t* s, uint32_t* d, const uint32_t* m, size_t n) {
    maskBlendScalar(s, d, m, n);
}
void BlendFill(uint32_t* d, size_t n, uint32_t k, uint32_t c) {
    blendFillScalar(d, n, k, c);
}
void SpriteBlend(const uint32_t* s, uint32_t* d, size_t n) {
    spriteBlendScalar(s, d, n);
}
void Desaturate(uint32_t* d, size_t n, uint32_t k) {
    desaturateScalar(d, n, k);
}
void Fill(uint32_t* d, size_t n, uint32_t c) {
    fillScalar(d, n, c);
}
#else

namespace hn = hwy::HWY_NAMESPACE;
using D32 = hn::ScalableTag<uint32_t>;
using D16 = hn::Repartition<uint16_t, D32>;
using D8 = hn::Repartition<uint8_t, D32>;
using V32 = hn::Vec<D32>;
using V16 = hn::Vec<D16>;

inline V32 load(const uint32_t* p) {
    V32 v = hn::LoadU(D32(), p);
#if HWY_ARCH_X86 && HWY_TARGET != HWY_EMU128
    // One load per vector: without this, gcc folds the load into every instruction that
    // reads the value again, and those repeated loads are what limits the loops.
    asm("" : "+x"(v.raw));
#endif
    return v;
}
inline void store(uint32_t* p, V32 v) {
    hn::StoreU(v, D32(), p);
}
inline V16 u16(V32 v) {
    return hn::BitCast(D16(), v);
}
inline V32 u32(V16 v) {
    return hn::BitCast(D32(), v);
}

// (byte * weight) >> 8 for every byte of x. Per 16-bit lane, even256 is the even byte's weight
// times 256 and odd the odd byte's weight (weights at most 255): the high half of even * (weight *
// 256) is exactly (even * weight) >> 8, and the odd product's high byte is already in place.
// (Vectors travel as separate arguments: some targets' vectors cannot be members of a record.)
inline V32 mulBytes(V32 x, V16 even256, V16 odd) {
    const D16 d;
    const V16 v = u16(x);
    const V16 even = hn::MulHigh(hn::And(v, hn::Set(d, 0x00FF)), even256);
    return u32(hn::OrAnd(even, hn::Mul(hn::ShiftRight<8>(v), odd), hn::Set(d, 0xFF00)));
}
// The weights 255 - w, as even256 and odd weights.
inline V16 inverse256(V16 even256) {
    return hn::Sub(hn::Set(D16(), 0xFF00), even256);
}
inline V16 inverse(V16 odd) {
    return hn::Sub(hn::Set(D16(), 255), odd);
}
// min(255, a + b) for every byte.
inline V32 addSaturate(V32 a, V32 b) {
    const D8 d;
    return hn::BitCast(D32(), hn::SaturatedAdd(hn::BitCast(d, a), hn::BitCast(d, b)));
}

// Byte-shuffle indices that copy each pixel's alpha byte into every 16-bit lane of the pixel, in
// its low byte (zeroHigh) or its high byte; an index with bit 7 set gives 0. Shuffles work within
// 128-bit blocks: byte j of a block takes byte (j & 12) | 3.
inline hn::Vec<D8> alphaIndices(bool zeroHigh) {
    const D8 d8;
    const auto alpha = hn::Or(hn::And(hn::Iota(d8, 0), hn::Set(d8, 12)), hn::Set(d8, 3));
    return hn::Or(alpha, hn::BitCast(d8, hn::Set(D16(), zeroHigh ? 0x8000 : 0x0080)));
}
inline V16 spreadAlpha(V32 p, hn::Vec<D8> indices) {
    return hn::BitCast(D16(), hn::TableLookupBytesOr0(hn::BitCast(D8(), p), indices));
}

void Scale(uint32_t* d, size_t n, uint32_t k) {
    const size_t N = hn::Lanes(D32());
    const V16 w256 = hn::Set(D16(), static_cast<uint16_t>(k << 8)),
              w = hn::Set(D16(), static_cast<uint16_t>(k));
    size_t i = 0;
    for (; i + N <= n; i += N) store(d + i, mulBytes(load(d + i), w256, w));
    scaleScalar(d + i, n - i, k);
}

void Crossfade(const uint32_t* s, uint32_t* d, size_t n, uint32_t k) {
    const size_t N = hn::Lanes(D32());
    const V16 w256 = hn::Set(D16(), static_cast<uint16_t>(k << 8)),
              w = hn::Set(D16(), static_cast<uint16_t>(k));
    const V16 iw256 = inverse256(w256), iw = inverse(w);
    size_t i = 0;
    for (; i + N <= n; i += N)
        store(d + i, addSaturate(mulBytes(load(d + i), iw256, iw), mulBytes(load(s + i), w256, w)));
    crossfadeScalar(s + i, d + i, n - i, k);
}

void Brighten(uint32_t* d, size_t n, uint32_t k) {
    const D32 d32;
    const size_t N = hn::Lanes(d32);
    const V16 w256 = hn::Set(D16(), static_cast<uint16_t>(k << 8)),
              w = hn::Set(D16(), static_cast<uint16_t>(k));
    const V32 colour = hn::Set(d32, 0x00FFFFFFu);
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V32 v = load(d + i);
        // The alpha byte is kept as it was.
        store(d + i, hn::IfVecThenElse(colour, addSaturate(v, mulBytes(v, w256, w)), v));
    }
    brightenScalar(d + i, n - i, k);
}

void Multiply(const uint32_t* s, uint32_t* d, size_t n) {
    const size_t N = hn::Lanes(D32());
    size_t i = 0;
    for (; i + N <= n; i += N) {
        // Each source byte is its destination byte's weight.
        const V16 sv = u16(load(s + i));
        store(d + i, mulBytes(load(d + i), hn::ShiftLeft<8>(sv), hn::ShiftRight<8>(sv)));
    }
    multiplyScalar(s + i, d + i, n - i);
}

void Add(const uint32_t* s, uint32_t* d, size_t n) {
    const size_t N = hn::Lanes(D32());
    size_t i = 0;
    for (; i + N <= n; i += N) store(d + i, addSaturate(load(d + i), load(s + i)));
    addScalar(s + i, d + i, n - i);
}

void AlphaOverlay(const uint32_t* s, uint32_t* d, size_t n) {
    const size_t N = hn::Lanes(D32());
    const auto toHigh = alphaIndices(false), toLow = alphaIndices(true);
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V32 sv = load(s + i);
        const V16 a256 = spreadAlpha(sv, toHigh), a = spreadAlpha(sv, toLow);
        store(d + i, addSaturate(mulBytes(load(d + i), a256, a),
                                 mulBytes(sv, inverse256(a256), inverse(a))));
    }
    alphaOverlayScalar(s + i, d + i, n - i);
}

void MaskBlend(const uint32_t* s, uint32_t* d, const uint32_t* m, size_t n) {
    const size_t N = hn::Lanes(D32());
    size_t i = 0;
    for (; i + N <= n; i += N) {
        // Each mask byte is the weight of its source byte.
        const V16 mv = u16(load(m + i));
        const V16 w256 = hn::ShiftLeft<8>(mv), w = hn::ShiftRight<8>(mv);
        store(d + i, addSaturate(mulBytes(load(d + i), inverse256(w256), inverse(w)),
                                 mulBytes(load(s + i), w256, w)));
    }
    maskBlendScalar(s + i, d + i, m + i, n - i);
}

void BlendFill(uint32_t* d, size_t n, uint32_t k, uint32_t colour) {
    const D32 d32;
    const size_t N = hn::Lanes(d32);
    const V16 w256 = hn::Set(D16(), static_cast<uint16_t>(k << 8)),
              w = hn::Set(D16(), static_cast<uint16_t>(k));
    const V16 iw256 = inverse256(w256), iw = inverse(w);
    // The colour's terms are the same for every pixel.
    const V32 terms = mulBytes(hn::Set(d32, colour), w256, w);
    size_t i = 0;
    for (; i + N <= n; i += N) store(d + i, addSaturate(mulBytes(load(d + i), iw256, iw), terms));
    blendFillScalar(d + i, n - i, k, colour);
}

void SpriteBlend(const uint32_t* s, uint32_t* d, size_t n) {
    const D32 d32;
    const size_t N = hn::Lanes(d32);
    const auto toHigh = alphaIndices(false), toLow = alphaIndices(true);
    const V32 colour = hn::Set(d32, 0x00FFFFFFu);
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V32 sv = load(s + i);
        const V16 a256 = spreadAlpha(sv, toHigh), a = spreadAlpha(sv, toLow);
        // Each byte's sum is at most 254: no carry crosses into the next byte.
        const V32 sum =
            hn::Add(mulBytes(sv, a256, a), mulBytes(load(d + i), inverse256(a256), inverse(a)));
        store(d + i, hn::And(sum, colour));
    }
    spriteBlendScalar(s + i, d + i, n - i);
}

void Desaturate(uint32_t* d, size_t n, uint32_t k) {
    const D32 d32;
    const D16 d16;
    const size_t N = hn::Lanes(d32);
    const V16 w = hn::Set(d16, static_cast<uint16_t>(k)), iw = inverse(w);
    const V16 iw256 = inverse256(hn::Set(d16, static_cast<uint16_t>(k << 8)));
    const V16 byte = hn::Set(d16, 0x00FF), high = hn::Set(d16, 0xFF00);
    const V16 third = hn::Set(d16, kThird), twice = hn::Set(d16, 0x0101);
    const V32 colour = hn::Set(d32, 0x00FFFFFFu);
    size_t i = 0;
    for (; i + N <= n; i += N) {
        // The result's alpha byte is 0, so the input's is dropped first.
        const V16 v = u16(hn::And(load(d + i), colour));
        const V16 even = hn::And(v, byte);                        // blue, red
        const V16 odd = hn::ShiftRight<8>(v);                     // green, 0
        const V16 pairs = hn::Add(even, odd);                     // blue + green, red
        const V16 sum = hn::Add(pairs, hn::Reverse2(d16, pairs)); // the grey sum, twice
        const V16 gk = hn::ShiftRight<8>(hn::Mul(hn::MulHigh(sum, third), w));
        // (channel * (255 - k)) >> 8 per byte, then (grey * k) >> 8 added to both
        // bytes of each lane: each byte's sum is at most 254, so no carry crosses a
        // byte.
        const V16 scaled = hn::OrAnd(hn::MulHigh(even, iw256), hn::Mul(odd, iw), high);
        store(d + i, hn::And(u32(hn::Add(scaled, hn::Mul(gk, twice))), colour));
    }
    desaturateScalar(d + i, n - i, k);
}

void Fill(uint32_t* d, size_t n, uint32_t c) {
    const D32 d32;
    const size_t N = hn::Lanes(d32);
    const V32 v = hn::Set(d32, c);
    size_t i = 0;
    for (; i + N <= n; i += N) store(d + i, v);
    fillScalar(d + i, n - i, c);
}

#endif // HWY_TARGET == HWY_SCALAR

} // namespace tw::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
namespace tw::kernels {

HWY_EXPORT(Scale);
HWY_EXPORT(Crossfade);
HWY_EXPORT(Brighten);
HWY_EXPORT(Multiply);
HWY_EXPORT(Add);
HWY_EXPORT(AlphaOverlay);
HWY_EXPORT(MaskBlend);
HWY_EXPORT(BlendFill);
HWY_EXPORT(SpriteBlend);
HWY_EXPORT(Desaturate);
HWY_EXPORT(Fill);

void chooseBlendKernels(Kernels& t) {
    t.scale = TW_CHOSEN(Scale);
    t.crossfade = TW_CHOSEN(Crossfade);
    t.brighten = TW_CHOSEN(Brighten);
    t.multiply = TW_CHOSEN(Multiply);
    t.add = TW_CHOSEN(Add);
    t.alphaOverlay = TW_CHOSEN(AlphaOverlay);
    t.maskBlend = TW_CHOSEN(MaskBlend);
    t.blendFill = TW_CHOSEN(BlendFill);
    t.spriteBlend = TW_CHOSEN(SpriteBlend);
    t.desaturate = TW_CHOSEN(Desaturate);
    t.fill = TW_CHOSEN(Fill);
}

} // namespace tw::kernels
#endif
