// One whole-job target per input kind, built from this file with
// VOXMILL_FUZZ_JOB naming the kind's entry.

#include <cstring>

#include "JobEntries.h"
#include "base/Log.h"

namespace {

VoxmillFuzz::Entry entryNamed(const char* name) {
    for (const VoxmillFuzz::JobTarget& t : VoxmillFuzz::jobTargets)
        if (std::strcmp(t.name, name) == 0) return t.entry;
    return nullptr;
}

const VoxmillFuzz::Entry entry = entryNamed(VOXMILL_FUZZ_JOB);

} // namespace

// The platform library's diagnostics go where the program sends them: into
// the log file, which is closed here.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    Voxmill::installMessageHandler();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    entry(data, size);
    return 0;
}
