// The 2D toolbox held to its exact integer rules: fills, per-channel blends, grain, sprites,
// box blurs, smoothing, the warp and lines, including missing and undersized pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

#include "base/random.h"
#include "image/bitmap.h"
#include "image/blend_kernels.h"
#include "image/blur_kernels.h"
#include "image/ops.h"

namespace tw {
namespace {

uint32_t ch(uint32_t p, int c) {
    return (p >> (8 * c)) & 255u;
}

Bitmap randomBitmap(int w, int h, uint32_t seed) {
    Bitmap b = createBitmap(w, h);
    std::mt19937 rng(seed);
    for (int i = 0; i < w * h; ++i) b.pixels[i] = rng();
    return b;
}

// Random words salted with the channel values where the rules turn: 0, 1, 254, 255.
Bitmap edgyBitmap(int w, int h, uint32_t seed) {
    Bitmap b = randomBitmap(w, h, seed);
    static const uint32_t edges[] = {0u, 1u, 254u, 255u, 128u};
    std::mt19937 rng(seed + 1);
    for (int i = 0; i < w * h; ++i)
        for (int c = 0; c < 4; ++c)
            if (rng() % 3 == 0) {
                b.pixels[i] &= ~(255u << (8 * c));
                b.pixels[i] |= edges[rng() % 5] << (8 * c);
            }
    return b;
}

std::vector<uint32_t> pixelsOf(const Bitmap& b) {
    return std::vector<uint32_t>(b.pixels, b.pixels + b.pixelCount());
}

// ---------------------------------------------------------------------------------------
// Bitmap, colour and fills

TEST(BitmapAndFills, ColourPackingAndCreation) {
    EXPECT_EQ(makeColour(255, 255, 255, 255), 0xFFFFFFFFu);
    EXPECT_EQ(makeColour(1, 2, 3, 4), 0x04010203u);
    EXPECT_EQ(makeColour(256, 0, 0, 0), 0u);
    EXPECT_EQ(makeColour(-1, 0, 0, 0), 0x00FF0000u);

    Bitmap b = createBitmap(320, 240);
    ASSERT_EQ(b.pixelCount(), 76800);
    EXPECT_EQ(b.widthShift, 0);
    EXPECT_EQ(b.widthMask, 0);
    for (uint32_t p : pixelsOf(b)) ASSERT_EQ(p, 0u);

    Bitmap empty = createBitmap(0, 7);
    fillBitmap(empty, 0x12345678u); // nothing to fill, nothing written
    clearBitmap(empty);
    EXPECT_EQ(empty.pixelCount(), 0);
}

TEST(BitmapAndFills, BlendFillWeights) {
    Bitmap b = createBitmap(5, 3);
    fillBitmap(b, 0x00000000u);
    blendFill(b, 255, 0xFFFFFFFFu);
    for (uint32_t p : pixelsOf(b)) ASSERT_EQ(p, 0xFEFEFEFEu);

    fillBitmap(b, 0xFFFFFFFFu);
    blendFill(b, 0, 0x12345678u);
    for (uint32_t p : pixelsOf(b)) ASSERT_EQ(p, 0xFEFEFEFEu); // 255*255>>8

    fillBitmap(b, 0x80FF4001u);
    Bitmap c = createBitmap(5, 3);
    fillBitmap(c, 0x80FF4001u);
    blendFill(b, 256, 0xFFFFFFFFu); // only the low 8 bits: weight 0
    blendFill(c, 0, 0xFFFFFFFFu);
    EXPECT_EQ(pixelsOf(b), pixelsOf(c));
}

TEST(BitmapAndFills, DepthBufferClear) {
    ZBuffer z;
    createZBuffer(z, 320, 240);
    ASSERT_EQ(z.depth.size(), 76800u);
    z.depth[1234] = 99;
    clearZBuffer(z);
    for (int32_t d : z.depth) ASSERT_EQ(d, 0);
    EXPECT_TRUE(1 > z.depth[0]);
    EXPECT_FALSE(0 > z.depth[0]); // equal depth does not pass
}

// ---------------------------------------------------------------------------------------
// Per-channel whole-buffer family

TEST(BlendFamily, WeightEdgesOfScaleAndBrighten) {
    Bitmap b = createBitmap(4, 1);
    fillBitmap(b, 0xFFFFFFFFu);
    scaleBitmap(b, 255);
    EXPECT_EQ(b.pixels[0], 0xFEFEFEFEu);
    scaleBitmap(b, 0);
    EXPECT_EQ(b.pixels[3], 0u); // alpha included
    fillBitmap(b, 0xFFFFFFFFu);
    scaleBitmap(b, 256); // low 8 bits: 0
    EXPECT_EQ(b.pixels[1], 0u);
    fillBitmap(b, 0x80402010u);
    scaleBitmap(b, 128);
    EXPECT_EQ(b.pixels[2], 0x40201008u);

    b.pixels[0] = makeColour(200, 100, 1, 0x37);
    brighten(b, 255);
    EXPECT_EQ(b.pixels[0], makeColour(255, 199, 1, 0x37)); // 100+99, 1+0, alpha kept
    b.pixels[0] = makeColour(128, 64, 0, 255);
    brighten(b, 0x180); // low 8 bits: 128
    EXPECT_EQ(b.pixels[0], makeColour(192, 96, 0, 255));
}

TEST(BlendFamily, ExactValuesAtTheEdges) {
    Bitmap s = createBitmap(2, 1), d = createBitmap(2, 1);
    s.pixels[0] = 0xFFFFFFFFu;
    d.pixels[0] = 0x00000000u;
    s.pixels[1] = 0x00000000u;
    d.pixels[1] = 0xFFFFFFFFu;
    crossfade(s, d, 255);
    EXPECT_EQ(d.pixels[0], 0xFEFEFEFEu);
    EXPECT_EQ(d.pixels[1], 0x00000000u); // d*(255-255) vanishes

    fillBitmap(s, 0xFFFF8002u);
    fillBitmap(d, 0xFF80FF80u);
    multiplyInto(s, d);
    EXPECT_EQ(d.pixels[0], 0xFE7F7F01u);

    fillBitmap(s, 0x01C8FF00u);
    fillBitmap(d, 0xFE64FF00u);
    addInto(s, d);
    EXPECT_EQ(d.pixels[1], 0xFFFFFF00u);

    // Alpha overlay: source alpha 255 keeps the destination slightly darkened.
    s.pixels[0] = 0xFF123456u;
    d.pixels[0] = 0xFFFF80FFu;
    s.pixels[1] = 0x00FFFFFFu; // alpha 0 shows the source (d*0 + s*255>>8)
    d.pixels[1] = 0x12345678u;
    alphaOverlay(s, d);
    EXPECT_EQ(d.pixels[0], 0xFEFE7FFEu);
    EXPECT_EQ(d.pixels[1], 0x00FEFEFEu);

    Bitmap m = createBitmap(2, 1);
    m.pixels[0] = 0xFF00FF80u; // per channel: alpha all source, red all dest, ...
    s.pixels[0] = 0x10FF2040u;
    d.pixels[0] = 0x80408000u;
    maskBlend(s, d, m);
    EXPECT_EQ(d.pixels[0], makeColour(0x40 * 255 >> 8, 0x20 * 255 >> 8, 0x40 * 128 >> 8, 0x0F));

    Bitmap g = createBitmap(1, 1);
    g.pixels[0] = makeColour(30, 60, 91, 200); // grey (181)/3 = 60
    desaturate(g, 255);
    EXPECT_EQ(g.pixels[0], makeColour(59, 59, 59, 0)); // alpha byte becomes 0
    g.pixels[0] = makeColour(30, 60, 91, 200);
    desaturate(g, 0);
    EXPECT_EQ(g.pixels[0], makeColour(29, 59, 90, 0));
}

TEST(BlendFamily, CopyTakesWholeBlocksOfSixteen) {
    Bitmap s = randomBitmap(20, 1, 5), d = createBitmap(20, 1);
    copyBitmap(s, d);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(d.pixels[i], s.pixels[i]);
    for (int i = 16; i < 20; ++i) EXPECT_EQ(d.pixels[i], 0u);
}

TEST(BlendFamily, PassLengthComesFromTheNamedBitmap) {
    // crossfade/multiply/add run over the source: a larger destination keeps its tail.
    Bitmap s = createBitmap(4, 1), d = createBitmap(8, 1);
    fillBitmap(s, 0x01010101u);
    fillBitmap(d, 0x10101010u);
    addInto(s, d);
    EXPECT_EQ(d.pixels[3], 0x11111111u);
    EXPECT_EQ(d.pixels[4], 0x10101010u);
    // The overlays run over the destination: a larger source is fine.
    Bitmap big = createBitmap(8, 1), small = createBitmap(2, 2);
    fillBitmap(big, 0x00FFFFFFu);
    alphaOverlay(big, small);
    for (uint32_t p : pixelsOf(small)) EXPECT_EQ(p, 0x00FEFEFEu);
    // Pairs only: the odd last pixel of a destination is left alone.
    Bitmap odd = createBitmap(3, 1);
    alphaOverlay(big, odd);
    EXPECT_EQ(pixelsOf(odd), (std::vector<uint32_t>{0x00FEFEFEu, 0x00FEFEFEu, 0u}));
}

TEST(BlendFamily, MissingOrUndersizedPicturesAreNotRead) {
    Bitmap frame = randomBitmap(16, 4, 9);
    const std::vector<uint32_t> before = pixelsOf(frame);
    Bitmap unloaded;                      // a picture whose file failed to load
    Bitmap small = randomBitmap(8, 4, 1); // fewer pixels than the pass length
    Bitmap bogus;                         // sizes without pixels
    bogus.width = 16;
    bogus.height = 4;
    for (const Bitmap* p : {&unloaded, &small, &bogus}) {
        alphaOverlay(*p, frame);
        copyBitmap(*p, frame);
        maskBlend(*p, frame, frame);
        maskBlend(frame, frame, *p);
        multiplyInto(frame, const_cast<Bitmap&>(*p));
        addInto(frame, const_cast<Bitmap&>(*p));
        crossfade(frame, const_cast<Bitmap&>(*p), 100);
        boxBlurH(frame, *p, 0);
        boxBlurV(frame, *p, 0);
        boxBlurH(const_cast<Bitmap&>(*p), frame, 2);
        boxBlurV(const_cast<Bitmap&>(*p), frame, 2);
        EXPECT_EQ(pixelsOf(frame), before);
    }
    drawSprite(unloaded, frame, 0, 0, true);
    drawSprite(bogus, frame, 0, 0, false);
    EXPECT_EQ(pixelsOf(frame), before);
    // Operations on a bitmap without pixels do nothing at all.
    scaleBitmap(bogus, 3);
    brighten(bogus, 3);
    desaturate(bogus, 3);
    addNoise(bogus, 5);
    smooth4(bogus);
    drawLine(bogus, 0, 0, 5, 3, 1);
    SUCCEED();
}

// ---------------------------------------------------------------------------------------
// Vector kernels against the plain ones

// Runs one kernel both ways over copies of the same data and compares every word.
struct KernelCase {
    std::vector<uint32_t> s, d, m;
};

KernelCase kernelData(size_t n, uint32_t seed) {
    KernelCase c;
    Bitmap a = edgyBitmap(static_cast<int>(n) + 4, 1, seed),
           b = edgyBitmap(static_cast<int>(n) + 4, 1, seed + 7),
           m = edgyBitmap(static_cast<int>(n) + 4, 1, seed + 13);
    c.s = pixelsOf(a);
    c.d = pixelsOf(b);
    c.m = pixelsOf(m);
    return c;
}

TEST(VectorKernels, BitIdenticalOnOddSizesAndOffsets) {
    using namespace kernels;
    const Kernels& v = active();
#if defined(__SSE2__)
    ASSERT_NE(v.multiply, &multiplyScalar); // the comparison below must test something
#endif
    for (size_t n = 0; n <= 37; ++n)
        for (size_t off = 0; off < 4; ++off) { // unaligned starts
            const KernelCase c = kernelData(n, static_cast<uint32_t>(n * 4 + off));
            auto run2 = [&](auto vec, auto ref, const char* name) {
                std::vector<uint32_t> a = c.d, b = c.d;
                vec(c.s.data() + off, a.data() + off, n);
                ref(c.s.data() + off, b.data() + off, n);
                EXPECT_EQ(a, b) << name << " n=" << n << " off=" << off;
            };
            run2(v.multiply, multiplyScalar, "multiply");
            run2(v.add, addScalar, "add");
            run2(v.alphaOverlay, alphaOverlayScalar, "alphaOverlay");
            for (uint32_t k : {0u, 1u, 127u, 128u, 254u, 255u}) {
                std::vector<uint32_t> a = c.d, b = c.d;
                v.crossfade(c.s.data() + off, a.data() + off, n, k);
                crossfadeScalar(c.s.data() + off, b.data() + off, n, k);
                EXPECT_EQ(a, b) << "crossfade k=" << k;
                v.scale(a.data() + off, n, k);
                scaleScalar(b.data() + off, n, k);
                EXPECT_EQ(a, b) << "scale k=" << k;
                v.brighten(a.data() + off, n, k);
                brightenScalar(b.data() + off, n, k);
                EXPECT_EQ(a, b) << "brighten k=" << k;
                v.blendFill(a.data() + off, n, k, c.s[0]);
                blendFillScalar(b.data() + off, n, k, c.s[0]);
                EXPECT_EQ(a, b) << "blendFill k=" << k;
            }
            run2(v.spriteBlend, spriteBlendScalar, "spriteBlend");
            for (uint32_t k : {0u, 1u, 128u, 255u}) {
                std::vector<uint32_t> a = c.d, b = c.d;
                v.desaturate(a.data() + off, n, k);
                desaturateScalar(b.data() + off, n, k);
                EXPECT_EQ(a, b) << "desaturate k=" << k;
            }
            std::vector<uint32_t> a = c.d, b = c.d;
            v.maskBlend(c.s.data() + off, a.data() + off, c.m.data() + off, n);
            maskBlendScalar(c.s.data() + off, b.data() + off, c.m.data() + off, n);
            EXPECT_EQ(a, b) << "maskBlend n=" << n;
        }
}

TEST(VectorKernels, EveryChannelPairAndInPlace) {
    using namespace kernels;
    const Kernels& v = active();
    // Every (d, s) byte pair in every channel position, with the weights (mask, alpha) also
    // swept: pixel i holds d = i & 255 and s = i >> 8, rotated through the four channels.
    std::vector<uint32_t> s(65536), d(65536), m(65536);
    for (uint32_t i = 0; i < 65536; ++i) {
        const uint32_t lo = i & 255, hi = i >> 8;
        d[i] = lo | (hi << 8) | (lo << 16) | (hi << 24);
        s[i] = hi | (lo << 8) | (hi << 16) | (lo << 24);
        m[i] = (i * 2654435761u) ^ (i >> 3);
    }
    auto same = [&](auto vec, auto ref) {
        std::vector<uint32_t> a = d, b = d;
        vec(s.data(), a.data(), s.size());
        ref(s.data(), b.data(), s.size());
        return a == b;
    };
    EXPECT_TRUE(same(v.multiply, multiplyScalar));
    EXPECT_TRUE(same(v.add, addScalar));
    EXPECT_TRUE(same(v.alphaOverlay, alphaOverlayScalar));
    EXPECT_TRUE(same(v.spriteBlend, spriteBlendScalar));
    for (uint32_t k : {0u, 77u, 255u}) { // every grey sum 0..765 occurs in d
        std::vector<uint32_t> a = d, b = d;
        v.desaturate(a.data(), a.size(), k);
        desaturateScalar(b.data(), b.size(), k);
        EXPECT_EQ(a, b) << k;
    }
    for (uint32_t k = 0; k < 256; k += 17) {
        std::vector<uint32_t> a = d, b = d;
        v.crossfade(s.data(), a.data(), a.size(), k);
        crossfadeScalar(s.data(), b.data(), b.size(), k);
        ASSERT_EQ(a, b) << k;
    }
    std::vector<uint32_t> a = d, b = d;
    v.maskBlend(s.data(), a.data(), m.data(), a.size());
    maskBlendScalar(s.data(), b.data(), m.data(), b.size());
    EXPECT_EQ(a, b);
    a = d;
    b = d;
    v.maskBlend(s.data(), a.data(), a.data(), a.size()); // mask shares the destination's array
    maskBlendScalar(s.data(), b.data(), b.data(), b.size());
    EXPECT_EQ(a, b);
    a = d;
    b = d;
    v.multiply(a.data(), a.data(), a.size()); // source and destination the same array
    multiplyScalar(b.data(), b.data(), b.size());
    EXPECT_EQ(a, b);
}

#if defined(__SSE2__)
TEST(VectorKernels, BlurPassesMatchThePlainPasses) {
    using namespace kernels;
    auto check = [](const Bitmap& s, uint32_t r) {
        const uint32_t w = static_cast<uint32_t>(s.width), h = static_cast<uint32_t>(s.height);
        std::vector<uint32_t> a(s.pixels, s.pixels + w * h), b = a;
        if (r < w) {
            blurRowsSse2(s.pixels, a.data(), w, h, r);
            blurRowsScalar(s.pixels, b.data(), w, 0, h, r);
            EXPECT_EQ(a, b) << "rows " << w << "x" << h << " r=" << r;
        }
        if (r < h) {
            blurColumnsSse2(s.pixels, a.data(), w, h, r);
            blurColumnsScalar(s.pixels, b.data(), w, h, 0, w, r);
            EXPECT_EQ(a, b) << "columns " << w << "x" << h << " r=" << r;
        }
    };
    // Odd widths and heights: a single leftover row, leftover columns, partial strips.
    for (int w : {2, 3, 5, 8, 67, 150})
        for (int h : {2, 3, 7, 66})
            for (uint32_t r : {1u, 2u, 3u, 31u, 65u}) check(edgyBitmap(w, h, w * 100 + h), r);
    // The largest vector radius on all-255 data: the 16-bit window sum peaks at 65025.
    Bitmap white = createBitmap(300, 300);
    fillBitmap(white, 0xFFFFFFFFu);
    check(white, kMaxVectorRadius);
    check(edgyBitmap(300, 260, 5), kMaxVectorRadius);
}
#endif

// ---------------------------------------------------------------------------------------
// Grain

TEST(Grain, AmplitudeOneAndNonPositiveChangeNothing) {
    Bitmap b = edgyBitmap(33, 7, 4);
    const std::vector<uint32_t> before = pixelsOf(b);
    addNoise(b, 1);
    EXPECT_EQ(pixelsOf(b), before);
    addNoise(b, 0);
    addNoise(b, -7);
    EXPECT_EQ(pixelsOf(b), before);
}

TEST(Grain, OneDarkeningPerPixelAlphaKept) {
    seedRandom(123);
    Bitmap b = createBitmap(64, 64);
    for (int i = 0; i < 4096; ++i) b.pixels[i] = makeColour(200, 200, i % 4, i & 255);
    addNoise(b, 10);
    int darkened = 0;
    for (int i = 0; i < 4096; ++i) {
        const uint32_t p = b.pixels[i];
        ASSERT_EQ(ch(p, 3), static_cast<uint32_t>(i & 255));
        ASSERT_EQ(ch(p, 2), ch(p, 1)); // the same n for every channel of the pixel
        const uint32_t n = 200 - ch(p, 2);
        ASSERT_LE(n, 9u);
        ASSERT_EQ(ch(p, 0), (i % 4) > static_cast<int>(n) ? (i % 4) - n : 0u); // floor at 0
        darkened += n > 0;
    }
    EXPECT_GT(darkened, 3000); // about 9 in 10 pixels
}

TEST(Grain, FollowsTheRandomSequenceModuloAmplitude) {
    // One draw per pixel in order, taken modulo the amplitude, whatever the amplitude.
    for (int32_t amp : {2, 3, 7, 10, 255, 256, 257, 1000, 32767, 32768, 100000, INT32_MAX}) {
        Bitmap b = edgyBitmap(97, 13, static_cast<uint32_t>(amp));
        std::vector<uint32_t> want = pixelsOf(b);
        seedRandom(amp * 7u);
        for (uint32_t& p : want) {
            const int n = demoRand() % amp;
            uint32_t out = p & 0xFF000000u;
            for (int c = 0; c < 3; ++c)
                out |= static_cast<uint32_t>(std::max(0, static_cast<int>(ch(p, c)) - n))
                       << (8 * c);
            p = out;
        }
        seedRandom(amp * 7u);
        addNoise(b, amp);
        EXPECT_EQ(pixelsOf(b), want) << amp;
    }
}

// ---------------------------------------------------------------------------------------
// Sprites

TEST(Sprite, ClipsAtEveryEdge) {
    Bitmap src = createBitmap(64, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x) src.pixels[y * 64 + x] = 0xAB000000u | (y << 8) | x;
    const uint32_t bg = 0x5A5A5A5Au;
    Bitmap dst = createBitmap(100, 10);

    fillBitmap(dst, bg);
    drawSprite(src, dst, -10, 2, false);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 100; ++x) {
            const uint32_t want =
                (y >= 2 && y < 6 && x <= 53) ? 0xAB000000u | ((y - 2) << 8) | (x + 10) : bg;
            ASSERT_EQ(dst.pixels[y * 100 + x], want) << x << "," << y;
        }

