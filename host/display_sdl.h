// The SDL2 display: the presentation full screen (desktop mode, whole-factor scaling,
// letterboxed) or in a window, and the quit request from Escape or closing the window.
#pragma once

#include <string>

#include "host/platform.h"

struct SDL_Window;
struct SDL_Renderer;
struct SDL_Texture;
union SDL_Event;

namespace tw {

struct DisplayOptions {
    bool windowed = false; // false: full screen in the desktop's own mode
    int scale = 3;         // windowed only: the window is width*scale by height*scale
    bool vsync = true;     // wait for the vertical blank on present (smoothness only)
};

struct SdlDisplay final : FrameSink {
    SdlDisplay() = default;
    SdlDisplay(const SdlDisplay&) = delete;
    SdlDisplay& operator=(const SdlDisplay&) = delete;
    ~SdlDisplay() override;
    // Takes every pending event, so a burst of mouse motion never holds back a quit. True
    // when any of them was Escape pressed (not a key repeat), the window's close button or a
    // quit request from the system.
    bool pollQuit() override;
    // Shows one frame of `width` x `height` pixels. A frame the renderer refuses is dropped
    // and the next present tries again, so this only returns false for a frame of the wrong
    // size or a display that is not open.
    bool present(const Bitmap& frame) override;

    int width = 0;
    int height = 0;
    DisplayOptions options;
    SDL_Window* window = nullptr;
    SDL_Renderer* renderer = nullptr;
    SDL_Texture* texture = nullptr;
    bool videoStarted = false;
    bool reportedPresentFailure = false;
    // Where events come from: SDL's queue, or a test's own source.
    int (*pollEvent)(SDL_Event* event) = nullptr;
    // Why the last openDisplay failed, as one line without a trailing newline.
    std::string error;
};

// Opens the window and the presentation path. On failure it tears down what it made, fills
// display.error with the cause (SDL's own words included) and returns false; it prints nothing.
bool openDisplay(SdlDisplay& display, const char* title, int width, int height,
                 const DisplayOptions& options);

// Tears down what openDisplay made; safe to call twice or after a failed open.
void closeDisplay(SdlDisplay& display);

} // namespace tw
