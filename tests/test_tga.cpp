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

const char* const kBad = ": not a usable TGA picture: ";

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
// Reads `path` into a bitmap that already holds a picture: the read must fail with one line
// starting with `message` and leave the bitmap as it was.
void expectRefused(const std::string& path, const std::string& message) {
    Bitmap b = createBitmap(4, 2);
    for (int i = 0; i < 8; ++i) b.pixels[i] = 0x1000u + i;
    b.widthShift = 3;
    b.widthMask = 7;
    const uint32_t* pixels = b.pixels;
    ReportCapture cap;
    EXPECT_FALSE(readTga(b, path)) << path;
    ASSERT_EQ(cap.lines.size(), 1u) << path;
    EXPECT_EQ(cap.lines[0].rfind(message, 0), 0u) << cap.lines[0];
    EXPECT_TRUE(b.width == 4 && b.height == 2 && b.pixels == pixels && b.widthShift == 3 &&
                b.widthMask == 7)
        << path;
    for (int i = 0; i < 8; ++i) EXPECT_EQ(b.pixels[i], 0x1000u + i) << path;
}

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

TEST(TgaRead, RoundTripsWithShiftAndMaskByWidth) {
    const struct {
        int width, shift, mask;
    } cases[] = {{16, 4, 15},   {32, 5, 31},    {64, 6, 63},      {128, 7, 127},
                 {256, 8, 255}, {512, 9, 511},  {1024, 10, 1023}, {320, 8, 255},
                 {17, 8, 255},  {2048, 8, 255}, {8, 8, 255},      {1, 8, 255}};
    for (const auto& c : cases) {
        const std::vector<uint32_t> px = randomPixels(c.width, 3, c.width);
        const std::string path = tempPath("w.tga");
        std::vector<uint8_t> bytes = encodeTga(px.data(), c.width, 3);
        bytes[17] = static_cast<uint8_t>(c.width & 1 ? 0x28 : 0x20); // origin bits not consulted
        bytes[0] = 5;                         // an ID length is ignored too: pixels start at 18
        bytes.resize(bytes.size() + 7, 0xEE); // trailing bytes are harmless
        ASSERT_TRUE(writeFile(path, bytes));
        Bitmap b;
        ASSERT_TRUE(readTga(b, path)) << c.width;
        EXPECT_EQ(b.width, c.width);
        EXPECT_EQ(b.height, 3);
        EXPECT_EQ(b.widthShift, c.shift) << c.width;
        EXPECT_EQ(b.widthMask, c.mask) << c.width;
        EXPECT_TRUE(std::equal(px.begin(), px.end(), b.pixels)) << c.width;
    }
}
TEST(TgaRead, BadOrTruncatedFilesLeaveTheBitmapAlone) {
    const std::vector<uint32_t> px = randomPixels(8, 8, 2);
    const std::vector<uint8_t> good = encodeTga(px.data(), 8, 8);
    auto mutate = [&](std::initializer_list<std::pair<size_t, uint8_t>> edits) {
        std::vector<uint8_t> f = good;
        for (auto [at, value] : edits) f[at] = value;
        return f;
    };
    auto cut = [&](size_t size) { return std::vector<uint8_t>(good.begin(), good.begin() + size); };
    // The largest header (65535 x 65535) promises 17 GB: refused without trying to read it.
    std::vector<uint8_t> huge = cut(18 + 64);
    huge[12] = huge[13] = huge[14] = huge[15] = 0xFF;
    const std::vector<uint8_t> bad[] = {mutate({{16, 24}}),
                                        mutate({{16, 16}}),
                                        mutate({{16, 0}}), // not 32 bits per pixel
                                        mutate({{12, 0}, {13, 0}}),
                                        mutate({{14, 0}, {15, 0}}), // width or height 0
                                        cut(good.size() - 1),
                                        cut(18 + 4),
                                        cut(18),
                                        cut(17),
                                        cut(5),
                                        cut(0),
                                        huge};
    for (size_t i = 0; i < std::size(bad); ++i) {
        const std::string path = tempPath("bad" + std::to_string(i) + ".tga");
        ASSERT_TRUE(writeFile(path, bad[i]));
        expectRefused(path, path + kBad);
    }
}

TEST(TgaRead, MissingFileIsOneMessageBox) {
    const std::string path = tempPath("does-not-exist.tga");
    std::filesystem::remove(path);
    expectRefused(path, "ERROR!|Cant open " + path);
    Bitmap fresh; // a scene's global before loading: still without pixels
    ReportCapture cap;
    EXPECT_FALSE(readTga(fresh, path));
    EXPECT_EQ(fresh.pixels, nullptr);
}

} // namespace
} // namespace tw
