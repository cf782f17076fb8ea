// Greetings: a 32-row strip of text stretched column by column into a band whose height and
// centre follow fixed waves, added over a 3D flight that beats throw back.
#include "scenes/greetings.h"

#include <algorithm>
#include <cmath>

#include "base/paths.h"
#include "base/report.h"
#include "host/sync.h"
#include "image/ops.h"
#include "image/tga.h"
#include "render/material.h"
#include "render/scene_draw.h"
#include "scenes/scene_common.h"

namespace tw {

namespace {
constexpr int32_t kRibbonWidth = 4096;
constexpr int32_t kRibbonRows = 32;
} // namespace

void setupGreetings(GreetingsScene& scene) {
    scene.scratch = createBitmap(320, 240);
    load3dsScene(scene.world, dataPath("data/scene01.3ds"));
    if (!scene.world.materials.empty()) scene.world.materials[0].flags |= MAT_ENV1_FACE;
    for (int k = 0; k < 320; ++k) {
        const double a = k * 0.017452778f;
        scene.centre[k] = static_cast<int32_t>(20.0 * std::sin(a) +
                                               40.0 * std::cos(k * 0.010471666653951009) + 110.0);
        scene.height[k] =
            static_cast<int32_t>(std::sin(a) * std::cos(k * 0.013962222205268014) * 64.0 + 96.0);
    }
    const std::string path = dataPath("data/greets.tga");
    readTga(scene.ribbon, path);
    if (scene.ribbon.width != kRibbonWidth || scene.ribbon.height != kRibbonRows ||
        !scene.ribbon.holds(kRibbonWidth * kRibbonRows)) {
        reportOut(format("%s: not a 4096x32 strip, the ribbon is left out\n", path.c_str()));
        scene.ribbon = Bitmap();
    }
}

void drawRibbon(const GreetingsScene& scene, Bitmap& framebuffer, float s) {
    if (!scene.ribbon.pixels || !framebuffer.holds(320 * 240)) return;
    const uint32_t* texels = scene.ribbon.pixels;
    for (int i = 0; i < 320; ++i) {
        const int32_t h = scene.height[i];
        if (h <= 0) continue;
        // 32 texture rows over h screen rows, in 16.16.
        const uint32_t step = 0x200000u / static_cast<uint32_t>(h);
        const int32_t first = scene.centre[319 - i] - h / 2;
        // Each texture column covers two screen columns.
        const int32_t u = static_cast<int32_t>((i / 2) + s * 1.2) & (kRibbonWidth - 1);
        for (int32_t j = 0; j < h; ++j) {
            const int32_t y = first + j;
            if (y <= 0 || y >= 240) continue; // row 0 is never drawn
            const uint32_t v = (static_cast<uint32_t>(j) * step) >> 16;
            const uint32_t texel = texels[v * kRibbonWidth + u];
            if ((texel & 0x00FF0000u) == 0) continue; // text is where red is non-zero
            uint32_t& d = framebuffer.pixels[y * 320 + i];
            uint32_t out = 0;
            for (int c = 0; c < 32; c += 8) {
                uint32_t sum = ((d >> c) & 255u) + ((texel >> c) & 255u);
                out |= std::min(sum, 255u) << c;
            }
            d = out;
        }
    }
}

void runGreetings(GreetingsScene& scene, Bitmap& framebuffer, float t) {
    if (latchSync(SYNC_BEAT)) scene.beatHitTime = t;
    if (scene.firstFrame) {
        scene.startTime = t;
        scene.firstFrame = 0;
    }
    scene.kickLevel = hitDecay(scene.beatHitTime, t, 50.0f, 0.02f, 24.0f);
    clearZBuffer(gZBuffer);
    clearBitmap(framebuffer);
    float T = (24.0f - scene.kickLevel) * 0.02f + (t - scene.startTime) * 0.014f;
    if (T > 26.0f) T -= 26.0f;
    drawScene(scene.world, framebuffer, 0, T);
    kickOrRandomBlur(framebuffer, scene.scratch, scene.kickLevel, t, 4.0);
    drawRibbon(scene, framebuffer, (24.0f - scene.kickLevel) + (t - scene.startTime));
    smooth4(framebuffer);
    addNoise(framebuffer, 16);
}

} // namespace tw
