#include "output/ImgProcThd.h"

#include <malloc.h>

#include <algorithm>
#include <exception>
#include <memory>
#include <stdexcept>
#include <thread>
#include <vector>

#include "base/Log.h"
#include "base/ThreadCrashStack.h"
#include "output/LayerFilesWriter.h"
#include "output/LayerImageMemo.h"

namespace Voxmill {

// The pool's threads and their imagers. Leaving its scope, on success or
// on an exception, closes the claims and joins every thread, so no worker
// outlives what it uses.
class ImgProcThd::Workers {
public:
    Workers(ImgProcThd& owner, int32_t count) : owner_(owner) {
        for (int32_t w = 0; w < count; ++w)
            imagers_.push_back(std::make_unique<LayerImager>(owner.job_, &memo_));
        try {
            for (auto& imager : imagers_)
                threads_.emplace_back([this, im = imager.get()] {
                    ThreadCrashStack crashStack;
                    owner_.workerLoop(*im);
                });
        } catch (...) {
            join();
            throw;
        }
    }
    ~Workers() { join(); }
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;

    void join() {
        {
            std::lock_guard<std::mutex> lock(owner_.countersLock_);
            owner_.claimEnd_ = std::min(owner_.claimEnd_, 0);
        }
        owner_.countersChanged_.notify_all();
        for (std::thread& t : threads_)
            if (t.joinable()) t.join();
    }
    // The imagers' figures; call after join().
    ImagingTimes times() const {
        ImagingTimes sum;
        for (const auto& imager : imagers_) sum += imager->times();
        return sum;
    }

private:
    ImgProcThd& owner_;
    LayerImageMemo memo_;
    std::vector<std::unique_ptr<LayerImager>> imagers_;
    std::vector<std::thread> threads_;
};

ImgProcThd::ImgProcThd(SliceJob& job, const QString& outputDir, int32_t workers)
    : job_(job), outputDir_(outputDir), workers_(std::max(workers, 1)),
      extraRaft_(extraRaftLayers(job.settings)), cleanSolidCount_(cleanSolidLayers(job.settings)) {
    const WindowPlan plan = planWindows(job.settings, job.layers.layerCount(), workers_);
    maxLead_ = plan.imageLead;
    releaseLag_ = plan.releaseLag;
    last_ = job.layers.layerCount() - 1;
    claimEnd_ = last_ + 1;
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
        claimEnd_ = std::min(claimEnd_, 0);
    }
    countersChanged_.notify_all();
}

bool ImgProcThd::failed() const { return failed_.load() != 0; }

// A claim waits for the layer to be posted and for room among the results:
// no further beyond the last layer written than the main thread may run.
bool ImgProcThd::claimLayer(int32_t& k) {
    std::unique_lock<std::mutex> lock(countersLock_);
    countersChanged_.wait(lock, [this] {
        return nextClaim_ >= claimEnd_ ||
               (nextClaim_ <= postedLayer_ && nextClaim_ - imagedLayer_ < maxLead_);
    });
    if (nextClaim_ >= claimEnd_) return false;
    k = nextClaim_++;
    return true;
}

// No layer above a failed one is claimed: its fault ends the job once the
// layers below it are written.
void ImgProcThd::handIn(int32_t k, ImagedLayer&& done) {
    {
        std::lock_guard<std::mutex> lock(countersLock_);
        if (done.failed) claimEnd_ = std::min(claimEnd_, k + 1);
        results_.emplace(k, std::move(done));
    }
    countersChanged_.notify_all();
}

// Imaging a lattice layer allocates and frees tens of megabytes in small
// pieces (the painter's paths, the polygon library's edges); the allocator
// keeps what a worker freed in that worker's own arena, so each worker would
// hold on to its worst layer's memory for the rest of the job. Every 16th
// layer a worker looks how much lies free, and past 32 MB gives it back.
// Trimming costs page faults when the memory is taken again, so not more often.
namespace {

constexpr int32_t layersPerTrim = 16;
constexpr size_t freeBytesToTrim = size_t(32) << 20;

void trimWhenMuchIsFree() {
    if (mallinfo2().fordblks > freeBytesToTrim) malloc_trim(0);
}

} // namespace

void ImgProcThd::workerLoop(LayerImager& imager) {
    int32_t sinceTrim = 0;
    for (int32_t k; claimLayer(k);) {
        ImagedLayer done;
        try {
            imager.image(k, done);
        } catch (const std::exception& e) {
            done.failed = true;
            done.error = e.what();
        } catch (...) {
            done.failed = true;
            done.error = "unknown exception";
        }
        handIn(k, std::move(done));
        if (++sinceTrim == layersPerTrim) {
            trimWhenMuchIsFree();
            sinceTrim = 0;
        }
    }
}

bool ImgProcThd::takeResult(int32_t k, ImagedLayer& done) {
    std::unique_lock<std::mutex> lock(countersLock_);
    countersChanged_.wait(lock, [&] { return stopRequested_.load() != 0 || results_.count(k) != 0; });
    if (stopRequested_.load() != 0) return false;
    auto it = results_.find(k);
    done = std::move(it->second);
    results_.erase(it);
    return true;
}

void ImgProcThd::markWritten(int32_t k) {
    {
        std::lock_guard<std::mutex> lock(countersLock_);
        imagedLayer_ = k;
    }
    countersChanged_.notify_all();
}

void ImgProcThd::writeLayers(LayerFilesWriter& files) {
    for (int32_t k = 0; k <= last_; ++k) {
        ImagedLayer done;
        if (!takeResult(k, done)) return;
        if (done.failed) throw std::runtime_error(done.error);
        files.write(k, done);
        releaseParts(k);
        printProgress(k);
        markWritten(k);
    }
}

void ImgProcThd::run() {
    std::lock_guard<std::mutex> handOver(exitLock_); // released as run() returns
    ThreadCrashStack crashStack;
    try {
        LayerFilesWriter files(job_.settings, outputDir_);
        Workers workers(*this, workers_);
        writeLayers(files);
        workers.join();
        ImagingTimes times = workers.times();
        times.writeNs += files.writeNs();
        addImagingTotals(times);
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

void ImgProcThd::printProgress(int32_t k) const {
    const int32_t total = extraRaft_ + last_;
    if (k == 0)
        for (int32_t j = 0; j < extraRaft_; ++j) logPrint("slice: %d/%d\n", j, total);
    logPrint("slice: %d/%d\n", extraRaft_ + k, total);
    if (isCleanSolid(k)) logPrint("clean-solid: %d\n", cleanSolidCount_);
}

} // namespace Voxmill
