// The SDL display under SDL's headless "dummy" video driver: opening, scaling, presenting,
// the quit events, and a failed open.
#include <gtest/gtest.h>

#include <SDL.h>
#include <algorithm>
#include <cstdlib>
#include <deque>
#include <fstream>
#include <iterator>
#include <vector>

#include "host/display_sdl.h"
#include "image/bitmap.h"
#include "tests/support/shell.h"

namespace tw {
namespace {

struct DummyVideo : ::testing::Test {
    void SetUp() override { setenv("SDL_VIDEODRIVER", "dummy", 1); }
    void TearDown() override { closeDisplay(display); }
    SdlDisplay display;
};

// A fake event source: whatever a test queued, one event per poll.
std::deque<SDL_Event> gFakeQueue;
int fakePoll(SDL_Event* e) {
    if (gFakeQueue.empty()) return 0;
    *e = gFakeQueue.front(), gFakeQueue.pop_front();
    return 1;
}

SDL_Event event(Uint32 type, SDL_Keycode key = 0, Uint8 repeatOrWindowEvent = 0) {
    SDL_Event e{};
    e.type = type;
    e.key.keysym.sym = key;
    if (type == SDL_KEYDOWN) e.key.repeat = repeatOrWindowEvent;
    if (type == SDL_WINDOWEVENT) e.window.event = repeatOrWindowEvent;
    return e;
}

// A frame whose every pixel differs from its neighbours, with alpha 0 as scenes leave it.
Bitmap patternFrame() {
    Bitmap f = createBitmap(320, 240);
    for (int i = 0; i < 320 * 240; ++i)
        f.pixels[i] = makeColour(i % 320 & 255, i / 320, (i % 320 * 7 + i / 320 * 3) & 255, 0);
    return f;
}

TEST_F(DummyVideo, WindowedOpensAtTheScaleWithTheTitleAndShowsFramesPixelExact) {
    ASSERT_TRUE(openDisplay(display, "tarnwick", 320, 240, {true, 2, true})) << display.error;
    int w = 0, h = 0;
    SDL_GetWindowSize(display.window, &w, &h);
    EXPECT_EQ(w, 640);
    EXPECT_EQ(h, 480);
    EXPECT_STREQ(SDL_GetWindowTitle(display.window), "tarnwick");
    EXPECT_EQ(SDL_GetWindowFlags(display.window) & SDL_WINDOW_FULLSCREEN, 0u);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_ENABLE);

    Bitmap frame = patternFrame();
    ASSERT_TRUE(display.present(frame));

    // Read the whole output back: every source pixel must be a crisp 2x2 block of its own
    // colour (nearest-neighbour; alpha 0 must not make the frame transparent).
    std::vector<uint32_t> out(640 * 480);
    SDL_Rect all{0, 0, 640, 480};
    SDL_RenderSetLogicalSize(display.renderer, 0, 0); // read in output pixels
    ASSERT_EQ(
        SDL_RenderReadPixels(display.renderer, &all, SDL_PIXELFORMAT_ARGB8888, out.data(), 640 * 4),
        0)
        << SDL_GetError();
    int wrong = 0;
    for (int i = 0; i < 640 * 480; ++i) {
        uint32_t want = frame.pixels[(i / 640 / 2) * 320 + (i % 640) / 2];
        if (((out[i] ^ want) & 0x00FFFFFF) != 0) ++wrong;
    }
    EXPECT_EQ(wrong, 0);

