// PNG encoding of forge canvases through libpng.
#include "tools/forge/canvas_png.h"

#include <png.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <vector>

namespace tw {

bool writeCanvasPng(const std::string& path, const Canvas& c, bool withAlpha, std::string& error) {
    std::FILE* fp = std::fopen(path.c_str(), "wb");
    if (!fp) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!png || !info || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        std::fclose(fp);
        error = "cannot encode " + path;
        return false;
    }
    const int channels = withAlpha ? 4 : 3;
    png_init_io(png, fp);
    png_set_IHDR(png, info, static_cast<png_uint_32>(c.width), static_cast<png_uint_32>(c.height),
                 8, withAlpha ? PNG_COLOR_TYPE_RGBA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<uint8_t> row(static_cast<size_t>(c.width) * channels);
    auto byte = [](float v) { return static_cast<uint8_t>(std::lround(clamp01(v) * 255)); };
    for (int y = 0; y < c.height; ++y) {
        for (int x = 0; x < c.width; ++x) {
            const Rgba& p = c.at(x, y);
            uint8_t* out = &row[static_cast<size_t>(x) * channels];
            out[0] = byte(p.r);
            out[1] = byte(p.g);
            out[2] = byte(p.b);
            if (withAlpha) out[3] = byte(p.a);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    if (std::fclose(fp) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace tw
