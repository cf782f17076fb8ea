// Writer for FastTracker 2 extended modules (XM 1.04): the music format the player reads.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tw {

// Note numbers as the pattern stores them: 1 = C-0 .. 96 = B-7, 97 = key off, 0 = none.
constexpr uint8_t kXmNoteOff = 97;
// XM effect numbers used by the forge and the tests.
constexpr uint8_t kXmFxJump = 0x0B;      // Bxx: jump to order xx
constexpr uint8_t kXmFxBreak = 0x0D;     // Dxy: next order, row 10x+y
constexpr uint8_t kXmFxExtended = 0x0E;  // Exy: x selects the command (8 = sync, 6 = loop)
constexpr uint8_t kXmFxVolSlide = 0x0A;  // Axy: slide volume up x / down y per tick
constexpr uint8_t kXmFxGlobalVol = 0x10; // Gxx: global volume 0..64

// One pattern cell. `volume` is the raw volume-column byte: 0 = empty, 0x10..0x50 sets the
// volume 0..64 (write 0x10 + v).
struct XmCell {
    uint8_t note = 0;
    uint8_t instrument = 0; // 1-based, 0 = none
    uint8_t volume = 0;
    uint8_t effect = 0;
    uint8_t param = 0;
};

struct XmPattern {
    int rows = 64; // 1..256
    // rows * channels cells, row-major (row r, channel c at r * channels + c).
    std::vector<XmCell> cells;
};

struct XmEnvelopePoint {
    uint16_t tick = 0;  // x: ticks from the note start, strictly increasing
    uint16_t value = 0; // y: 0..64
};

struct XmSample {
    std::string name;
    std::vector<int16_t> data; // 16-bit signed PCM; stored delta-coded
    uint32_t loopStart = 0;    // in sample frames
    uint32_t loopLength = 0;   // 0 = no loop; otherwise a forward loop
    uint8_t volume = 64;
    int8_t finetune = 0;     // 1/128 semitone
    int8_t relativeNote = 0; // semitones added to the played note
    uint8_t panning = 128;   // 0 left .. 255 right
};

struct XmInstrument {
    std::string name;
    XmSample sample; // one sample, mapped to every note
    // Volume envelope (up to 12 points); empty = off, which makes a key-off cut at once.
    std::vector<XmEnvelopePoint> volumeEnvelope;
    int sustainPoint = -1; // index into the envelope, -1 = none
    uint16_t fadeout = 0;  // volume fade per tick after key-off (0..0xfff)
};

struct XmModule {
    std::string name;
    int channels = 8; // 1..32
    int speed = 6;    // ticks per row
    int bpm = 125;
    int restart = 0;             // order that playback returns to after the last
    std::vector<uint8_t> orders; // pattern index per position, 1..256 entries
    std::vector<XmPattern> patterns;
    std::vector<XmInstrument> instruments;
};

// Encodes the module (linear frequency table). Returns an empty vector when a field is out of
// range (no orders, a pattern of the wrong cell count, too many envelope points...), with
// the reason in `error` when given.
std::vector<uint8_t> encodeXm(const XmModule& module, std::string* error = nullptr);

// Semitone offset of a sample recorded at `sampleRate` whose tone is `toneHz`, so that the
// pattern note `note` (1-based, C-4 = 49) sounds at its equal-tempered pitch (A-4 = 440 Hz).
// Splits into relative note and finetune.
void tuneSample(XmSample& sample, double sampleRate, double toneHz);

} // namespace tw
