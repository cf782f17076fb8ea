// The forged soundtrack: it loads, lasts 177 s, its syncs match the sync sheet and what each
// scene reads, an independent player agrees on its timing, and its audio is clean.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>

#if __has_include(<libopenmpt/libopenmpt.h>)
#include <dlfcn.h>
#include <libopenmpt/libopenmpt.h>
#define TW_HAVE_OPENMPT_HEADER 1
#endif

#include "host/music_offline.h"
#include "host/music_syncs.h"
#include "scenes/timeline.h"

namespace tw {
namespace {

const std::string kModule = std::string(TW_BINARY_DIR) + "/data/vekt51.xm";

// The sync values each scene reads, by scene id (5, the flash, is read by the demo loop in
// every scene); the scene windows come from the timeline's script.
const char* const kReads[SCENE_COUNT] = {"0125", "015", "25",  "5",    "0125", "0125",
                                         "015",  "015", "015", "0156", "5"};
struct SceneSpan {
    const char* name;
    double from, to;
    const char* reads; // sync values as characters
};

SceneSpan sceneAt(double t) {
    SceneSpan span{};
    for (int id = 0; id < SCENE_COUNT; ++id) {
        float from = 0, to = 0;
        sceneInterval(id, from, to);
        span = {sceneName(id), from, to, kReads[id]};
        if (t >= from && t < to) break;
    }
    return span;
}

std::string run(const std::string& command) {
    std::string out;
    std::FILE* p = popen(command.c_str(), "r");
    if (!p) return out;
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    pclose(p);
    return out;
}

std::vector<SyncEvent> moduleSyncs(double* duration) {
    std::string error;
    std::vector<SyncEvent> ev = firstPassSyncs(kModule, duration, &error);
    EXPECT_TRUE(error.empty()) << error;
    return ev;
}

// "time value" pairs from lines that do not start with '#'.
std::vector<std::pair<double, int>> timeValueLines(const std::string& text) {
    std::vector<std::pair<double, int>> out;
    std::istringstream in(text);
    std::string line;
    while (std::getline(in, line)) {
        double t = 0;
        int v = 0;
        if (!line.empty() && line[0] != '#' && std::sscanf(line.c_str(), "%lf %d", &t, &v) == 2)
            out.push_back({t, v});
    }
    return out;
}

TEST(Soundtrack, SyncsMatchTheSheetAndTheScenesThatReadThem) {
    double duration = 0;
    std::vector<SyncEvent> ev = moduleSyncs(&duration);
    EXPECT_DOUBLE_EQ(duration, demoLengthSeconds());

    // The printed sheet lists exactly what the module plays, and so does --list-syncs.
    std::string dir = TW_BINARY_DIR;
    auto sheet = timeValueLines(run(dir + "/tools/forge --sync-sheet"));
    EXPECT_EQ(timeValueLines(run(dir + "/tarnwick --list-syncs --data " + dir)), sheet);
    ASSERT_EQ(sheet.size(), ev.size());
    for (size_t i = 0; i < ev.size(); ++i) {
        EXPECT_NEAR(ev[i].seconds, sheet[i].first, 1e-9) << i;
        EXPECT_EQ(ev[i].value, sheet[i].second) << i;
    }

    int holds = 0, boundaryFlashes = 0;
    double lastFlash = -10;
    for (const SyncEvent& e : ev) {
        const SceneSpan s = sceneAt(e.seconds);
        EXPECT_NE(std::strchr(s.reads, '0' + e.value), nullptr)
            << "value " << e.value << " at " << e.seconds << " s: " << s.name << " never reads it";
        bool onBoundary = e.seconds > 0 && e.seconds == s.from;
        EXPECT_FALSE(onBoundary && e.value <= 2)
            << "beat sync on a scene boundary at " << e.seconds;
        holds += e.value == 6;
        if (e.value == 5) {
            EXPECT_GE(e.seconds - lastFlash, 4.0) << "flashes too close at " << e.seconds;
            lastFlash = e.seconds;
            boundaryFlashes += onBoundary;
        }
    }
    EXPECT_EQ(holds, 1);
    EXPECT_EQ(boundaryFlashes, SCENE_COUNT - 1) << "a boundary lacks its flash";
}

TEST(Soundtrack, ListSyncsWithoutTheModuleFails) {
    // A missing module: status 1 and one line on standard error.
    std::string dir = TW_BINARY_DIR;
    std::string empty = dir + "/test_music_tmp/empty";
    std::filesystem::create_directories(empty + "/data");
    std::string out = run(dir + "/tarnwick --list-syncs --data " + empty + " 2>&1; echo status $?");
    EXPECT_EQ(out.rfind("music: cannot play", 0), 0u) << out;
    EXPECT_NE(out.find("vekt51.xm: No such file or directory\nstatus 1"), std::string::npos) << out;
}

TEST(Soundtrack, AnIndependentPlayerAgreesOnDurationAndSyncTimes) {
    std::string info = run("openmpt123 --info '" + kModule + "' 2>&1");
    if (info.find("Duration") == std::string::npos) GTEST_SKIP() << "openmpt123 not installed";
    EXPECT_NE(info.find("Duration...: 02:57.000"), std::string::npos) << info;

#ifdef TW_HAVE_OPENMPT_HEADER
    void* lib = dlopen("libopenmpt.so.0", RTLD_NOW);
    if (!lib) GTEST_SKIP() << "libopenmpt not installed";
    bool found = true;
#define TW_OPENMPT(name)                                                                           \
    auto name = reinterpret_cast<decltype(&::name)>(dlsym(lib, #name));                            \
    found &= name != nullptr
    TW_OPENMPT(openmpt_module_create_from_memory2);
    TW_OPENMPT(openmpt_module_destroy);
    TW_OPENMPT(openmpt_module_get_duration_seconds);
    TW_OPENMPT(openmpt_module_get_num_orders);
    TW_OPENMPT(openmpt_module_get_num_channels);
    TW_OPENMPT(openmpt_module_get_order_pattern);
    TW_OPENMPT(openmpt_module_get_pattern_num_rows);
    TW_OPENMPT(openmpt_module_format_pattern_row_channel_command);
    TW_OPENMPT(openmpt_module_set_position_order_row);
    TW_OPENMPT(openmpt_free_string);
#undef TW_OPENMPT
    ASSERT_TRUE(found);

    std::ifstream in(kModule, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int err = 0;
    openmpt_module* mod = openmpt_module_create_from_memory2(
        bytes.data(), bytes.size(), nullptr, nullptr, nullptr, nullptr, &err, nullptr, nullptr);
    ASSERT_NE(mod, nullptr) << "libopenmpt error " << err;
    EXPECT_NEAR(openmpt_module_get_duration_seconds(mod), demoLengthSeconds(), 0.001);

    // Read every E8x with libopenmpt's own pattern reader, timed by its own seek.
    std::vector<std::pair<double, int>> theirs;
    auto field = [&](int p, int r, int c, int what) {
        const char* s = openmpt_module_format_pattern_row_channel_command(mod, p, r, c, what);
        std::string v = s ? s : "";
        openmpt_free_string(s);
        return v;
    };
    int channels = openmpt_module_get_num_channels(mod);
    for (int o = 0; o < openmpt_module_get_num_orders(mod); ++o) {
        int p = openmpt_module_get_order_pattern(mod, o);
        for (int r = 0; r < openmpt_module_get_pattern_num_rows(mod, p); ++r) {
            for (int c = 0; c < channels; ++c) {
                if (field(p, r, c, OPENMPT_MODULE_COMMAND_EFFECT) != "E") continue;
                std::string param = field(p, r, c, OPENMPT_MODULE_COMMAND_PARAMETER);
                if (param.size() != 2 || param[0] != '8') continue;
                double t = openmpt_module_set_position_order_row(mod, o, r);
                theirs.push_back({t, std::stoi(param.substr(1), nullptr, 16)});
            }
        }
    }
    openmpt_module_destroy(mod);
    dlclose(lib);

    std::vector<SyncEvent> ours = moduleSyncs(nullptr);
    ASSERT_EQ(ours.size(), theirs.size());
    for (size_t i = 0; i < ours.size(); ++i) {
        EXPECT_NEAR(ours[i].seconds, theirs[i].first, 0.001) << i;
        EXPECT_EQ(ours[i].value, theirs[i].second) << i;
    }
#endif
}

TEST(Soundtrack, RendersCleanAudio) {
    OfflineMusic music;
    ASSERT_TRUE(music.load(kModule, true));
    music.play();
    music.advanceTo(176.999);
    const std::vector<int16_t>& s = music.samples;
    ASSERT_EQ(s.size(), static_cast<size_t>(177 * kMusicRate * 2));

    // No clipping: the loudest sample keeps headroom.
    int peak = 0;
    for (int16_t v : s) peak = std::max(peak, std::abs(static_cast<int>(v)));
    EXPECT_LT(peak, 32000);

    auto rmsOf = [&](double from, double to) {
        double sum = 0;
        size_t a = static_cast<size_t>(from * kMusicRate) * 2,
               b = static_cast<size_t>(to * kMusicRate) * 2;
        for (size_t i = a; i < b; ++i) sum += double(s[i]) * s[i];
        return std::sqrt(sum / double(b - a));
    };
    // No silence gaps: every 100 ms window before the final fade carries sound.
    for (int w = 0; w < 1760; ++w)
        ASSERT_GT(rmsOf(w / 10.0, (w + 1) / 10.0), 0.001 * 32768) << "near-silence at " << w / 10.0;

    // Mono-compatible: the side signal stays far below the mid (nothing cancels in mono).
    double mid = 0, side = 0;
    for (size_t i = 0; i + 1 < s.size(); i += 2) {
        double m = (s[i] + s[i + 1]) * 0.5, d = (s[i] - s[i + 1]) * 0.5;
        mid += m * m;
        side += d * d;
    }
    EXPECT_LT(side, mid * 0.1);

    // The climax is louder than the breakdown.
    EXPECT_GT(rmsOf(148, 168), rmsOf(44.5, 57) * 1.4);
}

} // namespace
} // namespace tw
