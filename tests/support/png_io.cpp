// PNG reading through libpng, the frame hash, and side-by-side difference pictures.
#include "png_io.h"

#include <png.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace tw {

bool readPng(const std::string& path, Bitmap& picture) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_BGRA; // bytes blue, green, red, alpha: our pixel words
    if (image.width > 8192 || image.height > 8192) {
        png_image_free(&image);
        return false;
    }
    Bitmap b = createBitmap(static_cast<int32_t>(image.width), static_cast<int32_t>(image.height));
    if (!png_image_finish_read(&image, nullptr, b.pixels, 0, nullptr)) {
        png_image_free(&image);
        return false;
    }
    picture = b;
    return true;
}

uint64_t frameHash(const Bitmap& picture) {
    uint64_t h = 1469598103934665603ull;
    const int32_t n = picture.pixels ? picture.pixelCount() : 0;
    for (int32_t i = 0; i < n; ++i) {
        const uint32_t p = picture.pixels[i];
        for (int s = 0; s < 24; s += 8) {
            h ^= (p >> s) & 255u;
            h *= 1099511628211ull;
        }
    }
    return h;
}

Bitmap sideBySide(const Bitmap& before, const Bitmap& after) {
    const int w = std::max(before.width, after.width), h = std::max(before.height, after.height);
    Bitmap out = createBitmap(3 * w, h);
    auto pixel = [](const Bitmap& b, int x, int y) -> uint32_t {
        return b.pixels && x < b.width && y < b.height ? b.pixels[y * b.width + x] : 0u;
    };
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const uint32_t a = pixel(before, x, y), b = pixel(after, x, y);
            uint32_t d = 0;
            for (int s = 0; s < 24; s += 8) {
                const int diff =
                    std::abs(static_cast<int>((a >> s) & 255u) - static_cast<int>((b >> s) & 255u));
                d |= static_cast<uint32_t>(std::min(255, diff * 8)) << s;
            }
            out.pixels[y * 3 * w + x] = a;
            out.pixels[y * 3 * w + w + x] = b;
            out.pixels[y * 3 * w + 2 * w + x] = d;
        }
    return out;
}

} // namespace tw
