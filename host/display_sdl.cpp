// The SDL2 display and its quit events.
#include "host/display_sdl.h"

#include <SDL.h>
#include <cstdio>

#include "base/report.h"

namespace tw {

namespace {

bool fail(SdlDisplay& d, const char* what) {
    d.error = format("%s: %s", what, SDL_GetError());
    closeDisplay(d);
    return false;
}

SDL_Texture* createFrameTexture(SdlDisplay& d) {
    SDL_Texture* t = SDL_CreateTexture(d.renderer, SDL_PIXELFORMAT_ARGB8888,
                                       SDL_TEXTUREACCESS_STREAMING, d.width, d.height);
    // The frame's alpha byte is not coverage (scenes often leave it 0): the frame replaces
    // what is under it, whatever blending a renderer would pick for an alpha format.
    if (t != nullptr) SDL_SetTextureBlendMode(t, SDL_BLENDMODE_NONE);
    return t;
}

} // namespace

bool openDisplay(SdlDisplay& d, const char* title, int width, int height,
                 const DisplayOptions& options) {
    closeDisplay(d);
    d.width = width;
    d.height = height;
    d.options = options;
    d.error.clear();
    d.reportedPresentFailure = false;
    if (width <= 0 || height <= 0 || (options.windowed && options.scale < 1)) {
        d.error = "invalid display size";
        return false;
    }

    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) return fail(d, "cannot start SDL video");
    d.videoStarted = true;
    // Without an X or Wayland session SDL quietly falls back to its offscreen driver, which
    // shows nothing: that is a failed open unless somebody asked for it by name.
    const char* driver = SDL_GetCurrentVideoDriver();
    const char* requested = SDL_getenv("SDL_VIDEODRIVER");
    if (driver && (SDL_strcmp(driver, "offscreen") == 0 || SDL_strcmp(driver, "dummy") == 0) &&
        !(requested && SDL_strcasecmp(requested, driver) == 0)) {
        d.error = format("no X or Wayland session (SDL found only its %s driver)", driver);
        closeDisplay(d);
        return false;
    }
    // Must be set before the texture exists: whole-pixel blocks, no smoothing.
    SDL_SetHint(SDL_HINT_RENDER_SCALE_QUALITY, "nearest");

    if (options.windowed) {
        d.window = SDL_CreateWindow(title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                    width * options.scale, height * options.scale, 0);
    } else {
        // The desktop's own mode: a real switch to 320x240 rarely exists any more.
        d.window = SDL_CreateWindow(title, SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, width,
                                    height, SDL_WINDOW_FULLSCREEN_DESKTOP);
    }
    if (d.window == nullptr) return fail(d, "cannot create the window");

    Uint32 flags = options.vsync ? SDL_RENDERER_PRESENTVSYNC : 0;
    d.renderer = SDL_CreateRenderer(d.window, -1, flags);
    if (d.renderer == nullptr && flags != 0) {
        // Vsync only smooths the picture (timing comes from the clock): go on without it.
        d.renderer = SDL_CreateRenderer(d.window, -1, 0);
    }
    if (d.renderer == nullptr) return fail(d, "cannot create a renderer");

    // Whole-factor scaling with black bars, sized from the renderer's output (HiDPI-safe).
    if (SDL_RenderSetLogicalSize(d.renderer, width, height) != 0 ||
        SDL_RenderSetIntegerScale(d.renderer, SDL_TRUE) != 0) {
        return fail(d, "cannot set up scaling");
    }
    d.texture = createFrameTexture(d);
    if (d.texture == nullptr) return fail(d, "cannot create the frame texture");

    if (!options.windowed) SDL_ShowCursor(SDL_DISABLE);
    return true;
}

void closeDisplay(SdlDisplay& d) {
    if (d.texture != nullptr) SDL_DestroyTexture(d.texture);
    if (d.renderer != nullptr) SDL_DestroyRenderer(d.renderer);
    if (d.window != nullptr) SDL_DestroyWindow(d.window);
    d.texture = nullptr;
    d.renderer = nullptr;
    d.window = nullptr;
    if (d.videoStarted) {
        SDL_ShowCursor(SDL_ENABLE);
        // Only the video subsystem: the audio subsystem belongs to the music.
        SDL_QuitSubSystem(SDL_INIT_VIDEO);
        d.videoStarted = false;
    }
}

SdlDisplay::~SdlDisplay() {
    closeDisplay(*this);
}

bool SdlDisplay::pollQuit() {
    int (*poll)(SDL_Event*) = pollEvent != nullptr ? pollEvent : SDL_PollEvent;
    bool quit = false;
    SDL_Event e;
    while (poll(&e) != 0) {
        switch (e.type) {
        case SDL_QUIT:
            quit = true;
            break;
        case SDL_WINDOWEVENT:
            quit = quit || e.window.event == SDL_WINDOWEVENT_CLOSE;
            break;
        case SDL_KEYDOWN:
            quit = quit || (e.key.keysym.sym == SDLK_ESCAPE && e.key.repeat == 0);
            break;
        case SDL_RENDER_DEVICE_RESET:
            // The renderer lost its textures; the next present uploads into a fresh one.
            if (texture != nullptr) SDL_DestroyTexture(texture);
            texture = renderer != nullptr ? createFrameTexture(*this) : nullptr;
            break;
        default:
            break;
        }
    }
    return quit;
}

bool SdlDisplay::present(const Bitmap& frame) {
    if (renderer == nullptr || frame.width != width || frame.height != height ||
        !frame.holds(static_cast<int64_t>(width) * height)) {
        return false;
    }
    if (texture == nullptr) texture = createFrameTexture(*this);
    bool ok =
        texture != nullptr && SDL_UpdateTexture(texture, nullptr, frame.pixels, width * 4) == 0 &&
        SDL_SetRenderDrawColor(renderer, 0, 0, 0, 255) == 0 && SDL_RenderClear(renderer) == 0 &&
        SDL_RenderCopy(renderer, texture, nullptr, nullptr) == 0;
    if (!ok) {
        // Dropped frame: say so once, keep running, try again next frame.
        if (!reportedPresentFailure) {
            std::fprintf(stderr, "tarnwick: a frame could not be shown: %s\n", SDL_GetError());
            reportedPresentFailure = true;
        }
        return true;
    }
    SDL_RenderPresent(renderer);
    return true;
}

} // namespace tw
