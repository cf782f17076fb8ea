// Golden-frame sequences: hashing checkpoints against tests/goldens/hashes.txt.
#include "tests/support/goldens.h"

#include <gtest/gtest.h>

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "base/paths.h"
#include "base/random.h"
#include "base/sync.h"
#include "tests/support/png_io.h"

namespace tw {

namespace {

namespace fs = std::filesystem;

const fs::path kGoldenDir = fs::path(TW_SOURCE_DIR) / "tests" / "goldens";
const fs::path kDiffDir = fs::path(TW_BINARY_DIR) / "golden-diff";

std::map<std::string, uint64_t> readHashes() {
    std::map<std::string, uint64_t> out;
    std::ifstream in(kGoldenDir / "hashes.txt");
    std::string name, hex;
    while (in >> name >> hex) out[name] = std::strtoull(hex.c_str(), nullptr, 16);
    return out;
}

// Read-modify-write of the whole table, so tests of other scenes keep their lines.
void writeHash(const std::string& key, uint64_t hash) {
    std::map<std::string, uint64_t> all = readHashes();
    all[key] = hash;
    std::ofstream out(kGoldenDir / "hashes.txt");
    for (const auto& [k, h] : all) {
        char buf[32];
        std::snprintf(buf, sizeof buf, "%016" PRIx64, h);
        out << k << ' ' << buf << '\n';
    }
}

} // namespace

bool goldenUpdating() {
    const char* v = std::getenv("TW_GOLDEN_UPDATE");
    return v && *v && std::string(v) != "0";
}

bool goldenDataForged(const std::string& file) {
    return fs::exists(fs::path(TW_BINARY_DIR) / "data" / file);
}

void fillPreviousFrame(Bitmap& frame) {
    for (int i = 0; i < 320 * 240; ++i)
        frame.pixels[i] = makeColour(i % 320 * 255 / 319, i / 320, 255 - i / 320, 255);
}

void GoldenScene::TearDown() {
    setDataRoot(".");
}

void startGoldenScene(Bitmap& frame) {
    setDataRoot(TW_BINARY_DIR);
    createZBuffer(gZBuffer, 320, 240);
    frame = createBitmap(320, 240);
    seedRandom();
    resetSyncFlags();
}

void playGolden(const GoldenSequence& seq, const std::function<void(Bitmap&, float)>& runFrame,
                Bitmap& frame) {
    const auto hashes = readHashes();
    fs::create_directories(kDiffDir);
    size_t next = 0;
    for (int i = 0; i < seq.frames && next < seq.checkpoints.size(); ++i) {
        if (auto it = seq.syncs.find(i); it != seq.syncs.end()) syncFlags[it->second] = 1.0f;
        clearZBuffer(gZBuffer);
        runFrame(frame, seq.start + seq.step * static_cast<float>(i));
        if (i != seq.checkpoints[next]) continue;
        ++next;
        const std::string key = seq.name + "_" + std::to_string(i);
        const uint64_t hash = frameHash(frame);
        const fs::path golden = kGoldenDir / (key + ".png");
        const auto known = hashes.find(key);
        const bool same = known != hashes.end() && known->second == hash;
        const fs::path diff = kDiffDir / (key + ".png");
        if (same) fs::remove(diff);
        if (!same) {
            Bitmap old;
            readPng(golden.string(), old); // missing: the left panel stays black
            writePng(diff.string(), sideBySide(old, frame));
        }
        if (goldenUpdating()) {
            if (!same || !fs::exists(golden)) {
                writePng(golden.string(), frame);
                writeHash(key, hash);
            }
        } else {
            EXPECT_TRUE(same) << key << " changed; see " << diff.string()
                              << " (old | new | difference); scripts/update-goldens accepts it";
        }
    }
}

} // namespace tw
