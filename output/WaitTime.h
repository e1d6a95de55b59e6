#pragma once
// The "waitTime" report: per stored layer, a waiting time looked up from the
// area of the layer's largest connected printed region (model or support,
// grown by half of waitTime.margin).

#include <cstdint>
#include <vector>

#include <QImage>
#include <QString>

#include "config/SliceConfig.h"

namespace Voxmill {

// Interpolates the time for an area (mm²) between the pairs (areas[i],
// times[i]); the lists are sorted ascending. Below the first area the first
// time, from the last area on the last time. Only as many pairs as both
// lists have are used; with none the time is 0.
int32_t waitTimeForArea(float area, const std::vector<int32_t>& areas, const std::vector<int32_t>& times);

struct PixelPos {
    int32_t x, y;
};

// Pixel count of the largest 4-connected region of pixels >= 128. Every
// visited pixel is set to 0; queue is scratch space kept between calls.
int64_t largestRegion(QImage& image, std::vector<PixelPos>& queue);

// Computes layer k's time from its finished model and support images (0 when
// waitTime.enable is off) and appends its line to "waitTime", replacing the
// file for k = 0. Owns its two working images.
class WaitTimeReport {
public:
    explicit WaitTimeReport(const QString& outputDir) : outputDir_(outputDir) {}
    int32_t layerTime(const SliceConfig& s, const QImage& model, const QImage& support);
    void append(int32_t k, int32_t time) const;

private:
    QString outputDir_;
    std::vector<PixelPos> queue_;
    QImage combined_;     // model or support
    QImage combinedCopy_; // read while growing
};

} // namespace Voxmill
