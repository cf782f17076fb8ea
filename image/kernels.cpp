// The kernel table: the plain kernels, and the vector kernels of the best target Highway
// finds on this CPU, chosen once at first use; the per-target tables for the tests.
#include "image/kernels.h"

#include <atomic>

#include <hwy/highway.h>

#include "image/blend_kernels.h"
#include "image/blur_kernels.h"
#include "image/simd.h"

#if defined(__EMSCRIPTEN__)
static_assert(HWY_STATIC_TARGET == HWY_WASM, "the web build runs the SIMD128 kernels");
#endif

namespace tw::kernels {

namespace {

constexpr Kernels kScalar = {
    scaleScalar,       crossfadeScalar,    brightenScalar,  multiplyScalar,
    addScalar,         alphaOverlayScalar, maskBlendScalar, blendFillScalar,
    spriteBlendScalar, desaturateScalar,   fillScalar,      noiseScalar,
    smoothScalar,      warpScalar,         blurRowsPlain,   blurColumnsPlain};

// Every vector file's entries, for the target Highway has chosen.
Kernels chosenTable() {
    Kernels t = kScalar;
    chooseBlendKernels(t);
    chooseNoiseKernels(t);
    chooseSmoothKernels(t);
    chooseWarpKernels(t);
    chooseBlurKernels(t);
    return t;
}

const Kernels& best() {
    static const Kernels table = [] {
#if !TW_ONE_TARGET
        hwy::GetChosenTarget().Update(hwy::SupportedTargets());
#endif
        return chosenTable();
    }();
    return table;
}

std::atomic<bool> gForceScalar{false};

} // namespace

const Kernels& active() {
    return gForceScalar.load(std::memory_order_relaxed) ? kScalar : best();
}

const Kernels& scalarKernels() {
    return kScalar;
}

void forceScalar(bool on) {
    gForceScalar.store(on, std::memory_order_relaxed);
}

std::vector<TargetKernels> everyTarget() {
    return everyTargetOf<TargetKernels>(chosenTable);
}

} // namespace tw::kernels
