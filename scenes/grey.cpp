// Grey scene: a red world grained and drained of colour; each beat brings the colour back for
// half a second, throws the animation back, blurs and brightens the frame.
#include "scenes/grey.h"

#include "base/paths.h"
#include "host/sync.h"
#include "image/ops.h"
#include "render/draw.h"
#include "render/scene_draw.h"
#include "scenes/scene_common.h"

namespace tw {

namespace {

// Places the camera at scene camera 0's pose at time T (its six curves), roll 0.
void followCamera(Camera& projector, const Scene& world, float T) {
    const Camera& c = world.cameras[0];
    lookAt(projector, evaluate(c.curves[0], T), evaluate(c.curves[1], T), evaluate(c.curves[2], T),
           evaluate(c.curves[3], T), evaluate(c.curves[4], T), evaluate(c.curves[5], T), 0.0f);
}

} // namespace

void setupGrey(GreyScene& scene) {
    load3dsScene(scene.world, dataPath("data/scene04.3ds"));
    // The amendments apply to the materials the file has; a missing one is left out.
    std::vector<Material>& m = scene.world.materials;
    if (m.size() > 0) m[0].flags |= MAT_UV2_VERTEX;
    if (m.size() > 1) m[1].flags = (m[1].flags & 0x3fu) | MAT_UNUSED_80;
    if (m.size() > 2) m[2].flags |= MAT_UV2_VERTEX;
    scene.scratch = createBitmap(320, 240);
    scene.projector = makeCamera(0, 0, -300, 0, 0, 0, 30);
}

void runGrey(GreyScene& scene, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_BEAT)) scene.beatHitTime = t;
    if (scene.firstFrame) {
        scene.startTime = t;
        scene.firstFrame = 0;
    }
    scene.kickLevel = hitDecay(scene.beatHitTime, t, 50.0f, 0.02f, 24.0f);
    clearZBuffer(gZBuffer);
    fillBitmap(framebuffer, makeColour(255, 0, 0, 0));

    float T = (t - scene.startTime) * 0.01f + (24.0f - scene.kickLevel) * 0.035f;
    if (T > 10.0f) T -= 10.0f;

    if (!scene.world.cameras.empty()) {
        followCamera(scene.projector, scene.world, T);
        const int materialCount = static_cast<int>(scene.world.materials.size());
        for (Mesh& mesh : scene.world.meshes) {
            if (mesh.materialIndex < 0 || mesh.materialIndex >= materialCount) continue;
            const uint32_t flags = scene.world.materials[mesh.materialIndex].flags;
            if (flags & MAT_UV1_VERTEX) projectTexture(mesh, 0, scene.projector);
            if (flags & MAT_UV2_VERTEX) projectTexture(mesh, 1, scene.projector);
        }
    }
    drawScene(scene.world, framebuffer, 0, T);

    if (scene.kickLevel > 0.0f) {
        blurThrough(framebuffer, scene.scratch, static_cast<uint32_t>(scene.kickLevel), 0);
        brighten(framebuffer, 240);
    }
    addNoise(framebuffer, 127);
    // 255 (grey) without a kick, 3 (nearly full colour) right after a beat.
    desaturate(framebuffer, static_cast<int32_t>(255.0f - scene.kickLevel * 10.5f));
}

} // namespace tw
