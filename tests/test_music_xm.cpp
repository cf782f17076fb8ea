// The XM writer read back by libxmp (an independent reader), and the forged instruments
// checked for the discontinuities that are heard as clicks.
#include <gtest/gtest.h>
#include <xmp.h>

#include <cmath>
#include <fstream>

#include "tools/write/xm_writer.h"

namespace tw {
namespace {

struct LoadedModule {
    xmp_context ctx = xmp_create_context();
    xmp_module_info mi{};
    bool ok = false;
    explicit LoadedModule(const std::vector<uint8_t>& bytes) {
        ok = xmp_load_module_from_memory(ctx, bytes.data(), static_cast<long>(bytes.size())) == 0;
        if (ok) xmp_get_module_info(ctx, &mi);
    }
    explicit LoadedModule(const std::string& path) {
        ok = xmp_load_module(ctx, path.c_str()) == 0;
        if (ok) xmp_get_module_info(ctx, &mi);
    }
    ~LoadedModule() {
        if (ok) xmp_release_module(ctx);
        xmp_free_context(ctx);
    }
};

TEST(XmWriter, LibxmpReadsBackWhatWasWritten) {
    XmModule m;
    m.name = "round trip";
    m.channels = 3;
    m.speed = 5;
    m.bpm = 133;
    m.restart = 1;
    XmInstrument ins;
    // Extreme steps exercise the 16-bit delta wrap-around.
    ins.sample.data = {0, 32767, -32768, 32767, -1, 1, 1000, -1000, 5, 0};
    ins.sample.loopStart = 2;
    ins.sample.loopLength = 6;
    ins.sample.volume = 40;
    ins.sample.panning = 200;
    ins.sample.relativeNote = -3;
    ins.volumeEnvelope = {{0, 0}, {4, 64}, {20, 32}, {40, 0}};
    ins.sustainPoint = 2;
    ins.fadeout = 0x123;
    XmInstrument plain;
    plain.sample.data = {1, 2, 3};
    m.instruments = {ins, plain};
    XmPattern a;
    a.rows = 3;
    a.cells.resize(9);
    a.cells[0] = {49, 1, 0x50, 0x0E, 0x83};   // all five fields: the unpacked form
    a.cells[4] = {0, 2, 0, 0, 0};             // instrument only
    a.cells[8] = {kXmNoteOff, 0, 0, 0x0D, 0}; // note off and an effect without parameter
    XmPattern b;
    b.rows = 256;
    b.cells.resize(256 * 3);
    b.cells[255 * 3 + 2] = {96, 2, 0x10, 0x0A, 0x0F};
    m.patterns = {a, b};
    m.orders = {0, 1, 0};

    std::string error;
    std::vector<uint8_t> bytes = encodeXm(m, &error);
    ASSERT_FALSE(bytes.empty()) << error;
    LoadedModule x(bytes);
    ASSERT_TRUE(x.ok);
    const xmp_module* mod = x.mi.mod;
    EXPECT_STREQ(mod->name, "round trip");
    EXPECT_EQ(std::vector<int>({mod->chn, mod->len, mod->rst, mod->spd, mod->bpm, mod->xxo[1]}),
              std::vector<int>({3, 3, 1, 5, 133, 1}));
    ASSERT_EQ(mod->ins, 2);

    const xmp_sample& s = mod->xxs[mod->xxi[0].sub[0].sid];
    ASSERT_EQ(s.len, 10);
    EXPECT_EQ(s.flg & (XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP), XMP_SAMPLE_16BIT | XMP_SAMPLE_LOOP);
    EXPECT_EQ(s.lps, 2);
    EXPECT_EQ(s.lpe, 8);
    const int16_t* d = reinterpret_cast<const int16_t*>(s.data);
    // libxmp rewrites what follows a forward loop's end (its interpolation guard).
    for (int i = 0; i < 8; ++i) EXPECT_EQ(d[i], ins.sample.data[i]) << i;
    EXPECT_FALSE(mod->xxs[mod->xxi[1].sub[0].sid].flg & XMP_SAMPLE_LOOP);

    const xmp_instrument& xi = mod->xxi[0];
    // libxmp keeps fadeout in its own doubled unit.
    EXPECT_EQ(std::vector<int>({xi.sub[0].vol, xi.sub[0].pan, xi.sub[0].xpo, xi.rls}),
              std::vector<int>({40, 200, -3, 2 * 0x123}));
    EXPECT_EQ(xi.aei.flg & (XMP_ENVELOPE_ON | XMP_ENVELOPE_SUS),
              XMP_ENVELOPE_ON | XMP_ENVELOPE_SUS);
    ASSERT_EQ(xi.aei.npt, 4);
    EXPECT_EQ(xi.aei.sus, 2);
    EXPECT_EQ(xi.aei.data[2], 4); // point 1: tick, value
    EXPECT_EQ(xi.aei.data[3], 64);
    EXPECT_FALSE(mod->xxi[1].aei.flg & XMP_ENVELOPE_ON);

    auto event = [&](int pat, int row, int ch) -> const xmp_event& {
        return mod->xxt[mod->xxp[pat]->index[ch]]->event[row];
    };
    const xmp_event& e0 = event(0, 0, 0);
    EXPECT_GT(e0.note, 0);
    EXPECT_EQ(std::vector<int>({e0.ins, e0.fxt, e0.fxp}), std::vector<int>({1, 0x0E, 0x83}));
    EXPECT_EQ(event(0, 1, 1).ins, 2);
    EXPECT_EQ(event(0, 2, 2).note, XMP_KEY_OFF);
    EXPECT_EQ(mod->xxp[1]->rows, 256);
    EXPECT_EQ(event(1, 255, 2).ins, 2);
    EXPECT_EQ(event(1, 255, 2).note, e0.note + 47); // B-7 is 47 semitones above C-4
}

TEST(XmWriter, RefusesWhatItCannotEncode) {
    XmModule m;
    m.patterns.resize(1);
    m.patterns[0].rows = 4;
    m.patterns[0].cells.resize(4 * m.channels);
    m.orders = {0};
    m.instruments.resize(1);
    m.instruments[0].sample.data.resize(10);
    m.instruments[0].sample.loopStart = 8;
    m.instruments[0].sample.loopLength = 2;
    std::string error;
    EXPECT_FALSE(encodeXm(m, &error).empty()) << error;

    // Each fault, with the word its message must carry.
    const std::pair<void (*)(XmModule&), const char*> faults[] = {
        {[](XmModule& x) { x.orders = {1}; }, "missing pattern"},
        {[](XmModule& x) { x.patterns[0].cells.pop_back(); }, ""},
        {[](XmModule& x) { x.instruments[0].sample.loopLength = 3; }, "loop"},
        {[](XmModule& x) {
             x.instruments[0].volumeEnvelope = {{0, 64}, {0, 0}};
         },
         ""},
        {[](XmModule& x) { x.instruments[0].volumeEnvelope.assign(13, {}); }, ""},
    };
    for (const auto& [spoil, word] : faults) {
        XmModule bad = m;
        spoil(bad);
        error.clear();
        EXPECT_TRUE(encodeXm(bad, &error).empty() && !error.empty()) << word;
        EXPECT_NE(error.find(word), std::string::npos) << error;
    }
}

TEST(XmWriter, TunedSamplesPlayAtTheirPitch) {
    // A-4 from a 44100 Hz sample whose tone is 440 Hz must play it at its own rate: the
    // XM linear formula gives 8363 * 2^((57 - 48 + rel + fine/128) / 12) for A-4.
    for (double tone : {55.0, 220.0, 261.6255653, 440.0, 1000.0}) {
        XmSample s;
        tuneSample(s, 44100, tone);
        double rate = 8363.0 * std::pow(2.0, (9 + s.relativeNote + s.finetune / 128.0) / 12.0);
        double played = tone * rate / 44100.0;
        EXPECT_NEAR(std::log2(played / 440.0) * 1200, 0.0, 0.5) << tone; // within half a cent
    }
}

TEST(ForgedInstruments, NoClicksAtStartsEndsOrLoopPoints) {
    LoadedModule x(std::string(TW_BINARY_DIR) + "/data/vekt51.xm");
    ASSERT_TRUE(x.ok);
    const xmp_module* mod = x.mi.mod;
    ASSERT_EQ(mod->ins, 8);
    for (int i = 0; i < mod->ins; ++i) {
        const xmp_sample& s = mod->xxs[mod->xxi[i].sub[0].sid];
        ASSERT_TRUE(s.flg & XMP_SAMPLE_16BIT);
        ASSERT_GT(s.len, 1000);
        const int16_t* d = reinterpret_cast<const int16_t*>(s.data);
        // The largest step inside the sample is what its own sound allows.
        int maxStep = 0, peak = 0;
        for (int k = 1; k < s.len; ++k) {
            maxStep = std::max(maxStep, std::abs(d[k] - d[k - 1]));
            peak = std::max(peak, std::abs(static_cast<int>(d[k])));
        }
        EXPECT_GT(peak, 8000) << s.name;
        EXPECT_LT(peak, 32767) << s.name;
        if (s.flg & XMP_SAMPLE_LOOP) {
            // Wrapping from the loop end to its start is one more ordinary step.
            int wrap = std::abs(d[s.lps] - d[s.lpe - 1]);
            EXPECT_LE(wrap, maxStep) << s.name;
            EXPECT_TRUE(mod->xxi[i].aei.flg & XMP_ENVELOPE_ON) << s.name << ": key-off would cut";
        } else {
            EXPECT_LT(std::abs(d[0]), 200) << s.name << " starts with a step";
            EXPECT_LT(std::abs(d[s.len - 1]), 50) << s.name << " stops with a step";
        }
    }
}

} // namespace
} // namespace tw
