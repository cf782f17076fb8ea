// libFuzzer entry for the siv reader (see harness.h).
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tw::fuzz::siv(data, size);
    return 0;
}
