// The music player on libxmp: sync table, tick rendering, SDL output, offline lockstep.
#include "host/music_xmp.h"

#include <SDL.h>
#include <xmp.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>

#include "base/bytes.h"
#include "host/wav.h"

namespace tw {

// ---------------------------------------------------------------------------------------
// XM layout check

bool checkXmLayout(const uint8_t* data, size_t size, std::string& why) {
    auto need = [&](uint64_t end, const char* what) {
        if (end <= size) return true;
        why = std::string("file is truncated (") + what + " ends past the end of the file)";
        return false;
    };
    if (size < 64 || std::memcmp(data, "Extended Module: ", 17) != 0) {
        why = "not an XM module (no \"Extended Module: \" header)";
        return false;
    }
    uint64_t headerSize = readU32(data + 60);
    if (!need(60 + headerSize, "header") || !need(80, "header")) return false;
    if (headerSize < 20) {
        why = "header size field is too small";
        return false;
    }
    unsigned patterns = readU16(data + 70);
    unsigned instruments = readU16(data + 72);
    uint64_t pos = 60 + headerSize;
    for (unsigned p = 0; p < patterns; ++p) {
        if (!need(pos + 9, "a pattern header")) return false;
        uint64_t patHeader = readU32(data + pos);
        uint64_t packed = readU16(data + pos + 7);
        if (patHeader < 9) {
            why = "pattern header size field is too small";
            return false;
        }
        pos += patHeader + packed;
        if (!need(pos, "pattern data")) return false;
    }
    for (unsigned i = 0; i < instruments; ++i) {
        if (!need(pos + 29, "an instrument header")) return false;
        uint64_t insSize = readU32(data + pos);
        unsigned samples = readU16(data + pos + 27);
        uint64_t sampleHeader = 40;
        if (samples > 0) {
            if (!need(pos + 33, "an instrument header")) return false;
            sampleHeader = readU32(data + pos + 29);
            if (sampleHeader < 18) {
                why = "sample header size field is too small";
                return false;
            }
        }
        if (insSize < 29) insSize = 29;
        pos += insSize;
        if (!need(pos, "an instrument header")) return false;
        uint64_t dataBytes = 0;
        for (unsigned s = 0; s < samples; ++s) {
            if (!need(pos + sampleHeader, "a sample header")) return false;
            dataBytes += readU32(data + pos);
            pos += sampleHeader;
        }
        pos += dataBytes;
        if (!need(pos, "sample data")) return false;
    }
    return true;
}

// ---------------------------------------------------------------------------------------
// XmpTicker

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

bool isSync(uint8_t type, uint8_t param) {
    return type == 0x0e && (param >> 4) == 8;
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

    // Record every E8x (either effect slot, any channel) and blank it, so that libxmp
    // plays no coarse panning; the table fires the syncs instead.
    xmp_module_info mi;
    xmp_get_module_info(c, &mi);
    syncs.clear();
    const xmp_module* mod = mi.mod;
    for (int p = 0; p < mod->pat; ++p) {
        const xmp_pattern* pat = mod->xxp[p];
        for (int row = 0; row < pat->rows; ++row) {
            for (int ch = 0; ch < mod->chn; ++ch) {
                int track = pat->index[ch];
                if (track < 0 || track >= mod->trk) continue;
                xmp_track* trk = mod->xxt[track];
                if (row >= trk->rows) continue;
                xmp_event& e = trk->event[row];
                if (isSync(e.fxt, e.fxp)) {
                    syncs.push_back({p, row, ch, static_cast<uint8_t>(e.fxp & 15)});
                    e.fxt = e.fxp = 0;
                }
                if (isSync(e.f2t, e.f2p)) {
                    syncs.push_back({p, row, ch, static_cast<uint8_t>(e.f2p & 15)});
                    e.f2t = e.f2p = 0;
                }
            }
        }
    }
    // Stable: cells of one row stay in channel order, the first slot before the second.
    std::stable_sort(syncs.begin(), syncs.end(), [](const SyncCell& a, const SyncCell& b) {
        return a.pattern != b.pattern ? a.pattern < b.pattern : a.row < b.row;
    });

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

// ---------------------------------------------------------------------------------------
// XmpMusic: live output

namespace {

void audioCallback(void* user, Uint8* stream, int len) {
    auto* m = static_cast<XmpMusic*>(user);
    // The first sample of this buffer reaches the output after what is queued ahead of it.
    const int64_t bufferHeardNs = steadyNowNs() + m->outputLatencyNs;
    auto* out = reinterpret_cast<int16_t*>(stream);
    const int total = len / 4;
    int want = total;
    while (want > 0) {
        if (m->pendingFrames == 0) {
            m->ticker.renderTick();
            m->queueFired(bufferHeardNs +
                          static_cast<int64_t>(total - want) * 1000000000 / kMusicRate);
            m->pending = m->ticker.buffer;
            m->pendingFrames = m->ticker.frames;
            if (m->pendingFrames <= 0) { // nothing to play: fill silence
                std::memset(out, 0, static_cast<size_t>(want) * 4);
                return;
            }
        }
        int n = std::min(want, m->pendingFrames);
        std::memcpy(out, m->pending, static_cast<size_t>(n) * 4);
        out += 2 * n;
        m->pending += 2 * n;
        m->pendingFrames -= n;
        want -= n;
    }
}

} // namespace

int64_t steadyNowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

bool SyncQueue::push(const TimedSync& s) {
    uint32_t t = tail.load(std::memory_order_relaxed);
    if (t - head.load(std::memory_order_acquire) >= kSize) return false;
    items[t % kSize] = s;
    tail.store(t + 1, std::memory_order_release);
    return true;
}

void SyncQueue::release(int64_t nowNs, void (*callback)(uint32_t)) {
    uint32_t h = head.load(std::memory_order_relaxed);
    const uint32_t t = tail.load(std::memory_order_acquire);
    while (h != t && items[h % kSize].dueNs <= nowNs) {
        if (callback) callback(items[h % kSize].value);
        ++h;
    }
    head.store(h, std::memory_order_release);
}

void XmpMusic::queueFired(int64_t dueNs) {
    for (const SyncCell* s = ticker.firedBegin; s && s != ticker.firedEnd; ++s)
        queue.push({dueNs, s->value});
}

void XmpMusic::advanceTo(double seconds) {
    if (loaded && !playing) {
        // A fast-forward before play (the audio thread does not run yet): render silently up
        // to `seconds` by OfflineMusic's rule and deliver the syncs at once, in lockstep with
        // the frames being run unseen.
        double limit = seconds * kMusicRate + 1e-6;
        while (static_cast<double>(ticker.renderedFrames) <= limit) {
            ticker.renderTick();
            if (ticker.frames <= 0) break;
            for (const SyncCell* s = ticker.firedBegin; s && s != ticker.firedEnd; ++s)
                if (syncCallback) syncCallback(s->value);
        }
        return;
    }
    // The loop presents once per step, so the frame being drawn is shown about one step from
    // now; a sync goes to the frame whose showing lies nearest its sound: due within one
    // and a half steps.
    double step = lastAdvance >= 0 ? seconds - lastAdvance : 0;
    lastAdvance = seconds;
    int64_t lead = static_cast<int64_t>(std::clamp(step, 0.0, 0.1) * 1.5e9);
    queue.release(steadyNowNs() + lead, syncCallback);
}

bool XmpMusic::load(const std::string& path, bool noSound) {
    unload();
    if (!ticker.load(path, kMusicRate)) {
        std::fprintf(stderr, "%s\n", ticker.error.c_str());
        return false;
    }
    loaded = true;
    if (noSound) return true;
    SDL_AudioSpec want{};
    want.freq = kMusicRate;
    want.format = AUDIO_S16SYS;
    want.channels = 2;
    want.samples = 512; // about 11 ms
    want.callback = audioCallback;
    want.userdata = this;
    SDL_AudioSpec have{};
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) == 0) {
        audioInit = true;
        device = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
        if (device == 0) {
            SDL_QuitSubSystem(SDL_INIT_AUDIO);
            audioInit = false;
        }
    }
    if (device == 0) {
        std::fprintf(stderr, "music: no sound device (%s); the music runs silently\n",
                     SDL_GetError());
        return true;
    }
    deviceSamples = have.samples;
    // SDL reports no latency. Ahead of a buffer being filled lies about one buffer: the
    // device's other half, or the sound server's stream, which SDL asks for a target of one
    // buffer (PulseAudio here reports 8 ms of buffer and under 2 ms of sink latency for 512
    // samples).
    outputLatencyNs = static_cast<int64_t>(have.samples) * 1000000000 / have.freq;
    return true;
}

