#pragma once
// Weighted progress over the five named stages of a job.

#include <chrono>
#include <functional>

namespace Voxmill {

enum stage_index_t : int {
    stageLoad = 0,
    stageSize = 1,
    stageSlice = 2,
    stagePreProc = 3,
    stagePreInfill = 4
};

using ProgressCallback = void (*)(float progress, void* context);
// How far a piece of work has come, 0 to 1; an empty function ignores it.
using FractionCallback = std::function<void(float fraction)>;

// Process-wide, used by the main thread only. The size and preInfill stages
// weigh nothing when the job does not run them.
void setupProgress(bool sizeStage, bool preInfillStage);
void setProgressCallback(ProgressCallback callback, void* context);
// Prints "%s start!" and starts the stage clock.
void stageStart(const char* name);
// Prints "progress: %g" when the job moved on by at least 0.005 since the last line.
void stageProgress(int index, const char* name, float fraction);
// Adds the stage's share, prints "progress: %g" and "%s finished! %dms".
void stageFinish(int index, const char* name);

} // namespace Voxmill
