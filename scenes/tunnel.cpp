// Tunnel: a SIV scene flown through, kicked back on accents.
#include "scenes/tunnel.h"

#include "scenes/blur_steps.h"

#include "base/paths.h"
#include "base/sync.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/scene_draw.h"
#include "scenes/standin.h"

namespace tw {

void setupTunnel(TunnelScene& s) {
    s.scratch = createBitmap(320, 240);
    readPicture(s.overlay, dataPath("data/sweet2.tga"), 320, 240);
    loadSivScene(s.scene, dataPath("data/tunnel.siv"));
    // Face-normal environment mapping on the walls; a file without materials keeps none.
    if (!s.scene.materials.empty()) {
        setFlags(s.scene.materials[0], MAT_TEXTURED | MAT_ENV1 | MAT_ENV1_FACE);
    }
}

void runTunnel(TunnelScene& s, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_ACCENT)) s.hitTime = t;
    markStart(s.firstFrame, s.startTime, t);
    s.kick = hitLevel(s.hitTime, t, 24);

    clearBitmap(framebuffer);
    // 0.96 ahead of the steady clock; a kick sets the lead back and it is regained in 50 cs.
    drawScene(s.scene, framebuffer, 0, (24 - s.kick) * 0.04f + (t - s.startTime) * 0.014f);
    alphaOverlay(s.overlay, framebuffer);

    kickOrRandomBlur(framebuffer, s.scratch, s.kick, t, 8);
    smooth4(framebuffer);
    addNoise(framebuffer, 15);
}

} // namespace tw
