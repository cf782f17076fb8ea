// Frame time of the single-mesh scenes on the forged data set, as the demo loop calls them.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "base/paths.h"
#include "base/random.h"
#include "base/report.h"
#include "host/sync.h"
#include "image/bitmap.h"
#include "scenes/spike.h"
#include "scenes/twist.h"
#include "scenes/warp.h"

namespace tw {
namespace {

template <class Scene, void (*Setup)(Scene&), void (*Run)(Scene&, Bitmap&, float)>
void sceneFrames(benchmark::State& state, float start, float end) {
    if (!std::filesystem::exists(std::string(TW_BINARY_DIR) + "/data/geo2.3ds")) {
        state.SkipWithError("no forged data set in the build directory");
        return;
    }
    setDataRoot(TW_BINARY_DIR);
    createZBuffer(gZBuffer, 320, 240);
    Bitmap frame = createBitmap(320, 240);
    seedRandom();
    resetSyncFlags();
    static Scene scene;
    Setup(scene);
    float t = start;
    int frames = 0;
    for (auto _ : state) {
        if (++frames % 30 == 0) syncFlags[SYNC_BEAT] = 1.0f; // a beat a second at 30 fps
        clearZBuffer(gZBuffer);
        Run(scene, frame, t);
        t += 10.0f / 3;
        if (t >= end) t = start;
        benchmark::DoNotOptimize(frame.pixels[320 * 120 + 160]);
    }
    state.SetItemsProcessed(state.iterations()); // frames
}

void BM_WarpFrame(benchmark::State& s) {
    sceneFrames<WarpScene, setupWarp, runWarp>(s, 1850, 3150);
}
void BM_TwistFrame(benchmark::State& s) {
    sceneFrames<TwistScene, setupTwist, runTwist>(s, 5700, 7000);
}
void BM_SpikeFrame(benchmark::State& s) {
    sceneFrames<SpikeScene, setupSpike, runSpike>(s, 8350, 9600);
}
BENCHMARK(BM_WarpFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TwistFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SpikeFrame)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tw
