// XM 1.04 encoding: header, order table, packed patterns, instruments, delta-coded samples.
//
// Layout written (all little-endian):
//   60-byte preamble ("Extended Module: ", name, 0x1a, tracker "FastTracker v2.00", version
//   0x0104), then the header proper (size 276, counted from offset 60): song length, restart,
//   channels, patterns, instruments, flags (1 = linear frequencies), speed, bpm, 256 order
//   bytes.
//   Each pattern: header size 9, packing 0, rows, packed size, packed cells. A cell whose
//   five fields are all present is written as five bytes; otherwise a byte 0x80 | mask
//   (1 note, 2 instrument, 4 volume, 8 effect, 16 parameter) precedes the present fields.
//   Each instrument: a 263-byte header (name, one sample, its note map, volume and panning
//   envelopes, fadeout), then a 40-byte sample header, then the sample data as 16-bit
//   deltas from the previous value.
#include "tools/write/xm_writer.h"

#include <algorithm>
#include <cmath>

namespace tw {

namespace {

struct Out {
    std::vector<uint8_t> bytes;
    void u8(uint32_t v) { bytes.push_back(static_cast<uint8_t>(v)); }
    void u16(uint32_t v) {
        u8(v & 0xff);
        u8((v >> 8) & 0xff);
    }
    void u32(uint32_t v) {
        u16(v & 0xffff);
        u16(v >> 16);
    }
    void text(const std::string& s, size_t width, char pad = 0) {
        for (size_t i = 0; i < width; ++i)
            u8(i < s.size() ? static_cast<uint8_t>(s[i]) : static_cast<uint8_t>(pad));
    }
    void zeros(size_t n) { bytes.insert(bytes.end(), n, 0); }
};

bool fail(std::string* error, const std::string& why) {
    if (error) *error = why;
    return false;
}

bool validate(const XmModule& m, std::string* error) {
    if (m.channels < 1 || m.channels > 32) return fail(error, "channels outside 1..32");
    if (m.orders.empty() || m.orders.size() > 256) return fail(error, "orders outside 1..256");
    if (m.patterns.empty() || m.patterns.size() > 256)
        return fail(error, "patterns outside 1..256");
    if (m.instruments.size() > 128) return fail(error, "more than 128 instruments");
    if (m.speed < 1 || m.speed > 31 || m.bpm < 32 || m.bpm > 255)
        return fail(error, "speed or bpm out of range");
    if (m.restart < 0 || m.restart >= static_cast<int>(m.orders.size()))
        return fail(error, "restart position past the order list");
    for (uint8_t o : m.orders)
        if (o >= m.patterns.size()) return fail(error, "order names a missing pattern");
    for (size_t p = 0; p < m.patterns.size(); ++p) {
        const XmPattern& pat = m.patterns[p];
        if (pat.rows < 1 || pat.rows > 256) return fail(error, "pattern rows outside 1..256");
        if (pat.cells.size() != static_cast<size_t>(pat.rows) * m.channels)
            return fail(error, "pattern " + std::to_string(p) + " has the wrong cell count");
        for (const XmCell& c : pat.cells)
            if (c.note > kXmNoteOff || c.instrument > m.instruments.size())
                return fail(error, "pattern " + std::to_string(p) + " has a bad note");
    }
    for (const XmInstrument& ins : m.instruments) {
        const XmSample& s = ins.sample;
        if (ins.volumeEnvelope.size() > 12) return fail(error, "envelope over 12 points");
        if (ins.sustainPoint >= static_cast<int>(ins.volumeEnvelope.size()))
            return fail(error, "sustain point past the envelope");
        for (size_t i = 1; i < ins.volumeEnvelope.size(); ++i)
            if (ins.volumeEnvelope[i].tick <= ins.volumeEnvelope[i - 1].tick)
                return fail(error, "envelope ticks must increase");
        if (s.data.size() > 0x7fffffffu / 2) return fail(error, "sample too long");
        if (s.loopLength > 0 &&
            (s.loopStart >= s.data.size() || s.loopLength > s.data.size() - s.loopStart))
            return fail(error, "loop of sample '" + s.name + "' lies outside its data");
    }
    return true;
}

void writePattern(Out& out, const XmPattern& pat, int channels) {
    Out packed;
    for (int r = 0; r < pat.rows; ++r) {
        for (int ch = 0; ch < channels; ++ch) {
            const XmCell& c = pat.cells[static_cast<size_t>(r) * channels + ch];
            uint8_t mask = (c.note ? 1 : 0) | (c.instrument ? 2 : 0) | (c.volume ? 4 : 0) |
                           (c.effect ? 8 : 0) | (c.param ? 16 : 0);
            if (mask != 31) packed.u8(0x80 | mask);
            if (c.note) packed.u8(c.note);
            if (c.instrument) packed.u8(c.instrument);
            if (c.volume) packed.u8(c.volume);
            if (c.effect) packed.u8(c.effect);
            if (c.param) packed.u8(c.param);
        }
    }
    out.u32(9);
    out.u8(0);
    out.u16(static_cast<uint32_t>(pat.rows));
    out.u16(static_cast<uint32_t>(packed.bytes.size()));
    out.bytes.insert(out.bytes.end(), packed.bytes.begin(), packed.bytes.end());
}

void writeInstrument(Out& out, const XmInstrument& ins) {
    const XmSample& s = ins.sample;
    out.u32(263);
    out.text(ins.name, 22);
    out.u8(0);
    out.u16(1);    // one sample
    out.u32(40);   // sample header size
    out.zeros(96); // every note plays sample 0
    for (size_t i = 0; i < 12; ++i) {
        XmEnvelopePoint p =
            i < ins.volumeEnvelope.size() ? ins.volumeEnvelope[i] : XmEnvelopePoint{};
        out.u16(p.tick);
        out.u16(p.value);
    }
    out.zeros(48); // panning envelope points
    out.u8(static_cast<uint32_t>(ins.volumeEnvelope.size()));
    out.u8(0); // panning points
    out.u8(ins.sustainPoint < 0 ? 0 : static_cast<uint32_t>(ins.sustainPoint));
    out.u8(0);    // volume loop start
    out.u8(0);    // volume loop end
    out.zeros(3); // panning sustain, loop start, loop end
    uint32_t volType = ins.volumeEnvelope.empty() ? 0 : 1;
    if (!ins.volumeEnvelope.empty() && ins.sustainPoint >= 0) volType |= 2;
    out.u8(volType);
    out.u8(0);    // panning envelope off
    out.zeros(4); // vibrato type, sweep, depth, rate
    out.u16(ins.fadeout);
    out.zeros(22); // reserved, up to the 263-byte size

    // Sample header: lengths in bytes (16-bit data).
    uint32_t len = static_cast<uint32_t>(s.data.size()) * 2;
    out.u32(len);
    out.u32(s.loopLength ? s.loopStart * 2 : 0);
    out.u32(s.loopLength * 2);
    out.u8(std::min<uint32_t>(s.volume, 64));
    out.u8(static_cast<uint8_t>(s.finetune));
    out.u8((s.loopLength ? 1 : 0) | 0x10); // forward loop, 16-bit
    out.u8(s.panning);
    out.u8(static_cast<uint8_t>(s.relativeNote));
    out.u8(0);
    out.text(s.name, 22);

    int16_t prev = 0;
    for (int16_t v : s.data) {
        uint16_t delta =
            static_cast<uint16_t>(static_cast<uint16_t>(v) - static_cast<uint16_t>(prev));
        out.u16(delta);
        prev = v;
    }
}

} // namespace

std::vector<uint8_t> encodeXm(const XmModule& m, std::string* error) {
    if (!validate(m, error)) return {};
    Out out;
    out.text("Extended Module: ", 17);
    // Song name and tracker field as FastTracker II writes them (space-padded): players that
    // look at the tracker field then mix the module at FT2's levels. libxmp always does;
    // OpenMPT otherwise plays an XM of unknown origin about 2.5 dB quieter.
    out.text(m.name, 20, ' ');
    out.u8(0x1a);
    out.text("FastTracker v2.00", 20, ' ');
    out.u16(0x0104);
    out.u32(276);
    out.u16(static_cast<uint32_t>(m.orders.size()));
    out.u16(static_cast<uint32_t>(m.restart));
    out.u16(static_cast<uint32_t>(m.channels));
    out.u16(static_cast<uint32_t>(m.patterns.size()));
    out.u16(static_cast<uint32_t>(m.instruments.size()));
    out.u16(1); // linear frequency table
    out.u16(static_cast<uint32_t>(m.speed));
    out.u16(static_cast<uint32_t>(m.bpm));
    for (size_t i = 0; i < 256; ++i) out.u8(i < m.orders.size() ? m.orders[i] : 0);
    for (const XmPattern& p : m.patterns) writePattern(out, p, m.channels);
    for (const XmInstrument& ins : m.instruments) writeInstrument(out, ins);
    return std::move(out.bytes);
}

void tuneSample(XmSample& sample, double sampleRate, double toneHz) {
    // Linear XM: rate = 8363 * 2^((note - 49 + relative + finetune/128) / 12) for a 1-based
    // note. Asking note 49 (C-4) to sound at 440 * 2^(-9/12) Hz gives the offset below.
    double semis = 12.0 * std::log2(440.0 * sampleRate / (8363.0 * toneHz)) - 9.0;
    double whole = std::round(semis);
    int fine = static_cast<int>(std::lround((semis - whole) * 128.0));
    fine = std::clamp(fine, -128, 127);
    sample.relativeNote = static_cast<int8_t>(std::clamp(whole, -96.0, 95.0));
    sample.finetune = static_cast<int8_t>(fine);
}

} // namespace tw
