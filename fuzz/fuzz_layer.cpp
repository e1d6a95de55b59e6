#include "FuzzEntries.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    VoxmillFuzz::fuzzLayer(data, size);
    return 0;
}
