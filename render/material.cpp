// Material textures: loading into a slot, and the check that a material's textures are usable.
#include "render/material.h"

#include <utility>

#include "base/report.h"
#include "image/tga.h"

namespace tw {

int loadTexture(Material& m, int slot, const std::string& path) {
    Bitmap* target = slot == SLOT_SECOND ? &m.second : slot == SLOT_THIRD ? &m.third : &m.base;
    if (m.file.empty()) m.file = path; // a scene's own material is known by its picture
    // The reader reports failures and leaves the slot unchanged; a picture that loads but cannot
    // be a texture is named here, since the objects using it will not be drawn.
    if (readTga(*target, path) && !textureUsable(*target)) {
        reportOut(format("%s: a %dx%d picture is not a usable texture (square, a power of two "
                         "wide); objects using it are not drawn\n",
                         path.c_str(), target->width, target->height));
    }
    return 1;
}

void setUpMaterial(Material& m, std::string name, uint32_t flags, const std::string& texture) {
    m.name = std::move(name);
    setFlags(m, flags);
    loadTexture(m, SLOT_BASE, texture);
}

bool textureUsable(const Bitmap& t) {
    const int32_t w = t.width;
    if (w <= 0 || w != t.height || (w & (w - 1)) != 0) return false;
    if (t.widthShift < 0 || t.widthShift > 15) return false;
    if ((1 << t.widthShift) != w || t.widthMask != w - 1) return false;
    return t.isSized(w, w);
}

bool heightMapUsable(const Bitmap& base, const Bitmap& third) {
    // Every base texel index must address a height texel; neighbours wrap modulo the count.
    return third.pixels != nullptr && third.width > 0 && third.pixelCount() >= base.pixelCount();
}

const char* materialRefusal(const Material& m) {
    if (m.flags & MAT_LAYERED) {
        if (!textureUsable(m.base)) return "base texture is not a square power of two";
        if (!textureUsable(m.second)) return "second texture is not a square power of two";
        if ((m.flags & MAT_BUMP) && !heightMapUsable(m.base, m.third))
            return "bump map is smaller than its base texture";
        return nullptr;
    }
    if ((m.flags & MAT_TEXTURED) && !textureUsable(m.base))
        return "texture is not a square power of two";
    return nullptr; // wire needs no texture; no drawing flag draws nothing anyway
}

bool materialDrawable(const Material& m) {
    return materialRefusal(m) == nullptr;
}

bool drawableOrReported(const Material& m) {
    const char* why = materialRefusal(m);
    if (why == nullptr) return true;
    if (!m.refusalReported) {
        m.refusalReported = true;
        reportOut(format("%s: material \"%s\": %s; its faces are not drawn\n",
                         m.file.empty() ? "(no file)" : m.file.c_str(), m.name.c_str(), why));
    }
    return false;
}

} // namespace tw
