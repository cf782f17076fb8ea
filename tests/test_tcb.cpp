// Key curves: segment search, end-key and flat-segment rules, and the tangent scaling.
#include <gtest/gtest.h>

#include <cmath>

#include "anim/tcb.h"

namespace tw {
namespace {

TCBCurve curve(std::initializer_list<std::pair<float, float>> keys, float tension = 0,
               float continuity = 0, float bias = 0) {
    TCBCurve c;
    for (auto [t, v] : keys) addKey(c, TCBKey{t, tension, continuity, bias, v});
    return c;
}

TEST(TcbCurve, NoKeysRaisesOneKeyIsConstant) {
    EXPECT_THROW(evaluate(TCBCurve{}, 1.0f), EmptyCurveError);
    TCBCurve c = curve({{5, 7}});
    for (float t : {-100.0f, 0.0f, 5.0f, 5.5f, 1e9f}) EXPECT_EQ(evaluate(c, t), 7.0f);
}

TEST(TcbCurve, TwoKeysAndOutsideTimes) {
    TCBCurve c = curve({{0, 0}, {10, 10}});
    EXPECT_FLOAT_EQ(evaluate(c, 5), 5.0f);
    EXPECT_EQ(evaluate(c, 0), 0.0f);
    EXPECT_EQ(evaluate(c, 10), 10.0f); // at the last key: no segment, the last value
    EXPECT_EQ(evaluate(c, 11), 10.0f);
    EXPECT_EQ(evaluate(c, -1), 10.0f); // before the first key: also the last value
    // T0 = T1 = 10: the Hermite form reduces to the straight line.
    EXPECT_NEAR(evaluate(c, 2.5f), 2.5f, 1e-5f);
}

TEST(TcbCurve, NeighbourScaledTangents) {
    TCBCurve c = curve({{0, 0}, {10, 10}, {20, 0}});
    EXPECT_FLOAT_EQ(evaluate(c, 5), 6.25f); // T0 = 10, T1 = 0
    // Second segment by symmetry: T0 = 0 (scaled), T1 = -10 (end key, unscaled).
    EXPECT_FLOAT_EQ(evaluate(c, 15), 6.25f);
    EXPECT_EQ(evaluate(c, 10), 10.0f); // exactly on an inner key

    TCBCurve tense = curve({{0, 0}, {10, 10}, {20, 0}}, 1);
    EXPECT_FLOAT_EQ(evaluate(tense, 5), 5.0f); // 10 * (3s^2 - 2s^3)
    EXPECT_FLOAT_EQ(evaluate(tense, 2), 10 * (3 * 0.04f - 2 * 0.008f));

    // Uneven spacing: the inner tangent is scaled by delta / span of both neighbours.
    TCBCurve uneven = curve({{0, 0}, {10, 10}, {40, 40}});
    // Segment 0 at s = 0.5: T0 = 10, T1 = (10 + 30) * 10 / 40 = 10 -> linear, 5.
    EXPECT_FLOAT_EQ(evaluate(uneven, 5), 5.0f);
    // Segment 1 at s = 0.5: T0 = (30 + 10) * 30 / 40 = 30, T1 = 30 -> 25.
    EXPECT_FLOAT_EQ(evaluate(uneven, 25), 25.0f);
}

TEST(TcbCurve, ShapeParametersEnterAsOneMinusAndOnePlus) {
    // Keys 0,10,20 with bias 1 on every key: T0 of segment 0 = (1-1)*dP = 0; T1 at the inner
    // key = [(1+1)*10 + (1-1)*(-10)] * 10/20 = 10, so at s = 0.5: -0.125*10 + 0.5*10.
    TCBCurve biased = curve({{0, 0}, {10, 10}, {20, 0}}, 0, 0, 1);
    EXPECT_FLOAT_EQ(evaluate(biased, 5), 3.75f);
    // Continuity -1 on two keys: T0 = T1 = 2 * dP = 20.
    TCBCurve cont = curve({{0, 0}, {10, 10}}, 0, -1, 0);
    // T0 = T1 = 20: at s = 0.25, (s^3-2s^2+s)*20 + h*10 + (s^3-s^2)*20.
    const float s = 0.25f, h = 3 * s * s - 2 * s * s * s;
    EXPECT_FLOAT_EQ(evaluate(cont, 2.5f),
                    (s * s * s - 2 * s * s + s) * 20 + h * 10 + (s * s * s - s * s) * 20);
}

TEST(TcbCurve, FlatSegmentsAndOutOfOrderTimes) {
    // Neighbours would overshoot, but a segment between equal values is exactly flat.
    TCBCurve c = curve({{0, -50}, {10, 3}, {20, 3}, {30, 90}});
    for (float t : {10.0f, 12.5f, 15.0f, 19.99f}) EXPECT_EQ(evaluate(c, t), 3.0f);
    // Times that go backwards leave no segment there: the last key's value.
    TCBCurve back = curve({{0, 1}, {10, 2}, {5, 3}});
    EXPECT_EQ(evaluate(back, 11), 3.0f);
    EXPECT_EQ(evaluate(back, 10), 3.0f);
    EXPECT_NE(evaluate(back, 7), 3.0f); // segment 0 is still well formed
    // Neighbours at the segment's own times give zero or negative spans: the tangents take
    // their end forms and the value stays finite.
    for (TCBCurve odd : {curve({{10, 1}, {0, 2}, {10, 3}}), curve({{0, 1}, {10, 2}, {0, 3}})})
        for (float t = 0; t < 10; t += 0.5f) EXPECT_TRUE(std::isfinite(evaluate(odd, t))) << t;
}

TEST(TcbCurve, OrderKeysSortsStablyAndTheLaterOfEqualTimesWins) {
    TCBCurve c = curve({{20, 5}, {0, 1}, {10, 2}, {NAN, 9}, {10, 3}, {-5, 4}});
    orderKeys(c);
    ASSERT_EQ(keyCount(c), 5);
    EXPECT_TRUE(std::isnan(c.keys[4].time)); // a NaN time goes last
    c.keys.pop_back();
    for (float t : {-5.0f, 0.0f, 5.0f, 10.0f, 15.0f, 20.0f})
        EXPECT_EQ(evaluate(c, t), evaluate(curve({{-5, 4}, {0, 1}, {10, 3}, {20, 5}}), t)) << t;
}

} // namespace
} // namespace tw
