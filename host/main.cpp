// tarnwick: program entry. Parses the options, finds the data, and runs the presentation
// live or offline.
#include <unistd.h>

#include <cstdio>
#include <exception>
#include <filesystem>
#include <string>

#include "base/paths.h"
#include "base/report.h"
#include "host/capture_run.h"
#include "host/data_search.h"
#include "host/demo.h"
#include "host/demo_clock.h"
#include "host/display_sdl.h"
#include "host/live.h"
#include "host/music_live.h"
#include "host/music_offline.h"
#include "host/music_syncs.h"
#include "host/offline.h"
#include "host/options.h"
#include "host/output_file.h"
#include "host/png_sink.h"
#include "host/png_writer.h"
#include "host/scene_lookup.h"
#include "host/stills.h"
#include "scenes/registry.h"

namespace fs = std::filesystem;

namespace {

// Says why on stderr after the program's name; the exit status of a failed run.
int fail(const std::string& why) {
    std::fprintf(stderr, "tarnwick: %s\n", why.c_str());
    return 1;
}

// True when `folder` can take a new file; otherwise says why. Checked before a long run, so
// that a folder that cannot take the output is found now, not after it.
bool writableOrSaid(const std::string& folder) {
    std::string error;
    if (tw::checkWritableFolder(folder, error)) return true;
    fail(error);
    return false;
}

int runFrames(const tw::Options& o) {
    std::error_code ec;
    fs::create_directories(o.framesDir, ec);
    if (ec || !fs::is_directory(o.framesDir, ec)) {
        std::fprintf(stderr, "tarnwick: cannot create %s%s%s\n", o.framesDir.c_str(),
                     ec ? ": " : "", ec ? ec.message().c_str() : "");
        return 1;
    }
    if (!writableOrSaid(o.framesDir)) return 1;
    tw::PngFrameSink sink(o.framesDir);
    tw::OfflineMusic music;
    music.syncsOnly = true; // the frames carry no sound
    tw::OfflineRange range;
    range.fps = o.fps;
    range.from = o.from;
    range.to = o.to;
    range.progress = true;
    tw::OfflineResult r = tw::runOffline(range, sink, music, tw::dataPath("data/vekt51.xm"));
    if (r.sinkFailed) {
        std::fprintf(stderr, "tarnwick: %s\n", r.error.c_str());
        return 1;
    }
    std::fprintf(stderr, "tarnwick: wrote %lld frames to %s\n",
                 static_cast<long long>(r.framesWritten), o.framesDir.c_str());
    return 0;
}

// The live presentation: the display opens first (nothing is loaded when it cannot), the
// clock is real time, and the loop runs until the timeline ends or the user quits.
int runLive(const tw::Options& o) {
    tw::Demo demo;
    tw::demoCreateFramebuffer(demo);
    tw::SdlDisplay display;
    tw::DisplayOptions d;
    d.windowed = o.windowed;
    d.scale = o.scale;
    d.vsync = o.vsync;
    if (!tw::openDisplay(display, "tarnwick", demo.framebuffer.width, demo.framebuffer.height, d)) {
        std::fprintf(stderr,
                     "tarnwick: cannot open the display (%s); without a screen, render a video "
                     "with --capture FILE.mp4 or frames with --frames DIR\n",
                     display.error.c_str());
        return 1;
    }
    tw::XmpMusic music;
    tw::DemoClock clock;
    tw::LivePlan plan;
    plan.from = o.from;
    plan.loop = o.loop;
    plan.noSound = o.noSound;
    plan.report = o.fromGiven;
    tw::playLive(plan, display, clock, music, tw::dataPath("data/vekt51.xm"));
    tw::closeDisplay(display);
    return 0;
}

int runStills(const tw::Options& o) {
    if (!writableOrSaid(tw::folderOf(o.stillsFile))) return 1;
    tw::StillsSink sink;
    sink.wanted = tw::sceneStillFrames(o.fps);
    tw::OfflineMusic music;
    music.syncsOnly = true; // the stills carry no sound
    tw::OfflineRange range;
    range.fps = o.fps;
    range.progress = true;
    tw::OfflineResult r = tw::runOffline(range, sink, music, tw::dataPath("data/vekt51.xm"));
    if (r.sinkFailed || sink.stills.size() != sink.wanted.size()) {
        std::fprintf(stderr, "tarnwick: the run ended before every scene was shown\n");
        return 1;
    }
    const tw::Bitmap sheet = tw::tileStills(sink.stills);
    std::string error;
    if (!tw::writeFileSafely(
            o.stillsFile, [&](const std::string& temp) { return tw::writePng(temp, sheet); },
            error))
        return fail(error);
    std::fprintf(stderr, "tarnwick: wrote %s\n", o.stillsFile.c_str());
    return 0;
}

// The soundtrack alone: the offline player renders [from, to) in lockstep, exactly as a
// capture's sound track, without drawing a frame.
int runSoundtrack(const tw::Options& o) {
    if (!writableOrSaid(tw::folderOf(o.soundtrackFile))) return 1;
    tw::OfflineMusic music;
    if (!music.load(tw::dataPath("data/vekt51.xm"), true)) return 1; // load said why
    music.play();
    bool ok = music.writeWav(o.soundtrackFile, o.from, o.to);
    music.unload();
    if (!ok) return 1;
    std::fprintf(stderr, "tarnwick: wrote %s\n", o.soundtrackFile.c_str());
    return 0;
}

int run(int argc, char** argv) {
    tw::Options o;
    std::string error;
    if (!tw::parseOptions(argc, argv, o, error)) {
        std::fprintf(stderr, "tarnwick: %s (see tarnwick --help)\n", error.c_str());
        return 2;
    }
    if (o.mode == tw::RunMode::Help) {
        std::fputs(tw::helpText().c_str(), stdout);
        return 0;
    }
    if (o.mode == tw::RunMode::Version) {
        std::printf("tarnwick %s\n", TW_VERSION);
        return 0;
    }
    if (o.mode == tw::RunMode::ListScenes) {
        std::fputs(tw::sceneListing().c_str(), stdout);
        return 0;
    }
    std::string root;
    if (!tw::findDataRoot(tw::dataSearchFromProcess(o.dataDir), root, error)) return fail(error);
    tw::setDataRoot(root);
    std::error_code ec;
    if (fs::exists(fs::path(root) / "data", ec) && !fs::is_directory(fs::path(root) / "data", ec))
        std::fprintf(stderr, "tarnwick: %s/data is not a folder: every data file is missing\n",
                     root.c_str());
    tw::setVerbose(o.verbose);
    // Offline runs write files: an interrupt removes what is unfinished. (Live play leaves
    // SIGINT to SDL, which turns it into a quit.)
    if (o.mode == tw::RunMode::Frames || o.mode == tw::RunMode::Stills ||
        o.mode == tw::RunMode::Capture || o.mode == tw::RunMode::Soundtrack)
        tw::installInterruptCleanup();
    if (o.mode == tw::RunMode::Frames) return runFrames(o);
    if (o.mode == tw::RunMode::Stills) return runStills(o);
    if (o.mode == tw::RunMode::ListSyncs) return tw::listSyncs(tw::dataPath("data/vekt51.xm"));
    if (o.mode == tw::RunMode::Capture) return tw::runCapture(o);
    if (o.mode == tw::RunMode::Soundtrack) return runSoundtrack(o);
    return runLive(o);
}

} // namespace

// An error nothing below catches (a key curve without keys, say) ends the run here: the
// display and the music close as the stack unwinds, and one line says why.
int main(int argc, char** argv) {
    try {
        return run(argc, argv);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "tarnwick: %s\n", e.what());
        return 1;
    }
}
