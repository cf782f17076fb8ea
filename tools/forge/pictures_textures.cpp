// The 256x256 textures and maps: water, sky, glow, lights, panels, stone, rock and ember.
#include "tools/forge/pictures_internal.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"

namespace tw::pictures {

namespace {

struct Dir {
    float x, y, z;
};

// What a mirror sees in direction d (y down): a night sky with a warm light low over the
// horizon, an ice horizon glow, dark water with teal streaks below.
Rgba nightSky(Dir d, bool warm) {
    float up = -d.y; // elevation
    float az = std::atan2(d.x, d.z);
    Rgba col;
    if (up >= 0) {
        // Bright enough overhead that surfaces facing up read as sky, not as black.
        col = mix(mix(mix(kTeal, kIce, 0.35f), mix(kTeal, kIce, 0.1f), smoothstep(0.0f, 0.35f, up)),
                  mix(kNight1, kTeal, 0.6f), smoothstep(0.35f, 0.95f, up));
        col = add(col, kIce, 0.3f * std::exp(-up * 40.0f));
        // Cloud bands lit from below.
        float band = fbm(az * 3 + 10, up * 7, 0, 3, 5);
        col = add(col, kIce, 0.3f * smoothstep(0.5f, 0.8f, band) * (1 - 0.5f * up));
        // A few big stars, large enough to survive blur and grain.
        float gx = az * 12, gy = up * 12;
        int cx = static_cast<int>(std::floor(gx)), cy = static_cast<int>(std::floor(gy));
        float sx = cx + 0.2f + 0.6f * hashUnit(cx, cy, 1, 61);
        float sy = cy + 0.2f + 0.6f * hashUnit(cx, cy, 2, 61);
        if (hashUnit(cx, cy, 3, 61) > 0.6f) {
            float dd = (gx - sx) * (gx - sx) + (gy - sy) * (gy - sy);
            col = add(col, kIce, 0.9f * std::exp(-dd * 60.0f) * smoothstep(0.1f, 0.3f, up));
        }
    } else {
        float depth = -up;
        col = mix(mix(kNight1, kTeal, 0.45f), kNight1, smoothstep(0.0f, 0.6f, depth));
        float streak = 0.5f + 0.5f * std::sin(az * 9 + 40 * depth);
        col = add(col, kTeal, 0.4f * std::pow(streak, 6.0f) * (1 - depth));
        col = add(col, kIce, 0.25f * std::exp(-depth * 40.0f));
    }
    if (warm) {
        // The wick: a warm light low in the sky, and its glow.
        Dir l = {0.8f, -0.26f, -0.54f};
        float c = d.x * l.x + d.y * l.y + d.z * l.z;
        col = add(col, kEmber0, 1.2f * std::pow(clamp01(c), 24.0f));
        col = add(col, kEmber1, 1.2f * std::pow(clamp01(c), 300.0f));
        // Its reflection in the water.
        Dir r = {0.8f, 0.26f, -0.54f};
        float cr = d.x * r.x + d.y * r.y + d.z * r.z;
        col = add(col, kEmber0, 0.5f * std::pow(clamp01(cr), 60.0f));
    }
    // A cold window light on the other side.
    Dir w = {-0.66f, -0.5f, -0.56f};
    float cw = d.x * w.x + d.y * w.y + d.z * w.z;
    col = add(col, kIce, 0.8f * std::pow(clamp01(cw), 150.0f));
    return col;
}

} // namespace

Canvas ripple() {
    // Periodic in both directions: every term repeats within 256 texels.
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float u = x / 256.0f, v = y / 256.0f;
        float h = fbm(u * 6, v * 6, 6, 4, 11);
        float swell = 0.5f + 0.25f * std::sin(2 * kPi * (2 * u + v) + 6 * h) +
                      0.25f * std::sin(2 * kPi * (u - 3 * v) + 4 * h);
        float ridge = 1.0f - std::fabs(2.0f * fbm(u * 8 + h, v * 8 - h, 8, 3, 29) - 1.0f);
        // Mostly night and deep blue, teal only on the swells, thin dim caustics: the glow
        // added over it is the brightest thing in the scene.
        float caustic = std::pow(ridge, 9.0f);
        Rgba col = coldRamp(0.05f + 0.5f * swell * (0.6f + 0.4f * h));
        col = add(col, kIce, 0.45f * caustic);
        return col;
    });
    return c;
}

