#pragma once
// Weighted progress over the five named stages of a job.

#include <chrono>

#include "config/SliceConfig.h"

namespace Voxmill {

enum stage_index_t : int {
    stageLoad = 0,
    stageSize = 1,
    stageSlice = 2,
    stagePreProc = 3,
    stagePreInfill = 4
};

using ProgressCallback = void (*)(float progress, void* context);

// Process-wide, used by the main thread only.
void setupProgress(const SliceConfig& config);
void setProgressCallback(ProgressCallback callback, void* context);
// Prints "%s start!" and starts the stage clock.
void stageStart(const char* name);
// Prints "progress: %g" when the job moved on by at least 0.005 since the last line.
void stageProgress(int index, const char* name, float fraction);
// Adds the stage's share, prints "progress: %g" and "%s finished! %dms".
void stageFinish(int index, const char* name);

} // namespace Voxmill
