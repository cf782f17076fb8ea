// The whole-frame vector kernels (grain, smoothing, warp, box blurs) on every instruction set
// this CPU runs, held to their plain kernels bit for bit: odd sizes, unaligned starts, edge
// amplitudes and radii, and saturated data where the 16-bit sums peak.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "image/blur_kernels.h"
#include "image/frame_kernels.h"
#include "image/kernels.h"

namespace tw::kernels {
namespace {

using Words = std::vector<uint32_t>;

// Random words, a quarter of them all-ones and a fifth zero (the extremes of every sum).
Words words(size_t n, uint32_t seed) {
    std::mt19937 rng(seed);
    Words w(n);
    for (uint32_t& p : w) {
        p = rng();
        if (rng() % 4 == 0) p = 0xFFFFFFFFu;
        if (rng() % 5 == 0) p = 0;
    }
    return w;
}

TEST(FrameKernels, GrainKeepsTheSequenceAndTheFinalState) {
    const uint32_t amplitudes[] = {1,   2,   3,   7,    16,    24,    127,
                                   255, 256, 257, 1000, 32767, 32768, 100000};
    const size_t lengths[] = {0, 1, 5, 15, 16, 17, 63, 64, 65, 129, 1000, 76800};
    for (const TargetKernels& t : everyTarget())
        for (uint32_t amp : amplitudes)
            for (size_t n : lengths)
                for (size_t off : {0, 1, 3}) {
                    const auto seed = static_cast<uint32_t>(amp * 131 + n);
                    Words a = words(n + off, seed), b = a;
                    const uint32_t sa = t.table.noise(a.data() + off, n, seed, amp);
                    const uint32_t sb = noiseScalar(b.data() + off, n, seed, amp);
                    ASSERT_EQ(a, b) << t.name << " amp=" << amp << " n=" << n << " off=" << off;
                    ASSERT_EQ(sa, sb) << t.name << " amp=" << amp << " n=" << n;
                }
}

TEST(FrameKernels, SmoothingFollowsTheInPlaceOrder) {
    // From one pixel (642) to a whole frame, rows cut anywhere, and saturated rows where
    // a block's weighted sum peaks at 65280.
    const size_t sizes[] = {641, 642, 660, 961, 320 * 12 + 7, 320 * 240};
    for (const TargetKernels& t : everyTarget())
        for (size_t n : sizes)
            for (size_t off : {0, 1, 2})
                for (bool white : {false, true}) {
                    Words a = white ? Words(n + off, 0xFFFFFFFFu) : words(n + off, n * 3 + off);
                    Words b = a;
                    t.table.smooth(a.data() + off, kSmoothRow + 1, n - kSmoothRow);
                    smoothScalar(b.data() + off, kSmoothRow + 1, n - kSmoothRow);
                    ASSERT_EQ(a, b) << t.name << " n=" << n << " off=" << off << " " << white;
                }
}

TEST(FrameKernels, WarpMatchesOnRandomQuadrilaterals) {
    // Corners anywhere in the 1 .. 1538 texel range the fill uses, steps of both signs.
    const Words tex = words(kWarpTex * kWarpTex, 3);
    std::mt19937 rng(7);
    auto corner = [&] { return static_cast<int32_t>(rng() % 1538 + 1) * 65536; };
    for (const TargetKernels& t : everyTarget())
        for (int i = 0; i < 40; ++i) {
            WarpQuad q{corner(), corner(), corner(), corner(), 0, 0, 0, 0};
            q.dlu = (corner() - q.lu) / kWarpH;
            q.dlv = (corner() - q.lv) / kWarpH;
            q.dru = (corner() - q.ru) / kWarpH;
            q.drv = (corner() - q.rv) / kWarpH;
            Words a(kWarpW * kWarpH), b(kWarpW * kWarpH);
            t.table.warp(a.data(), tex.data(), q);
            warpScalar(b.data(), tex.data(), q);
            ASSERT_EQ(a, b) << t.name << " quad " << i;
        }
}

TEST(FrameKernels, BlurPassesMatchThePlainPasses) {
    // Single rows and columns, leftover rows and columns beside whole vectors and bands,
    // radii up to the largest vector radius; all-ones frames where the 16-bit window sums
    // peak at 65025.
    const uint32_t widths[] = {1, 2, 3, 5, 8, 15, 16, 17, 33, 67, 320};
    const uint32_t heights[] = {1, 2, 7, 16, 17, 66, 240};
    const uint32_t radii[] = {1, 2, 3, 4, 16, 31, 65, kMaxVectorRadius};
    for (const TargetKernels& t : everyTarget())
        for (uint32_t w : widths)
            for (uint32_t h : heights)
                for (uint32_t r : radii)
                    for (int variant : {0, 1, 2}) { // random, one word off alignment, all-ones
                        const bool white = variant == 2;
                        const size_t off = variant == 1 ? 1 : 0;
                        if (white && w * h < 4000) continue;
                        const Words s = white ? Words(w * h + off, 0xFFFFFFFFu)
                                              : words(w * h + off, w * 1000 + h + r);
                        Words a(w * h + off, 1), b = a;
                        if (r < w) {
                            t.table.blurRows(s.data() + off, a.data() + off, w, h, r);
                            blurRowsScalar(s.data() + off, b.data() + off, w, 0, h, r);
                            ASSERT_EQ(a, b) << t.name << " rows " << w << "x" << h << " r=" << r
                                            << " variant " << variant;
                        }
                        if (r < h) {
                            t.table.blurColumns(s.data() + off, a.data() + off, w, h, r);
                            blurColumnsScalar(s.data() + off, b.data() + off, w, h, 0, w, r);
                            ASSERT_EQ(a, b) << t.name << " cols " << w << "x" << h << " r=" << r
                                            << " variant " << variant;
                        }
                    }
}

} // namespace
} // namespace tw::kernels
