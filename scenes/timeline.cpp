// The timeline interpreter and the scene windows it reads from the script.
#include "scenes/timeline.h"

namespace tw {

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

float sceneStartCs(int32_t sceneId) {
    int32_t start = 0;
    for (const TimelineEntry& e : kDemoScript) {
        if (e.op == TL_SCENE && e.arg == sceneId) return static_cast<float>(start);
        if (e.op == TL_WAIT) start = e.arg;
    }
    return 0;
}

float sceneEndCs(int32_t sceneId) {
    bool found = false;
    for (const TimelineEntry& e : kDemoScript) {
        if (e.op == TL_SCENE && e.arg == sceneId) found = true;
        if (e.op == TL_WAIT && found) return static_cast<float>(e.arg);
    }
    return 0;
}

} // namespace tw
