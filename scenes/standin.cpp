// Plain pictures that replace missing or mis-sized ones.
#include "scenes/standin.h"

#include "base/report.h"
#include "image/tga.h"
#include "render/material.h"

namespace tw {

Bitmap plainPicture(int32_t width, int32_t height, uint32_t colour) {
    Bitmap b = createBitmap(width, height);
    fillBitmap(b, colour);
    if (width == 256 && height == 256) {
        b.widthShift = 8;
        b.widthMask = 255;
    }
    return b;
}

bool ensurePicture(Bitmap& picture, int32_t width, int32_t height, uint32_t colour,
                   const std::string& name) {
    if (picture.isSized(width, height)) return true;
    reportOut(format("%s: not a %dx%d picture, drawing a plain one instead\n", name.c_str(), width,
                     height));
    picture = plainPicture(width, height, colour);
    return false;
}

bool ensureTexture(Bitmap& texture, uint32_t colour, const std::string& name) {
    if (textureUsable(texture)) return true;
    reportOut(format("%s: not a usable texture, drawing a plain one instead\n", name.c_str()));
    texture = plainPicture(256, 256, colour);
    return false;
}

bool readPicture(Bitmap& picture, const std::string& path, int32_t width, int32_t height,
                 bool atLeast) {
    if (!readTga(picture, path)) return false;
    const bool fits = atLeast ? picture.width >= width && picture.height >= height
                              : picture.width == width && picture.height == height;
    if (fits) return true;
    reportOut(format("%s: a %dx%d picture, where this scene needs %s%dx%d; not used\n",
                     path.c_str(), picture.width, picture.height, atLeast ? "at least " : "", width,
                     height));
    return false;
}

} // namespace tw
