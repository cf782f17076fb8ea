// Ray-cast tunnel: grid casting against the cylinder and the 16.16 block fill.
#include "scenes/raytunnel.h"

#include <algorithm>
#include <cmath>

#include "image/pixel.h"
#include "render/fixed.h"
#include "scenes/standin.h"

namespace tw {

namespace {

constexpr float kScreenCentreX = 160.0f;
constexpr float kScreenCentreY = 120.0f;
constexpr float kFocalLength = 256.0f;
// 511/pi: |angle| from 0 to pi maps onto v from 0 to 511, the same on both sides of the
// seam, so the wall is mirrored across it rather than torn.
constexpr double kAngleToTexels = 511.0 * 0.31831927423205475;

// The tunnel indexes its textures as 256x256 by its own arithmetic; any other size is
// replaced by a stand-in.
bool hasTunnelSize(const Bitmap& b) {
    return b.isSized(kTunnelTextureSize, kTunnelTextureSize);
}

// Stand-ins for textures that did not load: a mid-grey wall, a flat bump map (no
// perturbation) and a black environment (adds nothing). Built once, on first use.
const Bitmap& greyStandIn() {
    static const Bitmap b = plainPicture(kTunnelTextureSize, kTunnelTextureSize, 0xFF808080u);
    return b;
}
const Bitmap& blackStandIn() {
    static const Bitmap b = plainPicture(kTunnelTextureSize, kTunnelTextureSize, 0x00000000u);
    return b;
}

struct FixedSample {
    int32_t c[5]; // u, v, u2, v2, light in 16.16
};

FixedSample toFixedSample(const TunnelSample& s) {
    return {{toFixedWrapped(s.u), toFixedWrapped(s.v), toFixedWrapped(s.u2), toFixedWrapped(s.v2),
             static_cast<int32_t>(static_cast<uint32_t>(s.light) << 16)}};
}

inline uint32_t shadePixel(const uint32_t* base, const uint32_t* bump, const uint32_t* env,
                           int32_t u, int32_t v, int32_t u2, int32_t v2, uint32_t light) {
    const uint32_t index =
        ((static_cast<uint32_t>(v) & 255u) << 8) | (static_cast<uint32_t>(u) & 255u);
    const uint32_t t = base[index];
    const int32_t h = static_cast<int32_t>((bump[index] >> 16) & 255u);
    const int32_t hr = static_cast<int32_t>((bump[(index + 1) & 0xFFFFu] >> 16) & 255u);
    const int32_t hd = static_cast<int32_t>((bump[(index + 256) & 0xFFFFu] >> 16) & 255u);
    const uint32_t row = static_cast<uint32_t>(v2 + hd - h) & 255u;
    const uint32_t column = static_cast<uint32_t>(u2 + hr - h) & 255u;
    const uint32_t s = addSaturate(t, env[(row << 8) | column]);
    const uint32_t r = (light * ((s >> 16) & 255u)) >> 8;
    const uint32_t g = (light * ((s >> 8) & 255u)) >> 8;
    const uint32_t b = (light * (s & 255u)) >> 8;
    return (s & 0xFF000000u) | (r << 16) | (g << 8) | b;
}

} // namespace

void createTunnel(TunnelGrid& grid, int32_t width, int32_t height) {
    grid.columns = width > 0 ? width / 8 + 1 : 0;
    grid.rows = height > 0 ? height / 8 + 1 : 0;
    grid.samples.assign(static_cast<size_t>(grid.columns) * static_cast<size_t>(grid.rows),
                        TunnelSample{});
    grid.offsetU = 0;
    grid.offsetV = 0;
    grid.x = grid.y = grid.z = 0;
    grid.angleX = grid.angleY = grid.angleZ = 0;
    setIdentity(grid.rotation);
}

void setView(TunnelGrid& grid, float x, float y, float z, float angleX, float angleY,
             float angleZ) {
    grid.x = x;
    grid.y = y;
    grid.z = z;
    grid.angleX = angleX;
    grid.angleY = angleY;
    grid.angleZ = angleZ;
    setRotation(grid.rotation, angleX, angleY, angleZ);
}

TunnelSample castTunnelRay(const TunnelGrid& grid, float px, float py) {
    Vec3 d = transform(grid.rotation, px - kScreenCentreX, py - kScreenCentreY, kFocalLength);
    const float inv = 1.0f / std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
    const float dx = d.x * inv, dy = d.y * inv, dz = d.z * inv;
    const float x = grid.x, y = grid.y, z = grid.z;

    const float p = 2.0f * (y * dy + x * dx);
    const float q = dx * dx + dy * dy;
    const float r = p * p - 4.0f * q * (x * x + y * y - kTunnelRadiusSquared);
    // A ray parallel to the axis (q == 0) never meets the wall: no division by zero.
    if (!(r >= 0.0f) || q == 0.0f) return kTunnelNoHit;

    const float root = std::sqrt(r);
    const float s = std::min((root - p) / (2.0f * q), (-p - root) / (2.0f * q));
    if (!std::isfinite(s)) return kTunnelNoHit;

    TunnelSample out;
    out.u = std::trunc(s * dz + z);
    const double angle = std::atan2(y + s * dy, x + s * dx);
    out.v = static_cast<float>(std::trunc(std::fabs(angle * kAngleToTexels)));
    out.u2 = out.u * 0.5f - grid.offsetU;
    out.v2 = out.v * 0.5f - grid.offsetV;
    const float shade = std::clamp(-s * 0.25f, 0.0f, 255.0f);
    out.light = static_cast<int32_t>(255.0f - shade);
    return out;
}

void fillTunnelBlocks(const TunnelGrid& grid, Bitmap& framebuffer, const Bitmap& base,
                      const Bitmap& bump, const Bitmap& environment) {
    if (grid.columns < 2 || grid.rows < 2 || !framebuffer.pixels || framebuffer.pixelCount() <= 0 ||
        grid.samples.size() < static_cast<size_t>(grid.columns) * grid.rows)
        return;
    const uint32_t* basePixels = (hasTunnelSize(base) ? base : greyStandIn()).pixels;
    const uint32_t* bumpPixels = (hasTunnelSize(bump) ? bump : blackStandIn()).pixels;
    const uint32_t* envPixels = (hasTunnelSize(environment) ? environment : blackStandIn()).pixels;
    const int32_t width = framebuffer.width;
    const int32_t height = framebuffer.height;

    for (int32_t b = 0; b + 1 < grid.rows; ++b) {
        const int32_t top = 8 * b;
        if (top >= height) break;
        for (int32_t a = 0; a + 1 < grid.columns; ++a) {
            const int32_t leftX = 8 * a;
            if (leftX >= width) break;
            const size_t row0 = static_cast<size_t>(b) * grid.columns;
            const size_t row1 = row0 + grid.columns;
            const FixedSample tl = toFixedSample(grid.samples[row0 + a]);
            const FixedSample tr = toFixedSample(grid.samples[row0 + a + 1]);
            const FixedSample bl = toFixedSample(grid.samples[row1 + a]);
            const FixedSample br = toFixedSample(grid.samples[row1 + a + 1]);

            int32_t left[5], right[5], leftStep[5], rightStep[5];
            for (int c = 0; c < 5; ++c) {
                left[c] = tl.c[c];
                right[c] = tr.c[c];
                leftStep[c] = wrapSub(bl.c[c], tl.c[c]) >> 3;
                rightStep[c] = wrapSub(br.c[c], tr.c[c]) >> 3;
            }
            const int32_t columnsHere = std::min(8, width - leftX);
            const int32_t rowsHere = std::min(8, height - top);
            for (int32_t j = 0; j < rowsHere; ++j) {
                int32_t value[5], step[5];
                for (int c = 0; c < 5; ++c) {
                    value[c] = left[c];
                    step[c] = wrapSub(right[c], left[c]) >> 3;
                }
                uint32_t* out = framebuffer.pixels + static_cast<size_t>(top + j) * width + leftX;
                for (int32_t i = 0; i < columnsHere; ++i) {
                    out[i] = shadePixel(basePixels, bumpPixels, envPixels, value[0] >> 16,
                                        value[1] >> 16, value[2] >> 16, value[3] >> 16,
                                        static_cast<uint32_t>(value[4] >> 16) & 255u);
                    for (int c = 0; c < 5; ++c) value[c] = wrapAdd(value[c], step[c]);
                }
                for (int c = 0; c < 5; ++c) {
                    left[c] = wrapAdd(left[c], leftStep[c]);
                    right[c] = wrapAdd(right[c], rightStep[c]);
                }
            }
        }
    }
}

void renderTunnel(TunnelGrid& grid, Bitmap& framebuffer, const Bitmap& base, const Bitmap& bump,
                  const Bitmap& environment) {
    if (grid.samples.size() < static_cast<size_t>(grid.columns) * grid.rows) return;
    for (int32_t i = 0; i < grid.rows; ++i)
        for (int32_t j = 0; j < grid.columns; ++j)
            grid.samples[static_cast<size_t>(i) * grid.columns + j] =
                castTunnelRay(grid, static_cast<float>(8 * j), static_cast<float>(8 * i));
    fillTunnelBlocks(grid, framebuffer, base, bump, environment);
}

} // namespace tw
