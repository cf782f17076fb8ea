// Ray-cast tunnel: grid casting against the cylinder and the 16.16 block fill.
#include "scenes/raytunnel.h"

#include <algorithm>
#include <cmath>

#include "image/pixel.h"
#include "render/fixed.h"
#include "scenes/standin.h"
#include "scenes/tunnel_blocks.h"

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

constexpr uint32_t kTexels = kTunnelTextureSize * kTunnelTextureSize;
constexpr int kFixedLanes = 5; // u, v, u2, v2, light in 16.16

void toFixedSample(const TunnelSample& s, int32_t* out) {
    out[0] = toFixedWrapped(s.u);
    out[1] = toFixedWrapped(s.v);
    out[2] = toFixedWrapped(s.u2);
    out[3] = toFixedWrapped(s.v2);
    out[4] = static_cast<int32_t>(static_cast<uint32_t>(s.light) << 16);
}

// One row of a block (at most 8 pixels) from its first pixel's 16.16 values and their steps
// per pixel: pixel i takes the first values plus i steps, modulo 2^32, as stepping i times
// does. The environment is read at (u2 + hr - h, v2 + hd - h) modulo 256, h being the height at
// the texel, hr to its right and hd below it (the prepared slopes). The coordinates, the texel
// reads and the shading are three passes over the row, so the first and last run as vectors.
void shadeBlockRow(uint32_t* out, int32_t count, const int32_t* value, const int32_t* step,
                   const uint32_t* base, const uint16_t* slopes, const uint32_t* env) {
    constexpr int kRow = 8;
    uint32_t texel[kRow], u2[kRow], v2[kRow], light[kRow];
    for (int i = 0; i < kRow; ++i) {
        auto at = [&](int c) {
            return (static_cast<uint32_t>(value[c]) +
                    static_cast<uint32_t>(i) * static_cast<uint32_t>(step[c])) >>
                   16;
        };
        texel[i] = ((at(1) & 255u) << 8) | (at(0) & 255u);
        u2[i] = at(2);
        v2[i] = at(3);
        light[i] = at(4) & 255u;
    }
    uint32_t t[kRow], e[kRow];
    for (int i = 0; i < kRow; ++i) {
        const uint32_t slope = slopes[texel[i]];
        const uint32_t row = (v2[i] + (slope >> 8)) & 255u;
        const uint32_t column = (u2[i] + slope) & 255u;
        t[i] = base[texel[i]];
        e[i] = env[(row << 8) | column];
    }
    uint32_t shaded[kRow];
    for (int i = 0; i < kRow; ++i) {
        const uint32_t s = addSaturate(t[i], e[i]);
        const uint32_t r = (light[i] * ((s >> 16) & 255u)) >> 8;
        const uint32_t g = (light[i] * ((s >> 8) & 255u)) >> 8;
        const uint32_t b = (light[i] * (s & 255u)) >> 8;
        shaded[i] = (s & 0xFF000000u) | (r << 16) | (g << 8) | b;
    }
    for (int i = 0; i < count; ++i) out[i] = shaded[i];
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
    grid.fixedSamples.assign(grid.samples.size() * kFixedLanes, 0);
}

