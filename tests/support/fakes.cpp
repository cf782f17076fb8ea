// Test doubles for the platform seam and the frame hash.
#include "tests/support/fakes.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

namespace tw::test {

uint64_t frameHash(const Bitmap& bitmap) {
    uint64_t h = 1469598103934665603ull;
    int32_t n = bitmap.pixelCount();
    for (int32_t i = 0; i < n && bitmap.pixels; ++i) {
        uint32_t p = bitmap.pixels[i];
        for (int b = 0; b < 4; ++b) {
            h ^= (p >> (8 * b)) & 255u;
            h *= 1099511628211ull;
        }
    }
    return h;
}

std::string hex64(uint64_t v) {
    char buf[17];
    std::snprintf(buf, sizeof buf, "%016llx", static_cast<unsigned long long>(v));
    return buf;
}

bool RecordingSink::pollQuit() {
    ++polls;
    return quitAfter >= 0 && static_cast<int>(hashes.size()) >= quitAfter;
}

bool RecordingSink::present(const Bitmap& frame) {
    hashes.push_back(frameHash(frame));
    if (keepFrames) frames.emplace_back(frame.pixels, frame.pixels + frame.pixelCount());
    return true;
}

float ScriptedClock::tick() {
    ++ticks;
    if (deltas.empty()) return 0.01f;
    float d = deltas[next < deltas.size() ? next : deltas.size() - 1];
    if (next < deltas.size()) ++next;
    return d;
}

void ScriptedMusic::advanceTo(double seconds) {
    while (next < syncs.size() && syncs[next].first <= seconds) {
        if (callback) callback(syncs[next].second);
        ++next;
    }
}

TempDir::TempDir() {
    char tmpl[] = "/tmp/tarnwick-test-XXXXXX";
    char* p = mkdtemp(tmpl);
    path = p ? p : "/tmp";
}

TempDir::~TempDir() {
    std::error_code ec;
    if (path != "/tmp") std::filesystem::remove_all(path, ec);
}

} // namespace tw::test
