#include "base/Progress.h"

#include <algorithm>

#include "base/Log.h"

namespace Voxmill {

namespace {

struct ProgressState {
    float weights[5] = {15, 1, 100, 200, 20};
    float total = 336;
    float done = 0;
    float shown = 0;
    std::chrono::steady_clock::time_point stageStart = std::chrono::steady_clock::now();
    ProgressCallback callback = nullptr;
    void* context = nullptr;
};

ProgressState& progress() {
    static ProgressState s;
    return s;
}

} // namespace

void setupProgress(bool sizeStage, bool preInfillStage) {
    ProgressState& p = progress();
    float weights[5] = {15, 1, 100, 200, 20};
    if (!sizeStage) weights[stageSize] = 0;
    if (!preInfillStage) weights[stagePreInfill] = 0;
    p.total = 0;
    for (int i = 0; i < 5; ++i) {
        p.weights[i] = weights[i];
        p.total += weights[i];
    }
    p.done = 0;
    p.shown = 0;
}

void setProgressCallback(ProgressCallback callback, void* context) {
    progress().callback = callback;
    progress().context = context;
}

void stageStart(const char* name) {
    progress().stageStart = std::chrono::steady_clock::now();
    logPrint("%s start!\n", name);
}

void stageProgress(int index, const char*, float fraction) {
    ProgressState& p = progress();
    // A last batch that runs past the end must not show more than the stage's
    // share: the finish line would then step backwards.
    fraction = std::min(std::max(fraction, 0.0f), 1.0f);
    float value = fraction * p.weights[index] / p.total + p.done;
    if (double(value - p.shown) < 0.005) return;
    if (p.callback) p.callback(value, p.context);
    logPrint("progress: %g\n", double(value));
    p.shown = value;
}

void stageFinish(int index, const char* name) {
    ProgressState& p = progress();
    p.done = p.done + p.weights[index] / p.total;
    if (p.callback) p.callback(p.done, p.context);
    logPrint("progress: %g\n", double(p.done));
    // Wall-clock milliseconds: a monotonic clock, not the processor time.
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() -
                                                                    p.stageStart);
    logPrint("%s finished! %dms\n", name, int(ms.count()));
    p.shown = p.done;
}

} // namespace Voxmill
