// Metaballs: three swimming balls polygonised every frame before a turning backdrop.
#include "scenes/metaballs.h"

#include "scenes/blur_steps.h"

#include <cmath>

#include "base/paths.h"
#include "base/sync.h"
#include "formats/tds_mesh.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/draw.h"
#include "scenes/standin.h"

namespace tw {

namespace {

constexpr float kBeatLength = 50.0f; // centiseconds a beat or blur hit lasts
constexpr float kKickDegrees = 24.0f;
constexpr float kSyncBlurRadius = 32.0f;

// Degrees-per-centisecond factors of the three swim axes (pi/1800, 2pi/1800, 3pi/1800).
constexpr double kSwimX = 0.0017452777756585018;
constexpr double kSwimY = 0.0034905555513170036;
constexpr double kSwimZ = 0.0052358333269755045;

} // namespace

void setupMetaballs(MetaballScene& scene) {
    scene.scratch = createBitmap(320, 240);

    const std::string tintPath = dataPath("data/hot.tga");
    readTga(scene.tint, tintPath);
    // A missing tint multiplies by white: the frame stays as drawn.
    ensurePicture(scene.tint, 320, 240, 0xFFFFFFFFu, tintPath);

    createIsosurface(scene.blob);
    initialiseIsosurface(scene.blob, 0.1f, 18, 10);
    for (int i = 0; i < scene.ballCount; ++i) {
        addMetaball(scene.blob, static_cast<float>(scene.ballRadius));
        setCentre(scene.blob, i, 0.0f, 0.0f, 0.0f);
    }

    scene.camera = makeCamera();

    const std::string skyTexture = dataPath("data/s08_back32.tga");
    setUpMaterial(scene.blobMaterial, "metaball", MAT_TEXTURED | MAT_ENV1, skyTexture);
    ensureTexture(scene.blobMaterial.base, 0xFF808080u, skyTexture);

    loadTdsMesh(scene.backdrop, dataPath("data/skygeo.3ds"));
    computeNormals(scene.backdrop);

    setUpMaterial(scene.backdropMaterial, "metaball backdrop",
                  MAT_TEXTURED | MAT_ENV1 | MAT_ENV1_FACE, skyTexture);
    ensureTexture(scene.backdropMaterial.base, 0xFF808080u, skyTexture);
}

void runMetaballs(MetaballScene& scene, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_BEAT)) scene.beatHitTime = t;
    if (latchSync(SYNC_ACCENT)) scene.blurHitTime = t;
    scene.kickLevel = hitLevel(scene.beatHitTime, t, kKickDegrees);

    clearBitmap(framebuffer);
    lookAt(scene.camera, 0.0f, 0.0f, -400.0f, 0.0f, 0.0f, 0.0f, 0.0f);

    // The balls share one path, each a fixed phase behind the one before.
    for (int i = 0; i < scene.ballCount; ++i) {
        const double phase =
            static_cast<double>(scene.ballPhaseStep * static_cast<float>(i) + 4.0f * t);
        const double a = scene.swimAmplitude;
        setCentre(scene.blob, i, static_cast<float>(a * std::sin(phase * kSwimX)),
                  static_cast<float>(a * std::sin(phase * kSwimY)),
                  static_cast<float>(a * std::sin(phase * kSwimZ)));
    }
    rebuildIsosurface(scene.blob);

    Mesh& blob = scene.blob.mesh;
    const float spin = t + scene.kickLevel;
    setScale(blob, 1.3f, 1.3f, 1.3f);
    rotate(blob, spin, spin, spin);
    setPosition(blob, 0.0f, 0.0f, 0.0f);
    drawMesh(blob, framebuffer, scene.camera, scene.blobMaterial);

    setScale(scene.backdrop, 1.0f, 1.0f, 1.0f);
    rotate(scene.backdrop, 0.8f * t, 0.5f * t, 0.7f * t);
    setPosition(scene.backdrop, 0.0f, 0.0f, 0.0f);
    drawMesh(scene.backdrop, framebuffer, scene.camera, scene.backdropMaterial);

    kickOrRandomBlur(framebuffer, scene.scratch, scene.kickLevel, t, 4.0);

    smooth4(framebuffer);
    addNoise(framebuffer, 16);
    multiplyInto(scene.tint, framebuffer);

    if (scene.blurHitTime + kBeatLength > t) {
        const auto r = static_cast<uint32_t>(hitLevel(scene.blurHitTime, t, kSyncBlurRadius));
        blurThrough(framebuffer, scene.scratch, r, r);
    }
}

} // namespace tw
