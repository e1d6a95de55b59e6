#pragma once
// The thread that moves layers between memory and their files so that the
// resident range [loadedFirst, loadedEnd) follows the window [wantFirst,
// wantEnd) the stages ask for. Per cycle it loads at most one layer (growing
// downwards first) and evicts at most one (from the bottom first). The mutex
// guards only the four bounds: the thread touches only layers outside the
// resident range, growing it after a layer is read and shrinking it before a
// layer is written. It is a standard mutex rather than a QMutex, whose futex
// ThreadSanitizer cannot see: the handing over of layer contents rests on it.
// Readers waiting for a layer, and the thread itself when idle, sleep on one
// condition that every change of the bounds signals.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>

#include <QThread>

#include "slicer/LayerFileBuffer.h"
#include "slicer/WindowPlan.h"

namespace Voxmill {

class LayerStore;

class LayersIOThd : public QThread {
public:
    // All count layers of the store start resident and wanted.
    LayersIOThd(LayerStore& store, int32_t count);

    // Clamps to [0, count): wantFirst = max(first, 0), wantEnd = max(wantFirst,
    // min(end, count)). reads is what the stage plans to read inside it.
    void setWindow(LayerRange want, LayerRange reads);
    bool isWanted(int32_t n);
    LayerRange plannedReads();
    // Waits until layer n is resident, or the thread has ended; false once
    // it has ended, resident or not: the job is failing.
    bool waitResident(int32_t n);
    // Waits until the resident range is the window, or the thread has ended.
    void waitSettled();
    // The loop ends at the top of its next cycle.
    void requestStop();
    // Waits for run() to end. QThread::wait is invisible to ThreadSanitizer,
    // so run() holds exitLock_ until it returns and join() takes it after.
    void join();

protected:
    void run() override;

private:
    bool cycle(); // true when a layer was loaded or evicted
    void waitForWork();
    bool settledLocked() const { return loadedFirst_ == wantFirst_ && loadedEnd_ == wantEnd_; }
    int32_t pickLoad();
    void markLoaded(int32_t n);
    int32_t pickEvict();
    void loadLayer(int32_t n);
    void evictLayer(int32_t n);

    LayerStore& store_;
    const int32_t count_;
    std::mutex mutex_;
    std::condition_variable changed_;
    bool ended_ = false;
    int32_t wantFirst_ = 0;
    int32_t wantEnd_;
    int32_t loadedFirst_ = 0;
    int32_t loadedEnd_;
    LayerRange reads_;
    std::atomic<int32_t> stopRequested_{0};
    std::mutex exitLock_;
    LayerFileBuffer buffer_; // this thread's alone
};

} // namespace Voxmill
