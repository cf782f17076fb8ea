// Bitmap creation, colour fills and the depth buffer.
#include "image/bitmap.h"

#include <algorithm>
#include <cstring>
#include <new>

#include "image/kernels.h"

namespace tw {

ZBuffer gZBuffer;

constexpr std::align_val_t kPixelAlignment{64};

std::shared_ptr<uint32_t[]> allocatePixels(size_t n) {
    uint32_t* p = new (kPixelAlignment) uint32_t[n > 0 ? n : 1]();
    return std::shared_ptr<uint32_t[]>(p,
                                       [](uint32_t* q) { operator delete[](q, kPixelAlignment); });
}

Bitmap createBitmap(int32_t width, int32_t height) {
    Bitmap b;
    b.width = std::max(width, 0);
    b.height = std::max(height, 0);
    size_t n = static_cast<size_t>(b.width) * static_cast<size_t>(b.height);
    b.owner = allocatePixels(n);
    b.pixels = b.owner.get();
    return b;
}

void clearBitmap(Bitmap& bitmap) {
    int32_t n = bitmap.pixelCount();
    if (n > 0 && bitmap.pixels) std::memset(bitmap.pixels, 0, static_cast<size_t>(n) * 4);
}

void fillBitmap(Bitmap& bitmap, uint32_t colour) {
    int32_t n = bitmap.pixelCount();
    if (n > 0 && bitmap.pixels)
        kernels::active().fill(bitmap.pixels, static_cast<size_t>(n), colour);
}

void blendFill(Bitmap& bitmap, int32_t k, uint32_t colour) {
    const int32_t n = bitmap.pixelCount();
    if (n <= 0 || !bitmap.pixels) return;
    kernels::active().blendFill(bitmap.pixels, static_cast<size_t>(n),
                                static_cast<uint32_t>(k) & 255u, colour);
}

void createZBuffer(ZBuffer& z, int32_t width, int32_t height) {
    z.width = std::max(width, 0);
    z.height = std::max(height, 0);
    z.depth.assign(static_cast<size_t>(z.width) * static_cast<size_t>(z.height), 0);
}

void clearZBuffer(ZBuffer& z) {
    if (!z.depth.empty()) std::memset(z.depth.data(), 0, z.depth.size() * 4);
}

} // namespace tw
