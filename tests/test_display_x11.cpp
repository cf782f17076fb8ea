// The presentation in a real X window (a virtual X server from xvfb-run): the window's title,
// size and centring, a screenshot that is not blank, and Escape ending the run cleanly.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <set>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Distinct colours and the count of pixels brighter than near-black in packed RGB24 data.
struct PictureStats {
    size_t colours = 0;
    size_t lit = 0;
    size_t pixels = 0;
};

PictureStats stats(const std::string& rgb) {
    PictureStats p;
    std::set<uint32_t> colours;
    for (size_t i = 0; i + 2 < rgb.size(); i += 3) {
        auto r = static_cast<uint8_t>(rgb[i]), g = static_cast<uint8_t>(rgb[i + 1]),
             b = static_cast<uint8_t>(rgb[i + 2]);
        colours.insert((r << 16) | (g << 8) | b);
        if (r + g + b > 24) ++p.lit;
        ++p.pixels;
    }
    p.colours = colours.size();
    return p;
}

// A picture rather than one flat colour (a black or never-drawn window).
bool isPicture(const PictureStats& p) {
    return p.colours >= 16 && p.lit > p.pixels / 50;
}

bool onPath(const char* tool) {
    return std::system((std::string("command -v ") + tool + " >/dev/null 2>&1").c_str()) == 0;
}

TEST(RealWindow, PlaysInATitledCentredWindowShowsAPictureAndQuitsOnEscape) {
    for (const char* tool : {"xvfb-run", "xwininfo", "xprop", "xwd", "ffmpeg"}) {
        if (!onPath(tool)) GTEST_SKIP() << tool << " is not installed (scripts/bootstrap adds it)";
    }
    const fs::path out = fs::path(TW_BINARY_DIR) / "test-output" / "window";
    fs::remove_all(out);
    // A 1280x1024 screen; the window is 320x240 at the default scale 3.
    std::string command = std::string("timeout 120 xvfb-run -a -s '-screen 0 1280x1024x24' sh '") +
                          TW_SOURCE_DIR + "/tests/scripts/window_check.sh' '" + TW_BINARY_DIR +
                          "/tarnwick' '" + TW_BINARY_DIR + "' '" + out.string() + "' 2";
    ASSERT_EQ(std::system(command.c_str()), 0) << slurp(out / "tarnwick.log");

    std::string props = slurp(out / "xprop.txt");
    EXPECT_NE(props.find("WM_NAME(STRING) = \"tarnwick\""), std::string::npos) << props;
    std::string info = slurp(out / "xwininfo.txt");
    EXPECT_NE(info.find("Width: 960"), std::string::npos) << info;
    EXPECT_NE(info.find("Height: 720"), std::string::npos) << info;
    EXPECT_NE(info.find("-geometry 960x720+160+152"), std::string::npos) << info; // centred
    // Still playing when the screenshot was taken (not crashed, not ended early).
    EXPECT_EQ(slurp(out / "state.txt"), "running\n");

    // The screenshot shows a picture whenever the renderer draws one at that moment: the
    // offline renderer's frames around the same time say what to expect (while the opening
    // scene draws nothing yet, a black window is the right answer).
    PictureStats shot = stats(slurp(out / "window.rgb"));
    ASSERT_EQ(shot.pixels, 960u * 720);
    const fs::path frames = out / "offline";
    std::string render =
        std::string("'") + TW_BINARY_DIR + "/tarnwick' --data '" + TW_BINARY_DIR + "' --frames '" +
        frames.string() +
        "' --fps 4 --from 1.5 --to 2.5 2>/dev/null && ffmpeg -v error -y -pattern_type glob -i '" +
        frames.string() + "/*.png' -f rawvideo -pix_fmt rgb24 '" + frames.string() + "/all.rgb'";
    ASSERT_EQ(std::system(render.c_str()), 0);
    PictureStats offline = stats(slurp(frames / "all.rgb"));
    ASSERT_GT(offline.pixels, 0u);
    if (isPicture(offline)) {
        EXPECT_TRUE(isPicture(shot)) << shot.colours << " colours, " << shot.lit
                                     << " lit pixels; see " << (out / "window.png");
    } else {
        std::printf("note: the opening scene draws nothing yet; the window is expected black\n");
        EXPECT_LE(shot.colours, 2u) << "see " << (out / "window.png");
    }

    // Escape (pressed through XTEST when xdotool is there) ends the run with status 0.
    if (onPath("xdotool")) {
        EXPECT_EQ(slurp(out / "quit.txt"), "escape\n");
    }
    EXPECT_EQ(slurp(out / "exit.txt"), "0\n") << slurp(out / "tarnwick.log");
}

} // namespace