    fillBitmap(dst, bg);
    drawSprite(src, dst, 100, 0, false); // at the destination width: nothing
    drawSprite(src, dst, -64, 0, false); // just off the left
    drawSprite(src, dst, 0, 10, false);
    drawSprite(src, dst, 0, -4, false);
    drawSprite(src, dst, INT32_MAX, INT32_MIN, false);
    for (uint32_t p : pixelsOf(dst)) ASSERT_EQ(p, bg);

    fillBitmap(dst, bg);
    drawSprite(src, dst, 70, 8, false); // bottom-right corner: columns 0..29, rows 0..1
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 100; ++x) {
            const bool in = x >= 70 && y >= 8;
            const uint32_t want = in ? 0xAB000000u | ((y - 8) << 8) | (x - 70) : bg;
            ASSERT_EQ(dst.pixels[y * 100 + x], want) << x << "," << y;
        }

    Bitmap tiny = createBitmap(3, 2); // a source larger than the destination on every side
    drawSprite(src, tiny, -20, -1, false);
    EXPECT_EQ(tiny.pixels[0], 0xAB000000u | (1 << 8) | 20);
    EXPECT_EQ(tiny.pixels[5], 0xAB000000u | (2 << 8) | 22);
}

TEST(Sprite, AlphaBlendWeightsAndClearsAlpha) {
    Bitmap src = createBitmap(3, 1), dst = createBitmap(3, 1);
    src.pixels[0] = 0xFFFFFFFFu; // alpha 255 shows the source
    src.pixels[1] = 0x00FFFFFFu; // alpha 0 keeps the destination
    src.pixels[2] = 0x80FF0080u;
    fillBitmap(dst, 0xFFFF8000u);
    drawSprite(src, dst, 0, 0, true);
    EXPECT_EQ(dst.pixels[0], 0x00FEFEFEu);
    EXPECT_EQ(dst.pixels[1], 0x00FE7F00u);
    EXPECT_EQ(dst.pixels[2], makeColour(127 + 126, 0 + 63, 64 + 0, 0));
}

