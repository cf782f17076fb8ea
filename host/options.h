// Command-line options of the tarnwick program.
#pragma once

#include <string>

namespace tw {

enum class RunMode { Play, Frames, Stills, Help, Version, ListSyncs };

struct Options {
    RunMode mode = RunMode::Play;
    std::string dataDir;    // folder holding data/; empty: working directory, then executable's
    std::string framesDir;  // --frames DIR
    std::string stillsFile; // --stills FILE.png
    int fps = 30;
    double from = 0;
    double to = 177.0;
    bool fromGiven = false;
    bool toGiven = false;
};

// Parses argv; on a usage error returns false with a one-line reason in `error`.
bool parseOptions(int argc, char** argv, Options& options, std::string& error);
std::string helpText();

} // namespace tw
