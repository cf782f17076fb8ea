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

#include "host/music_xmp.h"
#include "host/sync.h"
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

XmPattern emptyPattern(int rows) {
    XmPattern p;
    p.rows = rows;
    p.cells.resize(static_cast<size_t>(rows) * kChannels);
    return p;
}

XmCell& cell(XmPattern& p, int row, int ch) {
    return p.cells[static_cast<size_t>(row) * kChannels + ch];
}

void putSync(XmPattern& p, int row, int ch, int value) {
    cell(p, row, ch).effect = kXmFxExtended;
    cell(p, row, ch).param = static_cast<uint8_t>(0x80 | value);
}

XmModule baseModule() {
    XmModule m;
    m.name = "test";
    m.channels = kChannels;
    m.speed = 6;
    m.bpm = 120;
    m.instruments.push_back(toneInstrument());
    return m;
}

std::string writeModule(const XmModule& m, const std::string& name) {
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

TEST(MusicPlayer, SyncsFireAtTheirRowTimesInChannelOrder) {
    XmModule m = baseModule();
    XmPattern p = emptyPattern(16);
    cell(p, 0, 0).note = 49;
    cell(p, 0, 0).instrument = 1;
    putSync(p, 0, 1, 0);
    putSync(p, 4, 0, 1);
    putSync(p, 5, 1, 2);
    putSync(p, 8, 0, 10); // recorded and delivered; the flag callback ignores it
    putSync(p, 12, 0, 5); // two in one row: channel 0 first
    putSync(p, 12, 1, 3);
    m.patterns.push_back(p);
    m.orders = {0};
    std::string path = writeModule(m, "timing.xm");

    double duration = 0;
    std::string error;
    std::vector<SyncEvent> ev = firstPassSyncs(path, &duration, &error);
    ASSERT_TRUE(error.empty()) << error;
    EXPECT_DOUBLE_EQ(duration, 2.0);
    ASSERT_EQ(ev.size(), 6u);
    const int rows[] = {0, 4, 5, 8, 12, 12};
    const int values[] = {0, 1, 2, 10, 5, 3};
    for (size_t i = 0; i < ev.size(); ++i) {
        EXPECT_DOUBLE_EQ(ev[i].seconds, rows[i] * 0.125) << i;
        EXPECT_EQ(ev[i].row, rows[i]) << i;
        EXPECT_EQ(ev[i].value, values[i]) << i;
    }

    // Lockstep: a tick is rendered once its start time has been reached, not before.
    OfflineMusic music;
    ASSERT_TRUE(music.load(path, true));
    gReceived.clear();
    music.installSync(record);
    music.play();
    EXPECT_TRUE(gReceived.empty()); // play renders nothing by itself
    music.advanceTo(0.0);
    EXPECT_EQ(gReceived, (std::vector<uint32_t>{0}));
    music.advanceTo(0.4999);
    EXPECT_EQ(gReceived.size(), 1u);
    music.advanceTo(0.5);
    EXPECT_EQ(gReceived, (std::vector<uint32_t>{0, 1}));
    music.advanceTo(1.6);
    EXPECT_EQ(gReceived, (std::vector<uint32_t>{0, 1, 2, 10, 5, 3}));
    EXPECT_EQ(music.samples.size(), 77u * 1000u * 2u); // the 77 ticks starting at or before 1.6 s
    music.free();
}

TEST(MusicPlayer, SyncValuesReachTheirFlags) {
    XmModule m = baseModule();
    XmPattern p = emptyPattern(8);
    putSync(p, 1, 0, 0);
    putSync(p, 3, 0, 1);
    putSync(p, 5, 0, 15); // 10 and above: no flag
    putSync(p, 6, 1, 6);
    m.patterns.push_back(p);
    m.orders = {0};
    std::string path = writeModule(m, "values.xm");

    OfflineMusic music;
    ASSERT_TRUE(music.load(path, false));
    music.installSync(musicSyncCallback);
    music.play();
    resetSyncFlags();
    music.advanceTo(0.125);
    EXPECT_TRUE(latchSync(SYNC_BEAT)); // value 0
    music.advanceTo(0.375);
    EXPECT_TRUE(latchSync(SYNC_BEAT)); // value 1 shares the flag
    EXPECT_FALSE(latchSync(SYNC_BEAT));
    music.advanceTo(0.625);
    for (int i = 0; i < kSyncFlagCount; ++i) EXPECT_EQ(syncFlags[i].load(), 0.0f) << i;
    music.advanceTo(0.75);
    EXPECT_TRUE(latchSync(SYNC_HOLD));
    music.free();
}

TEST(MusicPlayer, ReplayedRowsFireAgainAndTheModuleLoops) {
    XmModule m = baseModule();
    // Pattern 0: rows 0..3 repeated once by a pattern loop (E60 ... E61), sync on row 2.
    XmPattern loop = emptyPattern(4);
    cell(loop, 0, 0).effect = kXmFxExtended;
    cell(loop, 0, 0).param = 0x60;
    putSync(loop, 2, 1, 1);
    cell(loop, 3, 0).effect = kXmFxExtended;
    cell(loop, 3, 0).param = 0x61;
    // Pattern 1: sync on row 0, then a jump back to order 1 taken once per pass would loop
    // forever; instead a break at row 1 moves on to pattern 2.
    XmPattern second = emptyPattern(2);
    putSync(second, 0, 0, 5);
    XmPattern third = emptyPattern(2);
    putSync(third, 1, 0, 6);
    m.patterns = {loop, second, third};
    m.orders = {0, 1, 2};
    m.restart = 1; // after the end, playback resumes at order 1
    std::string path = writeModule(m, "replay.xm");

    OfflineMusic music;
    ASSERT_TRUE(music.load(path, true));
    gReceived.clear();
    music.installSync(record);
    music.play();
    // First pass: 8 rows of the looped pattern, then 2 + 2 rows: 1.5 s.
    music.advanceTo(1.49);
    EXPECT_EQ(gReceived, (std::vector<uint32_t>{1, 1, 5, 6}));
    // Second pass starts at order 1 (restart position): 5 at 1.5 s, 6 at 1.875 s.
    music.advanceTo(1.5);
    EXPECT_EQ(gReceived.size(), 5u);
    music.advanceTo(1.99);
    EXPECT_EQ(gReceived, (std::vector<uint32_t>{1, 1, 5, 6, 5, 6}));
    music.advanceTo(2.0); // and again from order 1
    EXPECT_EQ(gReceived.size(), 7u);
    EXPECT_GE(music.ticker.loopCount, 1);

    double duration = 0;
    std::vector<SyncEvent> ev = firstPassSyncs(path, &duration, nullptr);
    ASSERT_EQ(ev.size(), 4u);
    EXPECT_DOUBLE_EQ(ev[0].seconds, 0.25);
    EXPECT_DOUBLE_EQ(ev[1].seconds, 0.75);
    EXPECT_DOUBLE_EQ(duration, 1.5);
}

TEST(MusicPlayer, BackwardJumpReplaysRows) {
    XmModule m = baseModule();
    XmPattern a = emptyPattern(2);
    putSync(a, 1, 0, 2);
    XmPattern b = emptyPattern(2);
    cell(b, 1, 1).effect = kXmFxJump; // back to order 0
    cell(b, 1, 1).param = 0;
    m.patterns = {a, b};
    m.orders = {0, 1};
    std::string path = writeModule(m, "jump.xm");

    OfflineMusic music;
    ASSERT_TRUE(music.load(path, true));
    gReceived.clear();
    music.installSync(record);
    music.play();
    music.advanceTo(0.125 * 9); // rows 0..9: the sync row (1, 5, 9) three times
    EXPECT_EQ(gReceived, (std::vector<uint32_t>{2, 2, 2}));
}

TEST(MusicPlayer, SyncCommandsDoNotPanTheChannel) {
    // E80 played as panning would throw the note hard left.
    XmModule m = baseModule();
    XmPattern p = emptyPattern(8);
    cell(p, 0, 0).note = 49;
    cell(p, 0, 0).instrument = 1;
    putSync(p, 0, 0, 0);
    putSync(p, 2, 0, 0);
    m.patterns.push_back(p);
    m.orders = {0};
    std::string path = writeModule(m, "pan.xm");

    OfflineMusic music;
    ASSERT_TRUE(music.load(path, true));
    music.play();
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
    XmModule m = baseModule();
    XmPattern p = emptyPattern(4);
    putSync(p, 0, 0, 1);
    m.patterns.push_back(p);
    m.orders = {0};
    std::string good = writeModule(m, "good.xm");
    std::ifstream in(good, std::ios::binary);
    std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                               std::istreambuf_iterator<char>());
    ASSERT_GT(bytes.size(), 1000u);

    std::string dir = std::filesystem::path(good).parent_path().string();
    struct Case {
        std::string path;
        std::string expect;
    };
    std::vector<Case> cases;
    cases.push_back({dir + "/missing.xm", "No such file"});
    for (size_t cut : {size_t{10}, size_t{70}, size_t{340}, bytes.size() - 1}) {
        std::string path = dir + "/cut" + std::to_string(cut) + ".xm";
        ASSERT_TRUE(writeFile(path, std::vector<uint8_t>(bytes.begin(), bytes.begin() + cut)));
        cases.push_back({path, cut < 64 ? "not an XM" : "truncated"});
    }
    std::vector<uint8_t> foreign(4096, 0x41);
    writeFile(dir + "/foreign.xm", foreign);
    cases.push_back({dir + "/foreign.xm", "not an XM"});
    // A lying pattern size field.
    std::vector<uint8_t> lying = bytes;
    lying[336 + 7] = 0xff;
    lying[336 + 8] = 0xff;
    writeFile(dir + "/lying.xm", lying);
    cases.push_back({dir + "/lying.xm", "truncated"});

    for (const Case& c : cases) {
        XmpTicker t;
        EXPECT_FALSE(t.load(c.path, kMusicRate)) << c.path;
        EXPECT_NE(t.error.find(c.path), std::string::npos) << t.error;
        EXPECT_NE(t.error.find(c.expect), std::string::npos) << t.error;
        EXPECT_EQ(t.error.find('\n'), std::string::npos);
        // The players stay usable: play, advance and free do nothing.
        OfflineMusic off;
        EXPECT_FALSE(off.load(c.path, true));
        off.installSync(record);
        off.play();
        off.advanceTo(5.0);
        EXPECT_TRUE(off.samples.empty());
        off.free();
        EXPECT_EQ(listSyncs(c.path), 1);
    }
    XmpMusic live;
    EXPECT_FALSE(live.load(dir + "/missing.xm", true));
    live.installSync(musicSyncCallback);
    live.play();
    live.free();
}

