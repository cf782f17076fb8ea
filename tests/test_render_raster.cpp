// Rasterisers: fill rule and shared edges, the three rejections, depth test, pixel rules of
// every span family (checked channel by channel), saturation, bump addressing, pre-step, and
// the opaque textured and layered rows of every instruction set against the plain loops.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

#include "image/bitmap.h"
#include "render/layered_rows.h"
#include "render/raster.h"
#include "render/textured_rows.h"
#include "tests/support/render_fixtures.h"

namespace tw {
namespace {

constexpr int W = 320, H = 240;

class Raster : public ::testing::Test {
  protected:
    void SetUp() override {
        createZBuffer(gZBuffer, W, H);
        frame = createBitmap(W, H);
    }
    uint32_t at(int x, int y) const { return frame.pixels[y * W + x]; }
    int32_t depthAt(int x, int y) const { return gZBuffer.depth[static_cast<size_t>(y * W + x)]; }
    int written() const {
        return static_cast<int>(W * H - std::count(frame.pixels, frame.pixels + W * H, 0u));
    }
    Bitmap frame;
};

Vertex sv(float sx, float sy, float depth = 100, float u = 0, float v = 0, float u2 = 0,
          float v2 = 0) {
    Vertex p;
    p.sx = sx, p.sy = sy, p.depth = p.cz = depth;
    p.uv1 = {u, v}, p.uv2 = {u2, v2};
    return p;
}

using test::solid;
using test::texture;

void textured(Bitmap& frame, const Bitmap& tex, Vertex a, Vertex b, Vertex c, bool translucent) {
    rasterTextured(frame, tex, a, b, c, translucent);
}

TEST(FixedPoint, ToFixedTruncatesAndSaturates) {
    EXPECT_EQ(toFixed(1.5f), 98304);
    EXPECT_EQ(toFixed(-1.00001f), -65536); // towards zero
    EXPECT_EQ(toFixed(32767.99f), static_cast<int32_t>(32767.99f * 65536.0f));
    EXPECT_EQ(toFixed(-32767.5f), -2147450880);
    for (float big : {32768.0f, 1e9f, INFINITY, NAN}) EXPECT_EQ(toFixed(big), 0x7FFF0000) << big;
    for (float big : {-32768.0f, -1e9f, -INFINITY}) EXPECT_EQ(toFixed(big), INT32_MIN) << big;
    EXPECT_EQ(fixedCeil(toFixed(3.0f)), 3);
    EXPECT_EQ(fixedCeil(toFixed(3.01f)), 4);
    EXPECT_EQ(fixedCeil(toFixed(-2.5f)), -2);
}

TEST_F(Raster, TopLeftRuleOnIntegerVertices) {
    const Bitmap white = solid(0xFFFFFFFFu);
    textured(frame, white, sv(10, 10), sv(20, 10), sv(10, 20), false);
    // Pixels on the left and top edges are drawn; on the right, bottom and hypotenuse not.
    EXPECT_EQ(at(10, 10) & at(19, 10) & at(10, 19), 0xFFFFFFFFu);
    EXPECT_EQ(at(20, 10) | at(10, 20) | at(11, 19) | at(9, 15), 0u);
    EXPECT_EQ(written(), 10 + 9 + 8 + 7 + 6 + 5 + 4 + 3 + 2 + 1);
}

// Translucent white over black: one write gives 0x7F, two give 0xBF in every channel.
TEST_F(Raster, SharedEdgesWriteEveryPixelOnce) {
    const Bitmap white = solid(0xFFFFFFFFu);
    // A slanted quad split along the diagonal that is the long edge of both halves.
    const Vertex p0 = sv(50.2f, 30.7f), p1 = sv(250.9f, 60.1f), p2 = sv(220.4f, 200.3f),
                 p3 = sv(30.6f, 170.8f);
    textured(frame, white, p0, p1, p2, true);
    textured(frame, white, p0, p2, p3, true);
    // Centre strictly inside the quad (right of each directed edge, screen y down).
    const Vertex* q[4] = {&p0, &p1, &p2, &p3};
    auto insideQuad = [&](float x, float y, float margin) {
        for (int i = 0; i < 4; ++i) {
            const Vertex &a = *q[i], &b = *q[(i + 1) % 4];
            const float ex = b.sx - a.sx, ey = b.sy - a.sy;
            if (ex * (y - a.sy) - ey * (x - a.sx) < margin * std::sqrt(ex * ex + ey * ey))
                return false;
        }
        return true;
    };
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x) {
            const uint32_t p = at(x, y);
            const float fx = static_cast<float>(x), fy = static_cast<float>(y);
            ASSERT_TRUE(p == 0 || p == 0x7F7F7F7Fu) << x << "," << y << " " << std::hex << p;
            ASSERT_TRUE(p != 0 || !insideQuad(fx, fy, 0.01f)) << x << "," << y;
            ASSERT_TRUE(p == 0 || insideQuad(fx, fy, -0.01f)) << x << "," << y;
        }
    EXPECT_GT(written(), 25000);
}

TEST_F(Raster, ThreeRejections) {
    const Bitmap white = solid(0xFFFFFFFFu);
    // Doubled area 0.48 (< 0.5) with the middle vertex 0.12 from the long edge, and 0.2 wide
    // (area 0.8); all three vertices rounding to one row; a middle vertex 0.09 from the long
    // edge (area 3.6), and 0.11.
    const struct {
        float x0, y0, x1, y1, x2, y2;
        bool drawn;
    } cases[] = {{10, 10.5f, 10.12f, 12.5f, 10, 14.5f, false},
                 {10, 10.5f, 10.2f, 12.5f, 10, 14.5f, true},
                 {10, 10.2f, 50, 10.5f, 30, 10.9f, false},
                 {10, 10.5f, 10.09f, 30.5f, 10, 50.5f, false},
                 {10, 10.5f, 10.11f, 30.5f, 10, 50.5f, true}};
    for (const auto& c : cases) {
        clearBitmap(frame);
        clearZBuffer(gZBuffer);
        textured(frame, white, sv(c.x0, c.y0), sv(c.x1, c.y1), sv(c.x2, c.y2), false);
        EXPECT_EQ(written() > 0, c.drawn) << c.x1 << "," << c.y0;
    }
}

TEST_F(Raster, DepthTestIsStrictAndTranslucentNeverStores) {
    const Bitmap red = solid(0xFFFF0000u), blue = solid(0xFF0000FFu), white = solid(0xFFFFFFFFu);
    textured(frame, red, sv(20, 20, 100), sv(60, 20, 100), sv(20, 60, 100), false);
    EXPECT_EQ(at(25, 25), 0xFFFF0000u);
    EXPECT_EQ(depthAt(25, 25), toFixed(32767.0f / 100.0f));
    textured(frame, blue, sv(20, 20, 100), sv(60, 20, 100), sv(20, 60, 100), false);
    EXPECT_EQ(at(25, 25), 0xFFFF0000u); // equal depth fails
    textured(frame, blue, sv(20, 20, 99), sv(60, 20, 99), sv(20, 60, 99), false);
    EXPECT_EQ(at(25, 25), 0xFF0000FFu); // nearer passes

    // Translucent twice over black averages twice and leaves the depth buffer alone; an
    // opaque triangle behind it still overwrites it.
    textured(frame, white, sv(100, 100, 50), sv(140, 100, 50), sv(100, 140, 50), true);
    EXPECT_EQ(at(105, 105), 0x7F7F7F7Fu);
    textured(frame, white, sv(100, 100, 50), sv(140, 100, 50), sv(100, 140, 50), true);
    EXPECT_EQ(at(105, 105), 0xBFBFBFBFu);
    EXPECT_EQ(depthAt(105, 105), 0);
    textured(frame, red, sv(100, 100, 500), sv(140, 100, 500), sv(100, 140, 500), false);
    EXPECT_EQ(at(105, 105), 0xFFFF0000u);
}

// Every pixel rule against a channel-by-channel statement of it, on random bytes (which
// overflow a channel often enough to catch wrap-around in place of saturation).
TEST_F(Raster, PixelRulesOfEveryFamily) {
    auto ch = [](uint32_t x, int s) { return (x >> s) & 255u; };
    auto sat = [](uint32_t x) { return x > 255u ? 255u : x; };
    uint32_t state = 99;
    auto next = [&state] {
        state = state * 1664525u + 1013904223u;
        return state ^ (state >> 13) ^ (state << 7);
    };
    for (int round = 0; round < 200; ++round) {
        const uint32_t b = next(), e = next(), d = next();
        const Bitmap base = solid(b), second = solid(e);
        for (int variant = 0; variant < 10; ++variant) {
            const bool translucent = variant & 1;
            const int kind = variant >> 1; // textured, bump add, bump mul, add, mul
            fillBitmap(frame, d);
            clearZBuffer(gZBuffer);
            Vertex p = sv(4, 4), q = sv(9, 4), r = sv(4, 9);
            uint32_t expect = 0;
            for (int s = 0; s < 32; s += 8) {
                const uint32_t B = ch(b, s), E = ch(e, s), D = ch(d, s);
                uint32_t c = 0;
                if (kind == 0)
                    c = translucent ? (B + D) >> 1 : B;
                else if (kind == 2 || kind == 4)
                    c = translucent ? (((B * E) >> 8) + D) >> 1 : (B * E) >> 8;
                else if (translucent)
                    c = sat(((B + D) >> 1) + E);
                else
                    c = kind == 1 ? sat(B + (E >> 1)) : (B + E) >> 1;
                expect |= c << s;
            }
            if (kind == 0)
                rasterTextured(frame, base, p, q, r, translucent);
            else
                rasterLayered(frame, base, second, base, p, q, r, kind <= 2,
                              (kind == 1 || kind == 3) ? LayerBlend::Add : LayerBlend::Multiply,
                              translucent);
            ASSERT_EQ(at(5, 5), expect)
                << "variant " << variant << std::hex << " b " << b << " e " << e << " d " << d;
            ASSERT_EQ(at(3, 5), d); // outside stays
        }
    }
}

TEST_F(Raster, BumpDisplacesTheSecondLayerAndWraps) {
    // Second texel i holds 2i in every channel; bump-add over a black base shows E >> 1 = i.
    const Bitmap base = texture(2, [](int, int) { return 0u; });
    const Bitmap second =
        texture(2, [](int u, int v) { return 0x02020202u * static_cast<uint32_t>(v * 4 + u); });
    Bitmap height = texture(2, [](int, int) { return 0u; });
    auto setHeights = [&](std::initializer_list<std::pair<int, uint32_t>> list) {
        for (auto [i, red] : list) height.pixels[i] = 0xAB0000CDu | red << 16; // only red counts
    };
    auto shade = [&](float u1, float v1, float u2, float v2) {
        clearZBuffer(gZBuffer);
        Vertex p = sv(4, 4, 100, u1, v1, u2, v2), q = sv(9, 4, 100, u1, v1, u2, v2),
               r = sv(4, 9, 100, u1, v1, u2, v2);
        rasterLayered(frame, base, second, height, p, q, r, true, LayerBlend::Add, false);
        return at(5, 5) & 255u;
    };
    // Base texel (1, 3) = index 13: right neighbour 14, the one below wraps to index 1.
    setHeights({{13, 10}, {14, 12}, {1, 7}});
    // Column (12 + 0 - 10) & 3 = 2, row (7 + 0 - 10) & 3 = 1: second texel 6.
    EXPECT_EQ(shade(1.5f, 3.5f, 0.5f, 0.5f), 6u);
    // uv2 adds to the displacement: column (2 + 1) & 3, row (1 + 2) & 3 -> texel 15.
    EXPECT_EQ(shade(1.5f, 3.5f, 1.5f, 2.5f), 15u);
    // Last texel (3, 3) = 15: right neighbour wraps within its row to 12 (not to 0, the next
    // row's first), below to 3: column (6 - 5) & 3, row (7 - 5) & 3 -> texel 9.
    setHeights({{15, 5}, {12, 6}, {0, 1}, {3, 7}});
    EXPECT_EQ(shade(3.5f, 3.5f, 0.5f, 0.5f), 9u);

    // A height map smaller than the base is never indexed: the layer draws without bump,
    // (B + E) >> 1 with E = second texel 0.
    height = texture(1, [](int, int) { return 0xFFFFFFFFu; });
    EXPECT_EQ(shade(1.5f, 3.5f, 0.5f, 2.5f), 8u);
}

TEST_F(Raster, SubPixelPreStepAndAffineGradient) {
    // u = x + 0.5 across the triangle, texel column c holds c. The span starts with an 8-bit
    // pre-step of 255/256 even when the left edge lies exactly on a pixel centre, so pixel x
    // samples u = x + 0.5 + 0.996: column x + 1.
    const Bitmap tex = texture(6, [](int u, int) { return static_cast<uint32_t>(u); });
    textured(frame, tex, sv(10, 10, 100, 10.5f), sv(10, 50, 100, 10.5f), sv(50, 10, 100, 50.5f),
             false);
    for (int x = 10; x < 40; ++x) EXPECT_EQ(at(x, 12), static_cast<uint32_t>(x + 1)) << x;
}

// A long edge that crosses one row boundary within 1/65536 of a pixel has a slope in the
// tens of millions; its start loses a pixel or two to float cancellation, which would put a
// span on the frame's outer column. Spans stay in columns 1..W-2.
TEST_F(Raster, NearlyFlatEdgesStayOffTheBorder) {
    const Bitmap white = solid(0xFFFFFFFFu);
    const float dy = 1.01f / 65536;
    for (int row = 2; row < 238; ++row) {
        const float y = static_cast<float>(row), f = static_cast<float>(row % 7) / 7;
        // Top vertex at the left edge, long edge running right; and its mirror image.
        Vertex a = sv(1 + 0.2f * f, y), b = sv(200, y - 0.95f + 0.1f * f), c = sv(300, y + dy);
        rasterTextured(frame, white, a, b, c, false);
        Vertex d = sv(319 - 0.2f * f, y), e = sv(120, y - 0.95f + 0.1f * f), g = sv(20, y + dy);
        rasterTextured(frame, white, d, e, g, false);
    }
    EXPECT_GT(written(), 236 * 200);
    for (int y = 0; y < H; ++y) ASSERT_EQ(at(0, y) | at(W - 1, y), 0u) << y;
}

TEST_F(Raster, RefusesWhatCannotBeDrawnSafely) {
    const Bitmap white = solid(0xFFFFFFFFu);
    // NaN, or past the frame's outer pixel centres even by a rounding error: the set-up pins
    // its vertices inside, so anything else is refused.
    textured(frame, white, sv(10, 0.5f), sv(50, 10), sv(10, 50), false);
    textured(frame, white, sv(10, 10), sv(50, 10), sv(NAN, 50), false);
    textured(frame, white, sv(200, 10), sv(319.003f, 10), sv(200, 50), false);
    textured(frame, white, sv(0.999f, 10), sv(50, 10), sv(10, 50), false);
    // Textures that are not square powers of two with matching shift and mask.
    Bitmap odd = createBitmap(3, 3);
    odd.widthShift = odd.widthMask = 1;
    textured(frame, odd, sv(10, 10), sv(50, 10), sv(10, 50), false);
    textured(frame, Bitmap{}, sv(10, 10), sv(50, 10), sv(10, 50), false);
    EXPECT_EQ(written(), 0);
    // A frame larger than the depth buffer.
    Bitmap big = createBitmap(640, 480);
    textured(big, white, sv(10, 10), sv(50, 10), sv(10, 50), false);
    EXPECT_EQ(big.pixels[20 * 640 + 20], 0u);
}

// A random triangle half with N attributes: edges partly off either side (the column clamp),
// empty and full-width rows, wrapping attributes.
template <int N> struct RandomHalf {
    Edge<N> left, right;
    int32_t grad[N + 1];
    int32_t y0, y1;

    explicit RandomHalf(std::mt19937& rng) {
        auto any = [&](int32_t lo, int32_t hi) {
            return std::uniform_int_distribution<int32_t>(lo, hi)(rng);
        };
        left.x = any(-8, W + 8) * 65536 + any(0, 65535);
        left.dx = any(-3 * 65536, 3 * 65536);
        right.x = left.x + any(-2, W) * 65536 + any(0, 65535);
        right.dx = any(-3 * 65536, 3 * 65536);
        for (int i = 0; i <= N; ++i) {
            left.a[i] = static_cast<int32_t>(rng());
            left.da[i] = any(-(1 << 20), 1 << 20);
            grad[i] = i % 2 ? any(-(1 << 22), 1 << 22) : static_cast<int32_t>(rng());
        }
        left.a[N] = any(-1000, 1000) << 12;
        grad[N] = any(-64, 64) << 8;
        y0 = any(0, H - 24), y1 = y0 + any(0, 23);
    }
};

// Draws `half` with `plain`, then with `other` from the same frame and a depth buffer half
// nearer and half farther than the rows (both outcomes and equal depths); true when both leave
// the same pixels, depths and edges. `drawn` counts the pixels the plain loop drew.
template <int N, class Plain, class Other>
bool sameRows(Bitmap& frame, RandomHalf<N> half, std::mt19937& rng, Plain plain, Other other,
              int64_t& drawn) {
    const size_t from = static_cast<size_t>(half.y0) * W, to = static_cast<size_t>(half.y1) * W;
    int32_t* depth = gZBuffer.depth.data();
    for (size_t k = from; k < to; ++k)
        depth[k] = std::uniform_int_distribution<int32_t>(-1000, 1000)(rng) << 12;
    std::fill(frame.pixels + from, frame.pixels + to, 0u);
    const std::vector<int32_t> depthBefore(depth + from, depth + to);

    Edge<N> plainLeft = half.left, plainRight = half.right;
    plain(frame, half.y0, half.y1, plainLeft, plainRight, half.grad);
    const std::vector<uint32_t> plainFrame(frame.pixels + from, frame.pixels + to);
    const std::vector<int32_t> plainDepth(depth + from, depth + to);
    drawn += static_cast<int64_t>(plainFrame.size()) -
             std::count(plainFrame.begin(), plainFrame.end(), 0u);

    std::copy(depthBefore.begin(), depthBefore.end(), depth + from);
    std::fill(frame.pixels + from, frame.pixels + to, 0u);
    other(frame, half.y0, half.y1, half.left, half.right, half.grad);
    return std::equal(plainFrame.begin(), plainFrame.end(), frame.pixels + from) &&
           std::equal(plainDepth.begin(), plainDepth.end(), depth + from) &&
           plainLeft.x == half.left.x && plainRight.x == half.right.x &&
           std::equal(plainLeft.a, plainLeft.a + N + 1, half.left.a);
}

// Random halves on every target, textures from 1x1 to 256x256.
TEST_F(Raster, OpaqueTexturedRowsMatchThePlainLoopOnEveryTarget) {
    std::mt19937 rng(13);
    std::vector<uint32_t> tex(256 * 256);
    for (uint32_t& t : tex) t = rng();
    for (const TexturedRowsTarget& target : everyTexturedRowsTarget()) {
        SCOPED_TRACE(target.name);
        int64_t drawn = 0;
        for (int trial = 0; trial < 400; ++trial) {
            const int32_t shift = static_cast<int32_t>(rng() % 9);
            const TexturedSource source{tex.data(), shift, (1 << shift) - 1};
            auto rows = [&](auto draw) {
                return [&, draw](Bitmap& f, int32_t y0, int32_t y1, Edge<2>& l, Edge<2>& r,
                                 const int32_t* g) { draw(f, y0, y1, l, r, g, source); };
            };
            ASSERT_TRUE(sameRows(frame, RandomHalf<2>(rng), rng, rows(texturedRowsPlain),
                                 rows(target.rows), drawn))
                << "trial " << trial;
        }
        EXPECT_GT(drawn, 20000); // the trials draw, and not only empty rows
    }
}

// Every opaque layered variant on every target: base and second textures from 1x1 to 256x256
// and height maps the size of the base (the neighbour below the last row wraps to row 0) or of
// other widths with spare rows; small textures put the last column and row under many pixels.
TEST_F(Raster, OpaqueLayeredRowsMatchThePlainLoopOnEveryTarget) {
    std::mt19937 rng(17);
    std::vector<uint32_t> tex(2 * 256 * 256), heights(70000);
    for (uint32_t& t : tex) t = rng();
    for (uint32_t& t : heights) t = rng();
    const LayeredRowsSet& plain = layeredRowsPlain();
    for (const LayeredRowsTarget& target : everyLayeredRowsTarget()) {
        for (int variant = 0; variant < 4; ++variant) {
            SCOPED_TRACE(::testing::Message() << target.name << " variant " << variant);
            int64_t drawn = 0;
            for (int trial = 0; trial < 300; ++trial) {
                const int32_t baseShift = static_cast<int32_t>(rng() % 9);
                const int32_t secondShift = static_cast<int32_t>(rng() % 9);
                const int32_t baseCount = 1 << (2 * baseShift);
                int32_t heightWidth = 1 << baseShift, heightCount = baseCount;
                if (rng() % 2) {
                    heightWidth = static_cast<int32_t>(rng() % 300) + 1;
                    heightCount = heightWidth * ((baseCount + heightWidth - 1) / heightWidth +
                                                 static_cast<int32_t>(rng() % 3));
                }
                const LayeredSource source{tex.data(),         baseShift,   (1 << baseShift) - 1,
                                           tex.data() + 65536, secondShift, (1 << secondShift) - 1,
                                           heights.data(),     heightWidth, heightCount};
                auto rows = [&](LayeredRows draw) {
                    return [&, draw](Bitmap& f, int32_t y0, int32_t y1, Edge<4>& l, Edge<4>& r,
                                     const int32_t* g) { draw(f, y0, y1, l, r, g, source); };
                };
                ASSERT_TRUE(sameRows(frame, RandomHalf<4>(rng), rng, rows(plain.rows[variant]),
                                     rows(target.rows.rows[variant]), drawn))
                    << "trial " << trial;
            }
            EXPECT_GT(drawn, 15000);
        }
    }
}

} // namespace
} // namespace tw
