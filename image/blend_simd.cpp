// Vector versions of the per-channel kernels, compiled once per instruction set through
// Highway. A pixel word is two 16-bit lanes; each lane's even and odd bytes are multiplied
// by their weights separately (byte * weight <= 65025 fits the lane), so every product,
// shift and saturation is the plain kernels' own. The plain kernels finish each tail.
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
    return hn::LoadU(D32(), p);
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

// (byte * weight) >> 8 for every byte of x; we and wo are the weights of the even and odd
// bytes of each 16-bit lane, at most 255.
inline V32 mulBytes(V32 x, V16 we, V16 wo) {
    const D16 d;
    const V16 v = u16(x);
    const V16 even = hn::ShiftRight<8>(hn::Mul(hn::And(v, hn::Set(d, 0x00FF)), we));
    const V16 odd = hn::And(hn::Mul(hn::ShiftRight<8>(v), wo), hn::Set(d, 0xFF00));
    return u32(hn::Or(even, odd));
}
inline V32 mulBytes(V32 x, V16 w) {
    return mulBytes(x, w, w);
}
// min(255, a + b) for every byte.
inline V32 addSaturate(V32 a, V32 b) {
    const D8 d;
    return hn::BitCast(D32(), hn::SaturatedAdd(hn::BitCast(d, a), hn::BitCast(d, b)));
}
// Each pixel's alpha byte in both of its 16-bit lanes.
inline V16 alphaLanes(V32 p) {
    const V32 a = hn::ShiftRight<24>(p);
    return u16(hn::Or(a, hn::ShiftLeft<16>(a)));
}
inline V16 inverse(V16 w) {
    return hn::Sub(hn::Set(D16(), 255), w);
}

void Scale(uint32_t* d, size_t n, uint32_t k) {
    const D32 d32;
    const size_t N = hn::Lanes(d32);
    const V16 w = hn::Set(D16(), static_cast<uint16_t>(k));
    size_t i = 0;
    for (; i + N <= n; i += N) store(d + i, mulBytes(load(d + i), w));
    scaleScalar(d + i, n - i, k);
}

void Crossfade(const uint32_t* s, uint32_t* d, size_t n, uint32_t k) {
    const size_t N = hn::Lanes(D32());
    const V16 w = hn::Set(D16(), static_cast<uint16_t>(k));
    const V16 iw = inverse(w);
    size_t i = 0;
    for (; i + N <= n; i += N)
        store(d + i, addSaturate(mulBytes(load(d + i), iw), mulBytes(load(s + i), w)));
    crossfadeScalar(s + i, d + i, n - i, k);
}

void Brighten(uint32_t* d, size_t n, uint32_t k) {
    const D32 d32;
    const size_t N = hn::Lanes(d32);
    const V16 w = hn::Set(D16(), static_cast<uint16_t>(k));
    const V32 colour = hn::Set(d32, 0x00FFFFFFu);
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V32 v = load(d + i);
        // The alpha byte is kept as it was.
        store(d + i, hn::IfVecThenElse(colour, addSaturate(v, mulBytes(v, w)), v));
    }
    brightenScalar(d + i, n - i, k);
}

void Multiply(const uint32_t* s, uint32_t* d, size_t n) {
    const D16 d16;
    const size_t N = hn::Lanes(D32());
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V16 sv = u16(load(s + i));
        store(d + i,
              mulBytes(load(d + i), hn::And(sv, hn::Set(d16, 0x00FF)), hn::ShiftRight<8>(sv)));
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
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V32 sv = load(s + i);
        const V16 a = alphaLanes(sv);
        store(d + i, addSaturate(mulBytes(load(d + i), a), mulBytes(sv, inverse(a))));
    }
    alphaOverlayScalar(s + i, d + i, n - i);
}

void MaskBlend(const uint32_t* s, uint32_t* d, const uint32_t* m, size_t n) {
    const D16 d16;
    const size_t N = hn::Lanes(D32());
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V16 mv = u16(load(m + i));
        const V16 we = hn::And(mv, hn::Set(d16, 0x00FF)), wo = hn::ShiftRight<8>(mv);
        store(d + i, addSaturate(mulBytes(load(d + i), inverse(we), inverse(wo)),
                                 mulBytes(load(s + i), we, wo)));
    }
    maskBlendScalar(s + i, d + i, m + i, n - i);
}

void BlendFill(uint32_t* d, size_t n, uint32_t k, uint32_t colour) {
    const D32 d32;
    const size_t N = hn::Lanes(d32);
    const V16 iw = hn::Set(D16(), static_cast<uint16_t>(255 - k));
    // The colour's terms are the same for every pixel.
    const V32 terms = mulBytes(hn::Set(d32, colour), hn::Set(D16(), static_cast<uint16_t>(k)));
    size_t i = 0;
    for (; i + N <= n; i += N) store(d + i, addSaturate(mulBytes(load(d + i), iw), terms));
    blendFillScalar(d + i, n - i, k, colour);
}

void SpriteBlend(const uint32_t* s, uint32_t* d, size_t n) {
    const D32 d32;
    const size_t N = hn::Lanes(d32);
    const V32 colour = hn::Set(d32, 0x00FFFFFFu);
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V32 sv = load(s + i);
        const V16 a = alphaLanes(sv);
        // Each byte's sum is at most 254: no carry crosses into the next byte.
        const V32 sum = hn::Add(mulBytes(sv, a), mulBytes(load(d + i), inverse(a)));
        store(d + i, hn::And(sum, colour));
    }
    spriteBlendScalar(s + i, d + i, n - i);
}

void Desaturate(uint32_t* d, size_t n, uint32_t k) {
    const D32 d32;
    const D16 d16;
    const size_t N = hn::Lanes(d32);
    const V16 w = hn::Set(d16, static_cast<uint16_t>(k));
    const V16 iw = inverse(w);
    const V16 third = hn::Set(d16, kThird);
    const V32 byte = hn::Set(d32, 255u), colour = hn::Set(d32, 0x00FFFFFFu);
    size_t i = 0;
    for (; i + N <= n; i += N) {
        const V32 v = load(d + i);
        // Blue + green + red in the low 16-bit lane (the high lane is 0 and stays 0), / 3.
        const V32 sum = hn::Add(hn::Add(hn::And(v, byte), hn::And(hn::ShiftRight<8>(v), byte)),
                                hn::And(hn::ShiftRight<16>(v), byte));
        const V16 grey = hn::MulHigh(u16(sum), third);
        const V32 gk = u32(hn::ShiftRight<8>(hn::Mul(grey, w)));
        const V32 spread = hn::Or(hn::Or(gk, hn::ShiftLeft<8>(gk)), hn::ShiftLeft<16>(gk));
        // Each byte's sum is at most 254: no carry crosses into the next byte.
        store(d + i, hn::And(hn::Add(mulBytes(v, iw), spread), colour));
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
