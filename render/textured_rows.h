// The rows of an opaque textured triangle half, the textured family's hot loop: a plain row
// loop and vector code for the best instruction set the CPU has, chosen once at first use.
#pragma once

#include <cstdint>
#include <vector>

#include "image/bitmap.h"
#include "render/rows.h"

namespace tw {

// The texture an opaque textured span samples: (mask + 1) pixels square, rows 1 << shift apart.
struct TexturedSource {
    const uint32_t* pixels;
    int32_t shift, mask;
};

// Draws rows y0..y1-1 of `target` between `left` and `right` as drawRows does with an opaque
// TexturedSpan (grad = {du, dv, dq}), testing and writing the global ZBuffer, and steps both
// edges past the last row.
using TexturedRows = void (*)(Bitmap& target, int32_t y0, int32_t y1, Edge<2>& left, Edge<2>& right,
                              const int32_t* grad, const TexturedSource& source);

// The chosen target's rows, or the plain loop while the image kernels are forced plain.
TexturedRows texturedRows();
void texturedRowsPlain(Bitmap& target, int32_t y0, int32_t y1, Edge<2>& left, Edge<2>& right,
                       const int32_t* grad, const TexturedSource& source);

// Every instruction set compiled for and supported by this CPU, for tests that hold each one
// to the plain loop.
struct TexturedRowsTarget {
    const char* name;
    TexturedRows rows;
};
std::vector<TexturedRowsTarget> everyTexturedRowsTarget();

} // namespace tw
