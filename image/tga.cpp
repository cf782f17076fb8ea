// Reader for uncompressed 32-bit TGA pictures: whole file in memory, every size checked
// before a byte is copied, rows turned so the top row comes first.
#include "image/tga.h"

#include <bit>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/bytes.h"
#include "base/file_bytes.h"
#include "base/report.h"

namespace tw {

namespace {

// The pixel bytes blue, green, red, alpha are the pixel word itself on a little-endian host.
static_assert(std::endian::native == std::endian::little);

constexpr size_t kHeaderSize = 18;

// One line naming the file and what is wrong with it.
void refuse(const std::string& path, const std::string& why) {
    reportOut(format("%s: not a usable TGA picture: %s\n", path.c_str(), why.c_str()));
}

// Row shift and column mask for texture lookups; widths outside the table get 8/255.
void setShiftAndMask(Bitmap& b) {
    b.widthShift = 8;
    b.widthMask = 255;
    for (int32_t shift = 4; shift <= 10; ++shift) {
        if (b.width == (1 << shift)) {
            b.widthShift = shift;
            b.widthMask = b.width - 1;
        }
    }
}

} // namespace

bool readTga(Bitmap& bitmap, const std::string& path) {
    std::vector<uint8_t> file;
    switch (readFileBytes(path, file)) {
    case FileRead::CannotOpen:
        reportBox("ERROR!", format("Cant open %s", path.c_str()));
        return false;
    case FileRead::CannotRead:
        refuse(path, "cannot be read");
        return false;
    case FileRead::Ok:
        break;
    }
    return readTga(bitmap, file, path);
}

bool readTga(Bitmap& bitmap, std::span<const uint8_t> file, const std::string& path) {
    // Identification fields, colour map, origin and descriptor are ignored: the pixels start
    // at byte 18 whatever the header says, and the rows are always stored bottom first.
    if (file.size() < kHeaderSize) {
        refuse(path, format("%zu bytes, shorter than its header", file.size()));
        return false;
    }
    const uint32_t width = readU16(file.data() + 12);
    const uint32_t height = readU16(file.data() + 14);
    const uint32_t depth = file[16];
    if (width == 0 || height == 0 || depth != 32) {
        refuse(path, format("%ux%u at %u bits per pixel, not 32", width, height, depth));
        return false;
    }
    // Pixel counts are 32-bit signed everywhere downstream.
    if (static_cast<uint64_t>(width) * height > static_cast<uint64_t>(INT32_MAX)) {
        refuse(path, format("%ux%u is too many pixels", width, height));
        return false;
    }
    const size_t rowBytes = static_cast<size_t>(width) * 4;
    if (file.size() - kHeaderSize < rowBytes * height) {
        // Truncated: rejected rather than left with undefined pixels.
        refuse(path, format("cut short: %ux%u needs %zu bytes of pixels, the file has %zu", width,
                            height, rowBytes * height, file.size() - kHeaderSize));
        return false;
    }

    std::shared_ptr<uint32_t[]> owner = allocatePixels(static_cast<size_t>(width) * height);
    for (uint32_t i = 0; i < height; ++i) {
        const uint8_t* src = file.data() + kHeaderSize + rowBytes * i;
        std::memcpy(owner.get() + static_cast<size_t>(height - 1 - i) * width, src, rowBytes);
    }
    bitmap.width = static_cast<int32_t>(width);
    bitmap.height = static_cast<int32_t>(height);
    bitmap.owner = std::move(owner);
    bitmap.pixels = bitmap.owner.get();
    setShiftAndMask(bitmap);
    return true;
}

} // namespace tw
