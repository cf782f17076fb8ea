// Tests for the ray-cast tunnel: ray-cylinder samples, distance light, the 16.16 block fill,
// the bump-perturbed environment layer and the stand-ins for unusable textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <random>
#include <vector>

#include "scenes/raytunnel.h"
#include "scenes/tunnel_blocks.h"

namespace tw {
namespace {

TunnelTextures prepared(const Bitmap& base, const Bitmap& bump, const Bitmap& environment) {
    TunnelTextures t;
    prepareTunnelTextures(t, base, bump, environment);
    return t;
}

void expectNoHit(const TunnelSample& s) {
    EXPECT_TRUE(s.u == 128.0f && s.v == 128.0f && s.u2 == 128.0f && s.v2 == 128.0f) << s.u;
    EXPECT_EQ(s.light, 0);
}

TEST(TunnelCasting, GridShapeAndRaysThatNeverMeetTheWall) {
    TunnelGrid grid;
    createTunnel(grid, 320, 240);
    ASSERT_EQ(grid.samples.size(), 41u * 31u);

    // Along the axis: dx = dy = 0, so Q = 0.
    setView(grid, 0, 0, 0, 0, 0, 0);
    expectNoHit(castTunnelRay(grid, 160, 120));
    // Parallel to the axis but off it, and far down the tunnel: still Q = 0.
    setView(grid, 50, -30, 12345, 0, 0, 77);
    expectNoHit(castTunnelRay(grid, 160, 120));
    // Outside the cylinder, the rays that pass it by have R < 0.
    setView(grid, 1000, 0, 0, 0, 0, 0);
    expectNoHit(castTunnelRay(grid, 160, 0));
    expectNoHit(castTunnelRay(grid, 160, 239));

    // The rendered centre sample of a straight view is the no-hit sample, not a NaN.
    Bitmap frame = createBitmap(320, 240);
    setView(grid, 0, 0, 0, 0, 0, 0);
    renderTunnel(grid, frame, prepared(Bitmap{}, Bitmap{}, Bitmap{}));
    expectNoHit(grid.samples[15 * 41 + 20]);
    for (const TunnelSample& s : grid.samples)
        ASSERT_TRUE(std::isfinite(s.u) && s.v >= 0.0f && s.v <= 511.0f && s.light >= 0 &&
                    s.light <= 255);
}

// Straight view from (x0, 0, z0): the ray through (px, py) has direction (a, b, 256)/|.|.
// The sample is taken where the line meets the wall at the smaller parameter s (behind the
// eye, so s < 0); light = trunc(255 - |s|/4) drops one step per 4 units and is 0 beyond
// 1020.
TEST(TunnelCasting, WallPointAndDistanceLightMatchTheGeometry) {
    TunnelGrid grid;
    createTunnel(grid, 320, 240);
    int checked = 0, dark = 0, bright = 0;
    for (double x0 : {-100.0, -37.5, 0.0, 12.0, 90.0}) {
        const double z0 = 1000.0;
        setView(grid, static_cast<float>(x0), 0, static_cast<float>(z0), 0, 0, 0);
        for (int py = 0; py <= 240; py += 8) {
            for (int px = 0; px <= 320; px += 8) {
                const double a = px - 160.0, b = py - 120.0, len = std::sqrt(a * a + b * b + 65536);
                if (a == 0 && b == 0) continue;
                const double dx = a / len, dy = b / len, dz = 256.0 / len;
                // |(x0, 0) + s (dx, dy)| = 128, smaller root.
                const double qa = dx * dx + dy * dy, qb = 2 * x0 * dx, qc = x0 * x0 - 16384.0;
                const double s = (-qb - std::sqrt(qb * qb - 4 * qa * qc)) / (2 * qa);
                const double distance = -s, steps = distance / 4.0;
                if (std::fabs(steps - std::round(steps)) < 1e-3) continue; // on a step edge
                const int expectedLight = std::max(0, 255 - static_cast<int>(std::ceil(steps)));
                const TunnelSample sample =
                    castTunnelRay(grid, static_cast<float>(px), static_cast<float>(py));
                SCOPED_TRACE(testing::Message() << "x0 " << x0 << " px " << px << " py " << py);
                EXPECT_EQ(sample.light, expectedLight);
                EXPECT_NEAR(sample.u, std::trunc(s * dz + z0), 1.0);
                const double v = std::fabs(std::atan2(s * dy, x0 + s * dx) * 511.0 / M_PI);
                EXPECT_NEAR(sample.v, std::trunc(v), 1.01);
                EXPECT_TRUE(sample.u2 == sample.u * 0.5f && sample.v2 == sample.v * 0.5f);
                ++checked;
                if (distance > 1020) ++dark;
                if (expectedLight > 200) ++bright;
            }
        }
    }
    EXPECT_GT(checked, 5000);
    EXPECT_GT(dark, 20);   // the far tunnel round the centre is black
    EXPECT_GT(bright, 20); // the near wall at the frame's edge is almost fully lit
}

// ---- the block fill --------------------------------------------------------------------

Bitmap flat(uint32_t colour) {
    Bitmap b = createBitmap(256, 256);
    b.widthShift = 8;
    b.widthMask = 255;
    fillBitmap(b, colour);
    return b;
}

// A white texture whose alpha carries the texel's column (or row): an output pixel shows U
// (or V) in its alpha and (light * 255) >> 8 in its red byte.
Bitmap indexTexture(bool row) {
    Bitmap b = flat(0);
    for (uint32_t i = 0; i < 65536; ++i)
        b.pixels[i] = ((row ? i >> 8 : i & 255u) << 24) | 0xFFFFFFu;
    return b;
}

TEST(TunnelFill, CornersExactAndInteriorBilinear) {
    // A 3x3 sample grid: four blocks over a 16x16 frame; u wraps past 16 bits in the bottom row.
    TunnelGrid grid;
    createTunnel(grid, 16, 16);
    ASSERT_EQ(grid.samples.size(), 9u);
    const double us[9] = {10, 50, 61, 30, 200, 7, 60000, 60013, 59990};
    const double vs[9] = {0, 300, 511, 17, 18, 250, 99, 3, 400};
    const double ls[9] = {255, 0, 37, 100, 200, 1, 64, 128, 255};
    for (int k = 0; k < 9; ++k)
        grid.samples[static_cast<size_t>(k)] = {float(us[k]), float(vs[k]), float(us[k] / 2),
                                                float(vs[k] / 2), int32_t(ls[k])};
    Bitmap black = flat(0), byColumn = createBitmap(16, 16), byRow = createBitmap(16, 16);
    fillTunnelBlocks(grid, byColumn, prepared(indexTexture(false), black, black));
    fillTunnelBlocks(grid, byRow, prepared(indexTexture(true), black, black));

    // Each pixel is the bilinear blend of its block's corners, truncated fixed-point steps
    // allowing at most one unit below; at a grid point it is the sample exactly.
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            SCOPED_TRACE(testing::Message() << x << "," << y);
            const int a = x / 8, b = y / 8;
            const double fx = (x % 8) / 8.0, fy = (y % 8) / 8.0;
            auto blend = [&](const double* c) {
                const double left = c[b * 3 + a] + (c[b * 3 + a + 3] - c[b * 3 + a]) * fy;
                const double right = c[b * 3 + a + 1] + (c[b * 3 + a + 4] - c[b * 3 + a + 1]) * fy;
                return std::floor(left + (right - left) * fx);
            };
            const bool corner = x % 8 == 0 && y % 8 == 0;
            const uint32_t p = byColumn.pixels[y * 16 + x];
            const int u = int(blend(us)), v = int(blend(vs)), l = int(blend(ls));
            const int gotU = int(p >> 24), gotV = int(byRow.pixels[y * 16 + x] >> 24);
            const int gotRed = int((p >> 16) & 255u);
            EXPECT_TRUE(gotU == (u & 255) || (!corner && gotU == ((u - 1) & 255))) << gotU;
            EXPECT_TRUE(gotV == (v & 255) || (!corner && gotV == ((v - 1) & 255))) << gotV;
            EXPECT_LE(gotRed, (l * 255) >> 8);
            EXPECT_GE(gotRed, (std::max(corner ? l : l - 1, 0) * 255) >> 8);
        }
}

TEST(TunnelFill, BumpShiftsTheEnvironmentAndLayersSaturate) {
    TunnelGrid grid;
    createTunnel(grid, 8, 8);
    for (TunnelSample& s : grid.samples) s = {5, 7, 20, 30, 255};

    // Heights rise by one per column: h = 5, hr = 6, hd = 5, so the environment is read one
    // column to the right of (u2, v2) and on the same row.
    Bitmap bump = createBitmap(256, 256), env = createBitmap(256, 256), frame = createBitmap(8, 8);
    for (uint32_t i = 0; i < 65536; ++i) bump.pixels[i] = (i & 255u) << 16;
    env.pixels[30 * 256 + 21] = 0x20A0B0C0u;
    const Bitmap base = flat(0xF0102050u);
    fillTunnelBlocks(grid, frame, prepared(base, bump, env));
    // S = base + env saturated: alpha 0xF0+0x20 -> 0xFF, red 0x10+0xA0, green 0x20+0xB0,
    // blue 0x50+0xC0 -> 0xFF (saturated); then each colour times 255 >> 8.
    const uint32_t expected = 0xFF000000u | (((0xB0u * 255u) >> 8) << 16) |
                              (((0xD0u * 255u) >> 8) << 8) | ((0xFFu * 255u) >> 8);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(frame.pixels[i], expected) << i;

    // A flat bump map reads the environment at (u2, v2) itself: here black.
    fillTunnelBlocks(grid, frame, prepared(base, flat(0x00770000u), env));
    EXPECT_EQ(frame.pixels[0], 0xF0000000u | (((0x10u * 255u) >> 8) << 16) |
                                   (((0x20u * 255u) >> 8) << 8) | ((0x50u * 255u) >> 8));
}

TEST(TunnelFill, UnusableTexturesAndSmallFramesAreSafe) {
    TunnelGrid grid;
    createTunnel(grid, 320, 240);
    setView(grid, 10, -20, 500, 10, 20, 30);

    // Failed loads (no pixels) and a wrong size: a grey wall, no bump, no environment.
    Bitmap small = createBitmap(128, 128);
    fillBitmap(small, 0xFFFFFFFFu);
    Bitmap frame = createBitmap(320, 240);
    renderTunnel(grid, frame, prepared(Bitmap{}, small, small));
    int lit = 0;
    for (int i = 0; i < 320 * 240; ++i) {
        const uint32_t p = frame.pixels[i], r = (p >> 16) & 255u;
        ASSERT_EQ(p & 0xFFFFFFu, r * 0x010101u);
        ASSERT_LE(r, 0x80u);
        lit += r > 0x40;
    }
    EXPECT_GT(lit, 1000);

    // Textures never prepared: nothing is drawn.
    fillBitmap(frame, 0xDEADBEEFu);
    renderTunnel(grid, frame, TunnelTextures{});
    EXPECT_EQ(std::count(frame.pixels, frame.pixels + 320 * 240, 0xDEADBEEFu), 320 * 240);
}

// Every target against the plain fill on random 16.16 samples and textures, over grids and
// frames of random sizes: frames narrower or shorter than the grid cut blocks at their right
// and bottom edges, and the pixels past a frame (a larger buffer's) stay untouched.
TEST(TunnelFill, EveryTargetMatchesThePlainFill) {
    std::mt19937 rng(11);
    Bitmap base = flat(0), bump = flat(0), env = flat(0);
    for (Bitmap* b : {&base, &bump, &env})
        for (uint32_t i = 0; i < 65536; ++i) b->pixels[i] = rng();
    const TunnelTextures t = prepared(base, bump, env);
    std::vector<int32_t> fixed(41 * 31 * 5);
    Bitmap buffer = createBitmap(330, 250);
    for (const TunnelBlockTarget& target : everyTunnelBlockTarget()) {
        SCOPED_TRACE(target.name);
        for (int trial = 0; trial < 30; ++trial) {
            for (int32_t& f : fixed) f = static_cast<int32_t>(rng());
            const TunnelBlockSource source{
                fixed.data(),  int32_t(2 + rng() % 40), int32_t(2 + rng() % 30),
                t.base.pixels, t.slopes.data(),         t.environment.pixels};
            Bitmap frame = buffer; // shares the pixels
            frame.width = int32_t(1 + rng() % 330), frame.height = int32_t(1 + rng() % 250);
            const int32_t inside = frame.width * frame.height;
            fillBitmap(buffer, 0xDEADBEEFu);
            tunnelBlocksPlain(frame, source);
            const std::vector<uint32_t> plain(buffer.pixels, buffer.pixels + 330 * 250);
            for (int i = inside; i < 330 * 250; ++i) ASSERT_EQ(plain[i], 0xDEADBEEFu) << i;
            fillBitmap(buffer, 0xDEADBEEFu);
            target.fill(frame, source);
            ASSERT_TRUE(std::equal(plain.begin(), plain.end(), buffer.pixels)) << trial;
        }
    }
}

} // namespace
} // namespace tw
