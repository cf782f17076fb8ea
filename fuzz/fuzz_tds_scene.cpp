// libFuzzer entry for the tds scene reader (see harness.h).
#include "fuzz/harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    tw::fuzz::tdsScene(data, size);
    return 0;
}
