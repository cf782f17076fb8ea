// libFuzzer entry for one row of the format table (tools/inspect/formats.h), named at build
// time by TW_FUZZ_FORMAT: the input goes to that row's reader, up to the row's length cap.
#include <cstdlib>

#include "tools/inspect/formats.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const tw::FileFormat* format = tw::findFileFormat(TW_FUZZ_FORMAT);
    if (!format) std::abort();
    if (size <= format->fuzzCap) format->exercise({data, size});
    return 0;
}
