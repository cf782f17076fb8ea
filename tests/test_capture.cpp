// The ffmpeg capture sink fed synthetic frames: exact pixels through the lossless path,
// H.264 size, frame count, duration and colour tags, the soundtrack mux, and the failures.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <utility>

#include "host/capture_ffmpeg.h"
#include "image/bitmap.h"
#include "tests/support/shell.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

using test::probe;
using test::shell;

struct Capture : ::testing::Test {
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const char* name) const { return (dir / name).string(); }
    const fs::path dir = fs::temp_directory_path() / ("tw-capture-" + std::to_string(getpid()));
};

// Frame n: a different colour in each quadrant, a moving 1-pixel column, alpha left at 0.
Bitmap testFrame(int n) {
    Bitmap f = createBitmap(320, 240);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            uint32_t c = makeColour(x < 160 ? 200 : 30, y < 120 ? 180 : 20, (n * 40) & 255, 0);
            if (x == 10 + n) c = makeColour(255, 255, 255, 0);
            f.pixels[y * 320 + x] = c;
        }
    }
    return f;
}

TEST_F(Capture, H264VideoHasTheSizeFrameCountDurationAndColourTags) {
    CaptureOptions o;
    o.path = file("clip.mp4");
    o.fps = 6;
    CaptureSink sink;
    ASSERT_TRUE(openCapture(sink, o, false)) << sink.failure;
    for (int n = 0; n < 12; ++n) ASSERT_TRUE(sink.present(testFrame(n))) << sink.failure;
    ASSERT_TRUE(finishCapture(sink, "")) << sink.failure;

    const std::pair<const char*, const char*> want[] = {
        {"codec_name", "h264"},       {"width", "1280"},          {"height", "960"},
        {"pix_fmt", "yuv420p"},       {"nb_read_frames", "12"},   {"color_space", "bt709"},
        {"color_primaries", "bt709"}, {"color_transfer", "bt709"}};
    for (auto [entry, value] : want)
        EXPECT_EQ(probe(o.path, "v:0", std::string("stream=") + entry), value) << entry;
    EXPECT_NEAR(std::atof(probe(o.path, "v:0", "stream=duration").c_str()), 2.0, 1e-3);
    EXPECT_EQ(probe(o.path, "a", "stream=codec_name"), ""); // opened without audio

    // Decoded the way a player does (bt709 back to RGB), a flat quadrant keeps its colour:
    // a wrong matrix or range shifts these by far more than the tolerance.
    std::string rgb = shell("ffmpeg -v error -i '" + o.path +
                            "' -frames:v 1 -vf scale=in_color_matrix=bt709:in_range=tv "
                            "-f rawvideo -pix_fmt rgb24 -")
                          .out;
    ASSERT_EQ(rgb.size(), 1280u * 960 * 3);
    // Top-left r 200, g 180, b 0; bottom-right r 30, g 20, b 0.
    const int topLeft = (200 * 1280 + 300) * 3, bottomRight = (800 * 1280 + 1000) * 3;
    const int expected[] = {200, 180, 0, 30, 20, 0};
    for (int i = 0; i < 6; ++i)
        EXPECT_NEAR(static_cast<uint8_t>(rgb[(i < 3 ? topLeft : bottomRight) + i % 3]), expected[i],
                    4)
            << i;
}

TEST_F(Capture, WithoutSoundStillAPlayableVideoAndBadFramesAreRefused) {
    // Opened for sound but none came: the video is still written under the given name (in
    // the right container, not the temporary's), and the temporary is gone.
    CaptureOptions o;
    o.path = file("silent.mp4");
    o.fps = 5;
    CaptureSink sink;
    ASSERT_TRUE(openCapture(sink, o, true)) << sink.failure;
    EXPECT_FALSE(sink.present(createBitmap(160, 120))); // refused whole, nothing written
    EXPECT_EQ(sink.framesWritten, 0);
    for (int n = 0; n < 3; ++n) ASSERT_TRUE(sink.present(testFrame(n))) << sink.failure;
    ASSERT_TRUE(finishCapture(sink, "")) << sink.failure;
    EXPECT_EQ(probe(o.path, "v:0", "stream=nb_read_frames"), "3");
    std::string format =
        shell("ffprobe -v error -show_entries format=format_name -of csv=p=0 '" + o.path + "'").out;
    EXPECT_NE(format.find("mp4"), std::string::npos) << format; // not Matroska
    EXPECT_FALSE(fs::exists(sink.videoPath));

    CaptureSink closed;
    EXPECT_FALSE(closed.present(testFrame(0))); // never opened: refuses, does not crash
}

} // namespace
} // namespace tw
