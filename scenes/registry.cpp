// Scene set-up order and per-frame dispatch.
#include "scenes/registry.h"

namespace tw {

const char* sceneName(int id) {
    static const char* const names[SCENE_COUNT] = {"eye",       "warp",      "tunnel", "room",
                                                   "twist",     "metaballs", "spike",  "grey",
                                                   "greetings", "boombox",   "end"};
    return id >= 0 && id < SCENE_COUNT ? names[id] : "none";
}

void setupAllScenes(AllScenes& scenes) {
    setupWarp(scenes.warp);
    setupTwist(scenes.twist);
    setupEye(scenes.eye);
    setupRoom(scenes.room);
    setupTunnel(scenes.tunnel);
    setupGreetings(scenes.greetings);
    setupGrey(scenes.grey);
    setupSpike(scenes.spike);
    setupBoombox(scenes.boombox);
    setupEnd(scenes.end);
    setupMetaballs(scenes.metaballs);
}

void runScene(AllScenes& scenes, int id, Bitmap& framebuffer, float t) {
    switch (id) {
    case SCENE_EYE:
        runEye(scenes.eye, framebuffer, t);
        break;
    case SCENE_WARP:
        runWarp(scenes.warp, framebuffer, t);
        break;
    case SCENE_TUNNEL:
        runTunnel(scenes.tunnel, framebuffer, t);
        break;
    case SCENE_ROOM:
        runRoom(scenes.room, framebuffer, t);
        break;
    case SCENE_TWIST:
        runTwist(scenes.twist, framebuffer, t);
        break;
    case SCENE_METABALLS:
        runMetaballs(scenes.metaballs, framebuffer, t);
        break;
    case SCENE_SPIKE:
        runSpike(scenes.spike, framebuffer, t);
        break;
    case SCENE_GREY:
        runGrey(scenes.grey, framebuffer, t);
        break;
    case SCENE_GREETINGS:
        runGreetings(scenes.greetings, framebuffer, t);
        break;
    case SCENE_BOOMBOX:
        runBoombox(scenes.boombox, framebuffer, t);
        break;
    case SCENE_END:
        runEnd(scenes.end, framebuffer, t);
        break;
    default:
        break;
    }
}

} // namespace tw
