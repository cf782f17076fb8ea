// The fixed script and its interpreter.
#include "host/timeline.h"

#include "scenes/registry.h"

namespace tw {

const TimelineEntry kDemoScript[] = {
    {TL_SCENE, SCENE_EYE},
    {TL_WAIT, 1850},
    {TL_SCENE, SCENE_WARP},
    {TL_WAIT, 3150},
    {TL_SCENE, SCENE_TUNNEL},
    {TL_WAIT, 4450},
    {TL_SCENE, SCENE_ROOM},
    {TL_WAIT, 5700},
    {TL_SCENE, SCENE_TWIST},
    {TL_WAIT, 7000},
    {TL_SCENE, SCENE_METABALLS},
    {TL_WAIT, 8350},
    {TL_SCENE, SCENE_SPIKE},
    {TL_WAIT, 9600},
    {TL_SCENE, SCENE_GREY},
    {TL_WAIT, 11550},
    {TL_SCENE, SCENE_GREETINGS},
    {TL_WAIT, 14800},
    {TL_SCENE, SCENE_BOOMBOX},
    {TL_WAIT, 17250},
    {TL_SCENE, SCENE_END},
    {TL_WAIT, 17700},
    {TL_END, 0},
};
const int kDemoScriptLength = sizeof(kDemoScript) / sizeof(kDemoScript[0]);

void timelineCreate(Timeline& timeline, const TimelineEntry* script) {
    timeline.time = 0;
    timeline.cursor = script;
    timeline.scene = -1;
}

bool timelineStep(Timeline& timeline, float timeCs) {
    timeline.time = timeCs;
    for (;;) {
        const TimelineEntry& e = *timeline.cursor;
        switch (e.op) {
        case TL_SCENE:
            timeline.scene = e.arg;
            ++timeline.cursor;
            break;
        case TL_WAIT:
            if (timeCs >= static_cast<float>(e.arg)) {
                ++timeline.cursor;
                break;
            }
            return false;
        default: // TL_END, and any unknown op ends the script rather than running off it
            return true;
        }
    }
}

bool sceneInterval(int32_t sceneId, float& startSeconds, float& endSeconds) {
    float start = 0;
    bool found = false;
    for (int i = 0; i < kDemoScriptLength; ++i) {
        const TimelineEntry& e = kDemoScript[i];
        if (e.op == TL_SCENE && e.arg == sceneId) found = true;
        if (e.op == TL_WAIT) {
            if (found) {
                startSeconds = start;
                endSeconds = static_cast<float>(e.arg) / 100.0f;
                return true;
            }
            start = static_cast<float>(e.arg) / 100.0f;
        }
    }
    return false;
}

} // namespace tw
