#include "output/ImgProcThd.h"

#include <exception>
#include <vector>

#include "base/Log.h"
#include "base/ThreadCrashStack.h"
#include "output/LayerImager.h"

namespace Voxmill {

ImgProcThd::ImgProcThd(SliceJob& job, const QString& outputDir)
    : job_(job), outputDir_(outputDir), extraRaft_(extraRaftLayers(job.settings)),
      cleanSolidCount_(cleanSolidLayers(job.settings)) {
    const WindowPlan plan = planWindows(job.settings, job.layers.layerCount());
    maxLead_ = plan.imageLead;
    releaseLag_ = plan.releaseLag;
}

ImgProcThd::~ImgProcThd() {
    requestStop();
    join();
}

void ImgProcThd::join() {
    wait();
    std::lock_guard<std::mutex> handOver(exitLock_);
}

void ImgProcThd::markCleanSolid(int32_t layer) {
    std::lock_guard<std::mutex> lock(marksLock_);
    cleanSolidMarks_.insert(layer);
}

void ImgProcThd::post(int32_t layer) {
    {
        std::lock_guard<std::mutex> lock(countersLock_);
        postedLayer_ = layer;
    }
    countersChanged_.notify_all();
}

int32_t ImgProcThd::postedLayer() const {
    std::lock_guard<std::mutex> lock(countersLock_);
    return postedLayer_;
}

int32_t ImgProcThd::imagedLayer() const {
    std::lock_guard<std::mutex> lock(countersLock_);
    return imagedLayer_;
}

bool ImgProcThd::isCleanSolid(int32_t layer) const {
    std::lock_guard<std::mutex> lock(marksLock_);
    return cleanSolidMarks_.count(layer) != 0;
}

bool ImgProcThd::waitForLead() {
    std::unique_lock<std::mutex> lock(countersLock_);
    countersChanged_.wait(lock, [this] { return postedLayer_ - imagedLayer_ < maxLead_ || ended_; });
    return postedLayer_ - imagedLayer_ < maxLead_;
}

void ImgProcThd::requestStop() {
    {
        std::lock_guard<std::mutex> lock(countersLock_); // no waiter can miss it
        stopRequested_.store(1);
    }
    countersChanged_.notify_all();
}

bool ImgProcThd::failed() const { return failed_.load() != 0; }

bool ImgProcThd::nextLayer(int32_t last, int32_t& k) const {
    std::unique_lock<std::mutex> lock(countersLock_);
    countersChanged_.wait(lock, [&] {
        return stopRequested_.load() != 0 || imagedLayer_ >= last || imagedLayer_ < postedLayer_;
    });
    if (stopRequested_.load() != 0 || imagedLayer_ >= last) return false;
    k = imagedLayer_ + 1;
    return true;
}

void ImgProcThd::run() {
    std::lock_guard<std::mutex> handOver(exitLock_); // released as run() returns
    ThreadCrashStack crashStack;
    const int32_t last = job_.layers.layerCount() - 1;
    try {
        LayerImager imager(job_, outputDir_);
        for (int32_t k; nextLayer(last, k);) {
            imager.image(k);
            releaseParts(k);
            printProgress(k, last);
            {
                std::lock_guard<std::mutex> lock(countersLock_);
                imagedLayer_ = k;
            }
            countersChanged_.notify_all();
        }
        addImagingTotals(imager.times());
    } catch (const std::exception& e) {
        failed_.store(1);
        logPrint("%s\n", e.what());
    } catch (...) {
        failed_.store(1);
        logPrint("unknown exception\n");
    }
    {
        std::lock_guard<std::mutex> lock(countersLock_);
        ended_ = true;
    }
    countersChanged_.notify_all();
}

// Generators read at most releaseLag layers below the one being made, so
// the parts further down are no longer needed.
void ImgProcThd::releaseParts(int32_t k) {
    if (k - releaseLag_ < 0) return;
    std::vector<LayerPart>().swap(job_.layers.layer(k - releaseLag_).parts);
}

void ImgProcThd::printProgress(int32_t k, int32_t last) const {
    const int32_t total = extraRaft_ + last;
    if (k == 0)
        for (int32_t j = 0; j < extraRaft_; ++j) logPrint("slice: %d/%d\n", j, total);
    logPrint("slice: %d/%d\n", extraRaft_ + k, total);
    if (isCleanSolid(k)) logPrint("clean-solid: %d\n", cleanSolidCount_);
}

} // namespace Voxmill
