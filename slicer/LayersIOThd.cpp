#include "slicer/LayersIOThd.h"

#include <algorithm>
#include <exception>

#include <QFile>

#include "base/Log.h"
#include "base/ThreadCrashStack.h"
#include "slicer/LayerStore.h"
#include "slicer/TempLayerFile.h"

namespace Voxmill {

namespace {

constexpr int32_t none = -1;

} // namespace

LayersIOThd::LayersIOThd(LayerStore& store, int32_t count)
    : store_(store), count_(count), wantEnd_(count), loadedEnd_(count), reads_{0, count} {}

void LayersIOThd::setWindow(LayerRange want, LayerRange reads) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        wantFirst_ = std::max(want.first, 0);
        wantEnd_ = std::max(wantFirst_, std::min(want.end, count_));
        reads_ = reads;
    }
    changed_.notify_all();
}

void LayersIOThd::waitSettled() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return settledLocked() || ended_; });
}

bool LayersIOThd::waitResident(int32_t n) {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [&] { return (loadedFirst_ <= n && n < loadedEnd_) || ended_; });
    return !ended_;
}

void LayersIOThd::requestStop() {
    {
        std::lock_guard<std::mutex> lock(mutex_); // the idle wait cannot miss it
        stopRequested_ = 1;
    }
    changed_.notify_all();
}

// Idle until the window moves or a stop is asked for.
void LayersIOThd::waitForWork() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !settledLocked() || stopRequested_ != 0; });
}

LayerRange LayersIOThd::plannedReads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
}

bool LayersIOThd::isWanted(int32_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    return wantFirst_ <= n && n < wantEnd_;
}

void LayersIOThd::join() {
    wait();
    std::lock_guard<std::mutex> handOver(exitLock_);
}

void LayersIOThd::run() {
    std::lock_guard<std::mutex> handOver(exitLock_); // released as run() returns
    ThreadCrashStack crashStack;
    try {
        while (!stopRequested_)
            if (!cycle()) waitForWork();
    } catch (const std::exception& e) {
        logPrint("%s\n", e.what());
    } catch (...) {
        logPrint("unknown exception\n");
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        ended_ = true;
    }
    changed_.notify_all();
}

bool LayersIOThd::cycle() {
    const int32_t load = pickLoad();
    if (load != none) {
        loadLayer(load);
        markLoaded(load);
    }
    const int32_t evict = pickEvict();
    if (evict != none) {
        evictLayer(evict);
        changed_.notify_all(); // one waiting for the range to settle
    }
    return load != none || evict != none;
}

int32_t LayersIOThd::pickLoad() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (loadedFirst_ > wantFirst_) return loadedFirst_ - 1;
    if (loadedEnd_ < wantEnd_) return loadedEnd_;
    return none;
}

// The range grows only once the layer is complete.
void LayersIOThd::markLoaded(int32_t n) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (n == loadedFirst_ - 1)
            loadedFirst_ = n;
        else if (n == loadedEnd_)
            loadedEnd_ = n + 1;
    }
    changed_.notify_all();
}

// The range shrinks before the layer is written.
int32_t LayersIOThd::pickEvict() {
    std::lock_guard<std::mutex> lock(mutex_);
    if (loadedFirst_ < wantFirst_) return loadedFirst_++;
    if (loadedEnd_ > wantEnd_) return --loadedEnd_;
    return none;
}

void LayersIOThd::loadLayer(int32_t n) {
    const QString path = store_.layerFilePath(n);
    buffer_.loadChecked(path);
    loadLayerIslands(store_.layers_[size_t(n)], buffer_);
    QFile::remove(path);
    if (store_.observer_) store_.observer_(n, true);
}

void LayersIOThd::evictLayer(int32_t n) {
    storeLayerIslands(store_.layers_[size_t(n)], buffer_);
    buffer_.saveChecked(store_.layerFilePath(n));
    if (store_.observer_) store_.observer_(n, false);
}

} // namespace Voxmill
