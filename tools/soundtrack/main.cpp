// soundtrack-wav: renders a module with the presentation's offline player (the lockstep path a
// capture uses) into a 48000 Hz stereo WAV, for measuring the soundtrack on its own.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "host/music_xmp.h"

int main(int argc, char** argv) {
    if (argc < 3 || argc > 4) {
        std::fprintf(stderr, "usage: soundtrack-wav MODULE.xm OUT.wav [SECONDS]\n"
                             "renders the first SECONDS (default 177) as a capture would\n");
        return 2;
    }
    double seconds = 177.0;
    if (argc == 4) {
        char* end = nullptr;
        seconds = std::strtod(argv[3], &end);
        if (end == argv[3] || *end != '\0' || !(seconds > 0 && seconds <= 3600)) {
            std::fprintf(stderr, "soundtrack-wav: SECONDS must be a number in (0, 3600]\n");
            return 2;
        }
    }
    tw::OfflineMusic music;
    if (!music.load(argv[1], true)) return 1; // load has said why
    music.play();
    music.advanceTo(seconds);
    bool ok = music.writeWav(argv[2], 0.0, seconds);
    music.free();
    return ok ? 0 : 1;
}
