// Live music output: the tick player on SDL's audio thread, its syncs queued until the row
// is heard.
#include "host/music_live.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>

namespace tw {

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

} // namespace tw
