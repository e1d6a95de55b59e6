#pragma once
// The "areaInfo" report: how many layers print with exactly d areas in use.

#include <cstdint>
#include <vector>

#include <QString>

#include "slicer/SliceJob.h"

namespace Voxmill {

class AreaScan {
public:
    AreaScan(SliceJob& job, const QString& outputDir);
    // Layers are scanned from the top down.
    void scanLayer(int32_t k);
    void write() const;

private:
    SliceJob& job_;
    QString outputDir_;
    std::vector<int64_t> bounds_; // area j covers bounds_[j] <= y < bounds_[j + 1]
    std::vector<int32_t> tops_;
};

} // namespace Voxmill
