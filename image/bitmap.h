// The Bitmap pixel record, colour packing, whole-buffer fills and the depth buffer.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

namespace tw {

// A picture: row-major 0xAARRGGBB words, top row first. Copies share the pixel array
// (`owner` keeps it alive). widthShift/widthMask are set only by the TGA reader and
// are used by texture lookups (square power-of-two textures).
struct Bitmap {
    int32_t width = 0;
    int32_t height = 0;
    uint32_t* pixels = nullptr;
    int32_t widthShift = 0;
    int32_t widthMask = 0;
    std::shared_ptr<uint32_t[]> owner;

    int32_t pixelCount() const { return width > 0 && height > 0 ? width * height : 0; }
    // True when the bitmap has pixels for at least `count` words (a failed load has none).
    bool holds(int64_t count) const {
        return pixels != nullptr && static_cast<int64_t>(pixelCount()) >= count;
    }
    // True when the bitmap is exactly w x h with all its pixels.
    bool isSized(int32_t w, int32_t h) const {
        return width == w && height == h && holds(static_cast<int64_t>(w) * h);
    }
};

// Zeroed storage for n pixel words (at least one) starting on a 64-byte boundary, so that
// whole-vector loads and stores never straddle two cache lines.
std::shared_ptr<uint32_t[]> allocatePixels(size_t n);

// A new zero-filled bitmap (widthShift and widthMask 0). Sizes below 0 count as 0.
Bitmap createBitmap(int32_t width, int32_t height);

// Packs a pixel word from the low 8 bits of each argument.
constexpr uint32_t makeColour(int32_t r, int32_t g, int32_t b, int32_t a) {
    return (static_cast<uint32_t>(a & 255) << 24) | (static_cast<uint32_t>(r & 255) << 16) |
           (static_cast<uint32_t>(g & 255) << 8) | static_cast<uint32_t>(b & 255);
}

void clearBitmap(Bitmap& bitmap);
void fillBitmap(Bitmap& bitmap, uint32_t colour);
// Every channel: min(255, (d*(255-k) >> 8) + (c*k >> 8)); only the low 8 bits of k count.
void blendFill(Bitmap& bitmap, int32_t k, uint32_t colour);

// One signed depth word per framebuffer pixel; 0 is farthest and the clear value.
struct ZBuffer {
    std::vector<int32_t> depth;
    int32_t height = 0;
    int32_t width = 0;
};

void createZBuffer(ZBuffer& z, int32_t width, int32_t height);
void clearZBuffer(ZBuffer& z);

// The one global depth buffer the rasterisers test against (created 320x240 by the host;
// tests may create it themselves).
extern ZBuffer gZBuffer;

} // namespace tw
