#include "slicer/LayerStore.h"

#include <algorithm>
#include <stdexcept>
#include <string>

#include "slicer/LayersIOThd.h"

namespace Voxmill {

LayerStore::LayerStore(QString fileDir, IoObserver observer)
    : fileDir_(std::move(fileDir)), observer_(std::move(observer)) {}

LayerStore::~LayerStore() {
    if (!ioThread_) return;
    ioThread_->requestStop();
    ioThread_->join();
}

void LayerStore::initLayers(int32_t count) {
    if (!layers_.empty() || count <= 0) return;
    // Sized once: layer addresses stay valid for the whole job.
    layers_.resize(size_t(count));
    ioThread_ = std::make_unique<LayersIOThd>(*this, layerCount());
    ioThread_->start();
}

int32_t LayerStore::layerCount() const { return int32_t(layers_.size()); }

void LayerStore::setWindow(int32_t first, int32_t end) { setWindow({{first, end}, {first, end}}); }

void LayerStore::setWindow(const StageWindow& window) {
    if (ioThread_) ioThread_->setWindow(window.resident, window.reads);
}

Layer& LayerStore::layer(int32_t n) {
    if (!ioThread_ || !ioThread_->isWanted(n)) throw std::runtime_error("invalid layer index.");
#ifndef NDEBUG
    // A read the plan did not foresee may still find its layer resident by
    // the window's slack today, and miss it with other settings tomorrow.
    const LayerRange reads = ioThread_->plannedReads();
    if (!reads.contains(n))
        throw std::logic_error("layer " + std::to_string(n) + " read outside the planned range [" +
                               std::to_string(reads.first) + ", " + std::to_string(reads.end) + ")");
#endif
    if (!ioThread_->waitResident(n)) throw std::runtime_error("IO thread failed.");
    return layers_[size_t(n)];
}

void LayerStore::waitSettled() {
    if (ioThread_) ioThread_->waitSettled();
}

QString LayerStore::layerFilePath(int32_t n) const {
    return (fileDir_.isEmpty() ? layerTempDir() : fileDir_) + QLatin1Char('/') + QString::number(n);
}

} // namespace Voxmill
