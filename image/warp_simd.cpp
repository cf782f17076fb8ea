// Vector warped texture fill, compiled once per instruction set through Highway: lane j of
// a row's vector steps u and v from u0 + j*du (the plain loop's repeated sums, which never
// overflow: the corners stay below 2^27 in 16.16), and the texels are gathered.
#undef HWY_TARGET_INCLUDE
#define HWY_TARGET_INCLUDE "image/warp_simd.cpp"
#include <hwy/foreach_target.h>

#include <hwy/highway.h>

#include "image/frame_kernels.h"
#include "image/kernels.h"
#include "image/simd.h"

HWY_BEFORE_NAMESPACE();
namespace tw::kernels::HWY_NAMESPACE {

#if HWY_TARGET == HWY_SCALAR
void Warp(uint32_t* out, const uint32_t* tex, const WarpQuad& q) {
    warpScalar(out, tex, q);
}
#else

namespace hn = hwy::HWY_NAMESPACE;

void Warp(uint32_t* out, const uint32_t* tex, const WarpQuad& q) {
    const hn::ScalableTag<int32_t> d;
    const hn::RebindToUnsigned<decltype(d)> du32;
    const size_t N = hn::Lanes(d);
    const auto lanes = hn::Iota(d, 0);
    const auto column = hn::Set(d, 0xFF), row = hn::Set(d, 0xFF00);
    const auto* texels = reinterpret_cast<const int32_t*>(tex);
    int32_t lu = q.lu, lv = q.lv, ru = q.ru, rv = q.rv;
    for (int32_t y = 0; y < kWarpH; ++y, out += kWarpW) {
        const int32_t du = (ru - lu) / kWarpW, dv = (rv - lv) / kWarpW;
        auto u = hn::Add(hn::Set(d, lu), hn::Mul(lanes, hn::Set(d, du)));
        auto v = hn::Add(hn::Set(d, lv), hn::Mul(lanes, hn::Set(d, dv)));
        const auto stepU = hn::Set(d, static_cast<int32_t>(du * static_cast<int32_t>(N)));
        const auto stepV = hn::Set(d, static_cast<int32_t>(dv * static_cast<int32_t>(N)));
        int32_t x = 0;
        for (; x + static_cast<int32_t>(N) <= kWarpW; x += static_cast<int32_t>(N)) {
            // ((v >> 16) & 255) * 256 + ((u >> 16) & 255); the masks make the shifts' sign
            // filling irrelevant.
            const auto index =
                hn::Or(hn::And(hn::ShiftRight<8>(v), row), hn::And(hn::ShiftRight<16>(u), column));
            hn::StoreU(hn::BitCast(du32, hn::GatherIndex(d, texels, index)), du32, out + x);
            u = hn::Add(u, stepU);
            v = hn::Add(v, stepV);
        }
        for (int32_t uu = lu + x * du, vv = lv + x * dv; x < kWarpW; ++x, uu += du, vv += dv)
            out[x] = tex[((vv >> 16) & 255) * kWarpTex + ((uu >> 16) & 255)];
        lu += q.dlu;
        lv += q.dlv;
        ru += q.dru;
        rv += q.drv;
    }
}

#endif // HWY_TARGET == HWY_SCALAR

} // namespace tw::kernels::HWY_NAMESPACE
HWY_AFTER_NAMESPACE();

#if HWY_ONCE
TW_EXPORT_KERNEL(Warp, warp, chooseWarpKernels)
#endif
