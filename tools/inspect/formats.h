// The file formats the presentation reads, one row each: how a file is recognised, how the
// inspector describes it, and how the fuzz targets and the replay of fuzz/regressions/ feed
// it bytes. A new format is one row here plus its reader.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

#include "tools/inspect/describe.h"

namespace tw {

struct FileFormat {
    // The fuzz target (fuzz_NAME) and its folder of kept inputs (fuzz/regressions/NAME/).
    const char* name = nullptr;
    // The leading bytes that identify the format (magicSize 0: none), and the file name ending
    // it goes by (nullptr: a fuzz-only row).
    const char* magic = nullptr;
    size_t magicSize = 0;
    const char* extension = nullptr;
    // Why a file with the extension but without the magic is refused.
    const char* withoutMagic = nullptr;
    // The inspector's description (nullptr: another row of the same format gives it).
    Describe describe = nullptr;
    // Reads the bytes as the presentation would, and draws what that assembles: the fuzz
    // entry.
    void (*exercise)(std::span<const uint8_t> bytes) = nullptr;
    // The longest input the fuzz target is given.
    size_t fuzzCap = 0;
};

std::span<const FileFormat> fileFormats();
// The row named `name`, or nullptr.
const FileFormat* findFileFormat(std::string_view name);

} // namespace tw
