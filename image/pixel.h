// Per-channel arithmetic on 32-bit pixels: every operation works on the four bytes of a word
// (alpha included) independently.
#pragma once

#include <cstdint>

namespace tw {

// Byte c (0 = lowest) of a pixel.
inline uint32_t channel(uint32_t p, int c) {
    return (p >> (8 * c)) & 255u;
}
// min(255, a + b) per byte: sums in 16-bit lanes, a lane that reached 256 becomes 255.
inline uint32_t addSaturate(uint32_t a, uint32_t b) {
    uint32_t lo = (a & 0x00FF00FFu) + (b & 0x00FF00FFu);
    uint32_t hi = ((a >> 8) & 0x00FF00FFu) + ((b >> 8) & 0x00FF00FFu);
    lo |= ((lo >> 8) & 0x00010001u) * 0xFFu;
    hi |= ((hi >> 8) & 0x00010001u) * 0xFFu;
    return (lo & 0x00FF00FFu) | ((hi & 0x00FF00FFu) << 8);
}
// (a + b) >> 1 per byte: halves first, then the carry both low bits would have made.
inline uint32_t average(uint32_t a, uint32_t b) {
    return ((a & 0xFEFEFEFEu) >> 1) + ((b & 0xFEFEFEFEu) >> 1) + (a & b & 0x01010101u);
}
// x >> 1 per byte.
inline uint32_t half(uint32_t x) {
    return (x >> 1) & 0x7F7F7F7Fu;
}
// (a * b) >> 8 per byte; the product of two bytes fits the 16-bit lane it was computed in.
inline uint32_t multiply(uint32_t a, uint32_t b) {
    uint32_t r = 0;
    for (int s = 0; s < 32; s += 8) r |= ((((a >> s) & 255u) * ((b >> s) & 255u)) >> 8) << s;
    return r;
}

} // namespace tw
