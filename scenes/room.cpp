// Room: a SIV room lit by layers projected from a camera that follows the viewer, with one
// material showing the previous frame; shaded, grained and blurred at random.
#include "scenes/room.h"

#include "base/paths.h"
#include "base/report.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/draw.h"
#include "render/material.h"
#include "render/scene_draw.h"
#include "scenes/scene_common.h"
#include "scenes/standin.h"

namespace tw {

namespace {

void amend(Scene& world, size_t index, uint32_t flags, const char* second, const char* third) {
    Material& m = world.materials[index];
    m.flags |= flags;
    loadTexture(m, SLOT_SECOND, dataPath(second));
    if (third) loadTexture(m, SLOT_THIRD, dataPath(third));
}

} // namespace

void copyFrameToScreen(const Bitmap& frame, Bitmap& texture) {
    if (!frame.holds(320 * 240) || !texture.holds(256 * 256)) return;
    for (int i = 0; i < 256; ++i) {
        const uint32_t* row = frame.pixels + ((i * 0xF000) >> 16) * 320;
        uint32_t* out = texture.pixels + i * 256;
        for (int j = 0; j < 256; ++j) out[j] = row[(j * 0x14000) >> 16];
    }
    brighten(texture, 255);
}

void setupRoom(RoomScene& scene) {
    scene.scratch = createBitmap(320, 240);
    const std::string shadePath = dataPath("data/blm.tga");
    const std::string introPath = dataPath("data/fake.tga");
    readTga(scene.shade, shadePath);
    readTga(scene.intro, introPath);
    // Multiplying by white leaves the frame as drawn.
    ensurePicture(scene.shade, 320, 240, 0xFFFFFFFFu, shadePath);
    ensurePicture(scene.intro, 320, 240, 0xFFFFFFFFu, introPath);
    scene.projector = makeCamera(0, 0, -300, 0, 0, 0, 30);
    const std::string roomPath = dataPath("data/room03.siv");
    loadSivScene(scene.world, roomPath);

    // The lamp's layers: each amendment needs its material; a room with fewer leaves the
    // missing ones out.
    const size_t n = scene.world.materials.size();
    if (n > 0) amend(scene.world, 0, 0x10a8, "data/s02_lightmap4.tga", "data/wall_b2.tga");
    if (n > 2) amend(scene.world, 2, 0x104c, "data/jallaenv2.tga", nullptr);
    if (n > 1) amend(scene.world, 1, 0x1088, "data/s02_lightmap.tga", nullptr);
    if (n > 4) {
        const Bitmap& screen = scene.world.materials[4].base;
        if (screen.width == 256 && screen.height == 256 && screen.holds(256 * 256)) {
            amend(scene.world, 4, 0x1048, "data/jallaenv2.tga", nullptr);
            scene.liveScreen = true;
        }
    }
    if (!scene.liveScreen)
        reportOut(
            format("%s: no 256x256 material 4, the live screen is left out\n", roomPath.c_str()));
}

void runRoom(RoomScene& scene, Bitmap& framebuffer, float t) {
    if (scene.firstFrame) {
        scene.startTime = t;
        scene.firstFrame = 0;
    }
    const float T = (t - scene.startTime) * 0.01f;

    // The framebuffer still holds the previous presented frame.
    if (scene.liveScreen) copyFrameToScreen(framebuffer, scene.world.materials[4].base);
    clearBitmap(framebuffer);

    if (!scene.world.cameras.empty()) {
        const Camera& c = scene.world.cameras[0];
        for (Mesh& mesh : scene.world.meshes) {
            lookAt(scene.projector, evaluate(c.curves[0], T), evaluate(c.curves[1], T),
                   evaluate(c.curves[2], T), evaluate(c.curves[3], T), evaluate(c.curves[4], T),
                   evaluate(c.curves[5], T), 0.0f);
            setScale(mesh, 1, 1, 1);
            rotate(mesh, 0, 0, 0);
            setPosition(mesh, mesh.px, mesh.py, mesh.pz);
            projectTexture(mesh, 1, scene.projector);
        }
    }
    drawScene(scene.world, framebuffer, 0, T);
    multiplyInto(scene.shade, framebuffer);
    addNoise(framebuffer, 15);
    if (t < scene.startTime + 600.0f) multiplyInto(scene.intro, framebuffer);
    kickOrRandomBlur(framebuffer, scene.scratch, 0.0f, t, 3.0);
}

} // namespace tw
