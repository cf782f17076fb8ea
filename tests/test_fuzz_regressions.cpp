// Replays every input kept under fuzz/regressions/<target>/ through the entry the fuzzer used
// (its row of tools/inspect/formats.h): each once made a reader crash or read out of bounds
// (run the sanitizer build to see a relapse as a failure, not only a crash).
#include <gtest/gtest.h>

#include <filesystem>

#include "base/file_bytes.h"
#include "base/paths.h"
#include "tools/inspect/formats.h"

namespace tw {
namespace {

namespace fs = std::filesystem;

TEST(FuzzRegressions, EveryKeptInputReadsWithoutFault) {
    const fs::path root = fs::path(TW_SOURCE_DIR) / "fuzz" / "regressions";
    int replayed = 0;
    for (const FileFormat& format : fileFormats()) {
        const std::string target = format.name;
        // A missing or empty folder means the replay lost its inputs, not that all is well.
        const int before = replayed;
        std::error_code ec;
        for (const auto& file : fs::directory_iterator(root / target, ec)) {
            std::vector<uint8_t> bytes;
            SCOPED_TRACE(file.path().string());
            ASSERT_EQ(readFileBytes(file.path().string(), bytes), FileRead::Ok);
            format.exercise(bytes);
            ++replayed;
        }
        EXPECT_GT(replayed, before) << "no inputs under " << (root / target).string();
    }
    setDataRoot(".");
    RecordProperty("replayed", replayed);
}

} // namespace
} // namespace tw
