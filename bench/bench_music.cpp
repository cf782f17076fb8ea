// Cost of rendering the soundtrack: one tick (1000 frames at 48000 Hz) on the audio thread,
// and the first-pass sync scan that `--list-syncs` runs.
#include <benchmark/benchmark.h>

#include "host/music_syncs.h"
#include "host/music_ticker.h"

namespace {

const std::string kModule = std::string(TW_BINARY_DIR) + "/data/vekt51.xm";

void BM_RenderTick(benchmark::State& state) {
    tw::XmpTicker ticker;
    if (!ticker.load(kModule, tw::kMusicRate)) {
        state.SkipWithError(ticker.error.c_str());
        return;
    }
    // Start inside the climax, where the most voices sound.
    while (ticker.renderedFrames < int64_t{150} * tw::kMusicRate) ticker.renderTick();
    for (auto _ : state) {
        ticker.renderTick();
        benchmark::DoNotOptimize(ticker.buffer);
    }
    state.counters["budget_ratio"] =
        benchmark::Counter(static_cast<double>(state.iterations()) * 1000.0 / tw::kMusicRate,
                           benchmark::Counter::kIsRate); // seconds of audio per second of work
}
BENCHMARK(BM_RenderTick);

void BM_FirstPassSyncs(benchmark::State& state) {
    for (auto _ : state) {
        double duration = 0;
        auto syncs = tw::firstPassSyncs(kModule, &duration, nullptr);
        benchmark::DoNotOptimize(syncs.data());
    }
}
BENCHMARK(BM_FirstPassSyncs)->Unit(benchmark::kMillisecond);

} // namespace