void XmpMusic::installSync(void (*callback)(uint32_t)) {
    // Set before play(): nothing renders yet, so no lock is needed. The renderer queues the
    // syncs; advanceTo hands them to `callback` on the drawing thread.
    syncCallback = callback;
}

void XmpMusic::play() {
    if (!loaded || playing) return;
    playing = true;
    if (device) {
        SDL_PauseAudioDevice(device, 0);
        return;
    }
    // No output: render each tick when its start time comes, against absolute deadlines so
    // that nothing drifts. (SDL's dummy driver sleeps whole milliseconds per buffer and runs
    // several percent fast, which would put the syncs seconds ahead of the picture.)
    stopSilent.store(false);
    silentThread = std::thread([this, first = ticker.renderedFrames] {
        auto start = std::chrono::steady_clock::now();
        while (!stopSilent.load(std::memory_order_relaxed)) {
            auto due = start + std::chrono::nanoseconds((ticker.renderedFrames - first) *
                                                        1000000000 / kMusicRate);
            std::this_thread::sleep_until(due);
            if (stopSilent.load(std::memory_order_relaxed)) break;
            ticker.renderTick();
            queueFired(std::chrono::duration_cast<std::chrono::nanoseconds>(
                           (start + std::chrono::nanoseconds((ticker.tickStart - first) *
                                                             1000000000 / kMusicRate))
                               .time_since_epoch())
                           .count());
            if (ticker.frames <= 0) break;
        }
    });
}

