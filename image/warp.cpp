// The warped texture fill: a 256x256 picture mapped onto the 320x240 frame through a
// quadrilateral whose corners swing with the phase t, stepped in 16.16 fixed point.
#include <cmath>

#include "image/frame_kernels.h"
#include "image/kernels.h"
#include "image/ops.h"

namespace tw {

namespace kernels {

void warpScalar(uint32_t* out, const uint32_t* tex, const WarpQuad& q) {
    int32_t lu = q.lu, lv = q.lv, ru = q.ru, rv = q.rv;
    for (int32_t y = 0; y < kWarpH; ++y) {
        const int32_t du = (ru - lu) / kWarpW, dv = (rv - lv) / kWarpW;
        int32_t u = lu, v = lv;
        for (int32_t x = 0; x < kWarpW; ++x) {
            *out++ = tex[((v >> 16) & 255) * kWarpTex + ((u >> 16) & 255)];
            u += du;
            v += dv;
        }
        lu += q.dlu;
        lv += q.dlv;
        ru += q.dru;
        rv += q.drv;
    }
}

} // namespace kernels

void warpTexture(Bitmap& dest, const Bitmap& picture, float t) {
    using namespace kernels;
    if (picture.width != kWarpTex || picture.height != kWarpTex ||
        !picture.holds(kWarpTex * kWarpTex))
        return;
    if (!dest.holds(kWarpW * kWarpH)) return;

    const double td = t;
    const double amp = std::sin(td * 0.0052358333269755045) * 256.0 + 512.0;
    // Corner coordinate in texels: never below 1.
    auto corner = [&](double w) {
        return static_cast<int32_t>(amp * (std::sin(w * td) + 1.0) + 1.0);
    };
    const int32_t tlu = corner(0.0034905555513170036), tlv = corner(-0.008726388878292508);
    const int32_t tru = corner(-0.006981111102634007), trv = corner(0.0034905555513170036);
    const int32_t blu = corner(-0.0052358333269755045), blv = corner(0.008726388878292508);
    const int32_t bru = corner(0.01221694442960951), brv = corner(-0.0034905555513170036);

    // Corners stay below 2*768+2 texels, so 16.16 values fit comfortably in 32 bits.
    const WarpQuad q = {tlu * 65536,
                        tlv * 65536,
                        tru * 65536,
                        trv * 65536,
                        (blu - tlu) * 65536 / kWarpH,
                        (blv - tlv) * 65536 / kWarpH,
                        (bru - tru) * 65536 / kWarpH,
                        (brv - trv) * 65536 / kWarpH};
    active().warp(dest.pixels, picture.pixels, q);
}

} // namespace tw
