// Kochanek-Bartels key curves: cubic Hermite segments with TCB-shaped, spacing-scaled tangents.
#include "anim/tcb.h"

#include <algorithm>
#include <cmath>

namespace tw {

void addKey(TCBCurve& curve, const TCBKey& key) {
    curve.keys.push_back(key);
}

void orderKeys(TCBCurve& curve) {
    std::vector<TCBKey>& k = curve.keys;
    std::stable_sort(k.begin(), k.end(), [](const TCBKey& a, const TCBKey& b) {
        return a.time < b.time || (!std::isnan(a.time) && std::isnan(b.time));
    });
    size_t kept = 0;
    for (size_t i = 0; i < k.size(); ++i) {
        if (i + 1 < k.size() && k[i + 1].time == k[i].time) continue; // a later key wins
        k[kept++] = k[i];
    }
    k.resize(kept);
}

float evaluate(const TCBCurve& curve, float t) {
    const std::vector<TCBKey>& k = curve.keys;
    const size_t n = k.size();
    if (n == 0) throw EmptyCurveError();
    if (n == 1) return k[0].value;

    // First segment with t(i) <= t < t(i+1). None (before the first key, at or after the last,
    // or times out of order there) gives the last key's value, even before the first key.
    size_t i = 0;
    while (i + 1 < n && !(k[i].time <= t && t < k[i + 1].time)) ++i;
    if (i + 1 >= n) return k[n - 1].value;

    const float p0 = k[i].value;
    const float p1 = k[i + 1].value;
    if (p0 == p1) return p0; // a segment between equal values is flat
    const float t0 = k[i].time;
    const float t1 = k[i + 1].time;
    // Delta, dP, the tangents and h are held as 32-bit floats; the expressions between them
    // may be evaluated wider by the compiler.
    const float delta = t1 - t0;
    const float dP = p1 - p0;

    // A neighbour whose span is not positive (keys out of order or sharing a time, as only a
    // curve built by hand can hold) would divide by zero or flip the tangent: the key then
    // takes the one-sided end form.
    const TCBKey& a = k[i];
    float tan0 = (1 - a.tension) * (1 - a.continuity) * (1 - a.bias) * dP;
    if (i > 0 && t1 - k[i - 1].time > 0) {
        tan0 =
            (tan0 + (1 - a.tension) * (1 + a.continuity) * (1 + a.bias) * (p0 - k[i - 1].value)) *
            delta / (t1 - k[i - 1].time);
    }
    const TCBKey& b = k[i + 1];
    float tan1 = (1 - b.tension) * (1 - b.continuity) * (1 + b.bias) * dP;
    if (i + 2 < n && k[i + 2].time - t0 > 0) {
        tan1 =
            (tan1 + (1 - b.tension) * (1 + b.continuity) * (1 - b.bias) * (k[i + 2].value - p1)) *
            delta / (k[i + 2].time - t0);
    }

    const float s = (t - t0) / delta;
    const float s2 = s * s, s3 = s2 * s;
    const float h = 3 * s2 - 2 * s3;
    return (s3 - 2 * s2 + s) * tan0 + (1 - h) * p0 + (s3 - s2) * tan1 + h * p1;
}

} // namespace tw
