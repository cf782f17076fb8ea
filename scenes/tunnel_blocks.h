// The ray tunnel's block fill, its hot loop: the plain reference and vector code for the best
// instruction set the CPU has, chosen once at first use.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bitmap.h"

namespace tw {

// What the fill reads: the grid's samples in 16.16 (u, v, u2, v2, light per sample, row-major,
// columns x rows) and the three 256x256 tables of TunnelTextures. `slopes` holds one element
// past the last texel, so a 32-bit read at any texel stays inside the table.
struct TunnelBlockSource {
    const int32_t* fixed;
    int32_t columns, rows;
    const uint32_t* base;
    const uint16_t* slopes;
    const uint32_t* environment;
};

// Fills every 8x8 block between four samples, clipped to the framebuffer (columns, rows >= 2).
using TunnelBlockFill = void (*)(Bitmap& framebuffer, const TunnelBlockSource& source);

// The chosen target's fill, or the plain one while the image kernels are forced plain.
TunnelBlockFill tunnelBlockFill();
void tunnelBlocksPlain(Bitmap& framebuffer, const TunnelBlockSource& source);

// Every instruction set compiled for and supported by this CPU, for tests that hold each one
// to the plain fill.
struct TunnelBlockTarget {
    const char* name;
    TunnelBlockFill fill;
};
std::vector<TunnelBlockTarget> everyTunnelBlockTarget();

} // namespace tw
