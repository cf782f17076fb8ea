// The 2D toolbox held to its exact integer rules: fills, per-channel blends, grain, sprites,
// box blurs, smoothing, the warp and lines, including missing and undersized pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <tuple>
#include <vector>

#include "base/random.h"
#include "image/bitmap.h"
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
// Fills and the per-channel whole-buffer family

TEST(BlendFamily, WeightsUseOnlyTheLowByte) {
    EXPECT_EQ(makeColour(1, 2, 3, 4), 0x04010203u);
    EXPECT_EQ(makeColour(256, 0, 0, 0), 0u);
    EXPECT_EQ(makeColour(-1, 0, 0, 0), 0x00FF0000u);
    // 255 is not quite full strength (x*255 >> 8), and 256 wraps to weight 0.
    using Op = void (*)(Bitmap&, int32_t);
    const Op scale = scaleBitmap, bright = brighten;
    const Op fillWhite = [](Bitmap& b, int32_t k) { blendFill(b, k, 0xFFFFFFFFu); };
    const struct {
        Op op;
        uint32_t before;
        int32_t k;
        uint32_t want;
    } cases[] = {
        {fillWhite, 0u, 255, 0xFEFEFEFEu},
        {fillWhite, 0xFFFFFFFFu, 0, 0xFEFEFEFEu},
        {fillWhite, 0x80FF4001u, 0, 0x7FFE3F00u},
        {fillWhite, 0x80FF4001u, 256, 0x7FFE3F00u},
        {scale, 0xFFFFFFFFu, 255, 0xFEFEFEFEu},
        {scale, 0xFFFFFFFFu, 0, 0u}, // alpha included
        {scale, 0xFFFFFFFFu, 256, 0u},
        {scale, 0x80402010u, 128, 0x40201008u},
        {bright, makeColour(200, 100, 1, 0x37), 255, makeColour(255, 199, 1, 0x37)},
        {bright, makeColour(128, 64, 0, 255), 0x180, makeColour(192, 96, 0, 255)},
    };
    for (const auto& c : cases) {
        Bitmap b = createBitmap(5, 3);
        fillBitmap(b, c.before);
        c.op(b, c.k);
        for (uint32_t p : pixelsOf(b)) ASSERT_EQ(p, c.want) << std::hex << c.before << " k=" << c.k;
    }
}

TEST(BlendFamily, ExactValuesAtTheEdges) {
    using Op = void (*)(const Bitmap&, Bitmap&);
    const Op fade = [](const Bitmap& s, Bitmap& d) { crossfade(s, d, 255); };
    const Op mul = multiplyInto, add = addInto, over = alphaOverlay;
    const struct {
        Op op;
        uint32_t s, d, want;
    } cases[] = {
        {fade, 0xFFFFFFFFu, 0u, 0xFEFEFEFEu},
        {fade, 0u, 0xFFFFFFFFu, 0u}, // d*(255-255) vanishes
        {mul, 0xFFFF8002u, 0xFF80FF80u, 0xFE7F7F01u},
        {add, 0x01C8FF00u, 0xFE64FF00u, 0xFFFFFF00u},
        {over, 0xFF123456u, 0xFFFF80FFu, 0xFEFE7FFEu}, // source alpha 255: d slightly darker
        {over, 0x00FFFFFFu, 0x12345678u, 0x00FEFEFEu}, // alpha 0 shows the source
    };
    Bitmap s = createBitmap(2, 1), d = createBitmap(2, 1);
    for (const auto& c : cases) {
        fillBitmap(s, c.s);
        fillBitmap(d, c.d);
        c.op(s, d);
        EXPECT_EQ(pixelsOf(d), (std::vector<uint32_t>{c.want, c.want})) << std::hex << c.s;
    }

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
    Bitmap empty = createBitmap(0, 7);
    fillBitmap(empty, 0x12345678u);
    clearBitmap(empty);
    EXPECT_EQ(empty.pixelCount(), 0);
}

// ---------------------------------------------------------------------------------------
// Grain

TEST(Grain, AmplitudeOneAndNonPositiveChangeNothing) {
    Bitmap b = edgyBitmap(33, 7, 4);
    const std::vector<uint32_t> before = pixelsOf(b);
    for (int32_t amp : {1, 0, -7, INT32_MIN}) {
        addNoise(b, amp);
        EXPECT_EQ(pixelsOf(b), before) << amp;
    }
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

// A 64x4 sprite whose every pixel names its own position.
uint32_t spriteLabel(int64_t x, int64_t y) {
    return 0xAB000000u | static_cast<uint32_t>(y << 8) | static_cast<uint32_t>(x);
}

TEST(Sprite, ClipsAtEveryEdge) {
    Bitmap src = createBitmap(64, 4);
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 64; ++x) src.pixels[y * 64 + x] = spriteLabel(x, y);
    const uint32_t bg = 0x5A5A5A5Au;
    const struct {
        int w, h, x, y;
    } cases[] = {{100, 10, -10, 2}, {100, 10, 70, 8},  // left edge; bottom-right corner
                 {100, 10, 100, 0}, {100, 10, -64, 0}, // just off each side: nothing
                 {100, 10, 0, 10},  {100, 10, 0, -4},  {100, 10, INT32_MAX, INT32_MIN},
                 {3, 2, -20, -1}}; // larger than the destination on every side
    for (const auto& c : cases) {
        Bitmap dst = createBitmap(c.w, c.h);
        fillBitmap(dst, bg);
        drawSprite(src, dst, c.x, c.y, false);
        for (int y = 0; y < c.h; ++y)
            for (int x = 0; x < c.w; ++x) {
                const int64_t sx = int64_t{x} - c.x, sy = int64_t{y} - c.y;
                const bool in = sx >= 0 && sx < 64 && sy >= 0 && sy < 4;
                ASSERT_EQ(dst.pixels[y * c.w + x], in ? spriteLabel(sx, sy) : bg)
                    << "at " << c.x << "," << c.y << " pixel " << x << "," << y;
            }
    }
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
    // Rows of 320 regardless of the bitmap's width; under 641 pixels nothing changes, and at
    // 642 exactly one pixel (321) is smoothed.
    const struct { int w, h; } sizes[] = {{320, 12}, {100, 17}, {642, 1}, {640, 1}};
    for (const auto& sz : sizes) {
        Bitmap b = edgyBitmap(sz.w, sz.h, static_cast<uint32_t>(sz.w + sz.h));
        std::vector<uint32_t> want = pixelsOf(b);
        naiveSmooth(want);
        smooth4(b);
        EXPECT_EQ(pixelsOf(b), want) << sz.w << "x" << sz.h;
    }
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
    const std::tuple<int, int, Bitmap> cases[] = {{320, 240, randomBitmap(128, 128, 1)},
                                                  {320, 240, Bitmap{}},
                                                  {320, 200, randomBitmap(256, 256, 3)}};
    for (const auto& [w, h, picture] : cases) {
        Bitmap dst = randomBitmap(w, h, 2);
        const std::vector<uint32_t> before = pixelsOf(dst);
        warpTexture(dst, picture, 0.0f);
        EXPECT_EQ(pixelsOf(dst), before) << w << "x" << h;
    }
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