#include "tools/slice_view/ReportPlot.h"

#include <algorithm>

#include "tools/slice_view/Html.h"

namespace Voxmill {

namespace {

// The plot area inside the SVG's 1000 x 250 view box.
constexpr double left = 70, top = 12, width = 910, height = 200;

struct Column {
    int64_t model = 0, support = 0;
};

std::vector<Column> columns(const std::vector<LayerCounts>& counts) {
    const size_t n = counts.size(), cols = std::min(n, size_t(width));
    std::vector<Column> out(cols);
    for (size_t l = 0; l < n; ++l) {
        Column& c = out[l * cols / n];
        c.model = std::max(c.model, counts[l].model);
        c.support = std::max(c.support, counts[l].support);
    }
    return out;
}

std::string polyline(const std::vector<Column>& cols, int64_t Column::*kind, double yPerPixel,
                     const char* colour) {
    std::string points;
    for (size_t i = 0; i < cols.size(); ++i)
        points += formatted("%.1f,%.1f ", left + (double(i) + 0.5) * width / double(cols.size()),
                            top + height - double(cols[i].*kind) * yPerPixel);
    return formatted("<polyline fill=\"none\" stroke=\"%s\" stroke-width=\"1.5\" points=\"", colour) +
           points + "\"/>\n";
}

} // namespace

std::string areaPlot(const std::vector<LayerCounts>& counts, double pixelAreaMm2) {
    const std::vector<Column> cols = columns(counts);
    int64_t largest = 1;
    for (const Column& c : cols) largest = std::max({largest, c.model, c.support});
    const double yPerPixel = height / double(largest);
    std::string svg =
        formatted("<svg id=\"plot\" viewBox=\"0 0 1000 250\" data-left=\"%g\" data-width=\"%g\" "
                  "role=\"img\" aria-label=\"model and support area per layer\">\n",
                  left, width);
    svg += formatted("<rect x=\"%g\" y=\"%g\" width=\"%g\" height=\"%g\" fill=\"none\" stroke=\"#555\"/>\n",
                     left, top, width, height);
    svg += formatted("<text x=\"%g\" y=\"%g\" text-anchor=\"end\">%.1f mm²</text>\n", left - 6, top + 10,
                     double(largest) * pixelAreaMm2);
    svg += formatted("<text x=\"%g\" y=\"%g\" text-anchor=\"end\">0</text>\n", left - 6, top + height);
    svg += formatted("<text x=\"%g\" y=\"%g\">layer 0</text>\n", left, top + height + 18);
    svg += formatted("<text x=\"%g\" y=\"%g\" text-anchor=\"end\">layer %zu</text>\n", left + width,
                     top + height + 18, counts.size() - 1);
    svg += formatted("<text x=\"%g\" y=\"%g\" text-anchor=\"middle\">model (white), support (grey)</text>\n",
                     left + width / 2, top + height + 34);
    svg += polyline(cols, &Column::support, yPerPixel, "#9aa0a6");
    svg += polyline(cols, &Column::model, yPerPixel, "#ffffff");
    svg +=
        formatted("<line id=\"plot-cursor\" x1=\"%g\" x2=\"%g\" y1=\"%g\" y2=\"%g\" stroke=\"#f6a75b\"/>\n",
                  left, left, top, top + height);
    return svg + "</svg>\n";
}

} // namespace Voxmill
