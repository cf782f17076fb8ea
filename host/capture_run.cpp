// The --capture run: offline loop -> capture sink, then the soundtrack of the same frames.
#include "host/capture_run.h"

#include <cstdio>

#include "base/paths.h"
#include "host/capture_ffmpeg.h"
#include "host/music_offline.h"
#include "host/offline.h"
#include "host/output_file.h"

namespace tw {

namespace {

// The offline music with its unload() put off: the loop unloads the music when it stops, but the
// soundtrack must still be rendered to the end of the last captured frame's display time.
struct HeldMusic final : MusicOutput {
    explicit HeldMusic(OfflineMusic& m) : music(m) {}
    bool load(const std::string& path, bool noSound) override { return music.load(path, noSound); }
    void installSync(void (*callback)(uint32_t)) override { music.installSync(callback); }
    void play() override { music.play(); }
    void advanceTo(double seconds) override { music.advanceTo(seconds); }
    void unload() override {}
    OfflineMusic& music;
};

} // namespace

int runCapture(const Options& o) {
    CaptureOptions c;
    c.path = o.capturePath;
    c.fps = o.fps;
    c.scale = o.scale;
    std::string bad = checkCaptureOptions(c);
    if (!bad.empty()) {
        std::fprintf(stderr, "tarnwick: %s\n", bad.c_str());
        return 2;
    }
    // A folder that cannot take the file is found now, not after the whole run.
    if (!checkWritableFolder(folderOf(c.path), bad)) {
        std::fprintf(stderr, "tarnwick: %s\n", bad.c_str());
        return 1;
    }
    CaptureSink sink;
    if (!openCapture(sink, c, true)) {
        std::fprintf(stderr, "tarnwick: %s\n", sink.failure.c_str());
        return 1;
    }
    OfflineMusic music;
    HeldMusic held(music);
    OfflineRange range;
    range.fps = o.fps;
    range.from = o.from;
    range.to = o.to;
    range.progress = true;
    OfflineResult r = runOffline(range, sink, held, dataPath("data/vekt51.xm"));
    if (r.sinkFailed) {
        abandonCapture(sink);
        music.unload();
        std::fprintf(stderr, "tarnwick: %s\n", r.error.c_str());
        return 1;
    }

    // Frame k of the run (1-based) shows demo time k/fps and is on screen for 1/fps; the
    // written frames are the last framesWritten of the run, so the sound starts at the first
    // written frame's time and lasts exactly as long as the video.
    const int64_t first = r.framesRun - r.framesWritten + 1;
    const double soundFrom = static_cast<double>(first) / o.fps;
    const double soundTo = static_cast<double>(first + r.framesWritten) / o.fps;
    PendingFile wav;
    if (music.loaded) {
        beginFile(wav, c.path, "sound.wav");
        if (!music.writeWav(wav.temp, soundFrom, soundTo)) {
            // Without its soundtrack the capture is not what was asked for.
            abandonCapture(sink);
            std::fprintf(stderr,
                         "tarnwick: the soundtrack could not be written; nothing was "
                         "written to %s\n",
                         c.path.c_str());
            return 1;
        }
    }
    music.unload();
    bool ok = finishCapture(sink, wav.temp);
    discardFile(wav);
    if (!ok) {
        std::fprintf(stderr, "tarnwick: %s\n", sink.failure.c_str());
        return 1;
    }
    std::fprintf(stderr, "tarnwick: wrote %lld frames to %s\n",
                 static_cast<long long>(r.framesWritten), c.path.c_str());
    return 0;
}

} // namespace tw