// ---------------------------------------------------------------------------------------
// Box blurs

// Direct window sums, the divisor always 2r+1 via the 16.16 reciprocal.
std::vector<uint32_t> naiveBlur(const Bitmap& s, uint32_t r, bool horizontal) {
    const int w = s.width, h = s.height;
    const int len = horizontal ? w : h;
    int rr = static_cast<int>(std::min<uint32_t>(r, static_cast<uint32_t>(len - 1)));
    const uint32_t q = 65536u / (2 * rr + 1);
    std::vector<uint32_t> out(static_cast<size_t>(w * h));
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t p = 0;
            for (int c = 0; c < 4; ++c) {
                uint32_t sum = 0;
                for (int o = -rr; o <= rr; ++o) {
                    int xx = horizontal ? x + o : x, yy = horizontal ? y : y + o;
                    if (xx >= 0 && xx < w && yy >= 0 && yy < h) sum += ch(s.pixels[yy * w + xx], c);
                }
                p |= ((sum * q) >> 16) << (8 * c);
            }
            out[static_cast<size_t>(y * w + x)] = p;
        }
    return out;
}

TEST(BoxBlur, EdgesDarkenTowardTheBorder) {
    Bitmap s = createBitmap(3, 1), d = createBitmap(3, 1);
    fillBitmap(s, 0xFFFFFFFFu);
    boxBlurH(d, s, 1);
    EXPECT_EQ(d.pixels[0], 0xA9A9A9A9u); // 510*21845 >> 16 = 169
    EXPECT_EQ(d.pixels[1], 0xFEFEFEFEu); // 765*21845 >> 16 = 254
    EXPECT_EQ(d.pixels[2], 0xA9A9A9A9u);

    Bitmap col = createBitmap(1, 3), out = createBitmap(1, 3);
    fillBitmap(col, 0xFFFFFFFFu);
    boxBlurV(out, col, 1);
    EXPECT_EQ(pixelsOf(out), pixelsOf(d));
}

