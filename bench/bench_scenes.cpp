// Frame time of the single-mesh scenes on the forged data set, as the demo loop calls them.
#include <benchmark/benchmark.h>

#include "bench/scene_bench.h"
#include "scenes/spike.h"
#include "scenes/timeline.h"
#include "scenes/twist.h"
#include "scenes/warp.h"

namespace tw {
namespace {

// Single-mesh scenes: a beat a second, no accents.
constexpr SceneBenchRhythm kRhythm{};

void BM_WarpFrame(benchmark::State& s) {
    sceneFrames<WarpScene, setupWarp, runWarp>(s, "geo2.3ds", tw::sceneStartCs(tw::SCENE_WARP),
                                               tw::sceneEndCs(tw::SCENE_WARP), kRhythm);
}
void BM_TwistFrame(benchmark::State& s) {
    sceneFrames<TwistScene, setupTwist, runTwist>(s, "geo2.3ds", tw::sceneStartCs(tw::SCENE_TWIST),
                                                  tw::sceneEndCs(tw::SCENE_TWIST), kRhythm);
}
void BM_SpikeFrame(benchmark::State& s) {
    sceneFrames<SpikeScene, setupSpike, runSpike>(s, "geo2.3ds", tw::sceneStartCs(tw::SCENE_SPIKE),
                                                  tw::sceneEndCs(tw::SCENE_SPIKE), kRhythm);
}
BENCHMARK(BM_FrameMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_WarpFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwistFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpikeFrame)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tw
