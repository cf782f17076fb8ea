// Test doubles for the platform seam.
#include "tests/support/fakes.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>

#include "tests/support/png_io.h"

namespace tw::test {

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
    hashes.push_back(tw::frameHash(frame));
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
