// Normalising a direction in place, safe for the zero and non-finite lengths that unused
// vertices and degenerate faces produce.
#pragma once

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

} // namespace tw
