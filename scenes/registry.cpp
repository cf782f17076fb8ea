// Names, still times, set-up order and per-frame dispatch, all read from the scene table.
#include "scenes/registry.h"

namespace tw {

namespace {

// Every set-up rank from 0 to SCENE_COUNT - 1 names exactly one scene.
constexpr bool setUpRanksArePermutation() {
#define TW_SCENE_RANK(ID, name, State, setUp, perFrame, endsCs, rank, still) rank,
    constexpr int ranks[SCENE_COUNT] = {TW_SCENE_TABLE(TW_SCENE_RANK)};
#undef TW_SCENE_RANK
    for (int r = 0; r < SCENE_COUNT; ++r) {
        int uses = 0;
        for (int rank : ranks) uses += rank == r ? 1 : 0;
        if (uses != 1) return false;
    }
    return true;
}
static_assert(setUpRanksArePermutation(), "each set-up rank must name exactly one scene");

} // namespace

const char* sceneName(int id) {
#define TW_SCENE_NAME(ID, name, State, setUp, perFrame, endsCs, rank, still) #name,
    static const char* const names[SCENE_COUNT] = {TW_SCENE_TABLE(TW_SCENE_NAME)};
#undef TW_SCENE_NAME
    return id >= 0 && id < SCENE_COUNT ? names[id] : "none";
}

float sceneStillSeconds(int id) {
#define TW_SCENE_STILL(ID, name, State, setUp, perFrame, endsCs, rank, still) still,
    static const float stills[SCENE_COUNT] = {TW_SCENE_TABLE(TW_SCENE_STILL)};
#undef TW_SCENE_STILL
    return id >= 0 && id < SCENE_COUNT ? stills[id] : 0.0f;
}

void setupAllScenes(AllScenes& scenes) {
    for (int next = 0; next < SCENE_COUNT; ++next) {
#define TW_SCENE_SETUP(ID, name, State, setUp, perFrame, endsCs, rank, still)                      \
    if (rank == next) setUp(scenes.name);
        TW_SCENE_TABLE(TW_SCENE_SETUP)
#undef TW_SCENE_SETUP
    }
}

void runScene(AllScenes& scenes, int id, Bitmap& framebuffer, float t) {
    switch (id) {
#define TW_SCENE_RUN(ID, name, State, setUp, perFrame, endsCs, rank, still)                        \
    case SCENE_##ID:                                                                               \
        perFrame(scenes.name, framebuffer, t);                                                     \
        break;
        TW_SCENE_TABLE(TW_SCENE_RUN)
#undef TW_SCENE_RUN
    default:
        break;
    }
}

} // namespace tw
