// The pictures that carry text: credits, the tube's marks, the end card, title cards and the
// greetings ribbon.
#include "tools/forge/pictures_internal.h"

#include <algorithm>
#include <cmath>

#include "tools/forge/noise.h"

namespace tw::pictures {

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

} // namespace tw::pictures