TEST(BoxBlur, RadiusClampsToTheSourceLength) {
    Bitmap s = randomBitmap(5, 4, 7), a = createBitmap(5, 4), b = createBitmap(5, 4);
    boxBlurH(a, s, 1000);
    boxBlurH(b, s, 4);
    EXPECT_EQ(pixelsOf(a), pixelsOf(b));
    boxBlurV(a, s, 4);
    boxBlurV(b, s, 3);
    EXPECT_EQ(pixelsOf(a), pixelsOf(b));
    boxBlurV(a, s, 0xFFFFFFFFu); // no overflow in 2r+1
    EXPECT_EQ(pixelsOf(a), pixelsOf(b));
    Bitmap single = createBitmap(1, 1), out = createBitmap(1, 1);
    single.pixels[0] = 0x12345678u;
    boxBlurH(out, single, 5); // clamps to 0: the pixel itself
    EXPECT_EQ(out.pixels[0], 0x12345678u);
}

TEST(BoxBlur, RadiusZeroCopiesTheDestinationsCount) {
    Bitmap s = randomBitmap(10, 10, 8), d = createBitmap(3, 5);
    boxBlurH(d, s, 0);
    for (int i = 0; i < 15; ++i) EXPECT_EQ(d.pixels[i], s.pixels[i]);
    Bitmap d2 = createBitmap(3, 5);
    boxBlurV(d2, s, 0);
    EXPECT_EQ(pixelsOf(d2), pixelsOf(d));
}

