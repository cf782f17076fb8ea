// Shared set-up of the scene frame benchmarks: the forged data set, a fresh frame and depth
// buffer, and one scene played over its timeline slot as the demo loop calls it.
#pragma once

#include <benchmark/benchmark.h>

#include <cstring>
#include <filesystem>
#include <memory>
#include <string>

#include "base/paths.h"
#include "base/random.h"
#include "base/report.h"
#include "base/sync.h"
#include "image/bitmap.h"

namespace tw {

// A memcpy of one 320x240 frame, run beside the scene frames so that they can be read as
// multiples of a plain copy measured in the same run.
inline void BM_FrameMemcpy(benchmark::State& state) {
    Bitmap from = createBitmap(320, 240), to = createBitmap(320, 240);
    for (int i = 0; i < 320 * 240; ++i) from.pixels[i] = static_cast<uint32_t>(i) * 2654435761u;
    for (auto _ : state) {
        std::memcpy(to.pixels, from.pixels, 320 * 240 * 4);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * 320 * 240 * 4);
}

// False, with the benchmark marked as skipped, when the forge has not written data/`probe`
// into the build tree.
inline bool haveSceneData(benchmark::State& state, const char* probe) {
    if (std::filesystem::exists(std::string(TW_BINARY_DIR) + "/data/" + probe)) return true;
    state.SkipWithError("no forged data set in the build directory");
    return false;
}

// How the syncs fall while a scene plays: every `beatEvery` frames a beat, every
// `accentEvery` frames an accent (0: never); `quietSetup` swallows set-up messages.
struct SceneBenchRhythm {
    int beatEvery = 30; // a beat a second at 30 fps
    int accentEvery = 0;
    bool quietSetup = false;
};

// Plays the scene at 30 frames a second from `start`, wrapping back to it at `end`.
template <class Scene, void (*Setup)(Scene&), void (*Run)(Scene&, Bitmap&, float)>
void sceneFrames(benchmark::State& state, const char* probe, float start, float end,
                 const SceneBenchRhythm& rhythm) {
    if (!haveSceneData(state, probe)) return;
    setDataRoot(TW_BINARY_DIR);
    createZBuffer(gZBuffer, 320, 240);
    Bitmap frame = createBitmap(320, 240);
    seedRandom();
    resetSyncFlags();
    // A fresh scene on every run: the benchmark library calls this function several times
    // (to size the run, then to time it), and the scene readers append to what a scene holds,
    // so a kept scene would draw its meshes once more on every call.
    const std::unique_ptr<Scene> fresh = std::make_unique<Scene>();
    Scene& scene = *fresh;
    if (rhythm.quietSetup) {
        ReportCapture quiet;
        Setup(scene);
    } else {
        Setup(scene);
    }
    float t = start;
    int frames = 0;
    for (auto _ : state) {
        ++frames;
        if (frames % rhythm.beatEvery == 0) syncFlags[SYNC_BEAT] = 1.0f;
        if (rhythm.accentEvery && frames % rhythm.accentEvery == 0) syncFlags[SYNC_ACCENT] = 1.0f;
        clearZBuffer(gZBuffer);
        Run(scene, frame, t);
        t += 10.0f / 3;
        if (t >= end) t = start;
        benchmark::DoNotOptimize(frame.pixels[320 * 120 + 160]);
    }
    state.SetItemsProcessed(state.iterations()); // frames
}

} // namespace tw
