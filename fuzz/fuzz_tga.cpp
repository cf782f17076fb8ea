// libFuzzer entry for the tga reader (see harness.h).
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tw::fuzz::tga(data, size);
    return 0;
}
