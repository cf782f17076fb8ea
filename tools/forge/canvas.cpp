// Float RGBA canvas primitives.
#include "tools/forge/canvas.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace tw {

float clamp01(float v) {
    return v < 0 ? 0 : (v > 1 ? 1 : v);
}

float smoothstep(float e0, float e1, float x) {
    float t = clamp01((x - e0) / (e1 - e0));
    return t * t * (3 - 2 * t);
}

Rgba hex(const char* text) {
    unsigned long v = std::strtoul(text + (text[0] == '#' ? 1 : 0), nullptr, 16);
    return {static_cast<float>((v >> 16) & 255) / 255.0f,
            static_cast<float>((v >> 8) & 255) / 255.0f, static_cast<float>(v & 255) / 255.0f,
            1.0f};
}

Rgba mix(const Rgba& x, const Rgba& y, float t) {
    return {x.r + (y.r - x.r) * t, x.g + (y.g - x.g) * t, x.b + (y.b - x.b) * t,
            x.a + (y.a - x.a) * t};
}

Rgba scaled(const Rgba& c, float k) {
    return {c.r * k, c.g * k, c.b * k, c.a};
}

Canvas makeCanvas(int width, int height, const Rgba& fill) {
    Canvas c;
    c.width = width;
    c.height = height;
    c.px.assign(static_cast<size_t>(width) * height, fill);
    return c;
}

void blendPixel(Canvas& c, int x, int y, const Rgba& colour, float k) {
    if (x < 0 || y < 0 || x >= c.width || y >= c.height || k <= 0) return;
    c.at(x, y) = mix(c.at(x, y), colour, std::min(k, 1.0f));
}

void drawLineAA(Canvas& c, float x0, float y0, float x1, float y1, float width,
                const Rgba& colour) {
    float half = width * 0.5f;
    int xa = static_cast<int>(std::floor(std::min(x0, x1) - half - 1));
    int xb = static_cast<int>(std::ceil(std::max(x0, x1) + half + 1));
    int ya = static_cast<int>(std::floor(std::min(y0, y1) - half - 1));
    int yb = static_cast<int>(std::ceil(std::max(y0, y1) + half + 1));
    float dx = x1 - x0, dy = y1 - y0;
    float len2 = dx * dx + dy * dy;
    for (int y = std::max(ya, 0); y <= std::min(yb, c.height - 1); ++y) {
        for (int x = std::max(xa, 0); x <= std::min(xb, c.width - 1); ++x) {
            float t = len2 > 0 ? ((x - x0) * dx + (y - y0) * dy) / len2 : 0;
            t = clamp01(t);
            float ex = x0 + t * dx - x, ey = y0 + t * dy - y;
            float d = std::sqrt(ex * ex + ey * ey);
            blendPixel(c, x, y, colour, clamp01(half + 0.5f - d));
        }
    }
}

void drawDisc(Canvas& c, float cx, float cy, float radius, float feather, const Rgba& colour) {
    int xa = std::max(0, static_cast<int>(cx - radius - 1));
    int xb = std::min(c.width - 1, static_cast<int>(cx + radius + 1));
    int ya = std::max(0, static_cast<int>(cy - radius - 1));
    int yb = std::min(c.height - 1, static_cast<int>(cy + radius + 1));
    for (int y = ya; y <= yb; ++y)
        for (int x = xa; x <= xb; ++x) {
            float d = std::sqrt((x - cx) * (x - cx) + (y - cy) * (y - cy));
            blendPixel(c, x, y, colour, 1.0f - smoothstep(radius - feather, radius, d));
        }
}

std::vector<uint32_t> toWords(const Canvas& c) {
    std::vector<uint32_t> out(c.px.size());
    auto byte = [](float v) { return static_cast<uint32_t>(std::lround(clamp01(v) * 255.0f)); };
    for (size_t i = 0; i < c.px.size(); ++i) {
        const Rgba& p = c.px[i];
        out[i] = (byte(p.a) << 24) | (byte(p.r) << 16) | (byte(p.g) << 8) | byte(p.b);
    }
    return out;
}

} // namespace tw
