// Float RGBA canvases for painting the forge's pictures, with the few primitives they need.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

struct Rgba {
    float r = 0, g = 0, b = 0, a = 1; // 0..1 each
};

// A colour from a "#rrggbb" literal (alpha 1).
Rgba hex(const char* text);
Rgba mix(const Rgba& x, const Rgba& y, float t);
Rgba scaled(const Rgba& c, float k); // colour channels only
float clamp01(float v);
float smoothstep(float e0, float e1, float x);

struct Canvas {
    int width = 0;
    int height = 0;
    std::vector<Rgba> px; // top row first

    Rgba& at(int x, int y) { return px[static_cast<size_t>(y) * width + x]; }
    const Rgba& at(int x, int y) const { return px[static_cast<size_t>(y) * width + x]; }
};

Canvas makeCanvas(int width, int height, const Rgba& fill);
// Calls f(x, y) -> Rgba for every pixel centre; x and y in pixels.
template <class F> void paint(Canvas& c, F&& f) {
    for (int y = 0; y < c.height; ++y)
        for (int x = 0; x < c.width; ++x)
            c.at(x, y) = f(static_cast<float>(x), static_cast<float>(y));
}
// Source-over with coverage k (0..1): colour channels and alpha move toward `colour`.
void blendPixel(Canvas& c, int x, int y, const Rgba& colour, float k);
// An anti-aliased line of the given width (pixels), blended with `colour`.
void drawLineAA(Canvas& c, float x0, float y0, float x1, float y1, float width, const Rgba& colour);
// A soft filled disc: full inside radius - feather, fading to nothing at radius.
void drawDisc(Canvas& c, float cx, float cy, float radius, float feather, const Rgba& colour);

// 8-bit ARGB words (0xAARRGGBB), rounded and clamped; the form every writer takes.
std::vector<uint32_t> toWords(const Canvas& c);

} // namespace tw
