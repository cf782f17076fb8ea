// Command-line parsing and the --help text.
#include "host/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "host/scene_lookup.h"
#include "scenes/timeline.h"

namespace tw {

namespace {

bool parseNumber(const char* text, double& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    double v = std::strtod(text, &end);
    if (errno != 0 || *end != '\0' || v != v) return false;
    out = v;
    return true;
}

bool parseInt(const char* text, int& out, int lo, int hi) {
    double v;
    if (!parseNumber(text, v) || v != static_cast<int>(v) || v < lo || v > hi) return false;
    out = static_cast<int>(v);
    return true;
}

// The run's length in whole seconds, as the help and the errors print it.
std::string lengthText() {
    return std::to_string(static_cast<int>(demoLengthSeconds()));
}

std::string sceneCountText() {
    static const char* const words[] = {
        "no",   "one", "two",    "three",  "four",     "five",     "six",     "seven",  "eight",
        "nine", "ten", "eleven", "twelve", "thirteen", "fourteen", "fifteen", "sixteen"};
    return SCENE_COUNT < 17 ? words[SCENE_COUNT] : std::to_string(SCENE_COUNT);
}

} // namespace

std::string helpText() {
    return "usage: tarnwick [options]\n"
           "\n"
           "Plays the presentation: " +
           sceneCountText() + " scenes over " + lengthText() +
           " seconds with their soundtrack.\n"
           "\n"
           "options:\n"
           "  --data DIR      folder that holds data/ (default: TARNWICK_DATA, then the\n"
           "                  working directory, the program's folder, its ../share/tarnwick\n"
           "                  and each XDG_DATA_DIRS entry's tarnwick/)\n"
           "  --frames DIR    render offline, deterministically, and write every frame as\n"
           "                  DIR/frame_NNNNN.png (N counts from the first frame of the run)\n"
           "  --stills FILE   render the whole run offline and write one still per scene,\n"
           "                  tiled four across, as a PNG contact sheet\n"
           "  --capture FILE  render offline, deterministically, into a video with its\n"
           "                  soundtrack: FILE.mp4 (H.264) or FILE.mkv (lossless); needs ffmpeg\n"
           "  --soundtrack FILE  render the soundtrack alone offline, as --capture does,\n"
           "                  into a 48000 Hz stereo WAV (for measuring or mastering it)\n"
           "  --fps N         offline frame rate (default 30 for --frames, 60 for --capture)\n"
           "  --from S        start at second S (default 0); everything before S is still\n"
           "                  drawn, as fast as possible, since scenes carry state from frame\n"
           "                  to frame; live, the music starts at S\n"
           "  --to S          offline: last second to write (default " +
           lengthText() +
           ")\n"
           "  --scene N|NAME  start at the first frame of scene N (1 to " +
           std::to_string(SCENE_COUNT) +
           ") or NAME; offline\n"
           "                  runs also stop at its end unless --to is given\n"
           "  --list-scenes   print each scene's number, name, start, end and still time (s)\n"
           "                  and exit\n"
           "  --loop          live play: start again from the beginning after the end card,\n"
           "                  until Escape or the window is closed (not for offline runs)\n"
           "  --window        play in a window titled \"tarnwick\" instead of full screen\n"
           "  --scale N       --window: window size 320x240 times N (default 3);\n"
           "                  --capture: video size times N, even (default 4: 1280x960)\n"
           "  --no-vsync      do not wait for the screen's refresh when showing a frame\n"
           "  --no-sound      play without sound output; the music still runs in real time\n"
           "                  and its sync commands still drive the picture\n"
           "  --list-syncs    print the music's sync commands (time, value, position) and exit\n"
           "  --verbose       also print the readers' routine traces (sizes of each SIV\n"
           "                  file) on standard error; problems with data files are always\n"
           "                  printed there, each naming its file\n"
           "  --help          show this text\n"
           "  --version       show the version\n";
}

bool parseOptions(int argc, char** argv, Options& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        auto value = [&](const char* name) -> const char* {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return nullptr;
            }
            return argv[++i];
        };
        if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
            o.mode = RunMode::Help;
        } else if (!std::strcmp(a, "--version")) {
            o.mode = RunMode::Version;
        } else if (!std::strcmp(a, "--list-syncs")) {
            o.mode = RunMode::ListSyncs;
        } else if (!std::strcmp(a, "--list-scenes")) {
            o.mode = RunMode::ListScenes;
        } else if (!std::strcmp(a, "--loop")) {
            o.loop = true;
        } else if (!std::strcmp(a, "--scene")) {
            const char* v = value(a);
            if (!v) return false;
            o.scene = v;
            o.sceneGiven = true;
        } else if (!std::strcmp(a, "--data")) {
            const char* v = value(a);
            if (!v) return false;
            o.dataDir = v;
        } else if (!std::strcmp(a, "--frames")) {
            const char* v = value(a);
            if (!v) return false;
            o.framesDir = v;
            if (o.mode == RunMode::Play) o.mode = RunMode::Frames;
        } else if (!std::strcmp(a, "--capture")) {
            const char* v = value(a);
            if (!v) return false;
            o.capturePath = v;
            if (o.mode == RunMode::Play) o.mode = RunMode::Capture;
        } else if (!std::strcmp(a, "--window")) {
            o.windowed = true;
        } else if (!std::strcmp(a, "--no-vsync")) {
            o.vsync = false;
        } else if (!std::strcmp(a, "--scale")) {
            const char* v = value(a);
            if (!v) return false;
            if (!parseInt(v, o.scale, 1, 16)) {
                error = "--scale takes a whole number from 1 to 16";
                return false;
            }
        } else if (!std::strcmp(a, "--stills")) {
            const char* v = value(a);
            if (!v) return false;
            o.stillsFile = v;
            if (o.mode == RunMode::Play) o.mode = RunMode::Stills;
        } else if (!std::strcmp(a, "--soundtrack")) {
            const char* v = value(a);
            if (!v) return false;
            o.soundtrackFile = v;
            if (o.mode == RunMode::Play) o.mode = RunMode::Soundtrack;
        } else if (!std::strcmp(a, "--verbose")) {
            o.verbose = true;
        } else if (!std::strcmp(a, "--no-sound")) {
            o.noSound = true;
        } else if (!std::strcmp(a, "--fps")) {
            const char* v = value(a);
            if (!v) return false;
            if (!parseInt(v, o.fps, 1, 1000)) {
                error = "--fps takes a whole number from 1 to 1000";
                return false;
            }
            o.fpsGiven = true;
        } else if (!std::strcmp(a, "--from") || !std::strcmp(a, "--to")) {
            const char* v = value(a);
            if (!v) return false;
            double s;
            if (!parseNumber(v, s) || s < 0 || s > demoLengthSeconds()) {
                error = std::string(a) + " takes seconds from 0 to " + lengthText();
                return false;
            }
            if (a[2] == 'f') {
                o.from = s;
                o.fromGiven = true;
            } else {
                o.to = s;
                o.toGiven = true;
            }
        } else {
            error = std::string("unknown option ") + a;
            return false;
        }
    }
    bool offline = o.mode == RunMode::Frames || o.mode == RunMode::Stills ||
                   o.mode == RunMode::Capture || o.mode == RunMode::Soundtrack;
    if (o.sceneGiven) {
        if (o.fromGiven) {
            error = "choose one of --from and --scene";
            return false;
        }
        int id = 0;
        double start = 0, end = 0;
        if (!lookupScene(o.scene, id, start, end, error)) return false;
        o.from = start;
        o.fromGiven = true;
        if (offline && !o.toGiven) o.to = end;
    }
    if (o.from > o.to) {
        error = "--from must not be later than --to";
        return false;
    }
    if (o.toGiven && o.mode == RunMode::Play) {
        error = "--to applies to offline runs (--frames, --capture, --soundtrack)";
        return false;
    }
    if (o.mode == RunMode::Play && o.from >= demoLengthSeconds()) {
        error = "--from must lie inside the run (0 to below " + lengthText() +
                " seconds) when playing live";
        return false;
    }
    if (o.loop && o.mode != RunMode::Play) {
        error = "--loop applies to live play, not to offline runs or listings";
        return false;
    }
    if (!o.framesDir.empty() + !o.stillsFile.empty() + !o.capturePath.empty() +
            !o.soundtrackFile.empty() >
        1) {
        error = "choose one of --frames, --stills, --capture and --soundtrack";
        return false;
    }
    if (offline && (o.windowed || !o.vsync)) {
        error = "--window and --no-vsync apply to live play, not to offline runs";
        return false;
    }
    if (o.scale != 0 &&
        (o.mode == RunMode::Frames || o.mode == RunMode::Stills || o.mode == RunMode::Soundtrack ||
         (o.mode == RunMode::Play && !o.windowed))) {
        error = "--scale applies to --window and --capture (full screen scales to fit)";
        return false;
    }
    if (o.scale == 0) o.scale = o.mode == RunMode::Capture ? 4 : 3;
    if (o.mode == RunMode::Capture && !o.fpsGiven) o.fps = 60;
    return true;
}

} // namespace tw
