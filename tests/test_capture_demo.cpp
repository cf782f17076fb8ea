// The whole program's --capture: a short range of the presentation as a video, checked with
// ffprobe, against the program's own --frames output, and for repeatability.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "host/music_xmp.h"
#include "host/offline.h"
#include "tests/support/shell.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

using Output = test::ShellResult;
using test::probe;

// The per-frame checksums of the decoded video, without the header lines.
std::string frameSums(const std::string& file) {
    return test::shell("ffmpeg -v error -i '" + file + "' -map 0:v -f framemd5 - | grep -v '^#'")
        .out;
}

struct DemoCapture : ::testing::Test {
    void SetUp() override { fs::create_directories(dir); }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const char* name) const { return (dir / name).string(); }
    // tarnwick with the build's data set; standard error goes to `log` in the temp folder.
    Output tarnwick(const std::string& args, const char* env = "") const {
        return test::shell(std::string(env) + " '" + TW_BINARY_DIR + "/tarnwick' --data '" +
                           TW_BINARY_DIR + "' " + args + " 2>'" + (dir / "log").string() + "'");
    }
    std::string log() const { return test::shell("cat '" + (dir / "log").string() + "'").out; }
    const fs::path dir =
        fs::temp_directory_path() / ("tw-capture-demo-" + std::to_string(getpid()));
};

const char* kRange = " --from 172.5 --to 174 --fps 10";
const int64_t kFrames =
    expectedFrames(OfflineRange{.fps = 10, .from = 172.5, .to = 174, .progress = true});

TEST_F(DemoCapture, ShortRangeHasTheFramesSizeAndDurationAndRepeatsExactly) {
    const int64_t frames = kFrames;

    std::string a = file("a.mp4"), b = file("b.mp4");
    ASSERT_EQ(tarnwick("--capture '" + a + "'" + kRange).status, 0) << log();
    EXPECT_NE(log().find("wrote " + std::to_string(frames) + " frames"), std::string::npos)
        << log();
    ASSERT_EQ(tarnwick("--capture '" + b + "'" + kRange).status, 0) << log();

    EXPECT_EQ(probe(a, "v:0", "stream=width"), "1280");
    EXPECT_EQ(probe(a, "v:0", "stream=height"), "960");
    EXPECT_EQ(probe(a, "v:0", "stream=nb_read_frames"), std::to_string(frames));
    EXPECT_NEAR(std::atof(probe(a, "v:0", "stream=duration").c_str()),
                static_cast<double>(frames) / 10, 1e-3);
    EXPECT_EQ(probe(a, "0", "stream=codec_type"), "video"); // picture first, then sound
    EXPECT_EQ(probe(a, "a:0", "stream=codec_name"), "aac");
    EXPECT_NEAR(std::atof(probe(a, "a:0", "stream=duration").c_str()),
                static_cast<double>(frames) / 10, 0.03);

    std::string sa = frameSums(a), sb = frameSums(b);
    EXPECT_EQ(std::count(sa.begin(), sa.end(), '\n'), frames);
    EXPECT_EQ(sa, sb);
}

TEST_F(DemoCapture, LosslessCaptureHoldsExactlyTheFramesModeFramesAndTheirMusic) {
    std::string mkv = file("master.mkv");
    ASSERT_EQ(tarnwick("--capture '" + mkv + "' --scale 2" + kRange).status, 0) << log();
    fs::path pngs = dir / "png";
    ASSERT_EQ(tarnwick("--frames '" + pngs.string() + "'" + kRange).status, 0) << log();

    // Every second pixel of every second row of the 640x480 capture is the source pixel.
    std::string video =
        test::shell("ffmpeg -v error -i '" + mkv +
                    "' -vf scale=iw/2:ih/2:flags=neighbor -f rawvideo -pix_fmt rgb24 -")
            .out;
    std::string png = test::shell("ffmpeg -v error -pattern_type glob -i '" + pngs.string() +
                                  "/*.png' -f rawvideo -pix_fmt rgb24 -")
                          .out;
    ASSERT_FALSE(png.empty());
    EXPECT_EQ(video.size(), png.size());
    EXPECT_TRUE(video == png) << "the capture differs from the --frames output";

    // The sound is exactly the music's own rendering of the captured frames' time: from the
    // first written frame (frame k shows time k/fps) for as long as the video lasts.
    const int64_t frames = kFrames;
    const int64_t first = 1725; // 172.5 s at 10 fps
    OfflineMusic music;
    ASSERT_TRUE(music.load(std::string(TW_BINARY_DIR) + "/data/vekt51.xm", true));
    music.play();
    std::string wav = file("reference.wav");
    ASSERT_TRUE(music.writeWav(wav, first / 10.0, (first + frames) / 10.0));
    std::string want = test::shell("ffmpeg -v error -i '" + wav + "' -f s16le -").out;
    std::string got = test::shell("ffmpeg -v error -i '" + mkv + "' -map 0:a -f s16le -").out;
    ASSERT_EQ(want.size(), static_cast<size_t>(frames) * 4800 * 4);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << "the captured sound is not the music of the captured frames";
}

TEST_F(DemoCapture, UnusableRequestsFailWithAReasonAndAnErrorStatus) {
    const std::string x = file("x.mp4"), noPath = "PATH='" + dir.string() + "'";
    struct Case {
        std::string args, env;
        int status;
        const char* says;
    } cases[] = {
        {"--capture '" + x + "' --scale 3", "", 2, "even"},
        {"--capture '" + file("x.avi") + "'", "", 2, ".mp4"},
        {"--capture '" + x + "'", noPath, 1, "ffmpeg: not found on PATH"}, // nothing rendered
        // ffmpeg cannot write the file: the run fails, it is not reported as written.
        {"--capture '" + file("no/such/dir/x.mp4") + "'", "", 1, "ffmpeg"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tarnwick(c.args + kRange, c.env.c_str()).status, c.status) << c.args;
        EXPECT_NE(log().find(c.says), std::string::npos) << log();
        EXPECT_EQ(log().find("wrote"), std::string::npos) << log();
    }
}

} // namespace
} // namespace tw
