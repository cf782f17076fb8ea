// A 64-bit FNV-1a hash of a frame's pixel words, the same in the native and the web build.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw {

// Hashes the pixels byte by byte in memory order (blue, green, red, alpha per pixel).
inline uint64_t frameHash(const uint32_t* pixels, size_t count) {
    uint64_t h = 0xcbf29ce484222325ull;
    for (size_t i = 0; i < count; ++i) {
        uint32_t w = pixels[i];
        for (int b = 0; b < 4; ++b) {
            h ^= (w >> (8 * b)) & 0xffu;
            h *= 0x100000001b3ull;
        }
    }
    return h;
}

} // namespace tw
