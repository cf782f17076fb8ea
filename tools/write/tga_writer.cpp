// Uncompressed 32-bit TGA encoding and whole-file writes.
#include "tools/write/tga_writer.h"

#include <cstdio>

namespace tw {

std::vector<uint8_t> encodeTga(const uint32_t* pixels, int width, int height) {
    std::vector<uint8_t> out(18 + static_cast<size_t>(width) * height * 4, 0);
    out[2] = 2; // uncompressed true-colour
    out[12] = static_cast<uint8_t>(width & 255);
    out[13] = static_cast<uint8_t>(width >> 8);
    out[14] = static_cast<uint8_t>(height & 255);
    out[15] = static_cast<uint8_t>(height >> 8);
    out[16] = 32;
    out[17] = 8; // eight attribute (alpha) bits, origin bottom-left
    size_t o = 18;
    for (int row = height - 1; row >= 0; --row) {
        const uint32_t* src = pixels + static_cast<size_t>(row) * width;
        for (int x = 0; x < width; ++x) {
            uint32_t p = src[x];
            out[o++] = static_cast<uint8_t>(p);
            out[o++] = static_cast<uint8_t>(p >> 8);
            out[o++] = static_cast<uint8_t>(p >> 16);
            out[o++] = static_cast<uint8_t>(p >> 24);
        }
    }
    return out;
}

std::vector<uint8_t> encodeTga(const Bitmap& bitmap) {
    return encodeTga(bitmap.pixels, bitmap.width, bitmap.height);
}

bool writeFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = (std::fclose(f) == 0) && ok;
    return ok;
}

bool writeTga(const std::string& path, const Bitmap& bitmap) {
    return writeFile(path, encodeTga(bitmap));
}

} // namespace tw
