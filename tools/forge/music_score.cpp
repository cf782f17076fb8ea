// The composition: eleven sections in D minor at 120 bpm, following the scenes, written
// into one flat list of rows. Bars are 16 rows; where a scene boundary falls mid-bar the
// section ends with a short bar (a fill or a pickup) so every section starts on its beat.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <sstream>

#include "tools/forge/music_internal.h"

namespace tw::music {

namespace {

// Section starts in rows (8 rows a second): the scene boundaries.
constexpr int kEye = 0, kWarp = 148, kTunnel = 252, kRoom = 356, kTwist = 456, kMeta = 560,
              kSpike = 668, kGrey = 768, kGreets = 924, kBoombox = 1184, kStop = 1344, kEnd = 1380;

// "D4", "C#5", "Bb1" -> XM note (1 = C-0).
int note(const char* name) {
    static const int semis[] = {9, 11, 0, 2, 4, 5, 7}; // A B C D E F G
    int s = semis[std::toupper(static_cast<unsigned char>(name[0])) - 'A'];
    int i = 1;
    if (name[i] == '#')
        s += 1, ++i;
    else if (name[i] == 'b')
        s -= 1, ++i;
    return (name[i] - '0') * 12 + s + 1;
}

struct Chord {
    const char* name;
    int bass;     // root for the sub bass
    int voice[3]; // pad voicing, low to high
};

Chord chord(const char* name) {
    struct Def {
        const char* name;
        const char* bass;
        const char* v[3];
    };
    static const Def defs[] = {
        {"Dm", "D2", {"D4", "F4", "A4"}},  {"Bb", "Bb1", {"D4", "F4", "Bb4"}},
        {"F", "F2", {"C4", "F4", "A4"}},   {"C", "C2", {"C4", "E4", "G4"}},
        {"Gm", "G1", {"D4", "G4", "Bb4"}}, {"A", "A1", {"C#4", "E4", "A4"}},
    };
    for (const Def& d : defs)
        if (std::strcmp(d.name, name) == 0)
            return {d.name, note(d.bass), {note(d.v[0]), note(d.v[1]), note(d.v[2])}};
    return chord("Dm");
}

struct Score {
    std::vector<XmCell>& cells;
    int padVoice[3] = {0, 0, 0}; // notes the pad channels hold (0 = silent)

    XmCell& at(int row, int ch) { return cells[static_cast<size_t>(row) * CH_COUNT + ch]; }
    bool inside(int row) const { return row >= 0 && row < kTotalRows; }

    void play(int row, int ch, int n, int ins, int vol) {
        if (!inside(row)) return;
        XmCell& c = at(row, ch);
        c.note = static_cast<uint8_t>(n);
        c.instrument = static_cast<uint8_t>(ins);
        c.volume = static_cast<uint8_t>(0x10 + std::clamp(vol, 0, 64));
    }
    void off(int row, int ch) {
        if (!inside(row)) return;
        XmCell& c = at(row, ch);
        c.note = kXmNoteOff;
        c.instrument = 0;
        c.volume = 0;
    }
    // Key-off with the volume dropped at once: a hard stop (the hit on the same row masks it).
    void cut(int row, int ch) {
        off(row, ch);
        if (inside(row)) at(row, ch).volume = 0x10;
    }
    void volume(int row, int ch, int vol) {
        if (inside(row)) at(row, ch).volume = static_cast<uint8_t>(0x10 + std::clamp(vol, 0, 64));
    }

