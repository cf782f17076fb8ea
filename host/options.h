// Command-line options of the tarnwick program.
#pragma once

#include <string>

#include "scenes/timeline.h"

namespace tw {

enum class RunMode {
    Play,
    Frames,
    Stills,
    Capture,
    Soundtrack,
    Help,
    Version,
    ListSyncs,
    ListScenes
};

struct Options {
    RunMode mode = RunMode::Play;
    std::string dataDir;        // --data DIR: folder holding data/; empty: search (data_search.h)
    std::string framesDir;      // --frames DIR
    std::string stillsFile;     // --stills FILE.png
    std::string capturePath;    // --capture FILE
    std::string soundtrackFile; // --soundtrack FILE.wav
    int fps = 30;               // --frames default; --capture without --fps uses 60
    bool fpsGiven = false;
    bool windowed = false; // --window: a window instead of full screen
    int scale = 0;         // --scale N; 0: the mode's default (3 for --window, 4 for --capture)
    bool vsync = true;     // --no-vsync clears it
    double from = 0;
    double to = demoLengthSeconds();
    bool noSound = false; // --no-sound: the music runs silently, its syncs still arrive
    bool fromGiven = false;
    bool toGiven = false;
    std::string scene; // --scene N|NAME as given; parsing turns it into `from` (and `to`)
    bool sceneGiven = false;
    bool loop = false;    // --loop: live play starts again after the end card
    bool verbose = false; // --verbose: readers' routine traces on standard error
};

// Parses argv; on a usage error returns false with a one-line reason in `error`.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);
std::string helpText();

} // namespace tw
