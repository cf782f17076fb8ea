// tarnwick-site: the native half of the web build. Renders the soundtrack and its sync list
// for the page, and prints native frame hashes that the browser test compares against.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "base/frame_hash.h"
#include "base/paths.h"
#include "host/child_process.h"
#include "host/music_offline.h"
#include "host/offline.h"
#include "host/site/soundtrack.h"
#include "host/wav.h"

namespace {

constexpr double kRunSeconds = 177.0;

int usage() {
    std::fprintf(stderr,
                 "usage: tarnwick-site soundtrack MODULE.xm OUT_DIR [KBITS]\n"
                 "       tarnwick-site hashes DATA_ROOT FPS FRAME...\n"
                 "soundtrack: writes OUT_DIR/tarnwick.ogg (Opus, through ffmpeg) and\n"
                 "  OUT_DIR/tarnwick.syncs (seconds, sample frame, value per line)\n"
                 "hashes: runs the presentation offline at FPS and prints \"FRAME HASH\" for\n"
                 "  each frame number (frame k shows demo time k/FPS)\n");
    return 2;
}

int soundtrack(const std::string& module, const std::string& outDir, int kbits) {
    tw::Soundtrack s = tw::renderSoundtrack(module, kRunSeconds);
    if (!s.error.empty()) {
        std::fprintf(stderr, "tarnwick-site: %s\n", s.error.c_str());
        return 1;
    }
    const std::string wav = outDir + "/tarnwick.sound.wav";
    const std::string ogg = outDir + "/tarnwick.ogg";
    if (!tw::writeWavFile(wav, s.samples.data(), s.samples.size() / 2, 2, tw::kMusicRate)) {
        std::fprintf(stderr, "tarnwick-site: cannot write %s: %s\n", wav.c_str(),
                     std::strerror(errno));
        return 1;
    }
    std::string error;
    bool ok = tw::runChild({"ffmpeg", "-hide_banner", "-loglevel", "error", "-y", "-i", wav, "-c:a",
                            "libopus", "-b:a", std::to_string(kbits) + "k", "-vbr", "on", ogg},
                           error);
    std::remove(wav.c_str());
    if (!ok) {
        std::fprintf(stderr, "tarnwick-site: %s\n", error.c_str());
        return 1;
    }
    const std::string syncPath = outDir + "/tarnwick.syncs";
    std::ofstream out(syncPath, std::ios::binary);
    out << tw::syncListText(s.syncs);
    out.close();
    if (!out) {
        std::fprintf(stderr, "tarnwick-site: cannot write %s\n", syncPath.c_str());
        return 1;
    }
    std::printf("tarnwick-site: %s (%.1f s) and %zu syncs\n", ogg.c_str(),
                static_cast<double>(s.samples.size() / 2) / tw::kMusicRate, s.syncs.size());
    return 0;
}

// Hashes the frames whose 1-based number is wanted.
struct HashSink final : tw::FrameSink {
    std::vector<long long> wanted;
    int64_t current = 0;
    bool present(const tw::Bitmap& frame) override {
        long long number = static_cast<long long>(current) + 1;
        for (long long w : wanted)
            if (w == number)
                std::printf("%lld %016llx\n", number,
                            static_cast<unsigned long long>(tw::frameHash(
                                frame.pixels, static_cast<size_t>(frame.width * frame.height))));
        return true;
    }
    void beginFrame(int64_t index) override { current = index; }
};

int hashes(const std::string& dataRoot, int fps, const std::vector<long long>& frames) {
    tw::setDataRoot(dataRoot);
    HashSink sink;
    sink.wanted = frames;
    long long last = 0;
    for (long long f : frames) last = f > last ? f : last;
    tw::OfflineRange range;
    range.fps = fps;
    range.to = static_cast<double>(last) / fps;
    range.progress = false;
    tw::OfflineMusic music;
    music.syncsOnly = true; // frames only
    tw::OfflineResult r = tw::runOffline(range, sink, music, tw::dataPath("data/vekt51.xm"));
    std::fflush(stdout);
    return r.sinkFailed ? 1 : 0;
}

} // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.size() >= 3 && args.size() <= 4 && args[0] == "soundtrack") {
        int kbits = args.size() == 4 ? std::atoi(args[3].c_str()) : 96;
        if (kbits < 16 || kbits > 320) return usage();
        return soundtrack(args[1], args[2], kbits);
    }
    if (args.size() >= 4 && args[0] == "hashes") {
        int fps = std::atoi(args[2].c_str());
        std::vector<long long> frames;
        for (size_t i = 3; i < args.size(); ++i) {
            long long f = std::atoll(args[i].c_str());
            if (f < 1) return usage();
            frames.push_back(f);
        }
        if (fps < 1 || fps > 240) return usage();
        return hashes(args[1], fps, frames);
    }
    return usage();
}
