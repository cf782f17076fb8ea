// The kernel table: every whole-buffer kernel the image operations run, as plain references
// and as vector code for the best instruction set the CPU has, chosen once at first use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "image/frame_kernels.h"

namespace tw::kernels {

// One entry per kernel; the plain references are in blend_kernels.h, frame_kernels.h and
// blur_kernels.h.
struct Kernels {
    void (*scale)(uint32_t*, size_t, uint32_t);
    void (*crossfade)(const uint32_t*, uint32_t*, size_t, uint32_t);
    void (*brighten)(uint32_t*, size_t, uint32_t);
    void (*multiply)(const uint32_t*, uint32_t*, size_t);
    void (*add)(const uint32_t*, uint32_t*, size_t);
    void (*alphaOverlay)(const uint32_t*, uint32_t*, size_t);
    void (*maskBlend)(const uint32_t*, uint32_t*, const uint32_t*, size_t);
    void (*blendFill)(uint32_t*, size_t, uint32_t, uint32_t);
    void (*spriteBlend)(const uint32_t*, uint32_t*, size_t);
    void (*desaturate)(uint32_t*, size_t, uint32_t);
    void (*fill)(uint32_t*, size_t, uint32_t);
    // Whole frames (frame_kernels.h, blur_kernels.h): grain returns the generator state.
    uint32_t (*noise)(uint32_t* p, size_t n, uint32_t state, uint32_t amplitude);
    void (*smooth)(uint32_t* p, size_t begin, size_t end);
    void (*warp)(uint32_t* out, const uint32_t* tex, const WarpQuad& quad);
    void (*blurRows)(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r);
    void (*blurColumns)(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r);
};

// The kernels the image operations run: the best target's, or the plain ones while forced.
const Kernels& active();
const Kernels& scalarKernels();
// Benchmarks switch every operation to its plain kernels to compare; false restores the best.
void forceScalar(bool on);

// The vector kernels compiled for each instruction set this CPU can run (the fallback among
// them), for tests that hold each one to the plain kernels.
struct TargetKernels {
    const char* name;
    Kernels table;
};
std::vector<TargetKernels> everyTarget();

// Each vector source file fills its entries of a table with the currently chosen target's
// functions (Highway's dispatch tables are private to the file that exports them).
void chooseBlendKernels(Kernels& table);
void chooseNoiseKernels(Kernels& table);
void chooseSmoothKernels(Kernels& table);
void chooseWarpKernels(Kernels& table);
void chooseBlurKernels(Kernels& table);

} // namespace tw::kernels
