#include "output/WaitTime.h"

#include <algorithm>
#include <cstring>

#include "output/OutputFile.h"
#include "output/Poly2Img.h"

namespace Voxmill {

int32_t waitTimeForArea(float area, const std::vector<int32_t>& areas, const std::vector<int32_t>& times) {
    const size_t n = std::min(areas.size(), times.size());
    if (n == 0) return 0;
    // Largest i with area >= areas[i]; areas[i + 1] is then strictly larger.
    size_t i = n;
    while (i > 0 && !(area >= float(areas[i - 1]))) --i;
    if (i == 0) return times[0];
    --i;
    if (i == n - 1) return times[n - 1];
    const float f = (area - float(areas[i])) / float(areas[i + 1] - areas[i]);
    return int32_t(float(times[i]) * (1.0f - f) + float(times[i + 1]) * f);
}

namespace {

// Counts the region around (x, y) and clears it.
int64_t floodRegion(QImage& image, int32_t x, int32_t y, std::vector<PixelPos>& queue) {
    const int32_t w = image.width(), h = image.height();
    queue.clear();
    queue.push_back({x, y});
    image.scanLine(y)[x] = 0;
    for (size_t head = 0; head < queue.size(); ++head) {
        const PixelPos p = queue[head];
        const PixelPos next[4] = {{p.x, p.y - 1}, {p.x, p.y + 1}, {p.x - 1, p.y}, {p.x + 1, p.y}};
        for (const PixelPos& q : next) {
            if (q.x < 0 || q.x >= w || q.y < 0 || q.y >= h) continue;
            uchar& v = image.scanLine(q.y)[q.x];
            if (v < 128) continue;
            v = 0;
            queue.push_back(q);
        }
    }
    return int64_t(queue.size());
}

// 255 where the model or the support image has a pixel of 128 or more.
void combine(const QImage& model, const QImage& support, QImage& out) {
    if (out.size() != model.size() || out.format() != QImage::Format_Grayscale8)
        out = QImage(model.size(), QImage::Format_Grayscale8);
    const int32_t w = model.width();
    for (int32_t y = 0; y < model.height(); ++y) {
        const uchar* m = model.constScanLine(y);
        const uchar* s = support.constScanLine(y);
        uchar* o = out.scanLine(y);
        for (int32_t x = 0; x < w; ++x) o[x] = (m[x] | s[x]) >= 128 ? 255 : 0;
    }
}

} // namespace

int64_t largestRegion(QImage& image, std::vector<PixelPos>& queue) {
    int64_t largest = 0;
    for (int32_t y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int32_t x = 0; x < image.width(); ++x)
            if (row[x] >= 128) largest = std::max(largest, floodRegion(image, x, y, queue));
    }
    return largest;
}

int32_t WaitTimeReport::layerTime(const SliceConfig& s, const QImage& model, const QImage& support) {
    if (!s.waitTime.enable) return 0;
    const auto& p = s.poly2img;
    const float halfMargin = s.waitTime.margin * 0.5f;
    const float pixelW = p.sizeX / float(p.pixelX);
    const float pixelH = p.sizeY / float(p.pixelY);
    const float pixelArea = (p.sizeY * p.sizeX) / (float(p.pixelX) * float(p.pixelY));
    combine(model, support, combined_);
    dilateWhite(combined_, combinedCopy_, halfMargin, pixelW, pixelH);
    const float area = float(largestRegion(combined_, queue_)) * pixelArea;
    return waitTimeForArea(area, s.waitTime.areas, s.waitTime.times);
}

void WaitTimeReport::append(int32_t k, int32_t time) const {
    const QByteArray line = QStringLiteral("waitXTimeout%1 = %2\n").arg(k).arg(time).toLatin1();
    writeTextFile(outputDir_ + QStringLiteral("/waitTime"), k == 0 ? openWrite : openAppend, line);
}

} // namespace Voxmill
