// FreeType text setting: UTF-8 decoding, kerning-free advances, coverage blending.
#include "tools/forge/text.h"

#include <cmath>
#include <vector>

#include <ft2build.h>
#include FT_FREETYPE_H

namespace tw {

namespace {
const char* kFontPaths[2] = {"/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf",
                             "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf"};

std::vector<uint32_t> decodeUtf8(const std::string& s) {
    std::vector<uint32_t> out;
    for (size_t i = 0; i < s.size();) {
        unsigned char c = static_cast<unsigned char>(s[i]);
        uint32_t cp = c;
        int extra = 0;
        if (c >= 0xF0)
            cp = c & 0x07, extra = 3;
        else if (c >= 0xE0)
            cp = c & 0x0F, extra = 2;
        else if (c >= 0xC0)
            cp = c & 0x1F, extra = 1;
        ++i;
        for (int k = 0; k < extra && i < s.size(); ++k, ++i)
            cp = (cp << 6) | (static_cast<unsigned char>(s[i]) & 0x3F);
        out.push_back(cp);
    }
    return out;
}
} // namespace

struct TextSetter::Impl {
    FT_Library library = nullptr;
    FT_Face faces[2] = {nullptr, nullptr};
    ~Impl() {
        for (FT_Face f : faces)
            if (f) FT_Done_Face(f);
        if (library) FT_Done_FreeType(library);
    }
};

bool openTextSetter(TextSetter& setter, std::string& error) {
    auto impl = std::make_shared<TextSetter::Impl>();
    if (FT_Init_FreeType(&impl->library) != 0) {
        error = "cannot start FreeType";
        return false;
    }
    for (int i = 0; i < 2; ++i) {
        if (FT_New_Face(impl->library, kFontPaths[i], 0, &impl->faces[i]) != 0) {
            error = std::string("cannot open font ") + kFontPaths[i] +
                    " (Debian package fonts-dejavu-core)";
            return false;
        }
    }
    setter.impl = impl;
    return true;
}

static FT_Face faceFor(const TextSetter& setter, const TextStyle& style) {
    FT_Face face = setter.impl->faces[style.face == FontFace::Bold ? 1 : 0];
    FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(style.pixelSize));
    return face;
}

float measureText(const TextSetter& setter, const TextStyle& style, const std::string& text) {
    FT_Face face = faceFor(setter, style);
    float pen = 0;
    std::vector<uint32_t> cps = decodeUtf8(text);
    for (size_t i = 0; i < cps.size(); ++i) {
        if (FT_Load_Char(face, cps[i], FT_LOAD_DEFAULT) != 0) continue;
        pen += static_cast<float>(face->glyph->advance.x) / 64.0f;
        if (i + 1 < cps.size()) pen += style.tracking;
    }
    return pen;
}

float drawText(Canvas& canvas, const TextSetter& setter, const TextStyle& style, float x, float y,
               const std::string& text, const Rgba& colour) {
    FT_Face face = faceFor(setter, style);
    float pen = x;
    for (uint32_t cp : decodeUtf8(text)) {
        if (FT_Load_Char(face, cp, FT_LOAD_RENDER) != 0) continue;
        FT_GlyphSlot g = face->glyph;
        int ox = static_cast<int>(std::lround(pen)) + g->bitmap_left;
        int oy = static_cast<int>(std::lround(y)) - g->bitmap_top;
        for (unsigned row = 0; row < g->bitmap.rows; ++row)
            for (unsigned col = 0; col < g->bitmap.width; ++col) {
                unsigned char cov = g->bitmap.buffer[row * g->bitmap.pitch + col];
                blendPixel(canvas, ox + static_cast<int>(col), oy + static_cast<int>(row), colour,
                           cov / 255.0f);
            }
        pen += static_cast<float>(g->advance.x) / 64.0f + style.tracking;
    }
    return pen;
}

} // namespace tw
