// The TGA reader on files written here: orientation, texture shift/mask, and every way a
// file can be refused without touching the bitmap it was meant for.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>

#include "base/report.h"
#include "image/tga.h"
#include "tools/write/tga_writer.h"

namespace tw {
namespace {

const char* const kBad = "\n ERROR! Fuckedup tgafile! \n";

std::string tempPath(const std::string& name) {
    std::filesystem::path dir = std::filesystem::path(TW_BINARY_DIR) / "test_tmp" / "tga";
    std::filesystem::create_directories(dir);
    return (dir / name).string();
}

std::vector<uint32_t> randomPixels(int w, int h, uint32_t seed) {
    std::mt19937 rng(seed);
    std::vector<uint32_t> p(static_cast<size_t>(w) * h);
    for (uint32_t& v : p) v = rng();
    return p;
}

// A bitmap that already holds a picture, to prove refusals leave it alone.
struct Loaded {
    Bitmap b = createBitmap(4, 2);
    Loaded() {
        for (int i = 0; i < 8; ++i) b.pixels[i] = 0x1000u + i;
        b.widthShift = 3;
        b.widthMask = 7;
    }
    void expectUnchanged(uint32_t* pixels) const {
        EXPECT_EQ(b.width, 4);
        EXPECT_EQ(b.height, 2);
        EXPECT_EQ(b.pixels, pixels);
        EXPECT_EQ(b.widthShift, 3);
        EXPECT_EQ(b.widthMask, 7);
        for (int i = 0; i < 8; ++i) EXPECT_EQ(b.pixels[i], 0x1000u + i);
    }
};

TEST(TgaRead, LastFileRowBecomesTheTopRow) {
    // Built by hand: 2x2, file rows bottom first, bytes blue, green, red, alpha.
    std::vector<uint8_t> f(18 + 16, 0);
    f[2] = 2;
    f[12] = 2;
    f[14] = 2;
    f[16] = 32;
    for (int i = 0; i < 16; ++i) f[18 + static_cast<size_t>(i)] = static_cast<uint8_t>(i + 1);
    const std::string path = tempPath("hand.tga");
    ASSERT_TRUE(writeFile(path, f));
    Bitmap b;
    ASSERT_TRUE(readTga(b, path));
    ASSERT_EQ(b.width, 2);
    ASSERT_EQ(b.height, 2);
    EXPECT_EQ(b.pixels[0], 0x0C0B0A09u); // file row 1 is bitmap row 0
    EXPECT_EQ(b.pixels[1], 0x100F0E0Du);
    EXPECT_EQ(b.pixels[2], 0x04030201u);
    EXPECT_EQ(b.pixels[3], 0x08070605u);
    EXPECT_EQ(b.widthShift, 8); // width 2 is not in the table
    EXPECT_EQ(b.widthMask, 255);
}

TEST(TgaRead, RoundTripsAndIgnoresTheDescriptor) {
    const std::vector<uint32_t> px = randomPixels(256, 256, 1);
    std::vector<uint8_t> bytes = encodeTga(px.data(), 256, 256);
    const std::string path = tempPath("rt.tga");
    for (uint8_t descriptor : {uint8_t{8}, uint8_t{0x28}, uint8_t{0x20}}) {
        bytes[17] = descriptor; // top-left origin bits are not consulted: always flipped
        bytes[0] = 5;           // an ID length is ignored too: pixels start at 18
        ASSERT_TRUE(writeFile(path, bytes));
        Bitmap b;
        ASSERT_TRUE(readTga(b, path));
        EXPECT_EQ(b.widthShift, 8);
        EXPECT_EQ(b.widthMask, 255);
        EXPECT_TRUE(std::equal(px.begin(), px.end(), b.pixels)) << int(descriptor);
    }
    // Trailing bytes after the pixel data are harmless.
    bytes.resize(bytes.size() + 100, 0xEE);
    ASSERT_TRUE(writeFile(path, bytes));
    Bitmap b;
    EXPECT_TRUE(readTga(b, path));
    EXPECT_TRUE(std::equal(px.begin(), px.end(), b.pixels));
}

TEST(TgaRead, ShiftAndMaskByWidth) {
    const struct {
        int width, shift, mask;
    } cases[] = {{16, 4, 15},   {32, 5, 31},    {64, 6, 63},      {128, 7, 127},
                 {256, 8, 255}, {512, 9, 511},  {1024, 10, 1023}, {320, 8, 255},
                 {17, 8, 255},  {2048, 8, 255}, {8, 8, 255},      {1, 8, 255}};
    for (const auto& c : cases) {
        const std::vector<uint32_t> px = randomPixels(c.width, 3, c.width);
        const std::string path = tempPath("w.tga");
        ASSERT_TRUE(writeFile(path, encodeTga(px.data(), c.width, 3)));
        Bitmap b;
        ASSERT_TRUE(readTga(b, path)) << c.width;
        EXPECT_EQ(b.width, c.width);
        EXPECT_EQ(b.height, 3);
        EXPECT_EQ(b.widthShift, c.shift) << c.width;
        EXPECT_EQ(b.widthMask, c.mask) << c.width;
        EXPECT_TRUE(std::equal(px.begin(), px.end(), b.pixels)) << c.width;
    }
}

TEST(TgaRead, BadHeadersLeaveTheBitmapAlone) {
    const std::vector<uint32_t> px = randomPixels(4, 4, 2);
    const std::vector<uint8_t> good = encodeTga(px.data(), 4, 4);
    auto mutate = [&](int offset, uint8_t value) {
        std::vector<uint8_t> f = good;
        f[static_cast<size_t>(offset)] = value;
        return f;
    };
    const std::vector<std::vector<uint8_t>> bad = {
        mutate(16, 24), // 24-bit
        mutate(16, 16),
        mutate(16, 0),
        [&] {
            auto f = mutate(12, 0);
            f[13] = 0;
            return f;
        }(), // width 0
        [&] {
            auto f = mutate(14, 0);
            f[15] = 0;
            return f;
        }(), // height 0
    };
    for (size_t i = 0; i < bad.size(); ++i) {
        const std::string path = tempPath("bad.tga");
        ASSERT_TRUE(writeFile(path, bad[i]));
        Loaded l;
        uint32_t* before = l.b.pixels;
        ReportCapture cap;
        EXPECT_FALSE(readTga(l.b, path)) << i;
        l.expectUnchanged(before);
        EXPECT_EQ(cap.lines, std::vector<std::string>{kBad}) << i;
    }
}

TEST(TgaRead, TruncatedFilesAreRefused) {
    const std::vector<uint32_t> px = randomPixels(8, 8, 3);
    const std::vector<uint8_t> good = encodeTga(px.data(), 8, 8);
    for (size_t size :
         {good.size() - 1, size_t{18 + 4}, size_t{18}, size_t{17}, size_t{5}, size_t{0}}) {
        const std::string path = tempPath("cut.tga");
        ASSERT_TRUE(writeFile(path, std::vector<uint8_t>(good.begin(), good.begin() + size)));
        Loaded l;
        uint32_t* before = l.b.pixels;
        ReportCapture cap;
        EXPECT_FALSE(readTga(l.b, path)) << size;
        l.expectUnchanged(before);
        EXPECT_EQ(cap.lines, std::vector<std::string>{kBad}) << size;
    }
    // The largest header (65535 x 65535) promises 17 GB: refused without trying to read it.
    std::vector<uint8_t> huge(good.begin(), good.begin() + 18 + 64);
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    const std::string path = tempPath("huge.tga");
    ASSERT_TRUE(writeFile(path, huge));
    Loaded l;
    ReportCapture cap;
    EXPECT_FALSE(readTga(l.b, path));
    EXPECT_EQ(cap.lines, std::vector<std::string>{kBad});
}

TEST(TgaRead, MissingFileIsOneMessageBox) {
    const std::string path = tempPath("does-not-exist.tga");
    std::filesystem::remove(path);
    Loaded l;
    uint32_t* before = l.b.pixels;
    ReportCapture cap;
    EXPECT_FALSE(readTga(l.b, path));
    l.expectUnchanged(before);
    EXPECT_EQ(cap.lines, std::vector<std::string>{"ERROR!|Cant open " + path});

    Bitmap fresh; // a scene's global before loading: still without pixels
    EXPECT_FALSE(readTga(fresh, path));
    EXPECT_EQ(fresh.pixels, nullptr);
    EXPECT_EQ(fresh.pixelCount(), 0);
}

} // namespace
} // namespace tw