TEST(MusicPlayer, CapturedAudioIsWrittenAsWav) {
    XmModule m = baseModule();
    XmPattern p = emptyPattern(16);
    cell(p, 0, 0).note = 49;
    cell(p, 0, 0).instrument = 1;
    m.patterns.push_back(p);
    m.orders = {0};
    std::string path = writeModule(m, "wav.xm");
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
    const int16_t first = static_cast<int16_t>(b[44] | (b[45] << 8));
    EXPECT_EQ(first, music.samples[24000 * 2]);
    EXPECT_FALSE(music.writeWav("/nonexistent-dir/x.wav", 0, 1));

    // Without a module the range is silence of the right length (the capture still muxes).
    OfflineMusic silent;
    EXPECT_FALSE(silent.load(path + ".missing", true));
    ASSERT_TRUE(silent.writeWav(wav, 0, 0.5));
    EXPECT_EQ(std::filesystem::file_size(wav), 44u + 24000u * 4u);
}

// Live delivery on SDL's dummy driver: syncs arrive in real time on the audio thread.
std::mutex gLiveMutex;
std::vector<std::pair<uint32_t, std::chrono::steady_clock::time_point>> gLive;
void recordLive(uint32_t v) {
    std::lock_guard<std::mutex> lock(gLiveMutex);
    gLive.push_back({v, std::chrono::steady_clock::now()});
}