Canvas sphereMap(bool warm) {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [warm](float x, float y) {
        float nx = (x - 128) / 127.0f, ny = (y - 128) / 127.0f;
        float r2 = nx * nx + ny * ny;
        if (r2 > 1) {
            float r = std::sqrt(r2);
            nx /= r;
            ny /= r;
            r2 = 1;
        }
        // Shade by where the normal points, not by a mirror reflection: a true sphere map
        // sends the whole rim to one direction, and surfaces seen edge-on (tunnel walls,
        // silhouettes) would all come out one flat colour.
        float nz = -std::sqrt(std::max(0.0f, 1 - r2));
        Dir d = {nx, ny, nz};
        float l = 1.0f;
        return nightSky({d.x / l, d.y / l, d.z / l}, warm);
    });
    return c;
}

// The glow texture of the turning lattice. Its scene never clears the glow frame: every
// frame draws the lattice twice more over the blurred trail of the frames before and adds
// the lot to the water, so the texture stays dim (at most 0.7 of full scale, mostly far
// less) and the trail still builds to ice at its brightest: teal bands with ice crests and
// a trace of ember, near black between them.
Canvas glowBands() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float u = x / 256.0f, v = y / 256.0f;
        float band = std::pow(0.5f + 0.5f * std::cos(2 * kPi * v * 5), 3.0f);
        float hue = 0.5f + 0.5f * std::sin(2 * kPi * u * 2);
        Rgba col = mix(kTeal, mix(kTeal, kEmber0, 0.35f), hue * hue);
        col = mix(col, kIce, std::pow(band, 4.0f));
        float k = 0.7f * (0.12f + 0.88f * band) * (0.8f + 0.4f * fbm(u * 8, v * 8, 8, 3, 41));
        return Rgba{col.r * k, col.g * k, col.b * k, 1};
    });
    return c;
}

// Soft lights on black that wrap at the edges: the second layer of the tube and the room.
Canvas softLights() {
    Canvas c = makeCanvas(256, 256, kNight0);
    struct Blob {
        float x, y, r;
        Rgba col;
        float k;
    };
    const Blob blobs[] = {{60, 70, 46, kIce, 0.55f},   {190, 40, 30, kEmber0, 0.8f},
                          {150, 170, 60, kTeal, 0.7f}, {30, 200, 26, kEmber1, 0.6f},
                          {230, 230, 40, kIce, 0.35f}, {110, 110, 18, kIce, 0.6f}};
    paint(c, [&](float x, float y) {
        Rgba col = scaled(kNight1, 0.5f);
        for (const Blob& b : blobs)
            for (int ox = -1; ox <= 1; ++ox)
                for (int oy = -1; oy <= 1; ++oy) {
                    float dx = x - b.x - ox * 256.0f, dy = y - b.y - oy * 256.0f;
                    float d2 = (dx * dx + dy * dy) / (b.r * b.r);
                    col = add(col, b.col, b.k * std::exp(-d2 * 2.0f));
                }
        return col;
    });
    return c;
}

// Panels of the bump-mapped tube: base colour and the matching height map.
float panelHeight(float x, float y) {
    float px = std::fmod(x, 64.0f), py = std::fmod(y, 64.0f);
    float edge = std::min(std::min(px, 64 - px), std::min(py, 64 - py));
    float h = smoothstep(1.0f, 7.0f, edge) * 0.75f + 0.1f;
    // Rivets near the corners.
    for (float rx : {8.0f, 56.0f})
        for (float ry : {8.0f, 56.0f}) {
            float d = std::sqrt((px - rx) * (px - rx) + (py - ry) * (py - ry));
            h += 0.25f * (1 - smoothstep(1.5f, 3.5f, d));
        }
    // A groove across every other panel.
    int cell = static_cast<int>(x / 64) + static_cast<int>(y / 64) * 4;
    if (cell % 3 == 0) h -= 0.35f * (1 - smoothstep(1.0f, 3.0f, std::fabs(py - 32)));
    h += 0.06f * (fbm(x / 16, y / 16, 16, 3, 77) - 0.5f);
    return clamp01(h);
}

