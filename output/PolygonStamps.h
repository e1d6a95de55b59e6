#pragma once
// Drawing many copies of one small polygon. A support lattice puts thousands
// of equal posts on every layer, each a few pixels wide, and the painter's
// set-up per polygon costs far more than its pixels. A polygon's pixels
// depend only on its coordinates relative to the pixel grid: moved by whole
// pixels, exactly, it covers the same pixels moved as much. So the pixels
// of each shape that comes again (its points relative to a whole-pixel
// corner, and its brush) are drawn once onto a scratch image, kept as runs,
// and copied to every further place it comes.
//
// Only for polygons whose drawing no other drawing touches: the copy writes
// the polygon's pixels at once, whatever was drawn before or is drawn after.

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include <QImage>
#include <QPointF>
#include <QRect>

namespace Voxmill {

class PolygonStamps {
public:
    // Draws the polygon (odd-even fill in white or black, the painter's
    // default outline) onto image. False, drawing nothing, when its drawing
    // could reach outside clip or its shape is new: the caller draws it with
    // a painter.
    bool draw(const std::vector<QPointF>& points, bool white, QImage& image, const QRect& clip);

    size_t shapes() const { return stamps_.size(); }

private:
    struct Run {
        int32_t dy, dx, length;
        uint8_t value;
    };
    struct Stamp {
        bool made = false;  // runs drawn (the shape came twice)
        bool usable = true; // its drawing stayed off the scratch's edge
        std::vector<Run> runs;
    };
    const Stamp* stampOf(const std::vector<QPointF>& relative, bool white, int32_t width, int32_t height);

    std::unordered_map<std::string, Stamp> stamps_;
    size_t bytes_ = 0; // keys and runs held
    std::string key_;
    std::vector<QPointF> relative_;
    QImage scratch_;
};

} // namespace Voxmill
