#include "infill/LatticeCells.h"

#include <algorithm>
#include <cmath>

namespace Voxmill {

namespace {

int64_t floorDiv(int64_t a, int64_t b) { return a / b - (a % b != 0 && (a < 0) != (b < 0)); }
int64_t ceilDiv(int64_t a, int64_t b) { return -floorDiv(-a, b); }

IntBox clipBox(const IntBox& b, const IntBox& limit) {
    return {std::max(b.minX, limit.minX), std::max(b.minY, limit.minY), std::min(b.maxX, limit.maxX),
            std::min(b.maxY, limit.maxY)};
}

// The cells n, in [first, last], whose copy [lo + n p + origin, hi + n p +
// origin] of a shape spanning [lo, hi] meets [qLo - margin, qHi + margin].
void cellsMeeting(int64_t qLo, int64_t qHi, int64_t lo, int64_t hi, int64_t origin, int64_t p, int64_t margin,
                  int64_t& first, int64_t& last) {
    first = std::max(first, -floorDiv(hi + origin - qLo + margin, p));
    last = std::min(last, floorDiv(qHi + margin - origin - lo, p));
}

// Marks touched every cell of the range whose zone, grown by reach, meets the
// box [x0, x1] x [y0, y1].
void markBox(const Lattice& l, const CellRange& r, double x0, double y0, double x1, double y1, int64_t grow,
             std::vector<CellPlace>& places) {
    const int64_t a0 = std::max(r.i0, ceilDiv(int64_t(std::floor(x0)) - grow - l.originX, l.period));
    const int64_t a1 = std::min(r.i1, floorDiv(int64_t(std::ceil(x1)) + grow - l.originX, l.period));
    const int64_t c0 = std::max(r.j0, ceilDiv(int64_t(std::floor(y0)) - grow - l.originY, l.period));
    const int64_t c1 = std::min(r.j1, floorDiv(int64_t(std::ceil(y1)) + grow - l.originY, l.period));
    for (int64_t i = a0; i <= a1; ++i)
        for (int64_t j = c0; j <= c1; ++j) places[r.index(i, j)] = CellPlace::touched;
}

// Every edge is walked in pieces of at most half a period, so that a long
// slanted edge marks the cells along it, not its whole box.
void markEdges(const Lattice& l, const CellRange& r, const Paths& region, int64_t reach,
               std::vector<CellPlace>& places) {
    const int64_t grow = l.period / 2 + reach + 1;
    const double step = double(std::max<int64_t>(1, l.period / 2));
    for (const Path& path : region)
        for (size_t k = 0; k < path.size(); ++k) {
            const IntPoint& a = path[k];
            const IntPoint& b = path[(k + 1) % path.size()];
            const double dx = double(b.X - a.X), dy = double(b.Y - a.Y);
            const int64_t pieces = int64_t(std::max(std::fabs(dx), std::fabs(dy)) / step) + 1;
            for (int64_t t = 0; t < pieces; ++t) {
                const double f0 = double(t) / double(pieces), f1 = double(t + 1) / double(pieces);
                const double xa = double(a.X) + dx * f0, xb = double(a.X) + dx * f1;
                const double ya = double(a.Y) + dy * f0, yb = double(a.Y) + dy * f1;
                markBox(l, r, std::min(xa, xb), std::min(ya, yb), std::max(xa, xb), std::max(ya, yb), grow,
                        places);
            }
        }
}

// The x of every crossing of the region's edges with the row of cell centres
// j, per row of the range (an edge counts at y when y0 <= y < y1, so a vertex
// on the row is counted once).
std::vector<std::vector<double>> rowCrossings(const Lattice& l, const CellRange& r, const Paths& region) {
    std::vector<std::vector<double>> rows(size_t(r.j1 - r.j0 + 1));
    for (const Path& path : region)
        for (size_t k = 0; k < path.size(); ++k) {
            const IntPoint& a = path[k];
            const IntPoint& b = path[(k + 1) % path.size()];
            if (a.Y == b.Y) continue;
            const int64_t lo = std::min(a.Y, b.Y), hi = std::max(a.Y, b.Y);
            const int64_t first = std::max(r.j0, ceilDiv(lo - l.originY, l.period));
            const int64_t last = std::min(r.j1, ceilDiv(hi - l.originY, l.period) - 1);
            for (int64_t j = first; j <= last; ++j) {
                const double y = double(j * l.period + l.originY);
                const double x = double(a.X) + (y - double(a.Y)) * double(b.X - a.X) / double(b.Y - a.Y);
                rows[size_t(j - r.j0)].push_back(x);
            }
        }
    for (auto& row : rows) std::sort(row.begin(), row.end());
    return rows;
}

} // namespace

CellRange tilingRange(const Lattice& l, const IntBox& area) {
    CellRange r;
    if (area.empty() || l.period <= 0) return r;
    const IntBox b = clipBox(area, l.limit);
    if (b.empty()) return r;
    const int64_t p = l.period, half = p / 2;
    r.i0 = (b.minX - l.originX - half) / p;
    r.i1 = (b.maxX - l.originX + half) / p;
    r.j0 = (b.minY - l.originY - half) / p;
    r.j1 = (b.maxY - l.originY + half) / p;
    return r;
}

std::vector<uint8_t> nearCells(const Lattice& l, const CellRange& r, const Paths& region, const IntBox& s,
                               int64_t margin) {
    // Marked per contour, so a region of scattered islands costs its
    // islands, not its whole box.
    std::vector<uint8_t> near(r.size(), 0);
    for (const Path& path : region) {
        const IntBox q = pathBox(path);
        if (q.empty()) continue;
        int64_t a0 = r.i0, a1 = r.i1, c0 = r.j0, c1 = r.j1;
        cellsMeeting(q.minX, q.maxX, s.minX, s.maxX, l.originX, l.period, margin, a0, a1);
        cellsMeeting(q.minY, q.maxY, s.minY, s.maxY, l.originY, l.period, margin, c0, c1);
        for (int64_t i = a0; i <= a1 && c0 <= c1; ++i)
            std::fill_n(near.begin() + int64_t(r.index(i, c0)), c1 - c0 + 1, 1);
    }
    return near;
}

std::vector<CellPlace> placeCells(const Lattice& l, const CellRange& r, const Paths& region, int64_t reach) {
    std::vector<CellPlace> places(r.size(), CellPlace::outside);
    if (r.empty()) return places;
    markEdges(l, r, region, reach, places);
    const std::vector<std::vector<double>> rows = rowCrossings(l, r, region);
    for (int64_t j = r.j0; j <= r.j1; ++j) {
        const std::vector<double>& xs = rows[size_t(j - r.j0)];
        if (xs.empty()) continue;
        // No edge comes near an untouched cell, so its centre's side of the
        // outline is the whole zone's.
        size_t left = 0;
        for (int64_t i = r.i0; i <= r.i1; ++i) {
            const double cx = double(i * l.period + l.originX);
            while (left < xs.size() && xs[left] < cx) ++left;
            CellPlace& place = places[r.index(i, j)];
            if (place != CellPlace::touched && left % 2 == 1) place = CellPlace::inside;
        }
    }
    return places;
}

void appendMoved(const Path& shape, IntPoint c, Paths& out) {
    out.emplace_back(shape);
    for (IntPoint& p : out.back()) {
        p.X += c.X;
        p.Y += c.Y;
    }
}

bool isCellCopy(const Lattice& l, const Path& path, const Path& shape, int64_t& i, int64_t& j) {
    if (path.size() != shape.size() || shape.empty() || l.period <= 0) return false;
    const int64_t cx = path[0].X - shape[0].X, cy = path[0].Y - shape[0].Y;
    if ((cx - l.originX) % l.period != 0 || (cy - l.originY) % l.period != 0) return false;
    for (size_t k = 1; k < path.size(); ++k)
        if (path[k].X - shape[k].X != cx || path[k].Y - shape[k].Y != cy) return false;
    i = (cx - l.originX) / l.period;
    j = (cy - l.originY) / l.period;
    return true;
}

} // namespace Voxmill
