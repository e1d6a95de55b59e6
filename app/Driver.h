#pragma once
// The job driver: settings, then the stages in order, then the output loop.

#include "app/CommandLineArgs.h"
#include "base/Progress.h"
#include "config/SliceConfig.h"

namespace Voxmill {

// Runs one job; returns after the image thread has ended. Errors leave as
// exceptions; a failure of the image thread (already printed by it) leaves as
// std::runtime_error("image thread failed.").
// Stage weights of a job with these settings: the size stage weighs only
// with size.enable, preInfill only with infill and clean-solid on.
void setupJobProgress(const SliceConfig& settings);

void runJob(const CommandLineArgs& args, ProgressCallback callback = nullptr, void* context = nullptr);

} // namespace Voxmill