TEST(BoxBlur, RunningSumsMatchDirectWindows) {
    // 150 columns crosses the vertical pass's column strips, including a partial last strip.
    Bitmap s = edgyBitmap(150, 23, 11);
    for (uint32_t r : {1u, 2u, 3u, 7u, 22u, 149u}) {
        Bitmap d = createBitmap(150, 23);
        boxBlurH(d, s, r);
        EXPECT_EQ(pixelsOf(d), naiveBlur(s, r, true)) << "H r=" << r;
        boxBlurV(d, s, r);
        EXPECT_EQ(pixelsOf(d), naiveBlur(s, r, false)) << "V r=" << r;
    }
    // A larger destination is written only over the source's pixel count.
    Bitmap big = createBitmap(150, 30);
    fillBitmap(big, 0x01020304u);
    boxBlurH(big, s, 2);
    EXPECT_EQ(big.pixels[150 * 23], 0x01020304u);
}

// ---------------------------------------------------------------------------------------
// Four-neighbour smoothing

// Follows the rule literally: channel by channel, in increasing order, in place.
void naiveSmooth(std::vector<uint32_t>& p) {
    const int n = static_cast<int>(p.size());
    for (int i = 321; i <= n - 321; ++i) {
        uint32_t out = 0;
        for (int c = 0; c < 4; ++c) {
            uint32_t sum =
                ch(p[i - 1], c) + ch(p[i + 1], c) + ch(p[i - 320], c) + ch(p[i + 320], c);
            out |= (sum >> 2) << (8 * c);
        }
        p[i] = out;
    }
}

