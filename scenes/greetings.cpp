// Greetings: a waving ribbon of text over an animated 3DS flight.
#include "scenes/greetings.h"

#include "scenes/blur_steps.h"

#include <algorithm>
#include <cmath>

#include "base/paths.h"
#include "base/sync.h"
#include "image/ops.h"
#include "image/pixel.h"
#include "image/tga.h"
#include "render/scene_draw.h"
#include "scenes/standin.h"

namespace tw {

namespace {

constexpr int32_t kRibbonWidth = 4096;
constexpr int32_t kRibbonRows = 32;

} // namespace

void setupGreetings(GreetingsScene& s) {
    s.scratch = createBitmap(320, 240);
    loadTdsScene(s.scene, dataPath("data/scene01.3ds"));
    if (!s.scene.materials.empty()) {
        Material& m = s.scene.materials[0];
        setFlags(m, m.flags | MAT_ENV1_FACE);
    }
    for (int k = 0; k < 320; ++k) {
        const double a = k * 0.017452778;
        s.centre[k] =
            static_cast<int32_t>(20 * std::sin(a) + 40 * std::cos(k * 0.010471666653951009) + 110);
        s.height[k] =
            static_cast<int32_t>(std::sin(a) * std::cos(k * 0.013962222205268014) * 64 + 96);
    }
    readPicture(s.ribbon, dataPath("data/greets.tga"), kRibbonWidth, kRibbonRows, true);
}

void drawRibbon(const GreetingsScene& s, Bitmap& framebuffer, float phase) {
    // Texture columns wrap at 4096 and rows run to 31: a smaller picture (or none) is
    // never read.
    if (!s.ribbon.pixels || s.ribbon.width < kRibbonWidth || s.ribbon.height < kRibbonRows) return;
    const int32_t columns = framebuffer.width < 320 ? framebuffer.width : 320;
    const int32_t rows = framebuffer.height < 240 ? framebuffer.height : 240;
    for (int32_t i = 0; i < columns; ++i) {
        const int32_t h = s.height[i];
        if (h <= 0) continue;
        const uint32_t step = 0x200000u / static_cast<uint32_t>(h);
        const int32_t first = s.centre[319 - i] - h / 2;
        const int32_t u =
            static_cast<int32_t>(static_cast<float>(i / 2) + phase * 1.2f) & (kRibbonWidth - 1);
        // Only rows 1 to rows - 1 are drawn.
        const int32_t from = std::max(0, 1 - first), to = std::min(h, rows - first);
        for (int32_t j = from; j < to; ++j) {
            const int32_t y = first + j;
            const uint32_t v = (static_cast<uint32_t>(j) * step) >> 16;
            const uint32_t texel =
                s.ribbon
                    .pixels[v * static_cast<uint32_t>(s.ribbon.width) + static_cast<uint32_t>(u)];
            if ((texel & 0x00ff0000u) == 0) continue;
            uint32_t& pixel = framebuffer.pixels[y * framebuffer.width + i];
            pixel = addSaturate(pixel, texel);
        }
    }
}

void runGreetings(GreetingsScene& s, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_BEAT)) s.beatHitTime = t;
    markStart(s.firstFrame, s.startTime, t);
    s.kick = hitLevel(s.beatHitTime, t, 24);

    clearZBuffer(gZBuffer);
    clearBitmap(framebuffer);
    float sceneTime = (24 - s.kick) * 0.02f + (t - s.startTime) * 0.014f;
    if (sceneTime > 26) sceneTime -= 26;
    drawScene(s.scene, framebuffer, 0, sceneTime);

    kickOrRandomBlur(framebuffer, s.scratch, s.kick, t, 4);
    drawRibbon(s, framebuffer, (24 - s.kick) + (t - s.startTime));
    smooth4(framebuffer);
    addNoise(framebuffer, 16);
}

} // namespace tw
