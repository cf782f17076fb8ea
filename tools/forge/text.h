// Text set with FreeType from the DejaVu fonts of Debian's fonts-dejavu-core.
#pragma once

#include <memory>
#include <string>

#include "tools/forge/canvas.h"

namespace tw {

enum class FontFace { Regular, Bold };

struct TextStyle {
    FontFace face = FontFace::Bold;
    int pixelSize = 16;
    float tracking = 0; // extra pixels between letters
};

// Owns the FreeType library and both faces. open() fails with a message naming the path
// when a font is missing.
struct TextSetter {
    struct Impl;
    std::shared_ptr<Impl> impl;
};

bool openTextSetter(TextSetter& setter, std::string& error);
// Advance width of the text in pixels (UTF-8 input).
float measureText(const TextSetter& setter, const TextStyle& style, const std::string& text);
// Blends the text's coverage in `colour` with its baseline at y, starting at x.
// Returns the pen position after the last glyph.
float drawText(Canvas& canvas, const TextSetter& setter, const TextStyle& style, float x, float y,
               const std::string& text, const Rgba& colour);

} // namespace tw
