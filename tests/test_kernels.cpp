// Every vector kernel, on every instruction set this CPU runs, held to its plain kernel bit
// for bit: random words salted with the channel values where the rules turn, odd lengths,
// unaligned starts, in-place forms, and every pair of channel values.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <vector>

#include "image/blend_kernels.h"
#include "image/kernels.h"

namespace tw::kernels {
namespace {

using Words = std::vector<uint32_t>;

// One kernel call, on a table's kernels; k is the weight where the kernel takes one.
using Call = void (*)(const Kernels& t, const uint32_t* s, uint32_t* d, const uint32_t* m, size_t n,
                      uint32_t k);
struct Row {
    const char* name;
    Call call;
    bool weighted;
};
#define TW_ROW(name, weighted, body)                                                               \
    Row {                                                                                          \
        name,                                                                                      \
            [](const Kernels& t, [[maybe_unused]] const uint32_t* s, uint32_t* d,                  \
               [[maybe_unused]] const uint32_t* m, size_t n,                                       \
               [[maybe_unused]] uint32_t k) { body; },                                             \
            weighted                                                                               \
    }
const Row kRows[] = {
    TW_ROW("scale", true, t.scale(d, n, k)),
    TW_ROW("crossfade", true, t.crossfade(s, d, n, k)),
    TW_ROW("brighten", true, t.brighten(d, n, k)),
    TW_ROW("desaturate", true, t.desaturate(d, n, k)),
    TW_ROW("blendFill", true, t.blendFill(d, n, k, s[0] ^ m[0])),
    TW_ROW("fill", false, t.fill(d, n, s[0])),
    TW_ROW("multiply", false, t.multiply(s, d, n)),
    TW_ROW("multiply in place", false, t.multiply(d, d, n)),
    TW_ROW("add", false, t.add(s, d, n)),
    TW_ROW("alphaOverlay", false, t.alphaOverlay(s, d, n)),
    TW_ROW("spriteBlend", false, t.spriteBlend(s, d, n)),
    TW_ROW("maskBlend", false, t.maskBlend(s, d, m, n)),
    TW_ROW("maskBlend mask=dest", false, t.maskBlend(s, d, d, n)),
};
#undef TW_ROW
const uint32_t kWeights[] = {0, 1, 17, 77, 127, 128, 129, 254, 255};

// Random words with a third of their bytes set to 0, 1, 128, 254 or 255.
Words edgyWords(size_t n, uint32_t seed) {
    static const uint32_t edges[] = {0u, 1u, 254u, 255u, 128u};
    std::mt19937 rng(seed);
    Words w(n);
    for (uint32_t& p : w) {
        p = rng();
        for (int c = 0; c < 4; ++c)
            if (rng() % 3 == 0) p = (p & ~(255u << (8 * c))) | (edges[rng() % 5] << (8 * c));
    }
    return w;
}

// Runs every row on the target's table and on the plain one over words off .. off+n-1 of
// copies of d, and compares all of d.
void expectAgree(const TargetKernels& target, const Words& s, const Words& d, const Words& m,
                 size_t off, size_t n) {
    const Kernels& plain = scalarKernels();
    for (const Row& row : kRows)
        for (uint32_t k : kWeights) {
            if (!row.weighted && k != 0) continue;
            Words a = d, b = d;
            row.call(target.table, s.data() + off, a.data() + off, m.data() + off, n, k);
            row.call(plain, s.data() + off, b.data() + off, m.data() + off, n, k);
            ASSERT_EQ(a, b) << target.name << " " << row.name << " k=" << k << " n=" << n
                            << " off=" << off;
        }
}

TEST(Kernels, TheBestTargetIsChosenAndVectorTargetsExist) {
    const std::vector<TargetKernels> targets = everyTarget();
    ASSERT_FALSE(targets.empty());
    for (const TargetKernels& t : targets) std::printf("target %s\n", t.name);
#if defined(__x86_64__) || defined(__aarch64__)
    // The best target is a vector one, not the fallback.
    EXPECT_STRNE(targets.front().name, "SCALAR");
    EXPECT_STRNE(targets.front().name, "EMU128");
#endif
#if defined(__x86_64__)
    EXPECT_GE(targets.size(), 2u); // run-time dispatch: vector targets beside the fallback
#endif
    // Targets come best first; the operations run the best one.
    EXPECT_EQ(active().add, targets.front().table.add);
    EXPECT_EQ(active().desaturate, targets.front().table.desaturate);
}

TEST(Kernels, BitIdenticalOnOddLengthsAndUnalignedStarts) {
    for (const TargetKernels& target : everyTarget())
        for (size_t n = 0; n <= 70; ++n)
            for (size_t off = 0; off < 4; ++off) {
                const auto seed = static_cast<uint32_t>(n * 4 + off);
                expectAgree(target, edgyWords(n + 4, seed), edgyWords(n + 4, seed + 7),
                            edgyWords(n + 4, seed + 13), off, n);
            }
}

TEST(Kernels, BitIdenticalOnEveryChannelPair) {
    // Every (d, s) byte pair in every channel position, with the weights (mask, alpha) also
    // swept: word i holds d = i & 255 and s = i >> 8, rotated through the four channels.
    // Every grey sum 0..765 occurs in d.
    Words s(65536), d(65536), m(65536);
    for (uint32_t i = 0; i < 65536; ++i) {
        const uint32_t lo = i & 255, hi = i >> 8;
        d[i] = lo | (hi << 8) | (lo << 16) | (hi << 24);
        s[i] = hi | (lo << 8) | (hi << 16) | (lo << 24);
        m[i] = (i * 2654435761u) ^ (i >> 3);
    }
    for (const TargetKernels& target : everyTarget()) expectAgree(target, s, d, m, 0, s.size());
}

} // namespace
} // namespace tw::kernels