// Plays a 2-second module live and returns how far each of its four syncs (one every
// 0.5 s) arrived from its row time, in seconds.
std::vector<double> liveOffsets(bool noSound, int* deviceSamples) {
    XmModule m = baseModule();
    XmPattern p = emptyPattern(16);
    for (int r = 0; r < 16; r += 4) putSync(p, r, 0, r / 4);
    m.patterns.push_back(p);
    m.orders = {0};
    std::string path = writeModule(m, "live.xm");

    XmpMusic music;
    EXPECT_TRUE(music.load(path, noSound));
    *deviceSamples = music.deviceSamples;
    music.installSync(recordLive);
    gLive.clear();
    auto start = std::chrono::steady_clock::now();
    music.play();
    // Wait for the four syncs (1.5 s of music), longer when the machine is busy.
    for (int waited = 0; waited < 6000; waited += 20) {
        {
            std::lock_guard<std::mutex> lock(gLiveMutex);
            if (gLive.size() >= 4) break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    music.free();
    std::lock_guard<std::mutex> lock(gLiveMutex);
    std::vector<double> offsets;
    for (size_t i = 0; i < gLive.size() && i < 4; ++i) {
        EXPECT_EQ(gLive[i].first, i);
        double at = std::chrono::duration<double>(gLive[i].second - start).count();
        offsets.push_back(at - 0.5 * static_cast<double>(i));
        std::printf("%s: sync %zu due %.3f s, delivered %+.1f ms from it\n",
                    noSound ? "no sound" : "device", i, 0.5 * static_cast<double>(i),
                    offsets.back() * 1000);
    }
    return offsets;
}

TEST(MusicPlayer, LiveSyncsArriveInRealTimeWithoutADevice) {
    int samples = 0;
    std::vector<double> off = liveOffsets(true, &samples);
    ASSERT_EQ(off.size(), 4u);
    EXPECT_EQ(samples, 0);
    // Absolute deadlines: no drift, only the scheduler's wake-up delay.
    for (double o : off) {
        EXPECT_GT(o, -0.002);
        EXPECT_LT(o, 0.08); // wake-up delay on a busy machine, never accumulating
    }
}

TEST(MusicPlayer, LiveSyncsThroughAnSdlDevice) {
    // SDL's dummy driver stands in for a sound card: the callback path runs for real, but
    // the driver paces itself by whole-millisecond sleeps and falls behind on a loaded
    // machine, so only the order and a loose bound are checked.
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    int samples = 0;
    std::vector<double> off = liveOffsets(false, &samples);
    unsetenv("SDL_AUDIODRIVER");
    ASSERT_EQ(off.size(), 4u);
    EXPECT_GT(samples, 0);
    for (double o : off) {
        EXPECT_GT(o, -0.2);
        EXPECT_LT(o, 1.5);
    }
    std::printf("device buffer %d frames (%.1f ms)\n", samples, samples * 1000.0 / kMusicRate);
}

} // namespace
} // namespace tw