Canvas panels() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float h = panelHeight(x, y);
        int cell = static_cast<int>(x / 64) + static_cast<int>(y / 64) * 4;
        Rgba base = (cell % 2) ? mix(kNight1, kTeal, 0.35f) : mix(kNight1, kTeal, 0.2f);
        float grime = fbm(x / 20, y / 20, 12, 4, 91);
        Rgba col = scaled(base, 0.5f + 0.9f * h * (0.7f + 0.5f * grime));
        // An ember indicator light in some panels.
        if (cell % 5 == 1) {
            float px = std::fmod(x, 64.0f), py = std::fmod(y, 64.0f);
            float d = std::sqrt((px - 48) * (px - 48) + (py - 20) * (py - 20));
            col = add(col, kEmber0, 1.2f * (1 - smoothstep(2.0f, 5.0f, d)));
        }
        // Teal stripe along the tube.
        float py = std::fmod(y, 128.0f);
        col = add(col, kTeal, 0.6f * (1 - smoothstep(1.0f, 2.5f, std::fabs(py - 96))));
        return col;
    });
    return c;
}

Canvas heightMap(float (*height)(float, float)) {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [height](float x, float y) {
        float h = height(x, y);
        return Rgba{h, h, h, 1};
    });
    return c;
}

// Stone blocks of the room's walls; the height map wall_b2 matches it texel for texel.
float stoneHeight(float x, float y) {
    float row = std::floor(y / 32);
    float sx = x + (static_cast<int>(row) % 2 ? 32.0f : 0.0f);
    float px = std::fmod(sx, 64.0f), py = std::fmod(y, 32.0f);
    float edge = std::min(std::min(px, 64 - px), std::min(py, 32 - py));
    float h = smoothstep(0.5f, 4.0f, edge) * 0.7f + 0.15f;
    h += 0.25f * (fbm(x / 12, y / 12, 21, 3, 5) - 0.5f);
    return clamp01(h);
}

Canvas stone() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float h = stoneHeight(x, y);
        float row = std::floor(y / 32);
        float sx = x + (static_cast<int>(row) % 2 ? 32.0f : 0.0f);
        float tone = hashUnit(static_cast<int>(sx / 64) & 3, static_cast<int>(row) & 7, 0, 3);
        Rgba base = mix(hex("#4a5c68"), hex("#8697a0"), tone * 0.7f + 0.3f * h);
        return scaled(base, 0.45f + 0.75f * h);
    });
    return c;
}

Canvas floorTiles() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        int tx = static_cast<int>(x / 64), ty = static_cast<int>(y / 64);
        float px = std::fmod(x, 64.0f), py = std::fmod(y, 64.0f);
        float edge = std::min(std::min(px, 64 - px), std::min(py, 64 - py));
        Rgba base = ((tx + ty) % 2) ? hex("#35606c") : hex("#4a808c");
        float n = fbm(x / 24, y / 24, 11, 3, 17);
        Rgba col = scaled(base, 0.8f + 0.5f * n);
        col = mix(scaled(kNight0, 1), col, smoothstep(0.5f, 2.0f, edge));
        // Polished sheen along the diagonal.
        col = add(col, kIce, 0.12f * std::pow(0.5f + 0.5f * std::sin((px + py) * 0.05f), 8.0f));
        return col;
    });
    return c;
}

Canvas glass() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float streak = std::pow(0.5f + 0.5f * std::sin((x + y * 0.6f) * 0.09f), 12.0f);
        Rgba col = mix(kNight1, kTeal, 0.6f + 0.3f * fbm(x / 32, y / 32, 8, 2, 8));
        return add(col, kIce, 0.55f * streak);
    });
    return c;
}

