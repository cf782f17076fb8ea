// Replays every input kept under fuzz/regressions/<target>/ through the same entry the fuzzer
// used: each once made a reader crash or read out of bounds (run the sanitizer build to see
// a relapse as a failure, not only a crash).
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>

#include "fuzz/harness.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryKeptInputReadsWithoutFault) {
    const std::map<std::string, void (*)(const uint8_t*, size_t)> entries = {
        {"tga", fuzz::tga}, {"tds_mesh", fuzz::tdsMesh}, {"tds_scene", fuzz::tdsScene},
        {"siv", fuzz::siv}, {"siv_body", fuzz::sivBody},
    };
    const fs::path root = fs::path(TW_SOURCE_DIR) / "fuzz" / "regressions";
    int replayed = 0;
    for (const auto& [target, entry] : entries) {
        // A missing or empty folder means the replay lost its inputs, not that all is well.
        const int before = replayed;
        std::error_code ec;
        for (const auto& file : fs::directory_iterator(root / target, ec)) {
            std::ifstream in(file.path(), std::ios::binary);
            std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)),
                                       std::istreambuf_iterator<char>());
            SCOPED_TRACE(file.path().string());
            entry(bytes.data(), bytes.size());
            ++replayed;
        }
        EXPECT_GT(replayed, before) << "no inputs under " << (root / target).string();
    }
    setDataRoot(".");
    RecordProperty("replayed", replayed);
}

} // namespace
} // namespace tw