TEST(Smooth4, FollowsTheInPlaceOrder) {
    Bitmap b = edgyBitmap(320, 12, 21);
    std::vector<uint32_t> want = pixelsOf(b);
    naiveSmooth(want);
    smooth4(b);
    EXPECT_EQ(pixelsOf(b), want);

    // Rows of 320 regardless of the bitmap's width.
    Bitmap narrow = edgyBitmap(100, 17, 22);
    want = pixelsOf(narrow);
    naiveSmooth(want);
    smooth4(narrow);
    EXPECT_EQ(pixelsOf(narrow), want);
}

TEST(Smooth4, UniformAndTooSmallAreUnchanged) {
    Bitmap u = createBitmap(320, 240);
    fillBitmap(u, 0x80FF017Fu);
    smooth4(u);
    for (uint32_t p : pixelsOf(u)) ASSERT_EQ(p, 0x80FF017Fu);

    Bitmap small = randomBitmap(640, 1, 5); // fewer than 641 pixels
    const std::vector<uint32_t> before = pixelsOf(small);
    smooth4(small);
    EXPECT_EQ(pixelsOf(small), before);
    Bitmap edge = randomBitmap(642, 1, 6); // exactly one pixel (321) is smoothed
    std::vector<uint32_t> want = pixelsOf(edge);
    naiveSmooth(want);
    smooth4(edge);
    EXPECT_EQ(pixelsOf(edge), want);
}

