#include "slicer/LocalLevels.h"

#include <algorithm>
#include <cmath>
#include <map>

namespace Voxmill {

namespace {

// Fewer contours than this go through the union as they are.
constexpr size_t minContours = 256;
// The side of the grid cells that index the contours: a contour is small
// when its box is narrower than a cell.
constexpr int64_t gridUnits = 20000;
constexpr int64_t maxGridCells = int64_t(1) << 22;

struct Grid {
    int64_t x0 = 0, y0 = 0, nx = 0, ny = 0;
    int64_t cx(int64_t x) const { return std::clamp<int64_t>((x - x0) / gridUnits, 0, nx - 1); }
    int64_t cy(int64_t y) const { return std::clamp<int64_t>((y - y0) / gridUnits, 0, ny - 1); }
    size_t at(int64_t i, int64_t j) const { return size_t(j * nx + i); }
};

bool isSmall(const IntBox& b) {
    return !b.empty() && int64_t(b.maxX) - b.minX < gridUnits && int64_t(b.maxY) - b.minY < gridUnits;
}

bool boxesNear(const IntBox& a, const IntBox& b, int64_t c) {
    return int64_t(a.minX) <= int64_t(b.maxX) + c && int64_t(b.minX) <= int64_t(a.maxX) + c &&
           int64_t(a.minY) <= int64_t(b.maxY) + c && int64_t(b.minY) <= int64_t(a.maxY) + c;
}

// Marks the grid cells every edge of the path passes: each piece of at most
// half a cell marks the cells its box (and two units round it) meets.
void markEdges(const Grid& g, const Path& path, int64_t c, std::vector<uint8_t>& marked) {
    for (size_t k = 0; k < path.size(); ++k) {
        const IntPoint& a = path[k];
        const IntPoint& b = path[(k + 1) % path.size()];
        const double dx = double(b.X - a.X), dy = double(b.Y - a.Y);
        const int64_t pieces = int64_t(std::max(std::fabs(dx), std::fabs(dy)) / double(gridUnits / 2)) + 1;
        for (int64_t t = 0; t < pieces; ++t) {
            const double f0 = double(t) / double(pieces), f1 = double(t + 1) / double(pieces);
            const double xa = double(a.X) + dx * f0, xb = double(a.X) + dx * f1;
            const double ya = double(a.Y) + dy * f0, yb = double(a.Y) + dy * f1;
            const int64_t x0 = int64_t(std::floor(std::min(xa, xb))),
                          x1 = int64_t(std::ceil(std::max(xa, xb)));
            const int64_t y0 = int64_t(std::floor(std::min(ya, yb))),
                          y1 = int64_t(std::ceil(std::max(ya, yb)));
            for (int64_t i = g.cx(x0 - c); i <= g.cx(x1 + c); ++i)
                for (int64_t j = g.cy(y0 - c); j <= g.cy(y1 + c); ++j) marked[g.at(i, j)] = 1;
        }
    }
}

// The crossings of a few large contours with horizontal lines, met again
// and again by the small contours of one row: x, the contour's index and
// +1 for an edge going up, -1 going down (an edge counts at y when it spans
// [y0, y1)).
class RowCrossings {
public:
    explicit RowCrossings(std::vector<const Path*> paths) : paths_(std::move(paths)) {}
    // The winding number of all the contours about p, and how many of them
    // hold p (an odd count of crossings to its right).
    void at(const IntPoint& p, int32_t& winding, int32_t& holding) {
        const std::vector<Crossing>& row = crossings(p.Y);
        parity_.assign(paths_.size(), 0);
        winding = 0;
        for (auto it = std::upper_bound(row.begin(), row.end(), double(p.X),
                                        [](double x, const Crossing&c) { return x < c.x; });
             it != row.end(); ++it) {
            winding += it->dir;
            parity_[it->path] ^= 1;
        }
        holding = int32_t(std::count(parity_.begin(), parity_.end(), 1));
    }

private:
    struct Crossing {
        double x;
        uint32_t path;
        int32_t dir;
    };
    const std::vector<Crossing>& crossings(int64_t y) {
        auto found = rows_.find(y);
        if (found != rows_.end()) return found->second;
        std::vector<Crossing> row;
        for (size_t n = 0; n < paths_.size(); ++n) {
            const Path& path = *paths_[n];
            for (size_t k = 0; k < path.size(); ++k) {
                const IntPoint& a = path[k];
                const IntPoint& b = path[(k + 1) % path.size()];
                const int32_t dir = a.Y <= y && y < b.Y ? 1 : b.Y <= y && y < a.Y ? -1 : 0;
                if (dir == 0) continue;
                const double x = double(a.X) + double(y - a.Y) * double(b.X - a.X) / double(b.Y - a.Y);
                row.push_back({x, uint32_t(n), dir});
            }
        }
        std::sort(row.begin(), row.end(), [](const Crossing& c, const Crossing& d) { return c.x < d.x; });
        return rows_[y] = std::move(row);
    }

