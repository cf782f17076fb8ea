// The timeline: a tiny interpreter over the fixed script that picks the scene for each moment.
#pragma once

#include <cstdint>

#include "scenes/registry.h"

namespace tw {

enum TimelineOp : int32_t { TL_SCENE = 0, TL_WAIT = 1, TL_END = 2 };

// op TL_SCENE: arg is a scene id (scenes/registry.h); TL_WAIT: whole centiseconds; TL_END: 0.
struct TimelineEntry {
    int32_t op;
    int32_t arg;
};

struct Timeline {
    float time = 0;                        // the time most recently passed to the step (cs)
    const TimelineEntry* cursor = nullptr; // the next entry to execute
    int32_t scene = -1;                    // selected scene id, -1 before the first selection
};

// The presentation's script, written from the scene table: each scene in playing order, then
// a wait until its end time; the end after the last.
inline constexpr TimelineEntry kDemoScript[] = {
#define TW_SCRIPT_ROW(ID, name, State, setUp, perFrame, endsCs, rank, still)                       \
    {TL_SCENE, SCENE_##ID}, {TL_WAIT, endsCs},
    TW_SCENE_TABLE(TW_SCRIPT_ROW)
#undef TW_SCRIPT_ROW
        {TL_END, 0},
};
inline constexpr int kDemoScriptLength = sizeof(kDemoScript) / sizeof(kDemoScript[0]);

// The run's length in seconds: the script's last wait.
constexpr double demoLengthSeconds() {
    int32_t last = 0;
    for (const TimelineEntry& e : kDemoScript)
        if (e.op == TL_WAIT) last = e.arg;
    return last / 100.0;
}

void timelineCreate(Timeline& timeline, const TimelineEntry* script);
// Executes the script up to the first wait that is not yet due; true once the end is reached
// (and on every later call). Several waits can pass in one call after a stall.
bool timelineStep(Timeline& timeline, float timeCs);

// Demo time (seconds) at which the scene with this id starts and ends in the script; the
// offline tools use it to pick frames per scene. False when the id is not in the script.
bool sceneInterval(int32_t sceneId, float& startSeconds, float& endSeconds);
// Timeline time (centiseconds) at which the scene starts and ends in the script; 0 when it is
// not there.
float sceneStartCs(int32_t sceneId);
float sceneEndCs(int32_t sceneId);

} // namespace tw
