// The whole program's --capture: a short range of the presentation as a video, checked with
// ffprobe, against the program's own --frames output, and for repeatability.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>
#include <vector>

#include "host/music_offline.h"
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
        // A folder that cannot take the file is refused before anything is rendered.
        {"--capture '" + file("no/such/dir/x.mp4") + "'", "", 1, "cannot write to"},
        {"--stills '" + file("no/such/dir/x.png") + "'", "", 1, "cannot write to"},
        {"--frames '" + file("log") + "'", "", 1, "cannot create"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(tarnwick(c.args + kRange, c.env.c_str()).status, c.status) << c.args;
        EXPECT_NE(log().find(c.says), std::string::npos) << log();
        EXPECT_EQ(log().find("wrote"), std::string::npos) << log();
    }
}

// The names in the test folder other than the log and the fake programs' folder.
std::string listing(const fs::path& dir) {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string n = e.path().filename().string();
        if (n != "log" && n != "bin") names.push_back(n);
    }
    std::sort(names.begin(), names.end());
    std::string out;
    for (const std::string& n : names) out += n + " ";
    return out;
}

TEST_F(DemoCapture, FailedWritesKeepEarlierFilesAndLeaveNothingUnfinished) {
    // A fake ffmpeg ahead of the real one on PATH (ffprobe stays the real one).
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    const std::string fakePath = "PATH='" + bin.string() + "':\"$PATH\" ";
    const std::string frames = "--frames '" + dir.string() + "'",
                      capture = "--capture '" + file("old.mp4") + "'";
    struct Case {
        std::string args, env;
        const char* fake; // the fake ffmpeg's script, or none
        const char* says;
        const char* kept; // the folder afterwards: the earlier files and nothing else
    } cases[] = {
        // The file-size limit makes every write past 8 to 16 KiB fail as a full disk does:
        // the first frame (a dark one) fits, the next does not; the soundtrack never fits.
        {frames, "ulimit -f 16;", nullptr, "frame_01725.png: File too large",
         "frame_01724.png frame_01725.png old.mp4 "},
        {capture, "ulimit -f 16;", nullptr, "sound.wav: File too large",
         "frame_01725.png old.mp4 "},
        {capture, fakePath, "head -c 100000 >/dev/null; echo the encoder caught fire >&2; exit 3",
         "ffmpeg failed (exit status 3); its last messages:\n    the encoder caught fire",
         "frame_01725.png old.mp4 "},
        {capture, fakePath, "head -c 100 >/dev/null; kill -KILL $$", "killed by signal 9",
         "frame_01725.png old.mp4 "},
        {capture, fakePath, "cat >/dev/null", "ffmpeg ended without an error but left no video",
         "frame_01725.png old.mp4 "},
    };
    for (const Case& c : cases) {
        test::shell("cd '" + dir.string() + "' && rm -f *.png *.mp4* && echo old >old.mp4 && " +
                    "echo old >frame_01725.png");
        if (c.fake)
            test::shell("printf '#!/bin/sh\\n%s\\n' '" + std::string(c.fake) + "' >'" +
                        (bin / "ffmpeg").string() + "' && chmod +x '" + (bin / "ffmpeg").string() +
                        "'");
        EXPECT_EQ(tarnwick(c.args + kRange, c.env.c_str()).status, 1) << c.args;
        EXPECT_NE(log().find(c.says), std::string::npos) << log();
        EXPECT_EQ(log().find("wrote"), std::string::npos) << log();
        EXPECT_EQ(listing(dir), c.kept) << c.args;
        EXPECT_EQ(
            test::shell("cat '" + file("old.mp4") + "' '" + file("frame_01725.png") + "'").out,
            "old\nold\n");
    }
}

TEST_F(DemoCapture, AnInterruptedCaptureRemovesItsTemporariesAndKeepsTheEarlierFile) {
    test::shell("echo old >'" + file("old.mp4") + "'");
    for (const char* sig : {"INT", "TERM"}) {
        // Interrupted once the encoder has begun its file.
        std::string script =
            "'" + std::string(TW_BINARY_DIR) + "/tarnwick' --data '" + TW_BINARY_DIR +
            "' --capture '" + file("old.mp4") + "' --fps 30 --from 100 --to 110 2>'" + file("log") +
            "' >/dev/null & p=$!; i=0; while [ $i -lt 600 ] && ! ls '" + dir.string() +
            "' | grep -q video.mkv; do sleep 0.1; i=$((i+1)); done; kill -" + sig +
            " $p; wait $p; echo $?";
        EXPECT_EQ(test::shell(script).out, std::string(sig) == "INT" ? "130\n" : "143\n");
        EXPECT_NE(log().find("removed the unfinished output"), std::string::npos) << log();
        EXPECT_EQ(listing(dir), "old.mp4 ");
        EXPECT_EQ(test::shell("cat '" + file("old.mp4") + "'").out, "old\n");
    }
}

} // namespace
} // namespace tw
