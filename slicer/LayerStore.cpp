#include "slicer/LayerStore.h"

#include <stdexcept>

namespace Voxmill {

class LayersIOThd {};

LayerStore::LayerStore() = default;
LayerStore::~LayerStore() = default;
void LayerStore::initLayers(int32_t count) { layers_.resize(count); }
int32_t LayerStore::layerCount() const { return int32_t(layers_.size()); }
void LayerStore::setWindow(int32_t, int32_t) {}
Layer& LayerStore::layer(int32_t n) { return layers_.at(n); }
QString LayerStore::layerFilePath(int32_t) const { throw std::runtime_error("not implemented yet"); }
const QString& layerTempDir() { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
