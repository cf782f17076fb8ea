// Little-endian field readers over a byte span, used by every file reader. Callers check
// bounds before reading; these helpers only decode.
#pragma once

#include <cstdint>
#include <cstring>

namespace tw {

inline uint16_t readU16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}
inline uint32_t readU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | (static_cast<uint32_t>(p[1]) << 8) |
           (static_cast<uint32_t>(p[2]) << 16) | (static_cast<uint32_t>(p[3]) << 24);
}
inline int32_t readI32(const uint8_t* p) {
    return static_cast<int32_t>(readU32(p));
}
inline float readF32(const uint8_t* p) {
    uint32_t bits = readU32(p);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

} // namespace tw
