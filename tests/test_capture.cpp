// The ffmpeg capture sink fed synthetic frames: exact pixels through the lossless path,
// H.264 size, frame count, duration and colour tags, the soundtrack mux, and the failures.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <unistd.h>
#include <vector>

#include "host/capture_ffmpeg.h"
#include "image/bitmap.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

// Runs a shell command (tests only) and returns its standard output.
std::string run(const std::string& command) {
    std::string out;
    FILE* p = popen(command.c_str(), "r");
    if (p == nullptr) return out;
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

std::string probe(const std::string& file, const std::string& stream, const std::string& entry) {
    std::string out = run("ffprobe -v error -count_frames -select_streams " + stream +
                          " -show_entries " + entry + " -of default=nw=1:nk=1 '" + file + "'");
    while (!out.empty() && (out.back() == '\n' || out.back() == '\r')) out.pop_back();
    return out;
}

struct Capture : ::testing::Test {
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tw-capture-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const char* name) const { return (dir / name).string(); }
    fs::path dir;
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

void writeSilentishWav(const std::string& path, int seconds) {
    const uint32_t rate = 48000, frames = rate * seconds, bytes = frames * 4;
    std::ofstream o(path, std::ios::binary);
    auto u32 = [&](uint32_t v) { o.write(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { o.write(reinterpret_cast<const char*>(&v), 2); };
    o.write("RIFF", 4);
    u32(36 + bytes);
    o.write("WAVEfmt ", 8);
    u32(16);
    u16(1);
    u16(2);
    u32(rate);
    u32(rate * 4);
    u16(4);
    u16(16);
    o.write("data", 4);
    u32(bytes);
    for (uint32_t i = 0; i < frames; ++i) {
        int16_t s = static_cast<int16_t>((i % 100) * 200 - 10000); // a buzz, not silence
        u16(static_cast<uint16_t>(s));
        u16(static_cast<uint16_t>(s));
    }
}

TEST_F(Capture, LosslessMasterHoldsEveryFrameScaledNearestNeighbourPixelExact) {
    CaptureOptions o;
    o.path = file("master.mkv");
    o.fps = 10;
    o.scale = 2;
    CaptureSink sink;
    ASSERT_TRUE(openCapture(sink, o, false)) << sink.failure;
    for (int n = 0; n < 5; ++n) ASSERT_TRUE(sink.present(testFrame(n))) << sink.failure;
    ASSERT_TRUE(finishCapture(sink, "")) << sink.failure;
    EXPECT_EQ(sink.framesWritten, 5);

    std::string raw = run("ffmpeg -v error -i '" + o.path + "' -f rawvideo -pix_fmt bgra -");
    const size_t frameBytes = 640 * 480 * 4;
    ASSERT_EQ(raw.size(), 5 * frameBytes);
    int wrong = 0;
    for (int n = 0; n < 5; ++n) {
        Bitmap want = testFrame(n);
        const uint32_t* got = reinterpret_cast<const uint32_t*>(raw.data() + n * frameBytes);
        for (int y = 0; y < 480; ++y) {
            for (int x = 0; x < 640; ++x) {
                if ((got[y * 640 + x] & 0xFFFFFF) !=
                    (want.pixels[(y / 2) * 320 + x / 2] & 0xFFFFFF))
                    ++wrong;
            }
        }
    }
    EXPECT_EQ(wrong, 0);
}

TEST_F(Capture, H264VideoHasTheSizeFrameCountDurationAndColourTags) {
    CaptureOptions o;
    o.path = file("clip.mp4");
    o.fps = 6;
    CaptureSink sink;
    ASSERT_TRUE(openCapture(sink, o, false)) << sink.failure;
    for (int n = 0; n < 12; ++n) ASSERT_TRUE(sink.present(testFrame(n))) << sink.failure;
    ASSERT_TRUE(finishCapture(sink, "")) << sink.failure;

    EXPECT_EQ(probe(o.path, "v:0", "stream=codec_name"), "h264");
    EXPECT_EQ(probe(o.path, "v:0", "stream=width"), "1280");
    EXPECT_EQ(probe(o.path, "v:0", "stream=height"), "960");
    EXPECT_EQ(probe(o.path, "v:0", "stream=pix_fmt"), "yuv420p");
    EXPECT_EQ(probe(o.path, "v:0", "stream=nb_read_frames"), "12");
    EXPECT_NEAR(std::atof(probe(o.path, "v:0", "stream=duration").c_str()), 2.0, 1e-3);
    EXPECT_EQ(probe(o.path, "v:0", "stream=color_space"), "bt709");
    EXPECT_EQ(probe(o.path, "v:0", "stream=color_primaries"), "bt709");
    EXPECT_EQ(probe(o.path, "v:0", "stream=color_transfer"), "bt709");
    EXPECT_EQ(probe(o.path, "a", "stream=codec_name"), ""); // opened without audio

    // Decoded the way a player does (bt709 back to RGB), a flat quadrant keeps its colour:
    // a wrong matrix or range shifts these by far more than the tolerance.
    std::string rgb = run("ffmpeg -v error -i '" + o.path +
                          "' -frames:v 1 -vf scale=in_color_matrix=bt709:in_range=tv "
                          "-f rawvideo -pix_fmt rgb24 -");
    ASSERT_EQ(rgb.size(), 1280u * 960 * 3);
    auto at = [&](int x, int y, int ch) {
        return static_cast<uint8_t>(rgb[(y * 1280 + x) * 3 + ch]);
    };
    EXPECT_NEAR(at(300, 200, 0), 200, 4); // top-left: r 200, g 180, b 0
    EXPECT_NEAR(at(300, 200, 1), 180, 4);
    EXPECT_NEAR(at(300, 200, 2), 0, 4);
    EXPECT_NEAR(at(1000, 800, 0), 30, 4); // bottom-right: r 30, g 20, b 0
    EXPECT_NEAR(at(1000, 800, 1), 20, 4);
}

TEST_F(Capture, SoundtrackIsMuxedAfterTheVideoAndTheTemporaryRemoved) {
    CaptureOptions o;
    o.path = file("with-sound.mp4");
    o.fps = 5;
    std::string wav = file("sound.wav");
    writeSilentishWav(wav, 2);
    CaptureSink sink;
    ASSERT_TRUE(openCapture(sink, o, true)) << sink.failure;
    for (int n = 0; n < 10; ++n) ASSERT_TRUE(sink.present(testFrame(n))) << sink.failure;
    ASSERT_TRUE(finishCapture(sink, wav)) << sink.failure;

    EXPECT_FALSE(fs::exists(sink.videoPath));
    EXPECT_EQ(probe(o.path, "v:0", "stream=nb_read_frames"), "10");
    EXPECT_EQ(probe(o.path, "v:0", "stream=color_space"), "bt709");
    EXPECT_EQ(probe(o.path, "a:0", "stream=codec_name"), "aac");
    EXPECT_NEAR(std::atof(probe(o.path, "a:0", "stream=duration").c_str()), 2.0, 0.05);
    EXPECT_NEAR(std::atof(probe(o.path, "v:0", "stream=duration").c_str()), 2.0, 1e-3);

    // Opened for sound but none came: still a playable silent video under the given name.
    CaptureSink silent;
    o.path = file("silent.mp4");
    ASSERT_TRUE(openCapture(silent, o, true)) << silent.failure;
    for (int n = 0; n < 3; ++n) ASSERT_TRUE(silent.present(testFrame(n))) << silent.failure;
    ASSERT_TRUE(finishCapture(silent, "")) << silent.failure;
    EXPECT_EQ(probe(o.path, "v:0", "stream=nb_read_frames"), "3");
    EXPECT_FALSE(fs::exists(silent.videoPath));
}

TEST_F(Capture, BadOptionsAreRefusedWithAReason) {
    CaptureOptions o;
    o.path = file("x.mp4");
    EXPECT_EQ(checkCaptureOptions(o), "");
    o.scale = 3;
    EXPECT_NE(checkCaptureOptions(o).find("even"), std::string::npos);
    o.scale = 0;
    EXPECT_NE(checkCaptureOptions(o), "");
    o.scale = 18;
    EXPECT_NE(checkCaptureOptions(o), "");
    o.scale = 4;
    o.fps = 0;
    EXPECT_NE(checkCaptureOptions(o).find("--fps"), std::string::npos);
    o.fps = 30;
    o.path = file("x.avi");
    EXPECT_NE(checkCaptureOptions(o).find(".mp4"), std::string::npos);
    o.path = ".mp4";
    EXPECT_NE(checkCaptureOptions(o), "");

    CaptureSink sink;
    o.path = file("odd.mp4");
    o.scale = 5;
    EXPECT_FALSE(openCapture(sink, o, false));
    EXPECT_FALSE(sink.failure.empty());
    EXPECT_FALSE(sink.present(testFrame(0))); // never opened: refuses, does not crash
}

TEST_F(Capture, MissingFfmpegAndAFailingFfmpegAreReportedNotHidden) {
    CaptureOptions o;
    o.path = file("none.mp4");
    {
        // ffmpeg not on PATH.
        std::string saved = std::getenv("PATH") ? std::getenv("PATH") : "";
        setenv("PATH", dir.c_str(), 1);
        CaptureSink sink;
        bool opened = openCapture(sink, o, false);
        setenv("PATH", saved.c_str(), 1);
        EXPECT_FALSE(opened);
        EXPECT_NE(sink.failure.find("ffmpeg"), std::string::npos) << sink.failure;
        EXPECT_NE(sink.failure.find("not found"), std::string::npos) << sink.failure;
    }
    {
        // ffmpeg starts but cannot write its output: the frames stop going in, and the exit
        // status is reported, never success.
        o.path = file("no-such-dir/out.mp4");
        CaptureSink sink;
        ASSERT_TRUE(openCapture(sink, o, false)) << sink.failure;
        bool allWritten = true;
        for (int n = 0; n < 50 && allWritten; ++n) allWritten = sink.present(testFrame(n % 8));
        if (!allWritten) {
            EXPECT_NE(sink.failure.find("ffmpeg stopped"), std::string::npos);
        }
        EXPECT_FALSE(finishCapture(sink, ""));
        EXPECT_NE(sink.failure.find("exit status"), std::string::npos) << sink.failure;
    }
    {
        // A frame of the wrong size is refused without writing a partial frame.
        o.path = file("size.mp4");
        CaptureSink sink;
        ASSERT_TRUE(openCapture(sink, o, false)) << sink.failure;
        EXPECT_FALSE(sink.present(createBitmap(160, 120)));
        EXPECT_EQ(sink.framesWritten, 0);
        abandonCapture(sink);
    }
}

} // namespace
} // namespace tw
