// Frame time of the five scenes that play scene files, on the forged data set, as the demo
// loop calls them; and the time to load each scene file.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "base/paths.h"
#include "base/random.h"
#include "base/report.h"
#include "formats/scene.h"
#include "host/sync.h"
#include "image/bitmap.h"
#include "scenes/eye.h"
#include "scenes/greetings.h"
#include "scenes/grey.h"
#include "scenes/room.h"
#include "scenes/tunnel.h"

namespace tw {
namespace {

bool haveData(benchmark::State& state) {
    if (std::filesystem::exists(std::string(TW_BINARY_DIR) + "/data/scene01.3ds")) return true;
    state.SkipWithError("no forged data set in the build directory");
    return false;
}

// Plays the scene over its timeline slot at 30 frames a second, with a beat every second
// and an accent every 1.5 seconds, wrapping back to the slot's start.
template <class Scene, void (*Setup)(Scene&), void (*Run)(Scene&, Bitmap&, float)>
void sceneFrames(benchmark::State& state, float start, float end) {
    if (!haveData(state)) return;
    setDataRoot(TW_BINARY_DIR);
    createZBuffer(gZBuffer, 320, 240);
    Bitmap frame = createBitmap(320, 240);
    seedRandom();
    resetSyncFlags();
    static Scene scene;
    {
        ReportCapture quiet;
        Setup(scene);
    }
    float t = start;
    int frames = 0;
    for (auto _ : state) {
        ++frames;
        if (frames % 30 == 0) syncFlags[SYNC_BEAT] = 1.0f;
        if (frames % 45 == 0) syncFlags[SYNC_ACCENT] = 1.0f;
        clearZBuffer(gZBuffer);
        Run(scene, frame, t);
        t += 10.0f / 3;
        if (t >= end) t = start;
        benchmark::DoNotOptimize(frame.pixels[320 * 120 + 160]);
    }
    state.SetItemsProcessed(state.iterations()); // frames
}

void BM_EyeFrame(benchmark::State& s) {
    sceneFrames<EyeScene, setupEye, runEye>(s, 0, 1850);
}
void BM_TunnelFrame(benchmark::State& s) {
    sceneFrames<TunnelScene, setupTunnel, runTunnel>(s, 3150, 4450);
}
void BM_RoomFrame(benchmark::State& s) {
    sceneFrames<RoomScene, setupRoom, runRoom>(s, 4450, 5700);
}
void BM_GreyFrame(benchmark::State& s) {
    sceneFrames<GreyScene, setupGrey, runGrey>(s, 9600, 11550);
}
void BM_GreetingsFrame(benchmark::State& s) {
    sceneFrames<GreetingsScene, setupGreetings, runGreetings>(s, 11550, 14800);
}
BENCHMARK(BM_EyeFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TunnelFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoomFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreetingsFrame)->Unit(benchmark::kMillisecond);

// Loading a scene file with its textures, as a scene set-up does.
void sceneLoad(benchmark::State& state, const char* file, bool siv) {
    if (!haveData(state)) return;
    setDataRoot(TW_BINARY_DIR);
    ReportCapture quiet;
    for (auto _ : state) {
        Scene scene;
        if (siv)
            loadSivScene(scene, dataPath(std::string("data/") + file));
        else
            load3dsScene(scene, dataPath(std::string("data/") + file));
        benchmark::DoNotOptimize(scene.meshes.size());
        quiet.lines.clear();
    }
}
void BM_LoadScene01(benchmark::State& s) {
    sceneLoad(s, "scene01.3ds", false);
}
void BM_LoadScene03(benchmark::State& s) {
    sceneLoad(s, "scene03.3ds", false);
}
void BM_LoadScene04(benchmark::State& s) {
    sceneLoad(s, "scene04.3ds", false);
}
void BM_LoadTunnel(benchmark::State& s) {
    sceneLoad(s, "tunnel.siv", true);
}
void BM_LoadRoom(benchmark::State& s) {
    sceneLoad(s, "room03.siv", true);
}
BENCHMARK(BM_LoadScene01)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScene03)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadScene04)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadTunnel)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRoom)->Unit(benchmark::kMillisecond);

} // namespace
} // namespace tw
