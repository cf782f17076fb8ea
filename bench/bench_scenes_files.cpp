// Frame time of the five scenes that play scene files, on the forged data set, as the demo
// loop calls them; and the time to load each scene file.
#include <benchmark/benchmark.h>

#include "bench/scene_bench.h"
#include "formats/scene.h"
#include "scenes/eye.h"
#include "scenes/greetings.h"
#include "scenes/grey.h"
#include "scenes/room.h"
#include "scenes/timeline.h"
#include "scenes/tunnel.h"

namespace tw {
namespace {

constexpr const char* kProbe = "scene01.3ds";

// A beat every second and an accent every 1.5 seconds; the set-up's expected reader lines
// are swallowed.
constexpr SceneBenchRhythm kRhythm{30, 45, true};

void BM_EyeFrame(benchmark::State& s) {
    sceneFrames<EyeScene, setupEye, runEye>(s, kProbe, tw::sceneStartCs(tw::SCENE_EYE),
                                            tw::sceneEndCs(tw::SCENE_EYE), kRhythm);
}
void BM_TunnelFrame(benchmark::State& s) {
    sceneFrames<TunnelScene, setupTunnel, runTunnel>(s, kProbe, tw::sceneStartCs(tw::SCENE_TUNNEL),
                                                     tw::sceneEndCs(tw::SCENE_TUNNEL), kRhythm);
}
void BM_RoomFrame(benchmark::State& s) {
    sceneFrames<RoomScene, setupRoom, runRoom>(s, kProbe, tw::sceneStartCs(tw::SCENE_ROOM),
                                               tw::sceneEndCs(tw::SCENE_ROOM), kRhythm);
}
void BM_GreyFrame(benchmark::State& s) {
    sceneFrames<GreyScene, setupGrey, runGrey>(s, kProbe, tw::sceneStartCs(tw::SCENE_GREY),
                                               tw::sceneEndCs(tw::SCENE_GREY), kRhythm);
}
void BM_GreetingsFrame(benchmark::State& s) {
    sceneFrames<GreetingsScene, setupGreetings, runGreetings>(
        s, kProbe, tw::sceneStartCs(tw::SCENE_GREETINGS), tw::sceneEndCs(tw::SCENE_GREETINGS),
        kRhythm);
}
BENCHMARK(BM_FrameMemcpy)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EyeFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_TunnelFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RoomFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreyFrame)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GreetingsFrame)->Unit(benchmark::kMillisecond);

// Loading a scene file with its textures, as a scene set-up does.
void sceneLoad(benchmark::State& state, const char* file, bool siv) {
    if (!haveSceneData(state, kProbe)) return;
    setDataRoot(TW_BINARY_DIR);
    ReportCapture quiet;
    for (auto _ : state) {
        Scene scene;
        if (siv)
            loadSivScene(scene, dataPath(std::string("data/") + file));
        else
            loadTdsScene(scene, dataPath(std::string("data/") + file));
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