    std::vector<const Path*> paths_;
    std::map<int64_t, std::vector<Crossing>> rows_;
    std::vector<uint8_t> parity_;
};

// Which contours are small and alone: no other small box near theirs, no
// edge of a large contour in the grid cells their box meets.
std::vector<uint8_t> aloneContours(const Paths& a, const std::vector<IntBox>& boxes, const Grid& g,
                                   int64_t c) {
    std::vector<uint8_t> marked(size_t(g.nx * g.ny), 0);
    std::vector<std::vector<uint32_t>> smallIn(size_t(g.nx * g.ny));
    for (size_t k = 0; k < a.size(); ++k) {
        if (!isSmall(boxes[k])) {
            markEdges(g, a[k], c, marked);
            continue;
        }
        for (int64_t i = g.cx(boxes[k].minX - c); i <= g.cx(boxes[k].maxX + c); ++i)
            for (int64_t j = g.cy(boxes[k].minY - c); j <= g.cy(boxes[k].maxY + c); ++j)
                smallIn[g.at(i, j)].push_back(uint32_t(k));
    }
    std::vector<uint8_t> alone(a.size(), 0);
    for (size_t k = 0; k < a.size(); ++k) {
        if (!isSmall(boxes[k]) || a[k].size() < 3) continue;
        bool ok = true;
        for (int64_t i = g.cx(boxes[k].minX - c); ok && i <= g.cx(boxes[k].maxX + c); ++i)
            for (int64_t j = g.cy(boxes[k].minY - c); ok && j <= g.cy(boxes[k].maxY + c); ++j) {
                if (marked[g.at(i, j)]) ok = false;
                for (uint32_t other : smallIn[g.at(i, j)])
                    if (other != k && boxesNear(boxes[k], boxes[other], c)) ok = false;
            }
        alone[k] = ok;
    }
    return alone;
}

// The union's form of contour c in a winding w around it, relative to c's
// first point (empty when it vanishes); false when it is more than one contour.
bool loneForm(const Path& c, const IntBox& box, int32_t w, Path& form) {
    const int64_t m = gridUnits;
    Paths in;
    const Path frame = {{box.minX - m, box.minY - m},
                        {box.maxX + m, box.minY - m},
                        {box.maxX + m, box.maxY + m},
                        {box.minX - m, box.maxY + m}};
    for (int32_t n = 0; n < std::abs(w); ++n)
        in.push_back(w > 0 ? frame : Path(frame.rbegin(), frame.rend()));
    in.push_back(c);
    int found = 0;
    for (const Path& out : unionPaths(in)) {
        const IntBox b = pathBox(out);
        if (b.minX < box.minX || b.minY < box.minY || b.maxX > box.maxX || b.maxY > box.maxY) continue;
        form = out;
        ++found;
    }
    for (IntPoint& p : form) {
        p.X -= c[0].X;
        p.Y -= c[0].Y;
    }
    return found <= 1;
}

struct FormKeyLess {
    bool operator()(const std::pair<int32_t, Path>& a, const std::pair<int32_t, Path>& b) const {
        if (a.first != b.first) return a.first < b.first;
        return std::lexicographical_compare(
            a.second.begin(), a.second.end(), b.second.begin(), b.second.end(),
            [](const IntPoint& p, const IntPoint& q) { return p.X < q.X || (p.X == q.X && p.Y < q.Y); });
    }
};

} // namespace

SplitLevels splitLevels(const Paths& a, int64_t clearance) {
    if (a.size() < minContours) return {depthLevels(a), {}};
    std::vector<IntBox> boxes(a.size());
    IntBox all;
    for (size_t k = 0; k < a.size(); ++k) all = boxUnion(all, boxes[k] = pathBox(a[k]));
    if (all.empty()) return {depthLevels(a), {}};
    Grid g{int64_t(all.minX) - 2, int64_t(all.minY) - 2, 0, 0};
    g.nx = (int64_t(all.maxX) + 2 - g.x0) / gridUnits + 1;
    g.ny = (int64_t(all.maxY) + 2 - g.y0) / gridUnits + 1;
    if (g.nx * g.ny > maxGridCells) return {depthLevels(a), {}};
    const int64_t c = std::max<int64_t>(clearance, 1);
    std::vector<uint8_t> alone = aloneContours(a, boxes, g, c);

    std::vector<const Path*> large; // the contours that can hold an alone one
    for (size_t k = 0; k < a.size(); ++k)
        if (!isSmall(boxes[k])) large.push_back(&a[k]);
    RowCrossings around(large);
    // Each alone contour's form in the winding the large contours give it;
    // a shape met again takes the form found for it.
    std::map<std::pair<int32_t, Path>, std::pair<bool, Path>, FormKeyLess> forms;
    std::vector<Path> placed(a.size());
    for (size_t k = 0; k < a.size(); ++k) {
        if (!alone[k]) continue;
        int32_t w = 0, holding = 0;
        around.at(a[k][0], w, holding);
        Path rel(a[k]);
        for (IntPoint& p : rel) {
            p.X -= a[k][0].X;
            p.Y -= a[k][0].Y;
        }
        auto it = forms.find({w, rel});
        if (it == forms.end()) {
            std::pair<bool, Path> f;
            f.first = loneForm(a[k], boxes[k], w, f.second);
            it = forms.emplace(std::make_pair(w, std::move(rel)), std::move(f)).first;
        }
        if (!it->second.first) {
            alone[k] = 0;
            continue;
        }
        placed[k] = it->second.second;
        for (IntPoint& p : placed[k]) {
            p.X += a[k][0].X;
            p.Y += a[k][0].Y;
        }
    }

    Paths rest;
    for (size_t k = 0; k < a.size(); ++k)
        if (!alone[k]) rest.push_back(a[k]);
    std::vector<Paths> levels = depthLevels(rest);
    // Only a large contour of the result can hold an alone one: it lies as
    // deep as the count of those that hold it.
    std::vector<const Path*> holders;
    for (const Paths& level : levels)
        for (const Path& c : level)
            if (!isSmall(pathBox(c))) holders.push_back(&c);
    RowCrossings result(holders);
    SplitLevels out{std::move(levels), {}};
    for (size_t k = 0; k < a.size(); ++k) {
        if (!alone[k] || placed[k].empty()) continue;
        int32_t w = 0, holding = 0;
        result.at(a[k][0], w, holding);
        const size_t depth = size_t(holding);
        if (out.alone.size() <= depth) out.alone.resize(depth + 1);
        out.alone[depth].push_back(std::move(placed[k]));
    }
    return out;
}

std::vector<Paths> depthLevelsLocal(const Paths& a, int64_t clearance) {
    SplitLevels split = splitLevels(a, clearance);
    std::vector<Paths>& out = split.levels;
    if (out.size() < split.alone.size()) out.resize(split.alone.size());
    for (size_t d = 0; d < split.alone.size(); ++d)
        out[d].insert(out[d].end(), std::make_move_iterator(split.alone[d].begin()),
                      std::make_move_iterator(split.alone[d].end()));
    return out;
}

} // namespace Voxmill
