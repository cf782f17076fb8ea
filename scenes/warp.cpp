// Warped backdrop with a fed-back, blurred glow of one mesh drawn twice.
#include "scenes/warp.h"

#include <cmath>

#include "base/paths.h"
#include "base/random.h"
#include "base/sync.h"
#include "formats/tds_mesh.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/draw.h"
#include "scenes/standin.h"

namespace tw {

void setupWarp(WarpScene& s) {
    s.camera = makeCamera();
    loadTdsMesh(s.glow, dataPath("data/geo2.3ds"));
    computeNormals(s.glow);
    setUpMaterial(s.glowMaterial, "warp glow", MAT_TEXTURED, dataPath("data/s08_back33.tga"));
    s.feedback = createBitmap(320, 240);
    s.glowFrame = createBitmap(320, 240);
    readPicture(s.warpPicture, dataPath("data/rpl.tga"), 256, 256);
    readPicture(s.overlay, dataPath("data/sweet.tga"), 320, 240);
}

void runWarp(WarpScene& s, Bitmap& framebuffer, float t) {
    const float spin = 0.9f * t;
    if (latchSync(SYNC_BEAT)) s.syncHitTime = t;

    // The distance jitters every frame. The field of view set here only reaches the view
    // matrix at the next lookAt, so every frame is projected with the previous frame's.
    const int r = demoRand() % 4234;
    lookAt(s.camera, 0, 0, 50 * std::sin(static_cast<float>(r) * kFovFactor) - 500, 0, 0, 0);
    setFieldOfView(s.camera, 150);

    clearBitmap(s.glowFrame);
    // A warp picture that failed to load leaves a black backdrop, not the last frame.
    if (s.warpPicture.width == 256 && s.warpPicture.height == 256)
        warpTexture(framebuffer, s.warpPicture, 1.3f * t);
    else
        clearBitmap(framebuffer);

    // First draw over the previous frame's blurred glow, against the loop's cleared depth.
    setScale(s.glow, 1, 1, 1);
    rotate(s.glow, 0.1f * spin, 0.2f * spin, 0.15f * spin);
    setPosition(s.glow, 0, 0, 0);
    drawMesh(s.glow, s.feedback, s.camera, s.glowMaterial);
    clearZBuffer(gZBuffer);
    setScale(s.glow, 1, 1, 1);
    rotate(s.glow, -0.1f * spin, -0.2f * spin, -0.15f * spin);
    setPosition(s.glow, 0, 0, 0);
    drawMesh(s.glow, s.glowFrame, s.camera, s.glowMaterial);

    addInto(s.feedback, s.glowFrame);
    smooth4(s.glowFrame);
    s.blurBoost = s.syncHitTime + 100 > t ? (s.syncHitTime + 100 - t) * 0.01f * 10 : 0.0f;
    const int k = demoRand() % 16;
    const auto radius = static_cast<uint32_t>(static_cast<float>(k) + s.blurBoost);
    boxBlurH(s.feedback, s.glowFrame, radius); // A now carries the glow into the next frame
    copyBitmap(s.feedback, s.glowFrame);
    addInto(s.glowFrame, framebuffer);
    alphaOverlay(s.overlay, framebuffer); // skipped by the operation when the overlay is missing
}

} // namespace tw
