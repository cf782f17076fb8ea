// The timeline: a tiny interpreter over the fixed script that picks the scene for each moment.
#pragma once

#include <cstdint>

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

// The presentation's script: eleven scenes, 0 to 177.00 seconds.
extern const TimelineEntry kDemoScript[];
extern const int kDemoScriptLength;

void timelineCreate(Timeline& timeline, const TimelineEntry* script);
// Executes the script up to the first wait that is not yet due; true once the end is reached
// (and on every later call). Several waits can pass in one call after a stall.
bool timelineStep(Timeline& timeline, float timeCs);

// Demo time (seconds) at which the scene with this id starts and ends in the script; the
// offline tools use it to pick frames per scene. False when the id is not in the script.
bool sceneInterval(int32_t sceneId, float& startSeconds, float& endSeconds);

} // namespace tw
