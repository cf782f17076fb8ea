// PNG encoding through libpng.
#include "host/png_writer.h"

#include <png.h>

#include <cstdio>
#include <vector>

namespace tw {

bool writePng(const std::string& path, const Bitmap& bitmap, int scale, bool keepAlpha) {
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
    const int channels = keepAlpha ? 4 : 3;
    std::vector<png_byte> row(static_cast<size_t>(outW) * channels);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(f);
        return false;
    }
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(outW), static_cast<png_uint_32>(outH), 8,
                 keepAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_set_compression_level(png, 3);
    png_write_info(png, info);
    for (int y = 0; y < outH; ++y) {
        const uint32_t* src = bitmap.pixels + static_cast<size_t>(y / scale) * bitmap.width;
        for (int x = 0; x < outW; ++x) {
            uint32_t p = src[x / scale];
            png_byte* out = &row[static_cast<size_t>(x) * channels];
            out[0] = static_cast<png_byte>(p >> 16);
            out[1] = static_cast<png_byte>(p >> 8);
            out[2] = static_cast<png_byte>(p);
            if (keepAlpha) out[3] = static_cast<png_byte>(p >> 24);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return std::fclose(f) == 0;
}

} // namespace tw
