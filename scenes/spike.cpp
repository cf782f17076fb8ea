// Spike object tipping on the beat, with two title cards sliding in.
#include "scenes/spike.h"

#include "scenes/blur_steps.h"

#include <cmath>

#include "base/paths.h"
#include "base/sync.h"
#include "formats/tds_mesh.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/draw.h"

namespace tw {

void setupSpike(SpikeScene& s) {
    readTga(s.rightPicture, dataPath("data/euelite.tga"));
    readTga(s.leftPicture, dataPath("data/noelite.tga"));
    loadTdsMesh(s.spike, dataPath("data/spike.3ds"));
    computeNormals(s.spike);
    setUpMaterial(s.material, "spike", MAT_TEXTURED | MAT_ENV1, dataPath("data/s08_back32.tga"));
    s.camera = makeCamera(0, 0, -300, 0, 0, 0, 30);
    s.scratch = createBitmap(320, 240);
}

void runSpike(SpikeScene& s, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_BEAT)) s.beatHitTime = t;
    if (s.firstFrame) {
        s.startTime = t;
        s.firstFrame = false;
    }
    const float e = t - s.startTime; // centiseconds into the scene
    s.kick = hitLevel(s.beatHitTime, t, 24);

    fillBitmap(framebuffer, makeColour(127, 127, 127, 127));
    lookAt(s.camera, 0, 0, -300, 0, 0, 0);
    setScale(s.spike, 1, 1, 1);
    rotate(s.spike, s.kick, 0.8f * t, 0);
    setPosition(s.spike, 0, 0, 0);
    drawMesh(s.spike, framebuffer, s.camera, s.material);

    kickOrRandomBlur(framebuffer, s.scratch, s.kick, t, 8);
    smooth4(framebuffer);

    const float frameWidth = static_cast<float>(framebuffer.width);
    // Right card: slides in over one second, shakes for half a second, rests at the edge.
    const float rw = static_cast<float>(s.rightPicture.width);
    if (e > 100 && e < 200) {
        drawSprite(s.rightPicture, framebuffer,
                   static_cast<int32_t>(frameWidth - (e - 100) * 0.01f * rw), 0, true);
    } else if (e > 200) {
        const float a = e < 250 ? (1 - (e - 200) * 0.02f) * 10 : 0.0f;
        const double shake = a * (std::sin(static_cast<double>(t) * 0.10471666604280472) + 1);
        drawSprite(s.rightPicture, framebuffer,
                   static_cast<int32_t>(shake + static_cast<double>(frameWidth - rw)), 0, true);
    }
    // Left card: slides in from beyond the left edge and rests at column 0.
    const float lw = static_cast<float>(s.leftPicture.width);
    if (e > 350 && e < 450)
        drawSprite(s.leftPicture, framebuffer, static_cast<int32_t>(lw * ((e - 350) * 0.01f) - lw),
                   0, true);
    else if (e > 450)
        drawSprite(s.leftPicture, framebuffer, 0, 0, true);

    addNoise(framebuffer, 16);
}

} // namespace tw
