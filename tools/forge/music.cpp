// The soundtrack: assembles the synthesised instruments and the score into data/vekt51.xm.
#include "tools/forge/music.h"

#include <cstdio>
#include <cstring>

#include "tools/forge/music_internal.h"
#include "tools/write/tga_writer.h"

namespace tw {

namespace {

// Section starts (scene boundaries) in rows; patterns never straddle one, so a tracker
// view of the module reads scene by scene.
constexpr int kSectionStarts[] = {0,   148, 252, 356,  456,  560,
                                  668, 768, 924, 1184, 1380, music::kTotalRows};
constexpr int kMaxPatternRows = 64;

bool sameCells(const XmPattern& a, const XmPattern& b) {
    if (a.rows != b.rows) return false;
    for (size_t i = 0; i < a.cells.size(); ++i) {
        const XmCell& x = a.cells[i];
        const XmCell& y = b.cells[i];
        if (x.note != y.note || x.instrument != y.instrument || x.volume != y.volume ||
            x.effect != y.effect || x.param != y.param)
            return false;
    }
    return true;
}

} // namespace

bool buildSoundtrack(XmModule& m, std::string& error) {
    std::vector<XmCell> cells;
    if (!music::composeScore(cells, error)) return false;
    music::mixScore(cells);
    m = XmModule{};
    m.name = "tarnwick";
    m.channels = music::CH_COUNT;
    m.speed = 6;
    m.bpm = 120;
    m.restart = 0;
    m.instruments = music::synthInstruments();
    for (size_t s = 0; s + 1 < std::size(kSectionStarts); ++s) {
        for (int r = kSectionStarts[s]; r < kSectionStarts[s + 1]; r += kMaxPatternRows) {
            XmPattern p;
            p.rows = std::min(kMaxPatternRows, kSectionStarts[s + 1] - r);
            p.cells.assign(cells.begin() + static_cast<ptrdiff_t>(r) * m.channels,
                           cells.begin() + static_cast<ptrdiff_t>(r + p.rows) * m.channels);
            size_t index = 0;
            while (index < m.patterns.size() && !sameCells(m.patterns[index], p)) ++index;
            if (index == m.patterns.size()) m.patterns.push_back(std::move(p));
            m.orders.push_back(static_cast<uint8_t>(index));
        }
    }
    return true;
}

bool forgeSoundtrack(const std::string& dataDir) {
    XmModule m;
    std::string error;
    std::vector<uint8_t> bytes;
    if (buildSoundtrack(m, error)) bytes = encodeXm(m, &error);
    std::string path = dataDir + "/vekt51.xm";
    if (bytes.empty()) {
        std::fprintf(stderr, "forge: soundtrack: %s\n", error.c_str());
        return false;
    }
    if (!writeFile(path, bytes)) {
        std::fprintf(stderr, "forge: cannot write %s: %s\n", path.c_str(), std::strerror(errno));
        return false;
    }
    return true;
}

} // namespace tw
