// The tick player: a module on libxmp rendered one tick at a time, with the syncs each tick
// fires.
#include "host/music_ticker.h"

#include <xmp.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

#include "host/xm_check.h"

namespace tw {

namespace {

std::string xmpErrorText(int code) {
    switch (-code) {
    case XMP_ERROR_FORMAT:
        return "not a module format libxmp can play";
    case XMP_ERROR_LOAD:
        return "the module data is broken";
    case XMP_ERROR_DEPACK:
        return "cannot unpack the file";
    case XMP_ERROR_SYSTEM:
        return std::strerror(errno);
    default:
        return "libxmp error " + std::to_string(code);
    }
}

} // namespace

bool XmpTicker::load(const std::string& path, int sampleRate) {
    release();
    rate = sampleRate;
    auto failWith = [&](const std::string& why) {
        error = "music: cannot play " + path + ": " + why;
        release();
        return false;
    };
    std::ifstream in(path, std::ios::binary);
    if (!in) return failWith(std::strerror(errno));
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    if (in.bad()) return failWith("read error");
    std::string why;
    if (!checkXmLayout(bytes.data(), bytes.size(), why)) return failWith(why);

    xmp_context c = xmp_create_context();
    if (!c) return failWith("cannot create a libxmp context");
    ctx = c;
    int rc = xmp_load_module_from_memory(c, bytes.data(), static_cast<long>(bytes.size()));
    if (rc < 0) {
        xmp_free_context(c);
        ctx = nullptr;
        return failWith(xmpErrorText(rc));
    }

    // The syncs fire from the table instead of playing as coarse panning.
    xmp_module_info mi;
    xmp_get_module_info(c, &mi);
    syncs = takeSyncCells(*mi.mod);

    if (xmp_start_player(c, rate, 0) < 0) {
        return failWith("libxmp cannot start playback at " + std::to_string(rate) + " Hz");
    }
    xmp_set_player(c, XMP_PLAYER_INTERP, XMP_INTERP_SPLINE);
    renderedFrames = 0;
    error.clear();
    return true;
}

void XmpTicker::renderTick() {
    xmp_context c = static_cast<xmp_context>(ctx);
    firedBegin = firedEnd = nullptr;
    buffer = nullptr;
    frames = 0;
    if (!c) return;
    xmp_play_frame(c);
    xmp_frame_info fi;
    xmp_get_frame_info(c, &fi);
    order = fi.pos;
    pattern = fi.pattern;
    row = fi.row;
    frame = fi.frame;
    loopCount = fi.loop_count;
    buffer = static_cast<const int16_t*>(fi.buffer);
    frames = fi.buffer_size / 4;
    tickStart = renderedFrames;
    renderedFrames += frames;
    if (fi.frame != 0) return;
    auto key = [](int p, int r) { return static_cast<int64_t>(p) * 1024 + r; };
    int64_t k = key(fi.pattern, fi.row);
    auto first = std::lower_bound(syncs.begin(), syncs.end(), k, [&](const SyncCell& s, int64_t v) {
        return key(s.pattern, s.row) < v;
    });
    auto last = first;
    while (last != syncs.end() && key(last->pattern, last->row) == k) ++last;
    if (first == last) return;
    firedBegin = &*first;
    firedEnd = firedBegin + (last - first);
    if (callback)
        for (const SyncCell* s = firedBegin; s != firedEnd; ++s) callback(s->value);
}

void XmpTicker::release() {
    if (ctx) {
        xmp_context c = static_cast<xmp_context>(ctx);
        xmp_end_player(c);
        xmp_release_module(c);
        xmp_free_context(c);
        ctx = nullptr;
    }
    buffer = nullptr;
    frames = 0;
}

} // namespace tw
