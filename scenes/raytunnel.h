// Ray-cast tunnel: rays cast on an 8x8 pixel grid into an endless cylinder, filled in between
// with bilinear 16.16 fixed-point blocks over a base texture and a bump-mapped environment.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bitmap.h"
#include "render/matrix.h"

namespace tw {

struct TunnelSample {
    float u = 0;  // along the axis, integral
    float v = 0;  // around the tunnel, integral, 0..511
    float u2 = 0; // environment layer
    float v2 = 0;
    int32_t light = 0; // 0..255
};

struct TunnelGrid {
    int32_t columns = 0;               // width / 8 + 1
    int32_t rows = 0;                  // height / 8 + 1
    std::vector<TunnelSample> samples; // row-major; sample (j, i) is screen point (8j, 8i)
    float offsetU = 0;                 // second-layer offsets (kept at 0)
    float offsetV = 0;
    float x = 0, y = 0, z = 0;                // view position
    float angleX = 0, angleY = 0, angleZ = 0; // degrees
    Matrix rotation;
    std::vector<int32_t> fixedSamples; // the fill's working copy: u, v, u2, v2, light in 16.16
};

// The three textures as the fill reads them, made once by prepareTunnelTextures: each one that
// is not 256x256 replaced by its stand-in (mid grey base, flat bump map, black environment),
// and the bump map's heights (red byte) turned into the two slopes the environment lookup adds.
struct TunnelTextures {
    Bitmap base;
    Bitmap environment;
    // Per texel, (down slope << 8) | right slope, each modulo 256, wrapping at the edges; one
    // zero past the last texel lets the fill read any texel's slope as a 32-bit word.
    std::vector<uint16_t> slopes;
};

constexpr float kTunnelRadiusSquared = 16384.0f; // radius 128 around the z axis
constexpr int32_t kTunnelTextureSize = 256;

// The sample of a ray that never meets the wall (also the ray parallel to the axis).
constexpr TunnelSample kTunnelNoHit = {128.0f, 128.0f, 128.0f, 128.0f, 0};

void createTunnel(TunnelGrid& grid, int32_t width, int32_t height);
void prepareTunnelTextures(TunnelTextures& textures, const Bitmap& base, const Bitmap& bump,
                           const Bitmap& environment);
void setView(TunnelGrid& grid, float x, float y, float z, float angleX, float angleY, float angleZ);
// The ray through screen point (px, py) of the 320x240 view.
TunnelSample castTunnelRay(const TunnelGrid& grid, float px, float py);
// Casts every grid point, then fills the blocks. Pixels outside the framebuffer are never
// written; textures never prepared draw nothing.
void renderTunnel(TunnelGrid& grid, Bitmap& framebuffer, const TunnelTextures& textures);
// The fill alone, from the samples as they are (render calls it after casting).
void fillTunnelBlocks(TunnelGrid& grid, Bitmap& framebuffer, const TunnelTextures& textures);

} // namespace tw
