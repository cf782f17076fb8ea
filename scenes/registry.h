// All eleven scenes of the timeline: their state, set-up order and per-frame dispatch.
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

namespace tw {

// Timeline slots in playing order.
enum SceneId : int {
    SCENE_EYE = 0,
    SCENE_WARP,
    SCENE_TUNNEL,
    SCENE_ROOM,
    SCENE_TWIST,
    SCENE_METABALLS,
    SCENE_SPIKE,
    SCENE_GREY,
    SCENE_GREETINGS,
    SCENE_BOOMBOX,
    SCENE_END,
    SCENE_COUNT
};

const char* sceneName(int id);

// Every scene's state lives here for the whole run; nothing is reset between scenes.
struct AllScenes {
    EyeScene eye;
    WarpScene warp;
    TunnelScene tunnel;
    RoomScene room;
    TwistScene twist;
    MetaballScene metaballs;
    SpikeScene spike;
    GreyScene grey;
    GreetingsScene greetings;
    BoomboxScene boombox;
    EndScene end;
};

// Runs the eleven set-ups once each, in a fixed order (warp, twist, eye, room, tunnel,
// greetings, grey, spike, boombox, end, metaballs): the order the random generator is drawn
// in at set-up, so every run starts the same.
void setupAllScenes(AllScenes& scenes);
void runScene(AllScenes& scenes, int id, Bitmap& framebuffer, float t);

} // namespace tw
