// libFuzzer entry for the siv body reader (see harness.h).
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tw::fuzz::sivBody(data, size);
    return 0;
}