    // A frame of another size is refused whole.
    EXPECT_FALSE(display.present(createBitmap(160, 120)));
    EXPECT_FALSE(display.present(Bitmap{}));
}

TEST_F(DummyVideo, FullScreenTakesTheDesktopModeScaledByWholeFactorsWithBarsAndNoCursor) {
    ASSERT_TRUE(openDisplay(display, "tarnwick", 320, 240, {false, 3, true})) << display.error;
    EXPECT_NE(SDL_GetWindowFlags(display.window) & SDL_WINDOW_FULLSCREEN_DESKTOP, 0u);
    EXPECT_EQ(SDL_ShowCursor(SDL_QUERY), SDL_DISABLE);
    ASSERT_TRUE(display.present(patternFrame()));

    int ow = 0, oh = 0;
    SDL_GetRendererOutputSize(display.renderer, &ow, &oh);
    int factor = std::min(ow / 320, oh / 240);
    ASSERT_GE(factor, 1);
    float sx = 0, sy = 0;
    SDL_RenderGetScale(display.renderer, &sx, &sy);
    EXPECT_EQ(sx, static_cast<float>(factor));
    EXPECT_EQ(sy, static_cast<float>(factor));
    // Centred in the output: the bars split evenly (to a pixel).
    SDL_Rect vp{};
    SDL_RenderGetViewport(display.renderer, &vp);
    EXPECT_EQ(vp.w, 320);
    EXPECT_EQ(vp.h, 240);
    EXPECT_NEAR(vp.x * factor, (ow - 320 * factor) / 2, factor);
    EXPECT_NEAR(vp.y * factor, (oh - 240 * factor) / 2, factor);

    closeDisplay(display);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    closeDisplay(display); // twice is harmless
}

// One call takes every pending event: a burst of 500 mouse motions never holds back the quit
// behind it. Escape pressed (not a repeat), the close button and a system quit ask to quit;
// other keys, releases and window events do not.
TEST(DisplayEvents, OneCallTakesEveryPendingEventAndFindsTheQuitsAmongThem) {
    SdlDisplay display;
    display.pollEvent = fakePoll;
    const struct {
        SDL_Event last;
        bool quit;
    } cases[] = {{event(SDL_KEYDOWN, SDLK_ESCAPE), true},
                 {event(SDL_WINDOWEVENT, 0, SDL_WINDOWEVENT_CLOSE), true},
                 {event(SDL_QUIT), true},
                 {event(SDL_KEYDOWN, SDLK_ESCAPE, 1), false},
                 {event(SDL_KEYUP, SDLK_ESCAPE), false},
                 {event(SDL_KEYDOWN, SDLK_SPACE), false},
                 {event(SDL_WINDOWEVENT, 0, SDL_WINDOWEVENT_FOCUS_LOST), false}};
    for (const auto& c : cases) {
        gFakeQueue.assign(500, event(SDL_MOUSEMOTION));
        gFakeQueue.push_back(c.last);
        EXPECT_EQ(display.pollQuit(), c.quit) << c.last.type;
        EXPECT_TRUE(gFakeQueue.empty());
    }
    EXPECT_FALSE(display.pollQuit()); // empty queue
}

TEST_F(DummyVideo, FailedOpenNamesTheCauseAndLeavesNothingOpen) {
    setenv("SDL_VIDEODRIVER", "no_such_driver", 1);
    EXPECT_FALSE(openDisplay(display, "tarnwick", 320, 240, {true, 3, true}));
    EXPECT_NE(display.error.find("no_such_driver"), std::string::npos) << display.error;
    EXPECT_EQ(display.window, nullptr);
    EXPECT_EQ(SDL_WasInit(SDL_INIT_VIDEO), 0u);
    EXPECT_FALSE(display.present(patternFrame()));

    // A later open with a working driver is not hampered by the failure.
    setenv("SDL_VIDEODRIVER", "dummy", 1);
    EXPECT_TRUE(openDisplay(display, "tarnwick", 320, 240, {true, 1, true})) << display.error;
    EXPECT_TRUE(display.error.empty());
}

TEST_F(DummyVideo, NoSessionIsAFailedOpenNotAnInvisibleOne) {
    // With no X or Wayland session SDL falls back to a driver that shows nothing. (Every
    // other test here names its driver, so the session need not be restored.)
    unsetenv("SDL_VIDEODRIVER");
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    EXPECT_FALSE(openDisplay(display, "tarnwick", 320, 240, {false, 1, true}));
    EXPECT_NE(display.error.find("no X or Wayland session"), std::string::npos) << display.error;
    EXPECT_EQ(display.window, nullptr);
}

// The program itself without a usable display: one line naming the cause and the offline
// alternatives, a failure status, and nothing loaded (with --verbose the set-ups would add
// the SIV readers' trace lines).
TEST(DisplayFailure, ProgramSaysWhyOnOneLineExitsNonZeroAndLoadsNothing) {
    const std::string errFile = ::testing::TempDir() + "display_failure.err";
    test::ShellResult run =
        test::shell(std::string("SDL_VIDEODRIVER=no_such_driver '") + TW_BINARY_DIR +
                    "/tarnwick' --verbose --data '" + TW_BINARY_DIR + "' 2>'" + errFile + "'");
    std::ifstream in(errFile);
    std::string err((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
    for (const char* word : {"no_such_driver", "--capture", "--frames"})
        EXPECT_NE(err.find(word), std::string::npos) << err;
    EXPECT_EQ(run.out, "") << "something was loaded before the display failed";
}

} // namespace
} // namespace tw
