// Opening eye: a pulsing 3D scene seen through an eye picture and its mask.
#include "scenes/eye.h"

#include "scenes/blur_steps.h"

#include "base/paths.h"
#include "base/sync.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/scene_draw.h"
#include "scenes/standin.h"

namespace tw {

void setupEye(EyeScene& s) {
    readPicture(s.eye, dataPath("data/eye.tga"), 320, 240);
    readPicture(s.eyeMask, dataPath("data/eye_alpha.tga"), 320, 240);
    loadTdsScene(s.scene, dataPath("data/scene03.3ds"));
    s.scratch = createBitmap(320, 240);
}

void runEye(EyeScene& s, Bitmap& framebuffer, float t) {
    clearBitmap(framebuffer);
    if (latchSync(SYNC_BEAT)) s.pulseHitTime = t;
    if (latchSync(SYNC_ACCENT)) s.blurHitTime = t;
    markStart(s.firstFrame, s.startTime, t);
    s.pulse = hitLevel(s.pulseHitTime, t, 24);

    drawScene(s.scene, framebuffer, 0, (t - s.startTime) * 0.005f);
    smooth4(framebuffer);
    addNoise(framebuffer, 24);
    scaleBitmap(framebuffer, static_cast<int32_t>(s.pulse * 10));
    // A picture that did not load is smaller than the frame: maskBlend then leaves the frame
    // as it is, the same as a mask of zero.
    maskBlend(s.eye, framebuffer, s.eyeMask);

    if (t < s.blurHitTime + 50) {
        const auto r = static_cast<uint32_t>((s.blurHitTime + 50 - t) * 0.02f * 32);
        blurThrough(framebuffer, s.scratch, r, r);
    }
}

} // namespace tw
