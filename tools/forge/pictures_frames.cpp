// The 320x240 frame pictures: the opening eye and its mask, overlay frames and multiply tints.
#include "tools/forge/pictures_internal.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"

namespace tw::pictures {

namespace {

struct EyeShape {
    float cx = 160, cy = 122;
    float halfWidth = 150;
    float upper = 78, lower = 60;
    float iris = 70, pupil = 44;
    // Signed distance-ish inside measure: > 0 inside the almond.
    float inside(float x, float y) const {
        float t = (x - cx) / halfWidth;
        // Beyond the corners: minus the distance to the nearer corner, so the lid's rim light
        // fades out past them as it does everywhere else instead of lighting the frame edges.
        if (std::fabs(t) >= 1) return -std::hypot(std::fabs(x - cx) - halfWidth, y - cy);
        float shape = std::pow(1 - t * t, 0.85f);
        float top = cy - upper * shape, bottom = cy + lower * shape;
        return std::min(y - top, bottom - y);
    }
};

// Overlay frames: alpha 255 keeps the frame, 0 shows the overlay.
// Signed distance to a rounded rectangle: negative inside.
float roundedBox(float x, float y, float x0, float y0, float x1, float y1, float radius) {
    float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    float qx = std::fabs(x - cx) - ((x1 - x0) * 0.5f - radius);
    float qy = std::fabs(y - cy) - ((y1 - y0) * 0.5f - radius);
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
}

} // namespace

Canvas eyePicture() {
    EyeShape e;
    Canvas c = makeCanvas(320, 240, kNight0);
    paint(c, [&](float x, float y) {
        float in = e.inside(x, y);
        float dx = x - e.cx, dy = y - e.cy;
        float r = std::sqrt(dx * dx + dy * dy);
        if (in <= 0) {
            // Skin of the night: dark blue with a teal sheen and the lid crease.
            float n = fbm(x / 40, y / 40, 0, 4, 7);
            Rgba col = mix(kNight0, kNight1, 0.6f + 0.6f * n);
            float crease = e.inside(x, y + 18);
            col = add(col, kTeal, 0.35f * (1 - smoothstep(0.0f, 4.0f, std::fabs(crease))));
            float rim = 1 - smoothstep(0.0f, 10.0f, -in);
            col = add(col, kTeal, 0.4f * rim);
            return col;
        }
        // Sclera: ice, shaded toward the lids.
        Rgba col = scaled(kIce, 0.55f + 0.45f * smoothstep(0.0f, 30.0f, in));
        if (r < e.iris + 2) {
            float a = std::atan2(dy, dx);
            float fibre = 0.5f + 0.5f * std::sin(a * 48 + 5 * fbm(r / 6, a, 0, 2, 3));
            Rgba iris = mix(kTeal, kIce, 0.25f * fibre + 0.35f * (1 - r / e.iris));
            iris = mix(iris, kNight1, smoothstep(e.iris - 8, e.iris, r));
            col = mix(iris, col, smoothstep(e.iris, e.iris + 2, r));
        }
        if (r < e.pupil) col = mix(kNight0, col, smoothstep(e.pupil - 3, e.pupil, r));
        // Shadow of the upper lid on the eyeball.
        col = scaled(col, 0.55f + 0.45f * smoothstep(0.0f, 22.0f, y - (e.cy - e.upper * 0.8f)));
        return col;
    });
    // Lashes along the upper lid.
    for (int i = 0; i <= 26; ++i) {
        float t = -0.92f + 1.84f * i / 26.0f;
        float shape = std::pow(1 - t * t, 0.85f);
        float x = e.cx + t * e.halfWidth, y = e.cy - e.upper * shape;
        float len = 8 + 10 * shape;
        drawLineAA(c, x, y, x + t * 9, y - len, 1.6f, kNight0);
    }
    // One warm catchlight.
    drawDisc(c, e.cx + 24, e.cy - 26, 7, 2.5f, kEmber1);
    drawDisc(c, e.cx + 24, e.cy - 26, 3, 1.5f, kWhite);
    return c;
}

// The mask: 255 shows the eye picture, 0 the 3D world; the pupil lets it through whole and
// the iris as tinted glass.
Canvas eyeMask() {
    EyeShape e;
    Canvas c = makeCanvas(320, 240, kWhite);
    paint(c, [&](float x, float y) {
        float dx = x - e.cx, dy = y - e.cy;
        float r = std::sqrt(dx * dx + dy * dy);
        float open = 1 - smoothstep(e.pupil - 4, e.pupil + 2, r);
        // The iris is only glass where the lids leave it visible: below the lower lid is skin.
        float glassy =
            (1 - smoothstep(e.iris - 4, e.iris + 1, r)) * smoothstep(-1.0f, 1.0f, e.inside(x, y));
        Rgba m = {1, 1, 1, 1};
        Rgba irisGlass = {0.62f, 0.45f, 0.38f, 0.5f}; // lets more teal-blue of the world through
        m = mix(m, irisGlass, glassy);
        m = mix(m, Rgba{0, 0, 0, 0}, open);
        // Catchlight stays on top.
        float cl = std::sqrt((x - e.cx - 24) * (x - e.cx - 24) + (y - e.cy + 26) * (y - e.cy + 26));
        return mix(m, Rgba{1, 1, 1, 1}, 1 - smoothstep(5.0f, 8.0f, cl));
    });
    return c;
}

Canvas frameOverlay(const TextSetter& ts) {
    Canvas c = makeCanvas(320, 240, kNight0);
    paint(c, [](float x, float y) {
        float d = roundedBox(x, y, 14, 14, 306, 226, 18); // < 0 inside
        float open = 1 - smoothstep(-6.0f, 2.0f, d);
        Rgba col = mix(kNight0, kNight1, 0.5f + 0.5f * fbm(x / 30, y / 30, 0, 3, 13));
        // A thin ice line just outside the opening.
        float line = 1 - smoothstep(0.4f, 1.4f, std::fabs(d - 4.5f));
        col = mix(col, kIce, 0.8f * line);
        return withAlpha(col, clamp01(open - 0.9f * line));
    });
    // Ember corner ticks.
    const float ticks[4][2] = {{10, 10}, {310, 10}, {10, 230}, {310, 230}};
    for (auto& t : ticks) {
        float sx = t[0] < 160 ? 1.0f : -1.0f, sy = t[1] < 120 ? 1.0f : -1.0f;
        drawLineAA(c, t[0], t[1], t[0] + 16 * sx, t[1], 1.5f, withAlpha(kEmber0, 0));
        drawLineAA(c, t[0], t[1], t[0], t[1] + 16 * sy, 1.5f, withAlpha(kEmber0, 0));
    }
    TextStyle st{FontFace::Bold, 9, 2};
    drawText(c, ts, st, 34, 236, "TARNWICK", withAlpha(kIce, 0));
    drawText(c, ts, st, 306 - measureText(ts, st, "02 / 11"), 236, "02 / 11", withAlpha(kTeal, 0));
    return c;
}

Canvas letterboxOverlay(const TextSetter& ts) {
    Canvas c = makeCanvas(320, 240, kNight0);
    paint(c, [](float x, float y) {
        float bar = std::min(smoothstep(24.0f, 32.0f, y), 1 - smoothstep(208.0f, 216.0f, y));
        float dx = (x - 160) / 170.0f, dy = (y - 120) / 120.0f;
        float vignette = 1 - 0.45f * smoothstep(0.6f, 1.3f, dx * dx + dy * dy);
        float line = (1 - smoothstep(0.3f, 1.2f, std::fabs(y - 27.5f))) +
                     (1 - smoothstep(0.3f, 1.2f, std::fabs(y - 212.5f)));
        Rgba col = mix(kNight0, kTeal, 0.9f * clamp01(line));
        return withAlpha(col, clamp01(bar * vignette - line));
    });
    TextStyle st{FontFace::Bold, 9, 2};
    drawText(c, ts, st, 20, 16, "PASSAGE", withAlpha(kIce, 0));
    drawText(c, ts, st, 300 - measureText(ts, st, "03 / 11"), 16, "03 / 11", withAlpha(kEmber0, 0));
    return c;
}

// Multiply pictures: white leaves the frame alone.
Canvas vignette(const Rgba& centre, const Rgba& edge, float inner, float outer, float rings) {
    Canvas c = makeCanvas(320, 240, centre);
    paint(c, [&](float x, float y) {
        float dx = (x - 160) / 160.0f, dy = (y - 120) / 120.0f;
        float r = std::sqrt(dx * dx + dy * dy);
        Rgba col = mix(centre, edge, smoothstep(inner, outer, r));
        if (rings > 0) col = scaled(col, 1 - rings * (0.5f + 0.5f * std::cos(r * 60.0f)));
        return col;
    });
    return c;
}

Canvas scanlines() {
    Canvas c = makeCanvas(320, 240, kWhite);
    paint(c, [](float x, float y) {
        Rgba cold = {0.78f, 0.95f, 1.0f, 1};
        float line = (static_cast<int>(y) % 2) ? 0.78f : 1.0f;
        float dy = (y - 120) / 120.0f, dx = (x - 160) / 160.0f;
        float edge = 1 - 0.35f * smoothstep(0.5f, 1.2f, dx * dx * 0.5f + dy * dy);
        return scaled(cold, line * edge);
    });
    return c;
}

Canvas hotTint() {
    Canvas c = makeCanvas(320, 240, kWhite);
    paint(c, [](float x, float y) {
        float dx = (x - 160) / 160.0f, dy = (y - 120) / 120.0f;
        float r = std::sqrt(dx * dx + dy * dy);
        Rgba col = mix(kWhite, kEmber1, smoothstep(0.25f, 0.85f, r));
        col = mix(col, kEmber0, smoothstep(0.7f, 1.1f, r));
        return mix(col, hex("#5a1a08"), smoothstep(1.05f, 1.45f, r));
    });
    return c;
}

} // namespace tw::pictures
