// Twisted object before a faceted sky, multiplied by the credits.
#include "scenes/twist.h"

#include "scenes/blur_steps.h"

#include <algorithm>
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

void setupTwist(TwistScene& s) {
    s.fadeOut = createBitmap(320, 240);
    s.scratch = createBitmap(320, 240);
    readPicture(s.credits, dataPath("data/creds.tga"), 320, 240);
    s.camera = makeCamera(0, 0, -600, 0, 0, 0, 30);
    setUpMaterial(s.backdropMaterial, "twist backdrop", MAT_TEXTURED | MAT_ENV1 | MAT_ENV1_FACE,
                  dataPath("data/s08_back32.tga"));
    loadTdsMesh(s.backdrop, dataPath("data/skygeo.3ds"));
    computeNormals(s.backdrop);
    setUpMaterial(s.objectMaterial, "twist object", MAT_TEXTURED | MAT_ENV1,
                  dataPath("data/s08_back32.tga"));
    loadTdsMesh(s.object, dataPath("data/ting.3ds"));
    computeNormals(s.object);
    loadTdsMesh(s.rest, dataPath("data/ting.3ds"));

    // The farthest vertex gets weight 0; nearer the centre twists more.
    const size_t n = static_cast<size_t>(std::max(s.object.vertexCount, 0));
    s.weights.assign(n, 0.0f);
    float farthest = -1;
    for (size_t i = 0; i < n; ++i) {
        const Vertex& v = s.object.vertices[i];
        s.weights[i] = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
        farthest = std::max(farthest, s.weights[i]);
    }
    for (float& w : s.weights) w = farthest - w;
}

void runTwist(TwistScene& s, Bitmap& framebuffer, float t) {
    // A beat makes the whole picture jump 30 centiseconds ahead for this frame.
    float u = t;
    if (latchSync(SYNC_BEAT)) {
        s.beatHitTime = t;
        u = t + 30;
    }
    if (latchSync(SYNC_ACCENT)) s.blurHitTime = u;
    if (s.firstFrame) {
        copyBitmap(framebuffer, s.fadeOut); // still the previous scene's last frame
        s.fadeEndTime = u + 140;
        s.firstFrame = false;
    }
    fillBitmap(framebuffer, makeColour(100, 100, 100, 100));
    lookAt(s.camera, 0, 0, -600, 0, 0, 0);

    setScale(s.backdrop, 1, 1, 1);
    rotate(s.backdrop, 0.1f * u, 0.2f * u, 0.15f * u);
    setPosition(s.backdrop, 0, 0, 1000);
    drawMesh(s.backdrop, framebuffer, s.camera, s.backdropMaterial);

    // Twist from the rest positions, so no error accumulates from frame to frame.
    const int32_t n = std::min(
        {s.object.vertexCount, s.rest.vertexCount, static_cast<int32_t>(s.weights.size())});
    Matrix turn;
    for (int32_t i = 0; i < n; ++i) {
        const float w = 1.0f * s.weights[static_cast<size_t>(i)];
        setRotation(turn, 0.6f * u + w, 0.7f * u + w, 0.8f * u + w);
        const Vertex& r = s.rest.vertices[static_cast<size_t>(i)];
        const Vec3 p = transform(turn, r.x, r.y, r.z);
        Vertex& v = s.object.vertices[static_cast<size_t>(i)];
        v.x = p.x;
        v.y = p.y;
        v.z = p.z;
    }
    computeNormals(s.object);
    setScale(s.object, 1, 1, 1);
    rotate(s.object, 0, 0, 0);
    setPosition(s.object, 0, 0, 0);
    drawMesh(s.object, framebuffer, s.camera, s.objectMaterial);

    smooth4(framebuffer);
    addNoise(framebuffer, 18);

    s.beatBlurLevel = s.beatHitTime + 30 > u ? (s.beatHitTime + 30 - u) * 0.033333335f * 16 : 0.0f;
    if (s.beatBlurLevel > 0) {
        blurThrough(framebuffer, s.scratch, static_cast<uint32_t>(s.beatBlurLevel), 0);
    } else if (demoRand() % 10 >= 6) {
        const double du = static_cast<double>(u);
        blurThrough(framebuffer, s.scratch,
                    static_cast<uint32_t>((std::sin(du * 0.0479951388306088) + 1) * 3),
                    static_cast<uint32_t>((std::sin(du * 0.06282999992370605) + 1) * 3));
    }
    multiplyInto(s.credits, framebuffer); // a missing picture multiplies by nothing

    if (s.blurHitTime + 50 > u) {
        const auto r = static_cast<uint32_t>((s.blurHitTime + 50 - u) * 0.02f * 32);
        blurThrough(framebuffer, s.scratch, r, r);
    }
    if (s.fadeEndTime > u) {
        // A beat on the first frame sets the fade end 30 centiseconds late, so the weight
        // starts above 255: held at 255, the frozen frame stays whole until it fades.
        const auto k = static_cast<int32_t>((s.fadeEndTime - u) * 0.0071428571827709675f * 255);
        crossfade(s.fadeOut, framebuffer, std::min(k, 255));
    }
}

} // namespace tw
