// Material textures: loading into a slot, and the check that a material's textures are usable.
#include "render/material.h"

#include "base/report.h"
#include "image/tga.h"

namespace tw {

int loadTexture(Material& m, int slot, const std::string& path) {
    Bitmap* target = slot == SLOT_SECOND ? &m.second : slot == SLOT_THIRD ? &m.third : &m.base;
    // The reader reports failures and leaves the slot unchanged; a picture that loads but cannot
    // be a texture is named here, since the objects using it will not be drawn.
    if (readTga(*target, path) && !textureUsable(*target)) {
        reportOut(format("%s: a %dx%d picture is not a usable texture (square, a power of two "
                         "wide); objects using it are not drawn\n",
                         path.c_str(), target->width, target->height));
    }
    return 1;
}

bool textureUsable(const Bitmap& t) {
    if (t.pixels == nullptr || t.width <= 0 || t.width != t.height) return false;
    if ((t.width & (t.width - 1)) != 0) return false;
    if (t.widthShift < 0 || t.widthShift > 15 || (1 << t.widthShift) != t.width) return false;
    return t.widthMask == t.width - 1;
}

bool heightMapUsable(const Bitmap& base, const Bitmap& third) {
    // Every base texel index must address a height texel; neighbours wrap modulo the count.
    return third.pixels != nullptr && third.width > 0 && third.pixelCount() >= base.pixelCount();
}

bool materialDrawable(const Material& m) {
    if (m.flags & MAT_LAYERED) {
        if (!textureUsable(m.base) || !textureUsable(m.second)) return false;
        return !(m.flags & MAT_BUMP) || heightMapUsable(m.base, m.third);
    }
    if (m.flags & MAT_TEXTURED) return textureUsable(m.base);
    return true; // wire needs no texture; no drawing flag draws nothing anyway
}

} // namespace tw
