// PNG encoding through libpng.
#include "host/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace tw {

bool writePng(const std::string& path, const Bitmap& bitmap, int scale) {
    if (!bitmap.pixels || bitmap.width <= 0 || bitmap.height <= 0 || scale < 1) return false;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    const int outW = bitmap.width * scale;
    const int outH = bitmap.height * scale;
    std::vector<png_byte> row(static_cast<size_t>(outW) * 3);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(outW), static_cast<png_uint_32>(outH), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
                 PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < outH; ++y) {
        const uint32_t* src = bitmap.pixels + static_cast<size_t>(y / scale) * bitmap.width;
        for (int x = 0; x < outW; ++x) {
            uint32_t p = src[x / scale];
            row[x * 3 + 0] = static_cast<png_byte>(p >> 16);
            row[x * 3 + 1] = static_cast<png_byte>(p >> 8);
            row[x * 3 + 2] = static_cast<png_byte>(p);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

} // namespace tw
