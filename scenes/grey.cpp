// Grey scene: an animated 3DS scene drained of colour that returns on every beat.
#include "scenes/grey.h"

#include "scenes/blur_steps.h"

#include "base/paths.h"
#include "base/sync.h"
#include "image/ops.h"
#include "render/draw.h"
#include "render/scene_draw.h"

namespace tw {

void setupGrey(GreyScene& s) {
    loadTdsScene(s.scene, dataPath("data/scene04.3ds"));
    // Amendments to materials the file does not have are skipped.
    auto& m = s.scene.materials;
    if (m.size() > 0) setFlags(m[0], m[0].flags | MAT_UV2_VERTEX);
    if (m.size() > 1) setFlags(m[1], (m[1].flags & 0x3f) | MAT_UNUSED_80);
    if (m.size() > 2) setFlags(m[2], m[2].flags | MAT_UV2_VERTEX);
    s.scratch = createBitmap(320, 240);
    s.projector = makeCamera(0, 0, -300, 0, 0, 0, 30);
}

void runGrey(GreyScene& s, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_BEAT)) s.beatHitTime = t;
    markStart(s.firstFrame, s.startTime, t);
    s.kick = hitLevel(s.beatHitTime, t, 24);

    clearZBuffer(gZBuffer);
    fillBitmap(framebuffer, makeColour(255, 0, 0, 0));
    float sceneTime = (t - s.startTime) * 0.01f + (24 - s.kick) * 0.035f;
    if (sceneTime > 10) sceneTime -= 10;

    if (!s.scene.cameras.empty()) {
        lookAlongCurves(s.projector, s.scene.cameras[0], sceneTime);
        for (Mesh& mesh : s.scene.meshes) {
            if (mesh.materialIndex < 0 ||
                static_cast<size_t>(mesh.materialIndex) >= s.scene.materials.size()) {
                continue;
            }
            const uint32_t flags = s.scene.materials[static_cast<size_t>(mesh.materialIndex)].flags;
            if (flags & MAT_UV1_VERTEX) projectTexture(mesh, 0, s.projector);
            if (flags & MAT_UV2_VERTEX) projectTexture(mesh, 1, s.projector);
        }
    }
    drawScene(s.scene, framebuffer, 0, sceneTime);

    if (s.kick > 0) {
        blurThrough(framebuffer, s.scratch, static_cast<uint32_t>(s.kick), 0);
        brighten(framebuffer, 240);
    }
    addNoise(framebuffer, 127);
    desaturate(framebuffer, static_cast<int32_t>(255 - s.kick * 10.5f));
}

} // namespace tw