void XmpMusic::unload() {
    if (silentThread.joinable()) {
        stopSilent.store(true);
        silentThread.join();
    }
    if (device) {
        SDL_CloseAudioDevice(device); // waits for the callback to return
        device = 0;
    }
    if (audioInit) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        audioInit = false;
    }
    ticker.release();
    pending = nullptr;
    pendingFrames = 0;
    loaded = false;
    playing = false;
    queue.clear();
    lastAdvance = -1;
}

// ---------------------------------------------------------------------------------------
// OfflineMusic: lockstep rendering

bool OfflineMusic::load(const std::string& path, bool) {
    unload();
    if (!ticker.load(path, kMusicRate)) {
        std::fprintf(stderr, "%s\n", ticker.error.c_str());
        return false;
    }
    loaded = true;
    samples.clear();
    if (syncsOnly) {
        xmp_set_player(static_cast<xmp_context>(ticker.ctx), XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
        return true;
    }
    xmp_frame_info fi;
    xmp_get_frame_info(static_cast<xmp_context>(ticker.ctx), &fi);
    // Room for the whole first pass and a little more, so lockstep rendering does not
    // reallocate frame by frame.
    samples.reserve(static_cast<size_t>(std::max(fi.total_time, 0) + 2000) * kMusicRate / 1000 * 2);
    return true;
}

void OfflineMusic::installSync(void (*callback)(uint32_t)) {
    ticker.callback = callback;
}

void OfflineMusic::play() {
    if (loaded) playing = true;
}

void OfflineMusic::advanceTo(double seconds) {
    if (!loaded) return;
    // A tick is rendered when its start lies at or before `seconds`; the small slack keeps
    // a time like 18.5 computed as 18.4999999999 from missing the tick that starts there.
    double limit = seconds * kMusicRate + 1e-6;
    while (static_cast<double>(ticker.renderedFrames) <= limit) {
        ticker.renderTick();
        if (ticker.frames <= 0) break;
        if (!syncsOnly)
            samples.insert(samples.end(), ticker.buffer, ticker.buffer + 2 * ticker.frames);
    }
}

bool OfflineMusic::writeWav(const std::string& path, double fromSeconds, double toSeconds) {
    int64_t from = std::max<int64_t>(0, std::llround(fromSeconds * kMusicRate));
    int64_t to = std::max<int64_t>(from, std::llround(toSeconds * kMusicRate));
    if (playing && static_cast<int64_t>(samples.size() / 2) < to)
        advanceTo(static_cast<double>(to) / kMusicRate);
    std::vector<int16_t> range(static_cast<size_t>(to - from) * 2, 0);
    int64_t have = static_cast<int64_t>(samples.size() / 2);
    if (from < have) {
        int64_t n = std::min(to, have) - from;
        std::copy_n(samples.begin() + from * 2, n * 2, range.begin());
    }
    if (!writeWavFile(path, range.data(), range.size() / 2, 2, kMusicRate)) {
        std::fprintf(stderr, "music: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

void OfflineMusic::unload() {
    ticker.release();
    loaded = false;
    playing = false;
}

// ---------------------------------------------------------------------------------------
// Sync listing

std::vector<SyncEvent> firstPassSyncs(const std::string& path, double* durationSeconds,
                                      std::string* error) {
    std::vector<SyncEvent> events;
    XmpTicker t;
    if (!t.load(path, kMusicRate)) {
        if (error) *error = t.error;
        return events;
    }
    xmp_set_player(static_cast<xmp_context>(t.ctx), XMP_PLAYER_INTERP, XMP_INTERP_NEAREST);
    // Guard against a module that never reports its loop: an hour of ticks at most.
    for (int64_t guard = 0; guard < int64_t{3600} * 250; ++guard) {
        t.renderTick();
        if (t.frames <= 0 || t.loopCount > 0) break;
        for (const SyncCell* s = t.firedBegin; s && s != t.firedEnd; ++s)
            events.push_back({static_cast<double>(t.tickStart) / kMusicRate, s->value, t.order,
                              t.pattern, t.row});
        if (durationSeconds) *durationSeconds = static_cast<double>(t.renderedFrames) / kMusicRate;
    }
    return events;
}

int listSyncs(const std::string& modulePath) {
    std::string error;
    double duration = 0;
    std::vector<SyncEvent> events = firstPassSyncs(modulePath, &duration, &error);
    if (!error.empty()) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::printf("# syncs of %s, first pass (%.3f s)\n", modulePath.c_str(), duration);
    std::printf("#   time  value  order  pattern  row\n");
    for (const SyncEvent& e : events)
        std::printf("%8.3f  %5d  %5d  %7d  %3d\n", e.seconds, e.value, e.order, e.pattern, e.row);
    return 0;
}

} // namespace tw
