// The pictures: a night by cold water with one warm light. Night blues and teal for space
// and water, ice for highlights and text, ember for the one warm accent.
#include "tools/forge/pictures.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"

namespace tw {

namespace {

constexpr float kPi = 3.14159265f;

const Rgba kNight0 = hex("#05070d");
const Rgba kNight1 = hex("#0d1a26");
const Rgba kTeal = hex("#1f6f78");
const Rgba kIce = hex("#dff4ff");
const Rgba kEmber0 = hex("#ff8a2a");
const Rgba kEmber1 = hex("#ffb347");
const Rgba kWhite = {1, 1, 1, 1};
const Rgba kClear = {0, 0, 0, 0};

Rgba withAlpha(Rgba c, float a) {
    c.a = a;
    return c;
}

Rgba add(const Rgba& x, const Rgba& y, float k) {
    return {x.r + y.r * k, x.g + y.g * k, x.b + y.b * k, x.a};
}

// Four-stop ramp through the palette's cold side: 0 night, 1/3 deep blue, 2/3 teal, 1 ice.
Rgba coldRamp(float t) {
    t = clamp01(t);
    if (t < 1.0f / 3) return mix(kNight0, kNight1, t * 3);
    if (t < 2.0f / 3) return mix(kNight1, kTeal, (t - 1.0f / 3) * 3);
    return mix(kTeal, kIce, (t - 2.0f / 3) * 3);
}

float centredText(const TextSetter& ts, const TextStyle& st, const std::string& s, float cx) {
    return cx - measureText(ts, st, s) * 0.5f;
}

// Text with a soft light halo underneath, so dark letters read over dark and busy ground.
void haloText(Canvas& c, const TextSetter& ts, const TextStyle& st, float x, float y,
              const std::string& s, const Rgba& ink, const Rgba& halo, float haloStrength) {
    const float d = 1.5f;
    const float offs[8][2] = {{-d, 0}, {d, 0}, {0, -d}, {0, d}, {-d, -d}, {d, d}, {-d, d}, {d, -d}};
    Rgba h = halo;
    for (auto& o : offs) {
        Canvas layer = makeCanvas(c.width, c.height, kClear);
        drawText(layer, ts, st, x + o[0], y + o[1], s, h);
        for (size_t i = 0; i < c.px.size(); ++i)
            if (layer.px[i].a > 0)
                c.px[i] = mix(c.px[i], withAlpha(halo, std::max(c.px[i].a, haloStrength)),
                              layer.px[i].a * haloStrength);
    }
    drawText(c, ts, st, x, y, s, ink);
}

// ---------------------------------------------------------------- 256x256 textures

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

// ---------------------------------------------------------------- 320x240 pictures

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

// Overlay frames: alpha 255 keeps the frame, 0 shows the overlay.
// Signed distance to a rounded rectangle: negative inside.
float roundedBox(float x, float y, float x0, float y0, float x1, float y1, float radius) {
    float cx = (x0 + x1) * 0.5f, cy = (y0 + y1) * 0.5f;
    float qx = std::fabs(x - cx) - ((x1 - x0) * 0.5f - radius);
    float qy = std::fabs(y - cy) - ((y1 - y0) * 0.5f - radius);
    float ox = std::max(qx, 0.0f), oy = std::max(qy, 0.0f);
    return std::sqrt(ox * ox + oy * oy) + std::min(std::max(qx, qy), 0.0f) - radius;
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

// The credits multiply the frame, so dark ink reads only over light ground. The sky behind
// them is a ball of mirror facets seen from inside: facets in the lower half of the frame
// face up and mirror the bright sky, those in the upper half face down and mirror the dark
// water. So every line sits in the lower half, clear of the water facets.
Canvas credits(const TextSetter& ts) {
    Canvas c = makeCanvas(320, 240, kWhite);
    const Rgba ink = kNight1;
    TextStyle title{FontFace::Bold, 30, 1.5f};
    const float titleW = measureText(ts, title, "tarnwick");
    drawText(c, ts, title, 14, 169, "tarnwick", ink);
    drawLineAA(c, 15, 176, 15 + titleW, 176, 2, kEmber0);
    TextStyle small{FontFace::Regular, 10, 0.5f};
    const char* motto = "a night by cold water";
    drawText(c, ts, small, 306 - measureText(ts, small, motto), 169, motto, ink);
    TextStyle role{FontFace::Bold, 9, 2};
    TextStyle who{FontFace::Bold, 14, 0.5f};
    const char* lines[3][2] = {{"CODE", "the tarnwick project"},
                               {"GRAPHICS", "drawn by its own forge"},
                               {"MUSIC", "synthesised in the forge"}};
    float y = 192;
    for (auto& l : lines) {
        const float x = 306 - measureText(ts, who, l[1]);
        drawText(c, ts, role, x - 8 - measureText(ts, role, l[0]), y, l[0], kEmber0);
        drawText(c, ts, who, x, y, l[1], ink);
        y += 18;
    }
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

Canvas hudMarks(const TextSetter& ts) {
    Canvas c = makeCanvas(320, 240, {0, 0, 0, 1});
    const Rgba mark = scaled(kEmber0, 0.85f);
    // Corner brackets.
    const float corners[4][2] = {{18, 18}, {302, 18}, {18, 222}, {302, 222}};
    for (auto& p : corners) {
        float sx = p[0] < 160 ? 1.0f : -1.0f, sy = p[1] < 120 ? 1.0f : -1.0f;
        drawLineAA(c, p[0], p[1], p[0] + 26 * sx, p[1], 2, mark);
        drawLineAA(c, p[0], p[1], p[0], p[1] + 20 * sy, 2, mark);
    }
    // A tick scale along the bottom and a centre cross.
    for (int i = 0; i <= 20; ++i) {
        float x = 60 + i * 10.0f;
        float h = (i % 5 == 0) ? 6.0f : 3.0f;
        drawLineAA(c, x, 226, x, 226 - h, 1, scaled(kIce, 0.45f));
    }
    drawLineAA(c, 152, 120, 168, 120, 1, scaled(kIce, 0.35f));
    drawLineAA(c, 160, 112, 160, 128, 1, scaled(kIce, 0.35f));
    TextStyle st{FontFace::Bold, 9, 2};
    drawText(c, ts, st, 24, 36, "TARNWICK", scaled(kIce, 0.55f));
    drawText(c, ts, st, 296 - measureText(ts, st, "10 / 11"), 36, "10 / 11", mark);
    return c;
}

Canvas endCard(const TextSetter& ts) {
    Canvas c = makeCanvas(320, 240, kNight0);
    const float horizon = 150;
    paint(c, [&](float x, float y) {
        if (y < horizon) {
            float t = y / horizon;
            Rgba col = mix(kNight0, kNight1, t);
            col = add(col, kTeal, 0.35f * std::pow(t, 6.0f));
            // Hills on the far shore.
            float ridge = horizon - 10 - 22 * fbm(x / 60, 0.5f, 0, 4, 303);
            if (y > ridge) col = mix(kNight0, kNight1, 0.3f);
            // The light's glow in the air.
            float dx = x - 160, dy = y - (horizon - 6);
            col = add(col, kEmber0, 0.5f * std::exp(-(dx * dx + dy * dy) / 900.0f));
            return col;
        }
        float d = (y - horizon) / (240 - horizon);
        Rgba col = mix(kNight1, kNight0, d);
        float ripple = 0.5f + 0.5f * std::sin(y * 1.3f + 4 * fbm(x / 25, y / 6, 0, 2, 9));
        // The light's reflection: a broken vertical streak.
        float dx = std::fabs(x - 160);
        float streak = std::exp(-dx * dx / (40 + 400 * d)) * std::pow(ripple, 3.0f);
        col = add(col, kEmber0, 0.9f * streak * (1 - d * 0.6f));
        col = add(col, kTeal, 0.12f * std::pow(ripple, 8.0f) * (1 - d));
        return col;
    });
    // The wick.
    drawDisc(c, 160, horizon - 6, 5, 2.5f, kEmber0);
    drawDisc(c, 160, horizon - 7, 2.5f, 1.2f, kEmber1);
    TextStyle title{FontFace::Bold, 40, 4};
    drawText(c, ts, title, centredText(ts, title, "tarnwick", 160), 92, "tarnwick", kIce);
    TextStyle line{FontFace::Regular, 12, 1.5f};
    const char* last = "the water keeps the light";
    drawText(c, ts, line, centredText(ts, line, last, 160), 214, last, scaled(kIce, 0.8f));
    return c;
}

// Title cards for the spike scene, alpha 255 shows the card: dark text, a thin ember rule,
// transparent elsewhere.
Canvas titleCard(const TextSetter& ts, bool right) {
    TextStyle big{FontFace::Bold, 22, 0.5f};
    TextStyle small{FontFace::Regular, 11, 1.5f};
    const char* lines[2] = {right ? "every pixel" : "drawn in", right ? "" : "software"};
    float textW = std::max(measureText(ts, big, lines[0]), measureText(ts, big, lines[1]));
    const int w = static_cast<int>(std::ceil(textW)) + 26, h = 240;
    Canvas c = makeCanvas(w, h, kClear);
    const Rgba halo = kIce;
    const float right0 = static_cast<float>(w) - 12;
    if (right) {
        // Bottom right: the first half of the sentence.
        float x = right0 - measureText(ts, big, lines[0]);
        drawLineAA(c, x, 188, right0, 188, 1.5f, kEmber0);
        haloText(c, ts, big, x, 212, lines[0], kNight0, halo, 0.6f);
        drawText(c, ts, small, right0 - measureText(ts, small, "320 × 240"), 228, "320 × 240",
                 kNight1);
    } else {
        haloText(c, ts, big, 12, 34, lines[0], kNight0, halo, 0.6f);
        haloText(c, ts, big, 12, 60, lines[1], kNight0, halo, 0.6f);
        drawLineAA(c, 12, 70, 12 + measureText(ts, big, lines[1]), 70, 1.5f, kEmber0);
        drawText(c, ts, small, 12, 86, "in real time", kNight1);
    }
    return c;
}

// The greetings ribbon: text where red is non-zero, black elsewhere.
Canvas greetings(const TextSetter& ts) {
    Canvas c = makeCanvas(4096, 32, {0, 0, 0, 1});
    const char* parts[] = {"greetings",
                           "to everyone still drawing pixels in software",
                           "to tracker musicians and their patterns",
                           "to the night shift",
                           "to whoever keeps the old machines running",
                           "to people who read the manual",
                           "to cold lakes and warm lights",
                           "see you by the water"};
    TextStyle st{FontFace::Bold, 22, 0.5f};
    const std::string sep = "   •   ";
    // Shrink the type until the whole line fits between the lead-in and the end.
    const float lead = 200, end = 3990;
    for (int size = 22; size >= 14; --size) {
        st.pixelSize = size;
        float total = 0;
        for (size_t i = 0; i < std::size(parts); ++i)
            total += measureText(ts, st, parts[i]) + measureText(ts, st, sep);
        if (lead + total <= end) break;
    }
    float x = lead;
    for (size_t i = 0; i < std::size(parts); ++i) {
        x = drawText(c, ts, st, x, 24, parts[i], i == 0 ? kEmber1 : kIce);
        x = drawText(c, ts, st, x, 24, sep, kEmber0);
    }
    // Keep the "red is zero" rule exact: what is not text is black.
    for (Rgba& p : c.px)
        if (p.r < 1.0f / 255) p = {0, 0, 0, 1};
    return c;
}

} // namespace

std::vector<Picture> makePictures(const TextSetter& ts) {
    std::vector<Picture> out;
    auto put = [&](const char* file, const char* role, Canvas c) {
        AlphaUse use = AlphaUse::None;
        std::string f = file;
        if (f == "sweet.tga" || f == "sweet2.tga") use = AlphaUse::KeepsFrame;
        if (f == "euelite.tga" || f == "noelite.tga") use = AlphaUse::ShowsSelf;
        out.push_back({file, role, std::move(c), use});
    };
    // Full-frame pictures.
    put("eye.tga", "opening: the eye laid over the pulsing world", eyePicture());
    put("eye_alpha.tga", "opening: mask, 255 shows the eye, the pupil lets the world in",
        eyeMask());
    put("sweet.tga", "backdrop: overlay frame, alpha 255 keeps the frame", frameOverlay(ts));
    put("sweet2.tga", "tunnel: letterbox overlay, alpha 255 keeps the frame", letterboxOverlay(ts));
    put("blm.tga", "room: multiply, a soft vignette",
        vignette({1, 0.98f, 0.94f, 1}, hex("#7d8794"), 0.4f, 1.3f, 0));
    put("fake.tga", "room: multiply for the first six seconds, cold scanlines", scanlines());
    put("creds.tga", "credits: multiply, white with dark text", credits(ts));
    put("hot.tga", "metaballs: multiply, bright centre, ember edges", hotTint());
    put("boombox.tga", "tube: multiply, bright with a dark vignette",
        vignette(kWhite, hex("#141820"), 0.45f, 1.3f, 0.03f));
    put("skinner.tga", "tube: added, dark with a few bright marks", hudMarks(ts));
    put("end.tga", "end card", endCard(ts));
    put("euelite.tga", "spike: title card sliding in from the right", titleCard(ts, true));
    put("noelite.tga", "spike: title card sliding in from the left", titleCard(ts, false));
    put("greets.tga", "greetings ribbon, 4096x32, text where red is non-zero", greetings(ts));
    // 256x256 textures and maps.
    put("rpl.tga", "backdrop: water, tiles seamlessly for the warp", ripple());
    put("s08_back32.tga", "environment map: night sky over water with a warm light",
        sphereMap(true));
    put("s08_back33.tga", "backdrop: glow texture of the turning lattice", glowBands());
    put("jallaenv2.tga", "tube and room: soft lights, second layer", softLights());
    put("wall3.tga", "tube: wall panels", panels());
    put("wall3_b.tga", "tube: panel heights in red", heightMap(panelHeight));
    put("wall_b2.tga", "room: stone heights in red, matches tw_stone.tga", heightMap(stoneHeight));
    put("s02_lightmap.tga", "room: the viewer's lamp, floor layer", lampPool(false));
    put("s02_lightmap4.tga", "room: the viewer's lamp with reflector rings, wall layer",
        lampPool(true));
    put("tw_stone.tga", "room walls", stone());
    put("tw_floor.tga", "room floor", floorTiles());
    put("tw_glass.tga", "room glass panes", glass());
    put("tw_screen.tga", "room screen before the first live frame", testCard(ts));
    put("tw_rock.tga", "scene rock", rock());
    put("tw_ember.tga", "scene ember light", ember());
    put("tw_lights.tga", "tunnel light rings", lightStrips());
    put("tw_rust.tga", "grey scene backdrop: dark rust that the beat lifts to ember", rust());
    put("tw_frost.tga", "grey scene cold blocks: bright ice panels", frost());
    return out;
}

Canvas eyePictureCanvas() {
    return eyePicture();
}

} // namespace tw
