// Opening eye: the 3D layer shows only in pulses on the beat; the eye stays over it through
// its mask, and accents blur the whole frame.
#include "scenes/eye.h"

#include "base/paths.h"
#include "host/sync.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/scene_draw.h"
#include "scenes/scene_common.h"
#include "scenes/standin.h"

namespace tw {

void setupEye(EyeScene& scene) {
    const std::string eyePath = dataPath("data/eye.tga");
    const std::string maskPath = dataPath("data/eye_alpha.tga");
    readTga(scene.eye, eyePath);
    readTga(scene.mask, maskPath);
    load3dsScene(scene.world, dataPath("data/scene03.3ds"));
    scene.scratch = createBitmap(320, 240);
    // Stand-ins: a black eye, and a zero mask that shows the 3D layer unchanged.
    ensurePicture(scene.eye, 320, 240, 0x00000000u, eyePath);
    ensurePicture(scene.mask, 320, 240, 0x00000000u, maskPath);
}

void runEye(EyeScene& scene, Bitmap& framebuffer, float t) {
    clearBitmap(framebuffer);
    if (latchSync(SYNC_BEAT)) scene.pulseHitTime = t;
    if (latchSync(SYNC_ACCENT)) scene.blurHitTime = t;
    if (scene.firstFrame) {
        scene.startTime = t;
        scene.firstFrame = 0;
    }
    scene.pulseLevel = hitDecay(scene.pulseHitTime, t, 50.0f, 0.02f, 24.0f);

    drawScene(scene.world, framebuffer, 0, (t - scene.startTime) * 0.005f);
    smooth4(framebuffer);
    addNoise(framebuffer, 24);
    // Between pulses the weight is 0 and the 3D layer is black.
    scaleBitmap(framebuffer, static_cast<int32_t>(scene.pulseLevel * 10.0f));
    maskBlend(scene.eye, framebuffer, scene.mask);

    if (t < scene.blurHitTime + 50.0f) {
        auto r = static_cast<uint32_t>((scene.blurHitTime + 50.0f - t) * 0.02f * 32.0f);
        blurThrough(framebuffer, scene.scratch, r, r);
    }
}

} // namespace tw
