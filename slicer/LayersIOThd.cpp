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
constexpr unsigned long idleSleepMs = 5;

} // namespace

LayersIOThd::LayersIOThd(LayerStore& store, int32_t count)
    : store_(store), count_(count), wantEnd_(count), loadedEnd_(count), reads_{0, count} {}

void LayersIOThd::setWindow(LayerRange want, LayerRange reads) {
    std::lock_guard<std::mutex> lock(mutex_);
    wantFirst_ = std::max(want.first, 0);
    wantEnd_ = std::max(wantFirst_, std::min(want.end, count_));
    reads_ = reads;
}

bool LayersIOThd::isSettled() {
    std::lock_guard<std::mutex> lock(mutex_);
    return loadedFirst_ == wantFirst_ && loadedEnd_ == wantEnd_;
}

LayerRange LayersIOThd::plannedReads() {
    std::lock_guard<std::mutex> lock(mutex_);
    return reads_;
}

bool LayersIOThd::isWanted(int32_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    return wantFirst_ <= n && n < wantEnd_;
}

bool LayersIOThd::isResident(int32_t n) {
    std::lock_guard<std::mutex> lock(mutex_);
    return loadedFirst_ <= n && n < loadedEnd_;
}

void LayersIOThd::join() {
    wait();
    std::lock_guard<std::mutex> handOver(exitLock_);
}

void LayersIOThd::run() {
    std::lock_guard<std::mutex> handOver(exitLock_); // released as run() returns
    ThreadCrashStack crashStack;
    try {
        while (!stopRequested_) {
            // Move on at once while there is work; poll gently when idle.
            if (!cycle()) msleep(idleSleepMs);
        }
    } catch (const std::exception& e) {
        logPrint("%s\n", e.what());
    } catch (...) {
        logPrint("unknown exception\n");
    }
}

bool LayersIOThd::cycle() {
    const int32_t load = pickLoad();
    if (load != none) {
        loadLayer(load);
        markLoaded(load);
    }
    const int32_t evict = pickEvict();
    if (evict != none) evictLayer(evict);
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
    std::lock_guard<std::mutex> lock(mutex_);
    if (n == loadedFirst_ - 1)
        loadedFirst_ = n;
    else if (n == loadedEnd_)
        loadedEnd_ = n + 1;
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
