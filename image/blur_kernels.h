// Box-blur passes over raw pixel arrays: the plain references, which the vector passes
// must match bit for bit.
#pragma once

#include <cstddef>
#include <cstdint>

namespace tw::kernels {

// Every pass reads a w x h source and writes the same shape (stride w) to a different
// array. r is already clamped below the blurred length; each output channel is
// (window sum * (65536 / (2r+1))) >> 16 with the window cut to the row or column.

// Rows y0 .. y1-1 along x.
void blurRowsScalar(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t y0, uint32_t y1,
                    uint32_t r);
// Columns x0 .. x1-1 along y, for all h rows.
void blurColumnsScalar(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t x0,
                       uint32_t x1, uint32_t r);

// The vector passes (kernel table, image/kernels.h) sum in 16-bit lanes: they take only
// 1 <= r <= kMaxVectorRadius (255 * (2r+1) < 65536), whole frames (rows 0 .. h-1 or
// columns 0 .. w-1), and the same arguments otherwise.
constexpr uint32_t kMaxVectorRadius = 127;
// The plain passes in the vector passes' shape, for the plain kernel table.
void blurRowsPlain(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r);
void blurColumnsPlain(const uint32_t* s, uint32_t* d, uint32_t w, uint32_t h, uint32_t r);

} // namespace tw::kernels