    // A drum line over `len` rows: one character a row; 'x' hit, 'X' accent, 'g' ghost,
    // anything else nothing.
    void drums(int row, int ch, int ins, const char* pattern, int vol, int len = 16) {
        for (int i = 0; i < len && pattern[i % std::strlen(pattern)]; ++i) {
            char c = pattern[i % std::strlen(pattern)];
            if (c == 'x') play(row + i, ch, note("C4"), ins, vol);
            if (c == 'X') play(row + i, ch, note("C4"), ins, std::min(64, vol + 14));
            if (c == 'g') play(row + i, ch, note("C4"), ins, vol / 2);
        }
    }
    // Hats: 'c' closed, 'o' open, 'C' accented closed.
    void hats(int row, const char* pattern, int vol, int len = 16) {
        size_t n = std::strlen(pattern);
        for (int i = 0; i < len; ++i) {
            char c = pattern[i % n];
            if (c == 'c') play(row + i, CH_HAT, note("C4"), INS_HAT_CLOSED, vol);
            if (c == 'C') play(row + i, CH_HAT, note("C4"), INS_HAT_CLOSED, vol + 10);
            if (c == 'o') play(row + i, CH_HAT, note("C4"), INS_HAT_OPEN, vol);
        }
    }
    // Bass over `len` rows: 'r' root, 'o' octave up, 'f' fifth, '-' key off, else hold.
    void bass(int row, const Chord& ch, const char* pattern, int vol, int len = 16) {
        size_t n = std::strlen(pattern);
        for (int i = 0; i < len; ++i) {
            char c = pattern[i % n];
            if (c == 'r') play(row + i, CH_BASS, ch.bass, INS_BASS, vol);
            if (c == 'o') play(row + i, CH_BASS, ch.bass + 12, INS_BASS, vol - 6);
            if (c == 'f') play(row + i, CH_BASS, ch.bass + 7, INS_BASS, vol - 4);
            if (c == '-') off(row + i, CH_BASS);
        }
    }
    // Pad chord: voices that already hold the right note are tied, not struck again.
    void pad(int row, const Chord& ch, int vol) {
        for (int v = 0; v < 3; ++v) {
            if (padVoice[v] == ch.voice[v]) continue;
            play(row, CH_PAD1 + v, ch.voice[v], INS_PAD, vol);
            padVoice[v] = ch.voice[v];
        }
    }
    void padOff(int row) {
        for (int v = 0; v < 3; ++v) {
            if (padVoice[v]) off(row, CH_PAD1 + v);
            padVoice[v] = 0;
        }
    }
    // A melody, one token per `step` rows: a note name, "." to hold, "-" to release;
    // "|" marks bars and is skipped. The echo channel repeats it 3 rows later, softer.
    void melody(int row, const char* text, int vol, int echoVol, int step = 2) {
        std::istringstream in(text);
        std::string tok;
        int r = row;
        while (in >> tok) {
            if (tok == "|") continue;
            if (tok == "-") {
                off(r, CH_LEAD);
                off(r + 3, CH_ECHO);
            } else if (tok != ".") {
                play(r, CH_LEAD, note(tok.c_str()), INS_PLUCK, vol);
                if (echoVol > 0) play(r + 3, CH_ECHO, note(tok.c_str()), INS_PLUCK, echoVol);
            }
            r += step;
        }
    }
    // Rising arpeggio of the pad voicing an octave up, one note every `step` rows.
    void arp(int row, const Chord& ch, int len, int step, int vol) {
        static const int order[] = {0, 1, 2, 1};
        for (int i = 0, k = 0; i < len; i += step, ++k)
            play(row + i, CH_LEAD, ch.voice[order[k % 4]] + 12, INS_PLUCK, vol - (k % 2) * 6);
    }
    void crash(int row, int vol) { play(row, CH_CRASH, note("C4"), INS_CRASH, vol); }
};

std::vector<Chord> chords(std::initializer_list<const char*> names) {
    std::vector<Chord> v;
    for (const char* n : names) v.push_back(chord(n));
    return v;
}

// 0-18.5 s: pads and lone kicks; the eye pulses on them. Ends with a five-beat build.
void eye(Score& s) {
    auto prog = chords({"Dm", "Bb", "F", "C", "Dm", "Bb", "Gm", "A"});
    for (int b = 0; b < 8; ++b) {
        int r = kEye + b * 16;
        s.pad(r, prog[b], 34);
        if (b < 4)
            s.play(r, CH_KICK, note("C4"), INS_KICK, 60);
        else
            s.drums(r, CH_KICK, INS_KICK, "x.......x.......", 60);
        if (b >= 4) s.bass(r, prog[b], "r...............", 34);
        if (b == 3 || b == 5 || b == 7) s.play(r + 12, CH_SNARE, note("C4"), INS_SNARE, 40);
    }
    s.melody(kEye + 64,
             "- . . . A4 . C5 . | D5 . . . . . . . | - . . . D5 . F5 . | "
             "E5 . . . C#5 . . .",
             26, 12);
    // The five-beat build: kicks on every beat, hats rising, a snare roll into the drop.
    int b = kEye + 128;
    s.drums(b, CH_KICK, INS_KICK, "x...", 60, 20);
    for (int i = 0; i < 20; ++i) s.play(b + i, CH_HAT, note("C4"), INS_HAT_CLOSED, 8 + i * 7 / 5);
    s.drums(b + 12, CH_SNARE, INS_SNARE, "g.g.gggg", 44, 8);
    s.bass(b, chord("A"), "r...........o.o.r...", 36, 20);
}

// 18.5-31.5 s: the beat enters under the warped backdrop.
void warp(Score& s) {
    auto prog = chords({"Dm", "Bb", "F", "C", "Dm", "Bb"});
    s.crash(kWarp, 44);
    for (int b = 0; b < 6; ++b) {
        int r = kWarp + b * 16;
        s.pad(r, prog[b], 30);
        s.drums(r, CH_KICK, INS_KICK, "x...x...x...x...", 62);
        s.drums(r, CH_SNARE, INS_SNARE, "....x.......x...", 40);
        s.hats(r, b % 2 ? "..c...c...c...o." : "..c...c...c...c.", 30);
        s.bass(r, prog[b], "r.-r.-o-r.-r.-o-", 40);
        s.arp(r, prog[b], 16, 1, 22);
    }
    int h = kWarp + 96; // two-beat fill
    s.pad(h, chord("A"), 30);
    s.drums(h, CH_KICK, INS_KICK, "x.......", 62, 8);
    s.drums(h + 4, CH_SNARE, INS_SNARE, "gggg", 46, 4);
    s.bass(h, chord("A"), "r.-.r.-.", 40, 8);
}

// 31.5-44.5 s: driving drums; snare accents kick the flight back.
void tunnel(Score& s) {
    auto prog = chords({"Dm", "Gm", "Bb", "A", "Dm", "Gm"});
    const char* riffs[] = {"D5 - D5 - F5 - E5 D5", "G5 - G5 - Bb5 - A5 G5", "F5 - F5 - D5 - F5 G5",
                           "E5 - E5 - C#5 - E5 A5"};
    s.crash(kTunnel, 48);
    for (int b = 0; b < 6; ++b) {
        int r = kTunnel + b * 16;
        s.pad(r, prog[b], 26);
        s.drums(r, CH_KICK, INS_KICK, "x...x...x...x...", 64);
        s.drums(r, CH_SNARE, INS_SNARE, "....X.....g.X..g", 42);
        s.hats(r, "cCco", 24);
        s.bass(r, prog[b], "r-r-o-r-r-r-o-r-", 42);
        s.melody(r, riffs[b % 4], 30, 14);
    }
    int h = kTunnel + 96; // two-beat snare roll into the breakdown
    s.pad(h, chord("A"), 26);
    s.play(h, CH_KICK, note("C4"), INS_KICK, 64);
    s.drums(h, CH_SNARE, INS_SNARE, "gggggggg", 56, 8);
    for (int i = 0; i < 8; ++i) s.volume(h + i, CH_SNARE, 24 + i * 5);
    s.bass(h, chord("A"), "r.......", 42, 8);
    s.off(h, CH_LEAD);
}

// 44.5-57 s: the breakdown. No drums after the opening crash.
void room(Score& s) {
    auto prog = chords({"Dm", "Bb", "Gm", "A", "Dm", "Bb"});
    s.crash(kRoom, 40);
    s.off(kRoom, CH_HAT);
    for (int b = 0; b < 6; ++b) {
        int r = kRoom + b * 16;
        s.pad(r, prog[b], 30);
        s.bass(r, prog[b], "r...............", 26);
    }
    s.melody(kRoom,
             "- . . . A4 . D5 . | F5 . . . . . E5 D5 | D5 . . . Bb4 . . . | "
             "C#5 . . . E5 . . . | A5 . . . . . G5 F5 | F5 . . . D5 . . . | - .",
             30, 15);
    s.bass(kRoom + 96, chord("A"), "r...", 30, 4); // the pickup beat
}

// 57-70 s: the beat is back under the credits.
void twist(Score& s) {
    auto prog = chords({"Dm", "Bb", "F", "C", "Gm", "A"});
    s.crash(kTwist, 46);
    for (int b = 0; b < 6; ++b) {
        int r = kTwist + b * 16;
        s.pad(r, prog[b], 30);
        s.drums(r, CH_KICK, INS_KICK, "x...x...x...x...", 62);
        s.drums(r, CH_SNARE, INS_SNARE, b % 2 ? "....x.......X..." : "....x.......x...", 40);
        s.hats(r, "..c...c...c...c.", 30);
        s.bass(r, prog[b], "r.-r.-o-r.-r.-o-", 40);
        s.arp(r, prog[b], 16, 2, 26);
    }
    int h = kTwist + 96;
    s.pad(h, chord("A"), 30);
    s.drums(h, CH_KICK, INS_KICK, "x...x...", 62, 8);
    s.drums(h + 4, CH_SNARE, INS_SNARE, "gxgx", 40, 4);
    s.bass(h, chord("A"), "r.-.o.-.", 40, 8);
}

// 70-96 s: a lighter groove for the metaballs, kicks on every beat for the spike.
void lightGroove(Score& s, int start, int bars, int tailRows, bool everyBeat,
                 std::initializer_list<const char*> names, const char* lead) {
    auto prog = chords(names);
    s.crash(start, 42);
    for (int b = 0; b <= bars; ++b) {
        int r = start + b * 16;
        int len = b < bars ? 16 : tailRows;
        if (len == 0) break;
        const Chord& c = prog[std::min<size_t>(b, prog.size() - 1)];
        s.pad(r, c, 28);
        s.drums(r, CH_KICK, INS_KICK, everyBeat ? "x...x...x...x..." : "x.......x.......", 60, len);
        s.drums(r, CH_SNARE, INS_SNARE, everyBeat ? "....x.......x..." : "............g...", 46,
                len);
        s.hats(r, "c.cocc.c", 24, len);
        s.bass(r, c, "r..r..r.o..r.f..", 38, len);
        s.arp(r, c, len, 2, 22);
    }
    if (lead) s.melody(start + 16, lead, 32, 14);
}

// 96-115.5 s: staccato hits (3+3+2 eighths) over ticking hats and a low drone.
void grey(Score& s) {
    auto prog = chords({"Dm", "Dm", "Bb", "C", "Dm", "Dm", "Gm", "A", "Dm", "A"});
    s.crash(kGrey, 44);
    s.padOff(kGrey);
    s.off(kGrey, CH_LEAD);
    s.play(kGrey, CH_ECHO, note("D3"), INS_PAD, 30); // drone
    for (int b = 0; b < 10; ++b) {
        int r = kGrey + b * 16;
        int len = b < 9 ? 16 : 12;
        const Chord& c = prog[b];
        s.hats(r, "cccC", 14, len);
        for (int hit : {0, 6, 12}) {
            if (hit >= len) continue;
            s.play(r + hit, CH_KICK, note("C4"), INS_KICK, 62);
            s.play(r + hit, CH_BASS, c.bass, INS_BASS, 44);
            s.off(r + hit + 2, CH_BASS);
            for (int v = 0; v < 3; ++v) {
                s.play(r + hit, CH_PAD1 + v, c.voice[v] + 12, INS_PLUCK, 31);
                s.off(r + hit + 2, CH_PAD1 + v);
            }
        }
    }
    s.off(kGreets, CH_ECHO);
}

// 115.5-148 s: the longest section and the theme, one pickup beat then sixteen bars.
void greetings(Score& s) {
    auto prog = chords(
        {"Bb", "C", "Dm", "Dm", "Gm", "Bb", "C", "A", "Bb", "C", "Dm", "F", "Gm", "A", "Dm", "Dm"});
    s.crash(kGreets, 44);
    s.play(kGreets, CH_KICK, note("C4"), INS_KICK, 60);
    s.melody(kGreets, "A4 C5", 36, 16);
    int start = kGreets + 4;
    for (int b = 0; b < 16; ++b) {
        int r = start + b * 16;
        s.pad(r, prog[b], 28);
        s.drums(r, CH_KICK, INS_KICK, "x...x...x...x...", 60);
        s.drums(r, CH_SNARE, INS_SNARE, b == 15 ? "....x.......xgxx" : "....x.......x...", 40);
        s.hats(r, "..c...c...c...o.", 28);
        s.bass(r, prog[b], b % 2 ? "r.-r.-o-r.-r.-f-" : "r.-r.-o-r.-r.-o-", 40);
    }
    s.crash(start + 128, 52); // the theme's second half
    s.melody(
        start,
        "D5 . . F5 . . Bb5 . | A5 . G5 . E5 . C5 . | D5 . . . F5 . E5 D5 | A4 . . . - . . . | "
        "G5 . . Bb5 . . A5 G5 | F5 . . D5 . . F5 . | G5 . E5 . C5 . E5 . | C#5 . . . E5 . A5 . | "
        "D6 . . Bb5 . . F5 . | E5 . G5 . C6 . . . | A5 . . F5 . D5 . F5 | A5 . . . C6 . A5 . | "
        "Bb5 . . A5 . . G5 . | E5 . . C#5 . . E5 . | D5 . . . . . . . | - . . . . . . .",
        40, 18);
}

// 148-172.5 s: the climax, then the hard stop that freezes the flight, then the tail.
void boombox(Score& s) {
    auto prog = chords({"Dm", "Bb", "F", "C", "Dm", "Bb", "Gm", "A", "Gm", "A"});
    s.crash(kBoombox, 56);
    for (int b = 0; b < 10; ++b) {
        int r = kBoombox + b * 16;
        s.pad(r, prog[b], 38);
        s.drums(r, CH_KICK, INS_KICK, "x...x...x...x...", 64);
        s.drums(r, CH_SNARE, INS_SNARE, b == 9 ? "ggggxgggxgxgxxxx" : "....X..g....X.g.", 52);
        s.hats(r, "cCoc", 32);
        s.bass(r, prog[b], "r-o-r-o-r-o-r-o-", 44);
        if (b == 9)
            for (int i = 0; i < 16; ++i) s.volume(r + i, CH_SNARE, 30 + i * 2);
    }
    s.melody(
        kBoombox,
        "D5 . . F5 . . Bb5 . | A5 . G5 . E5 . C5 . | D5 . . . F5 . E5 D5 | A5 . . . G5 . E5 . | "
        "D6 . . Bb5 . . F5 . | F5 . G5 . Bb5 . D6 . | Bb5 . . A5 . . G5 . | E5 . . C#5 . . E5 . | "
        "G5 . . . Bb5 . . . | A5 . C#6 . E6 . A5 .",
        44, 22);
    // The hard stop: one last hit, then only the crash rings out.
    s.play(kStop, CH_KICK, note("C4"), INS_KICK, 64);
    s.crash(kStop, 60);
    s.play(kStop, CH_BASS, note("D1"), INS_BASS, 48);
    s.off(kStop + 8, CH_BASS);
    for (int v = 0; v < 3; ++v) {
        s.cut(kStop, CH_PAD1 + v);
        s.padVoice[v] = 0;
    }
    for (int ch : {CH_LEAD, CH_ECHO, CH_HAT, CH_SNARE}) s.cut(kStop, ch);
    // The pads swell back under the frozen view.
    s.pad(kStop + 8, chord("Dm"), 26);
}

// 172.5-177 s: the end card; the pads fade out by the last row.
void ending(Score& s) {
    s.crash(kEnd, 30);
    s.bass(kEnd, chord("Dm"), "r", 30, 1);
    s.play(kEnd, CH_LEAD, note("E5"), INS_PLUCK, 24);
    s.play(kEnd + 3, CH_ECHO, note("E5"), INS_PLUCK, 10);
    s.play(kEnd + 8, CH_LEAD, note("A5"), INS_PLUCK, 18);
    for (int r = kEnd; r < kTotalRows; r += 2) {
        int vol = 26 * (kTotalRows - r) / (kTotalRows - kEnd);
        for (int v = 0; v < 3; ++v) s.volume(r, CH_PAD1 + v, vol);
        s.volume(r, CH_BASS, vol);
    }
}

} // namespace

bool composeScore(std::vector<XmCell>& cells, std::string& error) {
    cells.assign(static_cast<size_t>(kTotalRows) * CH_COUNT, XmCell{});
    Score s{cells};
    eye(s);
    warp(s);
    tunnel(s);
    room(s);
    twist(s);
    lightGroove(s, kMeta, 6, 12, false, {"Dm", "F", "Bb", "C", "Gm", "A", "A"}, nullptr);
    lightGroove(s, kSpike, 6, 4, true, {"Dm", "Bb", "F", "C", "Dm", "Bb", "Bb"},
                "- . . . D5 . F5 . | A5 . . . . . . . | - . . . C5 . E5 . | G5 . . . . . . . | "
                "- . . . D5 . F5 . | Bb5 . . . A5 . F5 .");
    grey(s);
    greetings(s);
    boombox(s);
    ending(s);

    // Global volume: headroom so the loudest passage stays below full scale.
    s.at(0, CH_CRASH).effect = kXmFxGlobalVol;
    s.at(0, CH_CRASH).param = 64;

    // The syncs, each checked against the drum it belongs to.
    for (const SheetSync& y : expandSyncSheet()) {
        if (y.row < 0 || y.row >= kTotalRows) {
            error = "sync at row " + std::to_string(y.row) + " lies outside the piece";
            return false;
        }
        int drum = y.value <= 1 ? CH_KICK : y.value == 2 ? CH_SNARE : CH_CRASH;
        if (s.at(y.row, drum).note == 0 || s.at(y.row, drum).note == kXmNoteOff) {
            error = "sync " + std::to_string(y.value) + " at row " + std::to_string(y.row) +
                    " has no " +
                    (drum == CH_KICK    ? "kick"
                     : drum == CH_SNARE ? "snare"
                                        : "crash") +
                    " under it";
            return false;
        }
        if (y.value == 2) { // an accent is a loud snare
            XmCell& snare = s.at(y.row, CH_SNARE);
            snare.volume = std::max<uint8_t>(snare.volume, 0x10 + 52);
        }
        XmCell* slot = nullptr;
        for (int ch : {CH_SYNC1, CH_SYNC2})
            if (!slot && s.at(y.row, ch).effect == 0) slot = &s.at(y.row, ch);
        if (!slot) {
            error = "more than two syncs at row " + std::to_string(y.row);
            return false;
        }
        slot->effect = kXmFxExtended;
        slot->param = static_cast<uint8_t>(0x80 | y.value);
    }
    return true;
}

} // namespace tw::music