void prepareTunnelTextures(TunnelTextures& textures, const Bitmap& base, const Bitmap& bump,
                           const Bitmap& environment) {
    textures.base = hasTunnelSize(base) ? base : greyStandIn();
    textures.environment = hasTunnelSize(environment) ? environment : blackStandIn();
    const uint32_t* heights = (hasTunnelSize(bump) ? bump : blackStandIn()).pixels;
    textures.slopes.assign(kTexels + 1, 0); // the last is padding (TunnelBlockSource)
    for (uint32_t index = 0; index < kTexels; ++index) {
        const uint32_t h = (heights[index] >> 16) & 255u;
        const uint32_t hr = (heights[(index + 1) & (kTexels - 1)] >> 16) & 255u;
        const uint32_t hd = (heights[(index + 256) & (kTexels - 1)] >> 16) & 255u;
        textures.slopes[index] =
            static_cast<uint16_t>((((hd - h) & 255u) << 8) | ((hr - h) & 255u));
    }
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

void tunnelBlocksPlain(Bitmap& framebuffer, const TunnelBlockSource& source) {
    const int32_t width = framebuffer.width;
    const int32_t height = framebuffer.height;
    const int32_t* fixed = source.fixed;
    for (int32_t b = 0; b + 1 < source.rows; ++b) {
        const int32_t top = 8 * b;
        if (top >= height) break;
        for (int32_t a = 0; a + 1 < source.columns; ++a) {
            const int32_t leftX = 8 * a;
            if (leftX >= width) break;
            const size_t row0 = static_cast<size_t>(b) * source.columns;
            const size_t row1 = row0 + source.columns;
            const int32_t* tl = fixed + (row0 + a) * kFixedLanes;
            const int32_t* tr = tl + kFixedLanes;
            const int32_t* bl = fixed + (row1 + a) * kFixedLanes;
            const int32_t* br = bl + kFixedLanes;

            int32_t left[5], right[5], leftStep[5], rightStep[5];
            for (int c = 0; c < 5; ++c) {
                left[c] = tl[c];
                right[c] = tr[c];
                leftStep[c] = wrapSub(bl[c], tl[c]) >> 3;
                rightStep[c] = wrapSub(br[c], tr[c]) >> 3;
            }
            const int32_t columnsHere = std::min(8, width - leftX);
            const int32_t rowsHere = std::min(8, height - top);
            for (int32_t j = 0; j < rowsHere; ++j) {
                int32_t step[5];
                for (int c = 0; c < 5; ++c) step[c] = wrapSub(right[c], left[c]) >> 3;
                shadeBlockRow(framebuffer.pixels + static_cast<size_t>(top + j) * width + leftX,
                              columnsHere, left, step, source.base, source.slopes,
                              source.environment);
                for (int c = 0; c < 5; ++c) {
                    left[c] = wrapAdd(left[c], leftStep[c]);
                    right[c] = wrapAdd(right[c], rightStep[c]);
                }
            }
        }
    }
}

void fillTunnelBlocks(TunnelGrid& grid, Bitmap& framebuffer, const TunnelTextures& textures) {
    const size_t sampleCount = static_cast<size_t>(grid.columns) * grid.rows;
    if (grid.columns < 2 || grid.rows < 2 || !framebuffer.pixels || framebuffer.pixelCount() <= 0 ||
        grid.samples.size() < sampleCount)
        return;
    if (!hasTunnelSize(textures.base) || !hasTunnelSize(textures.environment) ||
        textures.slopes.size() != kTexels + 1)
        return;

    // Each sample converted once (createTunnel sizes the storage; a grid put together by other
    // hands gets it here, once).
    if (grid.fixedSamples.size() < sampleCount * kFixedLanes)
        grid.fixedSamples.resize(sampleCount * kFixedLanes);
    int32_t* fixed = grid.fixedSamples.data();
    for (size_t k = 0; k < sampleCount; ++k)
        toFixedSample(grid.samples[k], fixed + k * kFixedLanes);
    tunnelBlockFill()(framebuffer, {fixed, grid.columns, grid.rows, textures.base.pixels,
                                    textures.slopes.data(), textures.environment.pixels});
}

void renderTunnel(TunnelGrid& grid, Bitmap& framebuffer, const TunnelTextures& textures) {
    if (grid.samples.size() < static_cast<size_t>(grid.columns) * grid.rows) return;
    for (int32_t i = 0; i < grid.rows; ++i)
        for (int32_t j = 0; j < grid.columns; ++j)
            grid.samples[static_cast<size_t>(i) * grid.columns + j] =
                castTunnelRay(grid, static_cast<float>(8 * j), static_cast<float>(8 * i));
    fillTunnelBlocks(grid, framebuffer, textures);
}

} // namespace tw
