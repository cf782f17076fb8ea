// libFuzzer entry for the tds mesh reader (see harness.h).
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tw::fuzz::tdsMesh(data, size);
    return 0;
}
