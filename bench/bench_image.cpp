// Whole-frame 2D operations on 320x240, each beside a memcpy of the same frame measured in
// the same run (BM_memcpy_320x240): every kernel reports its time as a multiple of that copy
// (counter x_memcpy) and the copy's own time (memcpy_ns), both in thread CPU time, which a
// loaded machine disturbs less than wall time.
#include <benchmark/benchmark.h>

#include <cstring>
#include <ctime>
#include <random>

#include "base/random.h"
#include "image/bitmap.h"
#include "image/kernels.h"
#include "image/ops.h"

namespace {

using namespace tw;

constexpr int kW = 320, kH = 240, kN = kW * kH;

Bitmap randomFrame(uint32_t seed, int w = kW, int h = kH) {
    Bitmap b = createBitmap(w, h);
    std::mt19937 rng(seed);
    for (int i = 0; i < w * h; ++i) b.pixels[i] = rng();
    return b;
}

double cpuSeconds() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double gMemcpySeconds = 0; // thread CPU seconds per one-frame memcpy in this run

// Runs body once per iteration and reports its bytes, its time per frame as a multiple of
// the memcpy's, and the memcpy's time.
template <typename Body> void timed(benchmark::State& state, Body body) {
    const double start = cpuSeconds();
    for (auto _ : state) {
        body();
        benchmark::ClobberMemory();
    }
    const double perFrame = (cpuSeconds() - start) / static_cast<double>(state.iterations());
    if (gMemcpySeconds > 0) {
        state.counters["x_memcpy"] = perFrame / gMemcpySeconds;
        state.counters["memcpy_ns"] = gMemcpySeconds * 1e9;
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kN * 4);
}

void BM_memcpy_320x240(benchmark::State& state) {
    Bitmap s = randomFrame(1), d = createBitmap(kW, kH);
    const double start = cpuSeconds();
    for (auto _ : state) {
        std::memcpy(d.pixels, s.pixels, kN * 4);
        benchmark::ClobberMemory();
    }
    gMemcpySeconds = (cpuSeconds() - start) / static_cast<double>(state.iterations());
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * kN * 4);
}
BENCHMARK(BM_memcpy_320x240);

// One-bitmap operations.
template <typename Op> void oneFrame(benchmark::State& state, Op op) {
    Bitmap d = randomFrame(2);
    timed(state, [&] { op(d); });
}
// Source-into-destination operations; the source is re-randomised never, the destination
// keeps changing, which does not matter to branch-free kernels.
template <typename Op> void twoFrames(benchmark::State& state, Op op) {
    Bitmap s = randomFrame(3), d = randomFrame(4);
    timed(state, [&] { op(s, d); });
}

void BM_clearBitmap(benchmark::State& s) {
    oneFrame(s, [](Bitmap& d) { clearBitmap(d); });
}
void BM_fillBitmap(benchmark::State& s) {
    oneFrame(s, [](Bitmap& d) { fillBitmap(d, 0x80402010u); });
}
void BM_blendFill(benchmark::State& s) {
    oneFrame(s, [](Bitmap& d) { blendFill(d, 100, 0xFFFFFFFFu); });
}
void BM_scaleBitmap(benchmark::State& s) {
    oneFrame(s, [](Bitmap& d) { scaleBitmap(d, 250); });
}
void BM_brighten(benchmark::State& s) {
    oneFrame(s, [](Bitmap& d) { brighten(d, 40); });
}
void BM_desaturate(benchmark::State& s) {
    oneFrame(s, [](Bitmap& d) { desaturate(d, 128); });
}
void BM_addNoise(benchmark::State& s) {
    oneFrame(s, [](Bitmap& d) { addNoise(d, 16); });
}
void BM_smooth4(benchmark::State& s) {
    oneFrame(s, [](Bitmap& d) { smooth4(d); });
}
void BM_crossfade(benchmark::State& s) {
    twoFrames(s, [](const Bitmap& a, Bitmap& b) { crossfade(a, b, 100); });
}
void BM_multiplyInto(benchmark::State& s) {
    twoFrames(s, [](const Bitmap& a, Bitmap& b) { multiplyInto(a, b); });
}
void BM_addInto(benchmark::State& s) {
    twoFrames(s, [](const Bitmap& a, Bitmap& b) { addInto(a, b); });
}
void BM_copyBitmap(benchmark::State& s) {
    twoFrames(s, [](const Bitmap& a, Bitmap& b) { copyBitmap(a, b); });
}
void BM_alphaOverlay(benchmark::State& s) {
    twoFrames(s, [](const Bitmap& a, Bitmap& b) { alphaOverlay(a, b); });
}
void BM_maskBlend(benchmark::State& s) {
    Bitmap m = randomFrame(5);
    twoFrames(s, [&](const Bitmap& a, Bitmap& b) { maskBlend(a, b, m); });
}
void BM_drawSprite_opaque(benchmark::State& s) {
    twoFrames(s, [](const Bitmap& a, Bitmap& b) { drawSprite(a, b, 0, 0, false); });
}
void BM_drawSprite_blend(benchmark::State& s) {
    twoFrames(s, [](const Bitmap& a, Bitmap& b) { drawSprite(a, b, 0, 0, true); });
}
void BM_warpTexture(benchmark::State& state) {
    Bitmap tex = randomFrame(6, 256, 256), d = createBitmap(kW, kH);
    float t = 0;
    timed(state, [&] {
        warpTexture(d, tex, t);
        t += 3.7f;
    });
}
void BM_boxBlurH(benchmark::State& state) {
    const auto r = static_cast<uint32_t>(state.range(0));
    twoFrames(state, [r](const Bitmap& a, Bitmap& b) { boxBlurH(b, a, r); });
}
void BM_boxBlurV(benchmark::State& state) {
    const auto r = static_cast<uint32_t>(state.range(0));
    twoFrames(state, [r](const Bitmap& a, Bitmap& b) { boxBlurV(b, a, r); });
}

