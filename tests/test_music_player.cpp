// The libxmp player against small modules written here: sync timing, sync values, replays,
// looping, panning removal, failures, WAV capture and live (dummy-driver) delivery.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

#include "base/sync.h"
#include "host/music_live.h"
#include "host/music_offline.h"
#include "host/music_syncs.h"
#include "tools/write/tga_writer.h"
#include "tools/write/xm_writer.h"

namespace tw {
namespace {

constexpr int kChannels = 2;
constexpr int kRowFrames = 6000; // speed 6, 120 bpm, 48000 Hz: 6 ticks of 1000 frames

// A quiet looped sine so the module makes sound without clicks.
XmInstrument toneInstrument() {
    XmInstrument ins;
    ins.name = "tone";
    ins.sample.name = "sine";
    for (int i = 0; i < 4410; ++i)
        ins.sample.data.push_back(
            static_cast<int16_t>(8000 * std::sin(2 * M_PI * 441.0 * i / 44100.0)));
    ins.sample.loopStart = 0;
    ins.sample.loopLength = 4410;
    tuneSample(ins.sample, 44100, 441.0);
    ins.volumeEnvelope = {{0, 64}, {10, 64}};
    ins.sustainPoint = 1;
    ins.fadeout = 0x400;
    return ins;
}

struct Sync {
    int row, ch, value;
};

// A pattern of empty rows with E8x sync commands, and optionally the tone on row 0.
XmPattern pattern(int rows, std::initializer_list<Sync> syncs, bool tone = false) {
    XmPattern p;
    p.rows = rows;
    p.cells.resize(static_cast<size_t>(rows) * kChannels);
    for (const Sync& s : syncs) {
        p.cells[static_cast<size_t>(s.row) * kChannels + s.ch].effect = kXmFxExtended;
        p.cells[static_cast<size_t>(s.row) * kChannels + s.ch].param =
            static_cast<uint8_t>(0x80 | s.value);
    }
    if (tone) {
        p.cells[0].note = 49;
        p.cells[0].instrument = 1;
    }
    return p;
}

std::string writeModule(std::vector<XmPattern> patterns, std::vector<uint8_t> orders,
                        const std::string& name, int restart = 0) {
    XmModule m;
    m.name = "test";
    m.channels = kChannels;
    m.speed = 6;
    m.bpm = 120;
    m.restart = restart;
    m.instruments.push_back(toneInstrument());
    m.patterns = std::move(patterns);
    m.orders = std::move(orders);
    std::string error;
    std::vector<uint8_t> bytes = encodeXm(m, &error);
    EXPECT_FALSE(bytes.empty()) << error;
    std::filesystem::path dir = std::filesystem::path(TW_BINARY_DIR) / "test_music_tmp";
    std::filesystem::create_directories(dir);
    std::string path = (dir / name).string();
    EXPECT_TRUE(writeFile(path, bytes));
    return path;
}

// Callback sink for the offline tests (calling thread only).
std::vector<uint32_t> gReceived;
void record(uint32_t v) {
    gReceived.push_back(v);
}

// Loads `path` offline (no sound) with `record` installed and starts playback.
void startRecording(OfflineMusic& music, const std::string& path) {
    ASSERT_TRUE(music.load(path, true));
    gReceived.clear();
    music.installSync(record);
    music.play();
}

using Values = std::vector<uint32_t>;

TEST(MusicPlayer, SyncsFireAtTheirRowTimesInChannelOrder) {
    // Value 10 is recorded and delivered (the flag callback ignores it); row 12 holds two
    // syncs, channel 0 first.
    std::string path = writeModule(
        {pattern(16, {{0, 1, 0}, {4, 0, 1}, {5, 1, 2}, {8, 0, 10}, {12, 0, 5}, {12, 1, 3}}, true)},
        {0}, "timing.xm");
    double duration = 0;
    std::string error;
    std::vector<SyncEvent> ev = firstPassSyncs(path, &duration, &error);
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_DOUBLE_EQ(duration, 2.0);
    ASSERT_EQ(ev.size(), 6u);
    const int rows[] = {0, 4, 5, 8, 12, 12};
    const uint32_t values[] = {0, 1, 2, 10, 5, 3};
    for (size_t i = 0; i < ev.size(); ++i) {
        EXPECT_DOUBLE_EQ(ev[i].seconds, rows[i] * 0.125) << i;
        EXPECT_EQ(ev[i].row, rows[i]) << i;
        EXPECT_EQ(ev[i].value, values[i]) << i;
    }

    // Lockstep: a tick is rendered once its start time has been reached, not before; the
    // syncs-only player (frames, stills) delivers the same syncs and keeps no sound.
    for (bool syncsOnly : {false, true}) {
        OfflineMusic music;
        music.syncsOnly = syncsOnly;
        startRecording(music, path);
        EXPECT_TRUE(gReceived.empty()); // play renders nothing by itself
        const std::pair<double, Values> steps[] = {
            {0.0, {0}}, {0.4999, {0}}, {0.5, {0, 1}}, {1.6, {0, 1, 2, 10, 5, 3}}};
        for (const auto& [t, expect] : steps) {
            music.advanceTo(t);
            EXPECT_EQ(gReceived, expect) << t << " syncsOnly " << syncsOnly;
        }
        // The 77 ticks starting at or before 1.6 s.
        EXPECT_EQ(music.ticker.renderedFrames, 77 * 1000);
        EXPECT_EQ(music.samples.size(), syncsOnly ? 0u : 77u * 1000u * 2u);
        music.unload();
    }
}

TEST(MusicPlayer, SyncValuesReachTheirFlags) {
    // 0 and 1 share the beat flag; 10 and above set no flag.
    std::string path =
        writeModule({pattern(8, {{1, 0, 0}, {3, 0, 1}, {5, 0, 15}, {6, 1, 6}})}, {0}, "values.xm");
    OfflineMusic music;
    ASSERT_TRUE(music.load(path, false));
    music.installSync(musicSyncCallback);
    music.play();
    resetSyncFlags();
    for (double t : {0.125, 0.375}) { // each sets the flag again once it was latched
        music.advanceTo(t);
        EXPECT_TRUE(latchSync(SYNC_BEAT)) << t;
        EXPECT_FALSE(latchSync(SYNC_BEAT)) << t;
    }
    music.advanceTo(0.625);
    for (int i = 0; i < kSyncFlagCount; ++i) EXPECT_EQ(syncFlags[i].load(), 0.0f) << i;
    music.advanceTo(0.75);
    EXPECT_TRUE(latchSync(SYNC_HOLD));
    music.unload();
}

TEST(MusicPlayer, ReplayedRowsFireAgainAndTheModuleLoops) {
    // Pattern 0: rows 0..3 played twice by a pattern loop (E60 ... E61), sync on row 2.
    XmPattern loop = pattern(4, {{2, 1, 1}});
    loop.cells[0].effect = loop.cells[3 * kChannels].effect = kXmFxExtended;
    loop.cells[0].param = 0x60;
    loop.cells[3 * kChannels].param = 0x61;
    // After the end, playback resumes at order 1.
    std::string path = writeModule({loop, pattern(2, {{0, 0, 5}}), pattern(2, {{1, 0, 6}})},
                                   {0, 1, 2}, "replay.xm", 1);
    OfflineMusic music;
    startRecording(music, path);
    // First pass: 8 rows of the looped pattern, then 2 + 2 rows: 1.5 s. The second pass
    // starts at order 1: 5 at 1.5 s, 6 at 1.875 s, and again from order 1 at 2 s.
    const std::pair<double, size_t> steps[] = {{1.49, 4}, {1.5, 5}, {1.99, 6}, {2.0, 7}};
    for (const auto& [t, count] : steps) {
        music.advanceTo(t);
        EXPECT_EQ(gReceived.size(), count) << t;
    }
    EXPECT_EQ(gReceived, (Values{1, 1, 5, 6, 5, 6, 5}));
    EXPECT_GE(music.ticker.loopCount, 1);

    double duration = 0;
    std::vector<SyncEvent> ev = firstPassSyncs(path, &duration, nullptr);
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_DOUBLE_EQ(ev[0].seconds, 0.25);
    EXPECT_DOUBLE_EQ(ev[1].seconds, 0.75);
    EXPECT_DOUBLE_EQ(duration, 1.5);

    // A backward order jump replays rows: the sync row (1, 5, 9) fires three times by row 9.
    XmPattern jump = pattern(2, {});
    jump.cells[1 * kChannels + 1].effect = kXmFxJump; // back to order 0
    OfflineMusic jumping;
    startRecording(jumping, writeModule({pattern(2, {{1, 0, 2}}), jump}, {0, 1}, "jump.xm"));
    jumping.advanceTo(0.125 * 9);
    EXPECT_EQ(gReceived, (Values{2, 2, 2}));
}

TEST(MusicPlayer, SyncCommandsDoNotPanTheChannel) {
    // E80 played as panning would throw the note hard left.
    OfflineMusic music;
    startRecording(music, writeModule({pattern(8, {{0, 0, 0}, {2, 0, 0}}, true)}, {0}, "pan.xm"));
    music.advanceTo(0.9);
    double left = 0, right = 0;
    for (size_t i = 0; i + 1 < music.samples.size(); i += 2) {
        left += std::abs(music.samples[i]);
        right += std::abs(music.samples[i + 1]);
    }
    EXPECT_GT(left, 1e6);
    EXPECT_NEAR(right / left, 1.0, 0.02);
}

TEST(MusicPlayer, MissingTruncatedAndForeignFilesFailCleanly) {
    std::string good = writeModule({pattern(4, {{0, 0, 1}})}, {0}, "good.xm");
    std::ifstream in(good, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 1000u);
    std::string dir = std::filesystem::path(good).parent_path().string();
    std::vector<std::pair<std::string, std::string>> cases = {
        {dir + "/missing.xm", "No such file"}};
    auto add = [&](const std::string& name, const std::vector<uint8_t>& b, const char* expect) {
        ASSERT_TRUE(writeFile(dir + "/" + name, b));
        cases.push_back({dir + "/" + name, expect});
    };
    for (size_t cut : {size_t{10}, size_t{70}, size_t{340}, bytes.size() - 1})
        add("cut" + std::to_string(cut) + ".xm",
            std::vector<uint8_t>(bytes.begin(), bytes.begin() + static_cast<long>(cut)),
            cut < 64 ? "not an XM" : "truncated");
    add("foreign.xm", std::vector<uint8_t>(4096, 0x41), "not an XM");
    std::vector<uint8_t> lying = bytes; // a pattern size field past the end
    lying[336 + 7] = lying[336 + 8] = 0xff;
    add("lying.xm", lying, "truncated");

    for (const auto& [path, expect] : cases) {
        XmpTicker t;
        EXPECT_FALSE(t.load(path, kMusicRate)) << path;
        EXPECT_NE(t.error.find(path), std::string::npos) << t.error;
        EXPECT_NE(t.error.find(expect), std::string::npos) << t.error;
        EXPECT_EQ(t.error.find('\n'), std::string::npos);
        // The players stay usable: play, advance and free do nothing.
        OfflineMusic off;
        EXPECT_FALSE(off.load(path, true));
        off.installSync(record);
        off.play();
        off.advanceTo(5.0);
        EXPECT_TRUE(off.samples.empty());
        off.unload();
        EXPECT_EQ(listSyncs(path), 1);
    }
    XmpMusic live;
    EXPECT_FALSE(live.load(dir + "/missing.xm", true));
    live.installSync(musicSyncCallback);
    live.play();
    live.unload();
}

TEST(MusicPlayer, CapturedAudioIsWrittenAsWav) {
    std::string path = writeModule({pattern(16, {}, true)}, {0}, "wav.xm");
    OfflineMusic music;
    ASSERT_TRUE(music.load(path, true));
    music.play();
    music.advanceTo(0.25);
    std::string wav = std::filesystem::path(path).replace_extension(".wav").string();
    // Asks past what was rendered: the player renders on to the end of the range.
    ASSERT_TRUE(music.writeWav(wav, 0.5, 1.0));
    std::ifstream in(wav, std::ios::binary);
    std::vector<uint8_t> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    ASSERT_EQ(b.size(), 44u + 24000u * 4u);
    EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
    EXPECT_EQ(b[22] | (b[23] << 8), 2);                                     // channels
    EXPECT_EQ(b[24] | (b[25] << 8) | (b[26] << 16), kMusicRate);            // rate
    EXPECT_EQ(b[40] | (b[41] << 8) | (b[42] << 16) | (b[43] << 24), 96000); // data bytes
    // The range holds the same frames the player captured from 0.5 s on.
    EXPECT_EQ(static_cast<int16_t>(b[44] | (b[45] << 8)), music.samples[24000 * 2]);
    EXPECT_FALSE(music.writeWav("/nonexistent-dir/x.wav", 0, 1));

    // Without a module the range is silence of the right length (the capture still muxes).
    OfflineMusic silent;
    EXPECT_FALSE(silent.load(path + ".missing", true));
    ASSERT_TRUE(silent.writeWav(wav, 0, 0.5));
    EXPECT_EQ(std::filesystem::file_size(wav), 44u + 24000u * 4u);
}

// Live delivery on SDL's dummy driver: syncs reach the drawing thread when they are heard.
std::mutex gLiveMutex;
std::vector<std::pair<uint32_t, std::chrono::steady_clock::time_point>> gLive;
void recordLive(uint32_t v) {
    std::lock_guard<std::mutex> lock(gLiveMutex);
    gLive.push_back({v, std::chrono::steady_clock::now()});
}

// Plays a 2-second module live and returns how far each of its four syncs (one every
// 0.5 s) arrived from its row time, in seconds.
std::vector<double> liveOffsets(bool noSound, int* deviceSamples) {
    std::string path =
        writeModule({pattern(16, {{0, 0, 0}, {4, 0, 1}, {8, 0, 2}, {12, 0, 3}})}, {0}, "live.xm");
    XmpMusic music;
    EXPECT_TRUE(music.load(path, noSound));
    *deviceSamples = music.deviceSamples;
    music.installSync(recordLive);
    gLive.clear();
    auto start = std::chrono::steady_clock::now();
    music.play();
    // Frames every 4 ms release the syncs as they are heard; wait for the four (1.5 s of
    // music), longer when the machine is busy.
    for (int waited = 0; waited < 6000; waited += 4) {
        music.advanceTo(waited / 1000.0);
        {
            std::lock_guard<std::mutex> lock(gLiveMutex);
            if (gLive.size() >= 4) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(4));
    }
    music.unload();
    std::lock_guard<std::mutex> lock(gLiveMutex);
    std::vector<double> offsets;
    for (size_t i = 0; i < gLive.size() && i < 4; ++i) {
        EXPECT_EQ(gLive[i].first, i);
        double at = std::chrono::duration<double>(gLive[i].second - start).count();
        offsets.push_back(at - 0.5 * static_cast<double>(i));
        std::printf("%s: sync %zu delivered %+.1f ms from its row time\n",
                    noSound ? "no sound" : "device", i, offsets.back() * 1000);
    }
    return offsets;
}

TEST(MusicPlayer, LiveSyncsArriveInRealTime) {
    // Without a device the deadlines are absolute: no drift, only the scheduler's wake-up
    // delay. SDL's dummy driver stands in for a sound card: the callback path runs for real,
    // but it paces itself by whole-millisecond sleeps and falls behind on a loaded machine,
    // so only the order and a loose bound are checked.
    for (bool noSound : {true, false}) {
        if (!noSound) setenv("SDL_AUDIODRIVER", "dummy", 1);
        int samples = 0;
        std::vector<double> off = liveOffsets(noSound, &samples);
        unsetenv("SDL_AUDIODRIVER");
        ASSERT_EQ(off.size(), 4u) << noSound;
        EXPECT_EQ(samples > 0, !noSound);
        for (double o : off) {
            EXPECT_GT(o, noSound ? -0.008 : -0.2);
            EXPECT_LT(o, noSound ? 0.08 : 1.5);
        }
    }
}

TEST(MusicPlayer, QueuedSyncsWaitUntilTheirSoundIsHeard) {
    // Released in order, each only once its time has come; a full queue drops the newest.
    static std::vector<uint32_t> got;
    got.clear();
    auto note = [](uint32_t v) { got.push_back(v); };
    SyncQueue q;
    for (uint32_t i = 0; i < SyncQueue::kSize; ++i)
        EXPECT_TRUE(q.push({100 + static_cast<int64_t>(i), i}));
    EXPECT_FALSE(q.push({1, 999}));
    const std::pair<int64_t, size_t> steps[] = {{99, 0}, {100, 1}, {102, 3}, {102, 3}, {1000, 256}};
    for (auto [now, released] : steps) {
        q.release(now, note);
        EXPECT_EQ(got.size(), released) << now;
    }
    for (uint32_t i = 0; i < got.size(); ++i) EXPECT_EQ(got[i], i);
    EXPECT_TRUE(q.push({5, 7})); // room again
}

} // namespace
} // namespace tw
