// Room with a live feedback texture and layers projected from the viewer's lamp.
#include "scenes/room.h"

#include "scenes/blur_steps.h"

#include "base/paths.h"
#include "base/report.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/draw.h"
#include "render/scene_draw.h"
#include "scenes/standin.h"

namespace tw {

namespace {

struct Amendment {
    int material;
    uint32_t flags;
    const char* second;
    const char* third; // null: unchanged
};

// In the order performed. MAT_UNUSED_80 is only a marker; no drawing path reads it.
const Amendment kAmendments[] = {
    {0, MAT_LAYERED | MAT_BUMP | MAT_UNUSED_80 | MAT_UV2_VERTEX, "data/s02_lightmap4.tga",
     "data/wall_b2.tga"},
    {2, MAT_ENV1 | MAT_LAYERED | MAT_LAYER_ADD | MAT_UV2_VERTEX, "data/jallaenv2.tga", nullptr},
    {1, MAT_LAYERED | MAT_UNUSED_80 | MAT_UV2_VERTEX, "data/s02_lightmap.tga", nullptr},
    {4, MAT_LAYERED | MAT_LAYER_ADD | MAT_UV2_VERTEX, "data/jallaenv2.tga", nullptr},
};

constexpr int kLiveMaterial = 4;
constexpr int kLiveSize = 256;

// The previous frame, scaled into the 256x256 live texture: column 1.25 j, row 0.9375 i in
// 16.16 fixed point, then brightened.
void copyLiveTexture(Bitmap& texture, const Bitmap& frame) {
    for (int32_t i = 0; i < kLiveSize; ++i) {
        const int32_t row = (i * 0xF000) >> 16;
        const uint32_t* src = frame.pixels + row * frame.width;
        uint32_t* dst = texture.pixels + i * kLiveSize;
        for (int32_t j = 0; j < kLiveSize; ++j) dst[j] = src[(j * 0x14000) >> 16];
    }
    brighten(texture, 255);
}

} // namespace

void setupRoom(RoomScene& s) {
    s.scratch = createBitmap(320, 240);
    readPicture(s.shade, dataPath("data/blm.tga"), 320, 240);
    readPicture(s.intro, dataPath("data/fake.tga"), 320, 240);
    s.projector = makeCamera(0, 0, -300, 0, 0, 0, 30);
    loadSivScene(s.scene, dataPath("data/room03.siv"));
    // A room file with fewer materials keeps the rows that fit and skips the others.
    for (const Amendment& a : kAmendments) {
        if (static_cast<size_t>(a.material) >= s.scene.materials.size()) {
            reportOut(format("room: no material %d to amend\n", a.material));
            continue;
        }
        Material& m = s.scene.materials[static_cast<size_t>(a.material)];
        setFlags(m, m.flags | a.flags);
        loadTexture(m, SLOT_SECOND, dataPath(a.second));
        if (a.third) loadTexture(m, SLOT_THIRD, dataPath(a.third));
    }
    // The live texture is written in place every frame: only a 256x256 one can take it.
    if (s.scene.materials.size() > kLiveMaterial) {
        const Bitmap& live = s.scene.materials[kLiveMaterial].base;
        s.liveTexture = live.pixels && live.width == kLiveSize && live.height == kLiveSize;
    }
    if (!s.liveTexture) reportOut("room: material 4 has no 256x256 texture; no live texture\n");
}

void runRoom(RoomScene& s, Bitmap& framebuffer, float t) {
    if (s.firstFrame) {
        s.startTime = t;
        s.firstFrame = false;
    }
    const float sceneTime = (t - s.startTime) * 0.01f;

    // The frame still holds the previous presented frame.
    if (s.liveTexture && framebuffer.width >= 320 && framebuffer.height >= 240) {
        copyLiveTexture(s.scene.materials[kLiveMaterial].base, framebuffer);
    }
    clearBitmap(framebuffer);

    if (!s.scene.cameras.empty()) {
        lookAlongCurves(s.projector, s.scene.cameras[0], sceneTime);
        for (Mesh& mesh : s.scene.meshes) {
            setScale(mesh, 1, 1, 1);
            rotate(mesh, 0, 0, 0);
            setPosition(mesh, mesh.px, mesh.py, mesh.pz);
            projectTexture(mesh, 1, s.projector);
        }
    }
    drawScene(s.scene, framebuffer, 0, sceneTime);

    multiplyInto(s.shade, framebuffer);
    addNoise(framebuffer, 15);
    if (t < s.startTime + 600) multiplyInto(s.intro, framebuffer);

    kickOrRandomBlur(framebuffer, s.scratch, 0, t, 3); // the room has no kick
}

} // namespace tw
