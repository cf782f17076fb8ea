// Tests for the ray-cast tunnel: ray-cylinder samples, distance light, the 16.16 block fill,
// the bump-perturbed environment layer and the stand-ins for unusable textures.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>

#include "scenes/raytunnel.h"

namespace tw {
namespace {

void expectNoHit(const TunnelSample& s) {
    EXPECT_EQ(s.u, 128.0f);
    EXPECT_EQ(s.v, 128.0f);
    EXPECT_EQ(s.u2, 128.0f);
    EXPECT_EQ(s.v2, 128.0f);
    EXPECT_EQ(s.light, 0);
}

TEST(TunnelCasting, GridShapeAndRaysThatNeverMeetTheWall) {
    TunnelGrid grid;
    createTunnel(grid, 320, 240);
    EXPECT_EQ(grid.columns, 41);
    EXPECT_EQ(grid.rows, 31);
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
    renderTunnel(grid, frame, Bitmap{}, Bitmap{}, Bitmap{});
    expectNoHit(grid.samples[15 * 41 + 20]);
    for (const TunnelSample& s : grid.samples) {
        ASSERT_TRUE(std::isfinite(s.u) && std::isfinite(s.v));
        ASSERT_GE(s.light, 0);
        ASSERT_LE(s.light, 255);
        ASSERT_GE(s.v, 0.0f);
        ASSERT_LE(s.v, 511.0f);
    }
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
                const double a = px - 160.0, b = py - 120.0, c = 256.0;
                if (a == 0 && b == 0) continue;
                const double len = std::sqrt(a * a + b * b + c * c);
                const double dx = a / len, dy = b / len, dz = c / len;
                // |(x0, 0) + s (dx, dy)| = 128, smaller root.
                const double qa = dx * dx + dy * dy, qb = 2 * x0 * dx, qc = x0 * x0 - 16384.0;
                const double s = (-qb - std::sqrt(qb * qb - 4 * qa * qc)) / (2 * qa);
                const double distance = -s;
                const double steps = distance / 4.0;
                if (std::fabs(steps - std::round(steps)) < 1e-3) continue; // on a step edge
                const int expectedLight = std::max(0, 255 - static_cast<int>(std::ceil(steps)));
                const TunnelSample sample =
                    castTunnelRay(grid, static_cast<float>(px), static_cast<float>(py));
                SCOPED_TRACE(testing::Message() << "x0 " << x0 << " px " << px << " py " << py);
                EXPECT_EQ(sample.light, expectedLight);
                const double u = s * dz + z0;
                EXPECT_NEAR(sample.u, std::trunc(u), 1.0);
                const double hx = x0 + s * dx, hy = s * dy;
                EXPECT_NEAR(std::hypot(hx, hy), 128.0, 0.05);
                const double v = std::fabs(std::atan2(hy, hx) * 511.0 / M_PI);
                EXPECT_NEAR(sample.v, std::trunc(v), 1.01);
                EXPECT_EQ(sample.u2, sample.u * 0.5f);
                EXPECT_EQ(sample.v2, sample.v * 0.5f);
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

// A base texture whose alpha carries the texel's column (or row) and whose colour is white,
// so an output pixel shows U (or V) in its alpha and the light in its red byte.
Bitmap indexTexture(bool rowInAlpha) {
    Bitmap b = createBitmap(256, 256);
    b.widthShift = 8;
    b.widthMask = 255;
    for (uint32_t i = 0; i < 65536; ++i) {
        uint32_t a = rowInAlpha ? (i >> 8) : (i & 255u);
        b.pixels[i] = (a << 24) | 0x00FFFFFFu;
    }
    return b;
}

Bitmap flat(uint32_t colour) {
    Bitmap b = createBitmap(256, 256);
    b.widthShift = 8;
    b.widthMask = 255;
    fillBitmap(b, colour);
    return b;
}

uint32_t alphaOf(uint32_t p) {
    return p >> 24;
}
uint32_t redOf(uint32_t p) {
    return (p >> 16) & 255u;
}

TEST(TunnelFill, CornersExactAndInteriorBilinear) {
    // A 3x3 sample grid: four blocks over a 16x16 frame.
    TunnelGrid grid;
    createTunnel(grid, 16, 16);
    ASSERT_EQ(grid.columns, 3);
    ASSERT_EQ(grid.rows, 3);
    const float us[9] = {10, 50, 61, 30, 200, 7, 60000, 60013, 59990};
    const float vs[9] = {0, 300, 511, 17, 18, 250, 99, 3, 400};
    const int32_t lights[9] = {255, 0, 37, 100, 200, 1, 64, 128, 255};
    for (int k = 0; k < 9; ++k) {
        TunnelSample& s = grid.samples[static_cast<size_t>(k)];
        s.u = us[k];
        s.v = vs[k];
        s.u2 = s.u * 0.5f;
        s.v2 = s.v * 0.5f;
        s.light = lights[k];
    }
    Bitmap black = flat(0);
    Bitmap byColumn = createBitmap(16, 16), byRow = createBitmap(16, 16);
    fillTunnelBlocks(grid, byColumn, indexTexture(false), black, black);
    fillTunnelBlocks(grid, byRow, indexTexture(true), black, black);

    auto pixel = [](const Bitmap& b, int x, int y) { return b.pixels[y * 16 + x]; };
    // Grid points with a pixel in the frame reproduce their sample exactly.
    for (int i = 0; i < 2; ++i)
        for (int j = 0; j < 2; ++j) {
            const int k = i * 3 + j;
            SCOPED_TRACE(k);
            EXPECT_EQ(alphaOf(pixel(byColumn, 8 * j, 8 * i)), static_cast<uint32_t>(us[k]) & 255u);
            EXPECT_EQ(alphaOf(pixel(byRow, 8 * j, 8 * i)), static_cast<uint32_t>(vs[k]) & 255u);
            EXPECT_EQ(redOf(pixel(byColumn, 8 * j, 8 * i)),
                      (static_cast<uint32_t>(lights[k]) * 255u) >> 8);
        }

    // Inside a block every value is the bilinear blend of its corners, give or take the
    // truncated fixed-point steps (at most one unit below).
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const int a = x / 8, b = y / 8;
            const double fx = (x % 8) / 8.0, fy = (y % 8) / 8.0;
            auto blend = [&](const float* c) {
                const double tl = c[b * 3 + a], tr = c[b * 3 + a + 1], bl = c[(b + 1) * 3 + a],
                             br = c[(b + 1) * 3 + a + 1];
                const double left = tl + (bl - tl) * fy, right = tr + (br - tr) * fy;
                return left + (right - left) * fx;
            };
            float lf[9];
            for (int k = 0; k < 9; ++k) lf[k] = static_cast<float>(lights[k]);
            SCOPED_TRACE(testing::Message() << x << "," << y);
            const double u = blend(us), v = blend(vs), l = blend(lf);
            const uint32_t gotU = alphaOf(pixel(byColumn, x, y));
            const uint32_t gotV = alphaOf(pixel(byRow, x, y));
            const uint32_t lo = static_cast<uint32_t>(std::floor(u) - 1) & 255u;
            const uint32_t hi = static_cast<uint32_t>(std::floor(u)) & 255u;
            EXPECT_TRUE(gotU == lo || gotU == hi) << gotU << " for " << u;
            const uint32_t vlo = static_cast<uint32_t>(std::floor(v) - 1) & 255u;
            const uint32_t vhi = static_cast<uint32_t>(std::floor(v)) & 255u;
            EXPECT_TRUE(gotV == vlo || gotV == vhi) << gotV << " for " << v;
            const int light = static_cast<int>(std::floor(l));
            const int gotRed = static_cast<int>(redOf(pixel(byColumn, x, y)));
            EXPECT_GE(gotRed, ((std::max(light - 1, 0)) * 255) >> 8);
            EXPECT_LE(gotRed, (light * 255) >> 8);
        }
}

TEST(TunnelFill, BumpShiftsTheEnvironmentAndLayersSaturate) {
    TunnelGrid grid;
    createTunnel(grid, 8, 8);
    for (TunnelSample& s : grid.samples) s = {5, 7, 20, 30, 255};

    // Heights rise by one per column: h = 5, hr = 6, hd = 5, so the environment is read one
    // column to the right of (u2, v2) and on the same row.
    Bitmap bump = createBitmap(256, 256);
    for (uint32_t i = 0; i < 65536; ++i) bump.pixels[i] = (i & 255u) << 16;
    Bitmap env = createBitmap(256, 256);
    env.pixels[30 * 256 + 21] = 0x20A0B0C0u;
    Bitmap base = flat(0xF0102050u);
    Bitmap frame = createBitmap(8, 8);
    fillTunnelBlocks(grid, frame, base, bump, env);
    // S = base + env saturated: alpha 0xF0+0x20 -> 0xFF, red 0x10+0xA0, green 0x20+0xB0,
    // blue 0x50+0xC0 -> 0xFF (saturated); then each colour times 255 >> 8.
    const uint32_t expected = 0xFF000000u | (((0xB0u * 255u) >> 8) << 16) |
                              (((0xD0u * 255u) >> 8) << 8) | ((0xFFu * 255u) >> 8);
    for (int i = 0; i < 64; ++i) ASSERT_EQ(frame.pixels[i], expected) << i;

    // A flat bump map reads the environment at (u2, v2) itself: here black.
    Bitmap flatBump = flat(0x00770000u);
    fillTunnelBlocks(grid, frame, base, flatBump, env);
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
    renderTunnel(grid, frame, Bitmap{}, small, small);
    int lit = 0;
    for (int i = 0; i < 320 * 240; ++i) {
        const uint32_t p = frame.pixels[i];
        const uint32_t r = redOf(p), g = (p >> 8) & 255u, b = p & 255u;
        ASSERT_EQ(r, g);
        ASSERT_EQ(g, b);
        ASSERT_LE(r, 0x80u);
        if (r > 0x40) ++lit;
    }
    EXPECT_GT(lit, 1000);

    // A frame smaller than the grid is filled only inside its bounds.
    Bitmap big = createBitmap(100, 60);
    fillBitmap(big, 0xDEADBEEFu);
    Bitmap narrow = big;
    narrow.width = 37;
    narrow.height = 21;
    Bitmap texture = flat(0xFFFFFFFFu);
    renderTunnel(grid, narrow, texture, texture, texture);
    for (int i = 37 * 21; i < 100 * 60; ++i) ASSERT_EQ(big.pixels[i], 0xDEADBEEFu) << i;
    int written = 0;
    for (int i = 0; i < 37 * 21; ++i) written += big.pixels[i] != 0xDEADBEEFu;
    EXPECT_GT(written, 37 * 21 / 2);
}

} // namespace
} // namespace tw
