#pragma once
// The job driver: settings, then the stages in order, then the output loop.

#include "app/CommandLineArgs.h"
#include "app/Progress.h"

namespace Voxmill {

// Runs one job; returns after the image thread has ended. Errors leave as
// exceptions; a failure of the image thread (already printed by it) leaves as
// std::runtime_error("image thread failed.").
void runJob(const CommandLineArgs& args, ProgressCallback callback = nullptr, void* context = nullptr);

} // namespace Voxmill
