// Benchmarks of the two effects (metaball polygoniser, ray-cast tunnel) and of the two scenes
// built on them, one frame per iteration.
#include <benchmark/benchmark.h>

#include <cmath>

#include "base/paths.h"
#include "base/random.h"
#include "base/sync.h"
#include "bench/scene_bench.h"
#include "image/bitmap.h"
#include "image/kernels.h"
#include "scenes/boombox.h"
#include "scenes/isosurface.h"
#include "scenes/metaballs.h"
#include "scenes/raytunnel.h"
#include "scenes/timeline.h"

namespace {

// The metaball scene's blob: 18 cells of 10, three balls of radius 8 swimming.
void BM_PolygoniserUpdate(benchmark::State& state) {
    static tw::Isosurface iso;
    tw::createIsosurface(iso);
    tw::initialiseIsosurface(iso, 0.1f, 18, 10);
    for (int i = 0; i < 3; ++i) tw::addMetaball(iso, 8.0f);
    float t = tw::sceneStartCs(tw::SCENE_METABALLS);
    int64_t triangles = 0;
    for (auto _ : state) {
        for (int i = 0; i < 3; ++i) {
            const double phase = 242.0 * i + 4.0 * t;
            tw::setCentre(iso, i, static_cast<float>(42 * std::sin(phase * 0.0017452777756585018)),
                          static_cast<float>(42 * std::sin(phase * 0.0034905555513170036)),
                          static_cast<float>(42 * std::sin(phase * 0.0052358333269755045)));
        }
        tw::rebuildIsosurface(iso);
        triangles += iso.mesh.faceCount;
        benchmark::DoNotOptimize(iso.mesh.vertices.data());
        t += 1.7f;
    }
    state.counters["triangles"] =
        benchmark::Counter(static_cast<double>(triangles), benchmark::Counter::kAvgIterations);
}
BENCHMARK(tw::BM_FrameMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_PolygoniserUpdate)->Unit(benchmark::kMicrosecond);

tw::Bitmap noiseTexture(uint32_t seed) {
    tw::Bitmap b = tw::createBitmap(256, 256);
    b.widthShift = 8;
    b.widthMask = 255;
    tw::seedRandom(seed);
    for (int i = 0; i < 65536; ++i)
        b.pixels[i] = static_cast<uint32_t>(tw::demoRand()) * 131071u | 0xFF000000u;
    return b;
}

// One tunnel frame (cast 41x31 rays, fill 40x30 blocks) on a tumbling flight; argument 1 fills
// with the plain loop instead of the chosen target's.
void BM_TunnelRender(benchmark::State& state) {
    tw::kernels::forceScalar(state.range(0) != 0);
    static tw::TunnelGrid grid;
    tw::createTunnel(grid, 320, 240);
    tw::Bitmap frame = tw::createBitmap(320, 240);
    tw::TunnelTextures textures;
    tw::prepareTunnelTextures(textures, noiseTexture(1), noiseTexture(2), noiseTexture(3));
    float t = 15000.0f;
    for (auto _ : state) {
        tw::setView(grid, 0, 0, 4 * t, 0.2f * t, 0.3f * t, 0.1f * t);
        tw::renderTunnel(grid, frame, textures);
        benchmark::DoNotOptimize(frame.pixels);
        t += 1.7f;
    }
    tw::kernels::forceScalar(false);
}
BENCHMARK(BM_TunnelRender)->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);

// Whole scene frames on the forged data set, as the demo loop calls them (depth buffer
// cleared first), stepping 1.7 centiseconds a frame through each scene's slot.
void BM_MetaballSceneFrame(benchmark::State& state) {
    tw::setDataRoot(TW_BINARY_DIR);
    static tw::MetaballScene scene;
    static bool ready = false;
    if (!ready) tw::setupMetaballs(scene), ready = true;
    tw::createZBuffer(tw::gZBuffer, 320, 240);
    tw::Bitmap frame = tw::createBitmap(320, 240);
    tw::resetSyncFlags();
    tw::seedRandom();
    const float start = tw::sceneStartCs(tw::SCENE_METABALLS);
    const float end = tw::sceneEndCs(tw::SCENE_METABALLS);
    float t = start;
    for (auto _ : state) {
        tw::clearZBuffer(tw::gZBuffer);
        tw::runMetaballs(scene, frame, t);
        benchmark::DoNotOptimize(frame.pixels);
        t += 1.7f;
        if (t >= end) t = start;
    }
}
BENCHMARK(BM_MetaballSceneFrame)->Unit(benchmark::kMicrosecond);

void BM_BoomboxSceneFrame(benchmark::State& state) {
    tw::setDataRoot(TW_BINARY_DIR);
    static tw::BoomboxScene scene;
    static bool ready = false;
    if (!ready) tw::setupBoombox(scene), ready = true;
    tw::Bitmap frame = tw::createBitmap(320, 240);
    tw::resetSyncFlags();
    tw::seedRandom();
    const float start = tw::sceneStartCs(tw::SCENE_BOOMBOX);
    const float end = tw::sceneEndCs(tw::SCENE_BOOMBOX);
    float t = start;
    for (auto _ : state) {
        tw::runBoombox(scene, frame, t);
        benchmark::DoNotOptimize(frame.pixels);
        t += 1.7f;
        if (t >= end) t = start;
    }
}
BENCHMARK(BM_BoomboxSceneFrame)->Unit(benchmark::kMicrosecond);

} // namespace