// ---------------------------------------------------------------------------------------
// Warped texture

TEST(Warp, PhaseZeroShowsOneTexel) {
    Bitmap tex = randomBitmap(256, 256, 31), dst = createBitmap(320, 240);
    warpTexture(dst, tex, 0.0f);
    const uint32_t texel = tex.pixels[1 * 256 + 1];
    for (uint32_t p : pixelsOf(dst)) ASSERT_EQ(p, texel);
}

TEST(Warp, FirstPixelIsTheTopLeftCorner) {
    Bitmap tex = createBitmap(256, 256), dst = createBitmap(320, 240);
    for (int i = 0; i < 65536; ++i) tex.pixels[i] = static_cast<uint32_t>(i);
    for (float t : {100.0f, 1234.5f, 9000.0f}) {
        warpTexture(dst, tex, t);
        const double a = std::sin(t * 0.0052358333269755045) * 256 + 512;
        const int u = static_cast<int>(a * (std::sin(0.0034905555513170036 * t) + 1) + 1);
        const int v = static_cast<int>(a * (std::sin(-0.008726388878292508 * t) + 1) + 1);
        EXPECT_EQ(dst.pixels[0], static_cast<uint32_t>((v & 255) * 256 + (u & 255))) << t;
    }
}

TEST(Warp, WrongSizesAreRefused) {
    Bitmap small = randomBitmap(128, 128, 1), dst = randomBitmap(320, 240, 2);
    const std::vector<uint32_t> before = pixelsOf(dst);
    warpTexture(dst, small, 0.0f);
    warpTexture(dst, Bitmap{}, 0.0f);
    EXPECT_EQ(pixelsOf(dst), before);
    Bitmap tex = randomBitmap(256, 256, 3), shortDst = randomBitmap(320, 200, 4);
    const std::vector<uint32_t> shortBefore = pixelsOf(shortDst);
    warpTexture(shortDst, tex, 0.0f);
    EXPECT_EQ(pixelsOf(shortDst), shortBefore);
}