// The plain kernels behind the vector ones, for comparison.
template <void (*Bench)(benchmark::State&)> void scalarOf(benchmark::State& state) {
    kernels::forceScalar(true);
    Bench(state);
    kernels::forceScalar(false);
}

BENCHMARK(BM_clearBitmap);
BENCHMARK(BM_fillBitmap);
BENCHMARK(BM_blendFill);
BENCHMARK(BM_scaleBitmap);
BENCHMARK(BM_crossfade);
BENCHMARK(BM_brighten);
BENCHMARK(BM_multiplyInto);
BENCHMARK(BM_addInto);
BENCHMARK(BM_copyBitmap);
BENCHMARK(BM_alphaOverlay);
BENCHMARK(BM_maskBlend);
BENCHMARK(BM_addNoise);
BENCHMARK(BM_desaturate);
BENCHMARK(BM_drawSprite_opaque);
BENCHMARK(BM_drawSprite_blend);
BENCHMARK(BM_smooth4);
BENCHMARK(BM_warpTexture);
BENCHMARK(scalarOf<BM_blendFill>)->Name("BM_blendFill_scalar");
BENCHMARK(scalarOf<BM_scaleBitmap>)->Name("BM_scaleBitmap_scalar");
BENCHMARK(scalarOf<BM_crossfade>)->Name("BM_crossfade_scalar");
BENCHMARK(scalarOf<BM_brighten>)->Name("BM_brighten_scalar");
BENCHMARK(scalarOf<BM_multiplyInto>)->Name("BM_multiplyInto_scalar");
BENCHMARK(scalarOf<BM_addInto>)->Name("BM_addInto_scalar");
BENCHMARK(scalarOf<BM_alphaOverlay>)->Name("BM_alphaOverlay_scalar");
BENCHMARK(scalarOf<BM_maskBlend>)->Name("BM_maskBlend_scalar");
BENCHMARK(scalarOf<BM_desaturate>)->Name("BM_desaturate_scalar");
BENCHMARK(scalarOf<BM_drawSprite_blend>)->Name("BM_drawSprite_blend_scalar");
BENCHMARK(scalarOf<BM_addNoise>)->Name("BM_addNoise_scalar");
BENCHMARK(scalarOf<BM_smooth4>)->Name("BM_smooth4_scalar");
BENCHMARK(scalarOf<BM_warpTexture>)->Name("BM_warpTexture_scalar");
BENCHMARK(BM_boxBlurH)->Arg(1)->Arg(4)->Arg(16)->Arg(64);
BENCHMARK(BM_boxBlurV)->Arg(1)->Arg(4)->Arg(16)->Arg(64);
BENCHMARK(scalarOf<BM_boxBlurH>)->Name("BM_boxBlurH_scalar")->Arg(4);
BENCHMARK(scalarOf<BM_boxBlurV>)->Name("BM_boxBlurV_scalar")->Arg(4);

} // namespace
