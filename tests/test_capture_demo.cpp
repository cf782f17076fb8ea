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

Output run(const std::string& command) {
    return test::shell(command);
}

// The per-frame checksums of the decoded video, without the header lines.
std::string frameSums(const std::string& file) {
    std::string all = run("ffmpeg -v error -i '" + file + "' -map 0:v -f framemd5 -").out;
    std::string sums;
    size_t at = 0;
    while (at < all.size()) {
        size_t end = all.find('\n', at);
        if (end == std::string::npos) end = all.size();
        if (all[at] != '#') sums += all.substr(at, end - at) + "\n";
        at = end + 1;
    }
    return sums;
}

struct DemoCapture : ::testing::Test {
    void SetUp() override {
        dir = fs::temp_directory_path() / ("tw-capture-demo-" + std::to_string(getpid()));
        fs::create_directories(dir);
    }
    void TearDown() override { fs::remove_all(dir); }
    std::string file(const char* name) const { return (dir / name).string(); }
    // tarnwick with the build's data set; standard error goes to `log` in the temp folder.
    Output tarnwick(const std::string& args, const char* env = "") const {
        return run(std::string(env) + " '" + TW_BINARY_DIR + "/tarnwick' --data '" + TW_BINARY_DIR +
                   "' " + args + " 2>'" + (dir / "log").string() + "'");
    }
    std::string log() const { return run("cat '" + (dir / "log").string() + "'").out; }
    fs::path dir;
};

const char* kRange = " --from 172.5 --to 174 --fps 10";

TEST_F(DemoCapture, ShortRangeHasTheFramesSizeAndDurationAndRepeatsExactly) {
    OfflineRange range;
    range.fps = 10;
    range.from = 172.5;
    range.to = 174;
    const int64_t frames = expectedFrames(range);
    ASSERT_GT(frames, 10);

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
    std::string video = run("ffmpeg -v error -i '" + mkv +
                            "' -vf scale=iw/2:ih/2:flags=neighbor -f rawvideo -pix_fmt rgb24 -")
                            .out;
    std::string png = run("ffmpeg -v error -pattern_type glob -i '" + pngs.string() +
                          "/*.png' -f rawvideo -pix_fmt rgb24 -")
                          .out;
    ASSERT_FALSE(png.empty());
    EXPECT_EQ(video.size(), png.size());
    EXPECT_TRUE(video == png) << "the capture differs from the --frames output";

    // The sound is exactly the music's own rendering of the captured frames' time: from the
    // first written frame (frame k shows time k/fps) for as long as the video lasts.
    OfflineRange range;
    range.fps = 10;
    range.from = 172.5;
    range.to = 174;
    const int64_t frames = expectedFrames(range);
    const int64_t first = 1725; // 172.5 s at 10 fps
    OfflineMusic music;
    ASSERT_TRUE(music.load(std::string(TW_BINARY_DIR) + "/data/vekt51.xm", true));
    music.play();
    std::string wav = file("reference.wav");
    ASSERT_TRUE(music.writeWav(wav, first / 10.0, (first + frames) / 10.0));
    std::string want = run("ffmpeg -v error -i '" + wav + "' -f s16le -").out;
    std::string got = run("ffmpeg -v error -i '" + mkv + "' -map 0:a -f s16le -").out;
    ASSERT_EQ(want.size(), static_cast<size_t>(frames) * 4800 * 4);
    EXPECT_EQ(got.size(), want.size());
    EXPECT_TRUE(got == want) << "the captured sound is not the music of the captured frames";
}

TEST_F(DemoCapture, UnusableRequestsFailWithAReasonAndAnErrorStatus) {
    Output odd = tarnwick("--capture '" + file("x.mp4") + "' --scale 3" + kRange);
    EXPECT_EQ(odd.status, 2);
    EXPECT_NE(log().find("even"), std::string::npos) << log();

    Output avi = tarnwick("--capture '" + file("x.avi") + "'" + kRange);
    EXPECT_EQ(avi.status, 2);
    EXPECT_NE(log().find(".mp4"), std::string::npos) << log();

    // No ffmpeg on PATH: said plainly, nothing rendered.
    std::string noPath = "PATH='" + dir.string() + "'";
    Output missing = tarnwick("--capture '" + file("x.mp4") + "'" + kRange, noPath.c_str());
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(log().find("ffmpeg: not found on PATH"), std::string::npos) << log();

    // ffmpeg cannot write the file: the run fails, it is not reported as written.
    Output unwritable = tarnwick("--capture '" + file("no/such/dir/x.mp4") + "'" + kRange);
    EXPECT_EQ(unwritable.status, 1);
    EXPECT_EQ(log().find("wrote"), std::string::npos) << log();
    EXPECT_NE(log().find("ffmpeg"), std::string::npos) << log();
}

} // namespace
} // namespace tw
