// Tunnel: the SIV flight runs 0.96 ahead of its steady clock; an accent throws it back by
// that lead and lets it catch up while the frame is blurred vertically.
#include "scenes/tunnel.h"

#include "base/paths.h"
#include "base/report.h"
#include "host/sync.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/material.h"
#include "render/scene_draw.h"
#include "scenes/scene_common.h"
#include "scenes/standin.h"

namespace tw {

void setupTunnel(TunnelScene& scene) {
    scene.scratch = createBitmap(320, 240);
    const std::string overlayPath = dataPath("data/sweet2.tga");
    readTga(scene.overlay, overlayPath);
    // Alpha 255 keeps the frame: the stand-in overlay shows nothing.
    ensurePicture(scene.overlay, 320, 240, 0xFF000000u, overlayPath);
    const std::string scenePath = dataPath("data/tunnel.siv");
    loadSivScene(scene.world, scenePath);
    // Chrome: the first material is environment-mapped from face normals.
    if (!scene.world.materials.empty())
        setFlags(scene.world.materials[0], MAT_TEXTURED | MAT_ENV1 | MAT_ENV1_FACE);
    else
        reportOut(format("%s: no materials, drawn as loaded\n", scenePath.c_str()));
}

void runTunnel(TunnelScene& scene, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_ACCENT)) scene.syncHitTime = t;
    if (scene.firstFrame) {
        scene.startTime = t;
        scene.firstFrame = 0;
    }
    scene.kickLevel = hitDecay(scene.syncHitTime, t, 50.0f, 0.02f, 24.0f);
    clearBitmap(framebuffer);
    drawScene(scene.world, framebuffer, 0,
              (24.0f - scene.kickLevel) * 0.04f + (t - scene.startTime) * 0.014f);
    alphaOverlay(scene.overlay, framebuffer);
    kickOrRandomBlur(framebuffer, scene.scratch, scene.kickLevel, t, 8.0);
    smooth4(framebuffer);
    addNoise(framebuffer, 15);
}

} // namespace tw
