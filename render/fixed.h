// 16.16 fixed point: the named type, conversions from float, wrapping arithmetic and ceiling.
#pragma once

#include <climits>
#include <cmath>
#include <cstdint>

namespace tw {

// A 16.16 value: 16 integer bits (signed) and 16 fraction bits.
using Fixed = int32_t;

// x*65536 truncated for -32768 < x < 32768; at or below -32768 the most negative value,
// otherwise (32768 and above, NaN) 0x7FFF0000.
inline Fixed toFixed(float x) {
    if (x > -32768.0f && x < 32768.0f) return static_cast<Fixed>(x * 65536.0f);
    // Each sign saturates to its own end, so a large negative coordinate or gradient keeps
    // its sign; NaN takes the positive end.
    if (x <= -32768.0f) return INT32_MIN;
    return 0x7FFF0000;
}

// x * 65536 truncated, kept modulo 2^32 (0 for a non-finite x). For values whose low integer
// bits are all that is used (texture coordinates), where a saturating conversion would lose
// them once the value passes 32768.
inline Fixed toFixedWrapped(float x) {
    double d = static_cast<double>(x) * 65536.0;
    if (!std::isfinite(d)) return 0;
    // Below 2^63 in size the 64-bit integer holds the value whole and its low 32 bits are the
    // value modulo 2^32 already; only larger values need the remainder first.
    if (!(std::fabs(d) < 9223372036854775808.0)) d = std::fmod(d, 4294967296.0);
    return static_cast<Fixed>(static_cast<uint32_t>(static_cast<int64_t>(d)));
}

// Two's-complement wrap-around, as the integer adds and multiplies they model do.
inline Fixed wrapAdd(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}
inline Fixed wrapSub(Fixed a, Fixed b) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) - static_cast<uint32_t>(b));
}
inline Fixed wrapMul(Fixed a, int32_t n) {
    return static_cast<Fixed>(static_cast<uint32_t>(a) * static_cast<uint32_t>(n));
}

// The ceiling of a 16.16 value, as an integer.
inline int32_t fixedCeil(Fixed f) {
    return (f + 0xFFFF) >> 16;
}

} // namespace tw
