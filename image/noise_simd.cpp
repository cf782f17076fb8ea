// Vector grain, compiled once per instruction set through Highway. Lane j of a vector holds
// the generator state j+1 steps ahead of the vector's start; one jump of N steps (the affine
// step composed N times) moves every lane on by a whole vector, so the draws, their order and
// the final state are the plain kernel's own.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/noise_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include "base/random.h"
#include "image/frame_kernels.h"
#include "image/kernels.h"
#include "image/simd.h"

HWY_BEFORE_NAMESPACE();
namespace tw::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR
uint32_t Noise(uint32_t* p, size_t n, uint32_t state, uint32_t amplitude) {
    return noiseScalar(p, n, state, amplitude);
}
#else

namespace hn = hwy::HWY_NAMESPACE;

// draw % a as draw - q * a with q = (draw * m) >> s, exact for every draw < 2^15 when
// s = 15 + ceil(log2 a) and m = floor(2^s / a) + 1: draw * m / 2^s exceeds draw / a by less
// than 2^15 / 2^s <= 1 / a, too little to reach the next integer. For 2 <= a < 2^15, m
// stays below 2^16 and s is at least 16, so q is a 16-bit high multiply and a shift by
// s - 16. Amplitudes above the random range take q = 0 and clamp k to 255 (kClamp).
template <bool kClamp>
uint32_t noiseRun(uint32_t* p, size_t n, uint32_t state, uint32_t amplitude, uint16_t m, uint16_t a,
                  int shift) {
    const hn::ScalableTag<uint32_t> d;
    const hn::Repartition<uint16_t, decltype(d)> d16;
    const hn::Repartition<uint8_t, decltype(d)> d8;
    const size_t N = hn::Lanes(d);
    const auto vm = hn::Set(d16, m), va = hn::Set(d16, a), byte = hn::Set(d16, 255);
    // The draw is bits 16..30 of the state: the upper 16-bit lane of each word, masked;
    // the lower lanes become 0 and stay 0 through the division.
    const auto draw = hn::BitCast(d16, hn::Set(d, 0x7fff0000u));
    // k (byte 2 of each word) into blue, green and red; alpha 0. Byte indices count from the
    // start of each 128-bit block.
    HWY_ALIGN uint8_t pick[hn::MaxLanes(d8)];
    for (size_t j = 0; j < 4 * N; ++j)
        pick[j] = (j & 3) == 3 ? 0x80 : static_cast<uint8_t>((j & 12) + 2);
    const auto spread = hn::Load(d8, pick);

    auto grain = [&](hn::Vec<decltype(d)> states, size_t i) {
        const auto r = hn::And(hn::BitCast(d16, states), draw);
        const auto q = hn::ShiftRightSame(hn::MulHigh(r, vm), shift);
        auto k = hn::Sub(r, hn::Mul(q, va));
        if constexpr (kClamp) k = hn::Min(k, byte);
        const auto px = hn::BitCast(d8, hn::LoadU(d, p + i));
        const auto sub = hn::TableLookupBytesOr0(hn::BitCast(d8, k), spread);
        hn::StoreU(hn::BitCast(d, hn::SaturatedSub(px, sub)), d, p + i);
    };
    auto jumped = [&](hn::Vec<decltype(d)> v, const RandomJump& j) {
        return hn::Add(hn::Mul(v, hn::Set(d, j.mul)), hn::Set(d, j.add));
    };

    // Four vectors' states side by side, each jumping four vectors on: four independent
    // multiply chains instead of one.
    const uint32_t start = state;
    HWY_ALIGN uint32_t first[hn::MaxLanes(d)];
    for (size_t j = 0; j < N; ++j) first[j] = state = state * kRandomMul + kRandomAdd;
    const RandomJump one = randomJump(N), four = randomJump(4 * N);
    auto s0 = hn::Load(d, first);
    auto s1 = jumped(s0, one);
    auto s2 = jumped(s1, one);
    auto s3 = jumped(s2, one);
    size_t i = 0;
    for (; i + 4 * N <= n; i += 4 * N) {
        grain(s0, i);
        grain(s1, i + N);
        grain(s2, i + 2 * N);
        grain(s3, i + 3 * N);
        s0 = jumped(s0, four);
        s1 = jumped(s1, four);
        s2 = jumped(s2, four);
        s3 = jumped(s3, four);
    }
    for (; i + N <= n; i += N) {
        grain(s0, i);
        s0 = jumped(s0, one);
    }
    const RandomJump done = randomJump(i);
    return noiseScalar(p + i, n - i, start * done.mul + done.add, amplitude);
}

uint32_t Noise(uint32_t* p, size_t n, uint32_t state, uint32_t amplitude) {
    const size_t N = hn::Lanes(hn::ScalableTag<uint32_t>());
    if (n < N) return noiseScalar(p, n, state, amplitude);
    if (amplitude == 1) {
        // draw % 1 is 0: the pixels stay, the generator moves on.
        const RandomJump jump = randomJump(n);
        return state * jump.mul + jump.add;
    }
    if (amplitude >= 32768) return noiseRun<true>(p, n, state, amplitude, 0, 0, 0);
    int log2 = 0;
    while ((1u << log2) < amplitude) ++log2;
    const int s = 15 + log2;
    const auto m = static_cast<uint16_t>((uint64_t{1} << s) / amplitude + 1);
    const auto a = static_cast<uint16_t>(amplitude);
    if (amplitude > 256) return noiseRun<true>(p, n, state, amplitude, m, a, s - 16);
    return noiseRun<false>(p, n, state, amplitude, m, a, s - 16);
}

#endif // HWY_TARGET == HWY_SCALAR

} // namespace tw::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
TW_EXPORT_KERNEL(Noise, noise, chooseNoiseKernels)
#endif
