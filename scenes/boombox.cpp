// Boombox: a flight down the ray-cast tunnel that a value-6 sync freezes.
#include "scenes/boombox.h"

#include "scenes/blur_steps.h"

#include "base/paths.h"
#include "base/sync.h"
#include "image/ops.h"
#include "image/tga.h"
#include "scenes/standin.h"

namespace tw {

namespace {

constexpr float kKick = 24.0f; // units of lift and degrees of roll at a beat

void loadPicture(Bitmap& picture, const char* relative, uint32_t standIn) {
    const std::string path = dataPath(relative);
    readTga(picture, path);
    ensurePicture(picture, 320, 240, standIn, path);
}

} // namespace

void setupBoombox(BoomboxScene& scene) {
    createTunnel(scene.tunnel, 320, 240);
    scene.scratch = createBitmap(320, 240);
    // The tunnel itself draws plain stand-ins for textures that are not 256x256.
    Bitmap wall, bump, environment;
    readPicture(wall, dataPath("data/wall3.tga"), 256, 256);
    readPicture(bump, dataPath("data/wall3_b.tga"), 256, 256);
    readPicture(environment, dataPath("data/jallaenv2.tga"), 256, 256);
    prepareTunnelTextures(scene.textures, wall, bump, environment);
    // Neutral for their operations: multiplying by white, adding black.
    loadPicture(scene.multiplyPicture, "data/boombox.tga", 0xFFFFFFFFu);
    loadPicture(scene.addPicture, "data/skinner.tga", 0x00000000u);
}

void runBoombox(BoomboxScene& scene, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_BEAT)) scene.beatHitTime = t;
    if (latchSync(SYNC_HOLD)) scene.hold = 1;
    scene.kickLevel = hitLevel(scene.beatHitTime, t, kKick);

    clearBitmap(framebuffer);
    if (!scene.hold)
        setView(scene.tunnel, 0.0f, scene.kickLevel, 4.0f * t, 0.2f * t, 0.3f * t,
                0.1f * t + scene.kickLevel);
    else
        setView(scene.tunnel, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.2f * t);
    renderTunnel(scene.tunnel, framebuffer, scene.textures);

    kickOrRandomBlur(framebuffer, scene.scratch, scene.kickLevel, t, 12.0);

    brighten(framebuffer, 255);
    smooth4(framebuffer);
    addNoise(framebuffer, 32);
    multiplyInto(scene.multiplyPicture, framebuffer);
    addInto(scene.addPicture, framebuffer);
}

} // namespace tw