Canvas rock() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float n = fbm(x / 32, y / 32, 8, 5, 101);
        float crack = 1 - std::fabs(2 * fbm(x / 48 + 3, y / 48, 5, 3, 55) - 1);
        Rgba col = mix(hex("#2d4150"), hex("#9fb8c4"), n);
        col = scaled(col, 1 - 0.6f * std::pow(crack, 10.0f));
        return add(col, kTeal, 0.25f * (1 - n));
    });
    return c;
}

Canvas ember() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float n = fbm(x / 28, y / 20, 9, 4, 202);
        float flame = std::pow(n, 1.5f);
        Rgba col = mix(hex("#5a1a08"), kEmber0, smoothstep(0.2f, 0.6f, flame));
        return mix(col, kEmber1, smoothstep(0.55f, 0.85f, flame));
    });
    return c;
}

// The grey scene's backdrop: dark rust in broad soft drifts. Drained of colour and grained it
// is near black, so the bright blocks read against it; the beat's brighten lifts it to
// rust and ember (the darkest texel to about #70230c, the brightest to #ff8a2a).
Canvas rust() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float n = fbm(x / 64, y / 64, 4, 3, 611);
        float drift = 0.5f + 0.5f * std::sin(2 * kPi * (y / 128.0f) + 3 * n);
        return mix(hex("#3a1206"), hex("#8a4716"), smoothstep(0.2f, 0.9f, 0.6f * n + 0.4f * drift));
    });
    return c;
}

// The grey scene's cold blocks: ice panels with teal seams, bright enough to stand out of
// the heavy grain once the frame is drained of colour.
Canvas frost() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float px = std::fmod(x, 64.0f), py = std::fmod(y, 64.0f);
        float edge = std::min(std::min(px, 64 - px), std::min(py, 64 - py));
        float n = fbm(x / 40, y / 40, 6, 3, 733);
        Rgba col = mix(mix(kTeal, kIce, 0.55f), kIce, n);
        return mix(kTeal, col, smoothstep(1.0f, 4.0f, edge));
    });
    return c;
}

Canvas lightStrips() {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [](float x, float y) {
        float strip = std::pow(0.5f + 0.5f * std::cos(2 * kPi * x / 64.0f), 16.0f);
        float dots = std::pow(0.5f + 0.5f * std::cos(2 * kPi * y / 16.0f), 4.0f);
        Rgba col = scaled(kNight1, 0.8f);
        col = add(col, kEmber0, 1.1f * strip * (0.5f + 0.5f * dots));
        return add(col, kIce, 0.4f * std::pow(strip, 4.0f));
    });
    return c;
}

// A lamp's pool of light, projected from the viewer: bright warm centre, cold dim edges.
Canvas lampPool(bool rings) {
    Canvas c = makeCanvas(256, 256, kNight0);
    paint(c, [rings](float x, float y) {
        float dx = (x - 128) / 128.0f, dy = (y - 128) / 128.0f;
        float r = std::sqrt(dx * dx + dy * dy);
        float fall = 1 - smoothstep(0.05f, 0.95f, r);
        if (rings) fall *= 0.88f + 0.12f * std::cos(r * 40.0f);
        Rgba warm = {1.0f, 0.88f, 0.7f, 1};
        Rgba dim = {0.46f, 0.5f, 0.58f, 1};
        return mix(dim, warm, fall);
    });
    return c;
}

Canvas testCard(const TextSetter& ts) {
    Canvas c = makeCanvas(256, 256, kNight0);
    const Rgba bars[6] = {kIce, kTeal, kEmber0, kEmber1, kNight1, hex("#3a8a95")};
    paint(c, [&](float x, float y) {
        if (y < 150) return bars[static_cast<int>(x / 256 * 6) % 6];
        return (static_cast<int>(x / 16) + static_cast<int>(y / 16)) % 2 ? kNight1 : kNight0;
    });
    drawDisc(c, 128, 150, 70, 2, scaled(kNight0, 1));
    drawDisc(c, 128, 150, 64, 2, kTeal);
    TextStyle st{FontFace::Bold, 26, 1};
    drawText(c, ts, st, centredText(ts, st, "tarnwick", 128), 160, "tarnwick", kIce);
    return c;
}

} // namespace tw::pictures