// ---------------------------------------------------------------------------------------
// Lines

// The unclipped walk, plotting into a set of points.
std::vector<std::pair<int64_t, int64_t>> walk(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
    int64_t dx = x1 - x0, dy = y1 - y0, sx = dx >= 0 ? 1 : -1, sy = dy >= 0 ? 1 : -1;
    bool xl = std::llabs(dx) > std::llabs(dy);
    int64_t lng = xl ? std::llabs(dx) : std::llabs(dy), sht = xl ? std::llabs(dy) : std::llabs(dx);
    int64_t err = lng >> 1, x = x0, y = y0;
    std::vector<std::pair<int64_t, int64_t>> pts;
    for (int64_t i = 0; i <= lng; ++i) {
        pts.emplace_back(x, y);
        err += sht;
        if (err >= lng) {
            err -= lng;
            x += sx;
            y += sy;
        } else if (xl) {
            x += sx;
        } else {
            y += sy;
        }
    }
    return pts;
}

// A bitmap that is a window into a larger guarded array, so stray writes show.
struct Guarded {
    std::vector<uint32_t> store;
    Bitmap view;
    Guarded(int w, int h) : store(static_cast<size_t>(w * h + 2 * 1024), 0xDEADBEEFu) {
        view.width = w;
        view.height = h;
        view.pixels = store.data() + 1024;
        std::fill(view.pixels, view.pixels + w * h, 0u);
    }
    bool guardsIntact() const {
        for (size_t i = 0; i < 1024; ++i)
            if (store[i] != 0xDEADBEEFu || store[store.size() - 1 - i] != 0xDEADBEEFu) return false;
        return true;
    }
};

TEST(Line, PlotsTheBresenhamSteps) {
    Bitmap b = createBitmap(4, 2);
    drawLine(b, 0, 0, 3, 1, 7);
    EXPECT_EQ(pixelsOf(b), (std::vector<uint32_t>{7, 7, 0, 0, 0, 0, 7, 7}));
    Bitmap p = createBitmap(3, 3);
    drawLine(p, 1, 1, 1, 1, 9); // a single point
    EXPECT_EQ(p.pixels[4], 9u);
    EXPECT_EQ(std::count(p.pixels, p.pixels + 9, 9u), 1);
}

TEST(Line, ClippingKeepsExactlyTheInBoundsPoints) {
    const int w = 40, h = 30;
    std::mt19937 rng(77);
    for (int iter = 0; iter < 3000; ++iter) {
        const int range = iter < 2000 ? 60 : 5000;
        auto coord = [&](int size) { return static_cast<int>(rng() % (2 * range + size)) - range; };
        const int x0 = coord(w), y0 = coord(h), x1 = coord(w), y1 = coord(h);
        Guarded g(w, h);
        drawLine(g.view, x0, y0, x1, y1, 1);
        ASSERT_TRUE(g.guardsIntact());
        std::vector<uint32_t> want(static_cast<size_t>(w * h), 0);
        for (auto [x, y] : walk(x0, y0, x1, y1))
            if (x >= 0 && x < w && y >= 0 && y < h) want[static_cast<size_t>(y * w + x)] = 1;
        ASSERT_EQ(std::vector<uint32_t>(g.view.pixels, g.view.pixels + w * h), want)
            << x0 << "," << y0 << " -> " << x1 << "," << y1;
    }
}

TEST(Line, FarEndpointsStayInside) {
    Guarded g(320, 240);
    drawLine(g.view, INT32_MIN, INT32_MIN, INT32_MAX, INT32_MAX, 1);
    drawLine(g.view, INT32_MAX, 5, INT32_MIN, 200, 2);
    drawLine(g.view, -5, INT32_MAX, 300, INT32_MIN, 3);
    drawLine(g.view, -1000000, -3, 1000000, -3, 4); // entirely above the bitmap
    EXPECT_TRUE(g.guardsIntact());
    EXPECT_EQ(std::count(g.view.pixels, g.view.pixels + 76800, 4u), 0);
    // A horizontal line across the whole width fills exactly one row.
    drawLine(g.view, -2000000000, 17, 2000000000, 17, 5);
    EXPECT_EQ(std::count(g.view.pixels + 17 * 320, g.view.pixels + 18 * 320, 5u), 320);
}

} // namespace
} // namespace tw
