// Shared pieces of the picture forge: the palette, the helpers every subject uses, and the
// pictures each subject file makes (pictures_textures.cpp, pictures_frames.cpp,
// pictures_cards.cpp).
#pragma once

#include <algorithm>
#include <cmath>
#include <string>

#include "tools/forge/canvas.h"
#include "tools/forge/text.h"

namespace tw::pictures {

// Night blues and teal for space and water, ice for highlights and text, ember for the one
// warm accent.
constexpr float kPi = 3.14159265f;

inline const Rgba kNight0 = hex("#05070d");
inline const Rgba kNight1 = hex("#0d1a26");
inline const Rgba kTeal = hex("#1f6f78");
inline const Rgba kIce = hex("#dff4ff");
inline const Rgba kEmber0 = hex("#ff8a2a");
inline const Rgba kEmber1 = hex("#ffb347");
inline const Rgba kWhite = {1, 1, 1, 1};
inline const Rgba kClear = {0, 0, 0, 0};

inline Rgba withAlpha(Rgba c, float a) {
    c.a = a;
    return c;
}

inline Rgba add(const Rgba& x, const Rgba& y, float k) {
    return {x.r + y.r * k, x.g + y.g * k, x.b + y.b * k, x.a};
}

inline // Four-stop ramp through the palette's cold side: 0 night, 1/3 deep blue, 2/3 teal, 1 ice.
    Rgba
    coldRamp(float t) {
    t = clamp01(t);
    if (t < 1.0f / 3) return mix(kNight0, kNight1, t * 3);
    if (t < 2.0f / 3) return mix(kNight1, kTeal, (t - 1.0f / 3) * 3);
    return mix(kTeal, kIce, (t - 2.0f / 3) * 3);
}

inline float centredText(const TextSetter& ts, const TextStyle& st, const std::string& s,
                         float cx) {
    return cx - measureText(ts, st, s) * 0.5f;
}

inline // Text with a soft light halo underneath, so dark letters read over dark and busy ground.
    void
    haloText(Canvas& c, const TextSetter& ts, const TextStyle& st, float x, float y,
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

// ---- pictures_textures.cpp: 256x256 textures and maps
Canvas ripple();
Canvas sphereMap(bool warm);
Canvas glowBands();
Canvas softLights();
float panelHeight(float x, float y);
Canvas panels();
Canvas heightMap(float (*height)(float, float));
float stoneHeight(float x, float y);
Canvas stone();
Canvas floorTiles();
Canvas glass();
Canvas rock();
Canvas ember();
Canvas rust();
Canvas frost();
Canvas lightStrips();
Canvas lampPool(bool rings);
Canvas testCard(const TextSetter& ts);

// ---- pictures_frames.cpp: 320x240 frame pictures
Canvas eyePicture();
Canvas eyeMask();
Canvas frameOverlay(const TextSetter& ts);
Canvas letterboxOverlay(const TextSetter& ts);
Canvas vignette(const Rgba& centre, const Rgba& edge, float inner, float outer, float rings);
Canvas scanlines();
Canvas hotTint();

// ---- pictures_cards.cpp: pictures with text
Canvas credits(const TextSetter& ts);
Canvas hudMarks(const TextSetter& ts);
Canvas endCard(const TextSetter& ts);
Canvas titleCard(const TextSetter& ts, bool right);
Canvas greetings(const TextSetter& ts);

} // namespace tw::pictures
