// Normalising a direction in place, safe for the zero and non-finite lengths that unused
// vertices and degenerate faces produce.
#pragma once

#include <algorithm>
#include <cmath>

namespace tw {

// Scales (x, y, z) to unit length; a zero (or non-finite) length gives (0, 0, 0) so that no
// NaN reaches the environment mapping of an unused vertex or a degenerate face.
inline void normaliseOrZero(float& x, float& y, float& z) {
    const float d = x * x + y * y + z * z;
    if (!(d > 0.0f) || !std::isfinite(d)) {
        x = y = z = 0;
        return;
    }
    const float inv = 1.0f / std::sqrt(d);
    x *= inv;
    y *= inv;
    z *= inv;
}

// The same for vectors whose squared length may overflow (the huge field differences next to a
// metaball's centre): dividing by the largest component first keeps the squares finite, and
// the scaled length then lies in [1, 3], so the unit scaling above applies unchanged.
inline void normaliseLargeOrZero(float& x, float& y, float& z) {
    const float m = std::max({std::fabs(x), std::fabs(y), std::fabs(z)});
    if (!(m > 0.0f) || !std::isfinite(m)) {
        x = y = z = 0.0f;
        return;
    }
    x /= m;
    y /= m;
    z /= m;
    normaliseOrZero(x, y, z);
}

} // namespace tw
