#pragma once
// The "areaInfo" report: how many layers print with exactly d areas in use.

#include <cstdint>
#include <vector>

#include <QString>

#include "config/SliceConfig.h"
#include "slicer/Layer.h"

namespace Voxmill {

// Area boundaries in plate y (units): the build area's lower edge, then one
// more per band of wall.areaPixels; area j covers [b(j), b(j + 1)).
std::vector<int64_t> areaBounds(const SliceConfig& s);

// From the top count of every area (one more than its highest layer with
// model material), the number of layers printed with exactly d + 1 areas in
// use at index d; baseCount raft layers join the largest d that has layers.
std::vector<int32_t> layersPerAreaCount(std::vector<int32_t> tops, int32_t baseCount);

class AreaScan {
public:
    AreaScan(const SliceConfig& s, const QString& outputDir);
    // Layers are scanned from the top down; layer is stored layer k.
    void scanLayer(const Layer& layer, int32_t k);
    void write() const;

private:
    int32_t extraRaft_;
    QString outputDir_;
    std::vector<int64_t> bounds_; // area j covers bounds_[j] <= y < bounds_[j + 1]
    std::vector<int32_t> tops_;
};

} // namespace Voxmill
