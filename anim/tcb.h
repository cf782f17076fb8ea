// Kochanek-Bartels (tension, continuity, bias) key curves: scalar functions of time.
#pragma once

#include <stdexcept>
#include <vector>

namespace tw {

struct TCBKey {
    float time = 0;
    float tension = 0;
    float continuity = 0;
    float bias = 0;
    float value = 0;
};

struct TCBCurve {
    std::vector<TCBKey> keys; // in the order added; the loaders put them in time order
};

// Raised by evaluate on a curve without keys; carries "TCBCurve needs atleast one key".
struct EmptyCurveError : std::runtime_error {
    EmptyCurveError() : std::runtime_error("TCBCurve needs atleast one key") {}
};

void addKey(TCBCurve& curve, const TCBKey& key);
// Puts the keys in time order (stable; a NaN time goes last) and keeps, of keys sharing one
// time, the one added last. Scene files may hold keys in any order; evaluate needs them
// ascending.
void orderKeys(TCBCurve& curve);
inline int keyCount(const TCBCurve& curve) {
    return static_cast<int>(curve.keys.size());
}
float evaluate(const TCBCurve& curve, float t);

} // namespace tw
