// The scene table: every scene's name, state, set-up, per-frame function, end time and still
// time in one row; the scene ids, the state of the run, the set-up order, the dispatch and the
// timeline's script are all derived from it.
#pragma once

#include "image/bitmap.h"
#include "scenes/boombox.h"
#include "scenes/end.h"
#include "scenes/eye.h"
#include "scenes/greetings.h"
#include "scenes/grey.h"
#include "scenes/metaballs.h"
#include "scenes/room.h"
#include "scenes/spike.h"
#include "scenes/tunnel.h"
#include "scenes/twist.h"
#include "scenes/warp.h"

// One ROW per scene, in playing order:
//   ROW(ID, name, State, setUp, perFrame, endsCs, setUpRank, stillSeconds)
// ID names the SCENE_<ID> constant and name the state's field and the scene's printed name.
// endsCs is the timeline time (centiseconds) at which the scene hands over to the next; each
// starts where the one before ends. setUpRank orders the set-ups (they draw from the one random
// sequence, so their order is part of the pictures). stillSeconds is how far into the scene
// its still is taken (past any fade-in, with the slide-in pictures in place).
// clang-format off
#define TW_SCENE_TABLE(ROW)                                                                  \
    ROW(EYE,       eye,       EyeScene,       setupEye,       runEye,        1850,  2, 6.3f) \
    ROW(WARP,      warp,      WarpScene,      setupWarp,      runWarp,       3150,  0, 5.2f) \
    ROW(TUNNEL,    tunnel,    TunnelScene,    setupTunnel,    runTunnel,     4450,  4, 6.1f) \
    ROW(ROOM,      room,      RoomScene,      setupRoom,      runRoom,       5700,  3, 7.4f) \
    ROW(TWIST,     twist,     TwistScene,     setupTwist,     runTwist,      7000,  1, 4.6f) \
    ROW(METABALLS, metaballs, MetaballScene,  setupMetaballs, runMetaballs,  8350, 10, 6.2f) \
    ROW(SPIKE,     spike,     SpikeScene,     setupSpike,     runSpike,      9600,  7, 8.3f) \
    ROW(GREY,      grey,      GreyScene,      setupGrey,      runGrey,      11550,  6, 5.1f) \
    ROW(GREETINGS, greetings, GreetingsScene, setupGreetings, runGreetings, 14800,  5, 9.4f) \
    ROW(BOOMBOX,   boombox,   BoomboxScene,   setupBoombox,   runBoombox,   17250,  8, 7.3f) \
    ROW(END,       end,       EndScene,       setupEnd,       runEnd,       17700,  9, 2.0f)
// clang-format on

namespace tw {

// Timeline slots in playing order.
enum SceneId : int {
#define TW_SCENE_ID(ID, name, State, setUp, perFrame, endsCs, rank, still) SCENE_##ID,
    TW_SCENE_TABLE(TW_SCENE_ID)
#undef TW_SCENE_ID
        SCENE_COUNT
};

// "none" for an id outside the table.
const char* sceneName(int id);
// Seconds into the scene at which its still is taken; 0 for an id outside the table.
float sceneStillSeconds(int id);

// Every scene's state lives here for the whole run; nothing is reset between scenes.
struct AllScenes {
#define TW_SCENE_STATE(ID, name, State, setUp, perFrame, endsCs, rank, still) State name;
    TW_SCENE_TABLE(TW_SCENE_STATE)
#undef TW_SCENE_STATE
};

// Runs every scene's set-up once, in set-up rank order.
void setupAllScenes(AllScenes& scenes);
// Draws one frame of scene `id` at timeline time t (centiseconds); nothing for an unknown id.
void runScene(AllScenes& scenes, int id, Bitmap& framebuffer, float t);

} // namespace tw
