#pragma once
// Integer polygon geometry over Clipper: units of 0.0001 mm on both axes,
// outer contours counter-clockwise, holes clockwise. Every operation takes
// value types and returns new ones unless marked "in place".

#include <climits>
#include <cstdint>
#include <vector>

#include <polyclipping/clipper.hpp>

namespace Voxmill {

using ClipperLib::IntPoint;
using Path = ClipperLib::Path;
using Paths = ClipperLib::Paths;

constexpr int32_t unitsPerMm = 10000;

struct IntBox {
    int32_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    bool operator==(const IntBox& o) const {
        return minX == o.minX && minY == o.minY && maxX == o.maxX && maxY == o.maxY;
    }
    bool operator!=(const IntBox& o) const { return !(*this == o); }
    bool empty() const { return minX > maxX || minY > maxY; }
};

inline bool boxesOverlap(const IntBox& a, const IntBox& b) {
    return a.minX <= b.maxX && b.minX <= a.maxX && a.minY <= b.maxY && b.minY <= a.maxY;
}

IntBox pathBox(const Path& a);
IntBox pathsBox(const Paths& a);
IntBox boxUnion(const IntBox& a, const IntBox& b);
double pathsArea(const Paths& a); // signed: holes subtract

Paths unionPaths(const Paths& a);                      // non-zero
Paths unionPaths(const Paths& a, const Paths& b);      // non-zero
Paths intersectPaths(const Paths& a, const Paths& b);  // even-odd
Paths differencePaths(const Paths& a, const Paths& b); // even-odd

// Islands of the non-zero union: each an outer contour followed by its holes;
// islands nested in a hole come before the island around them.
std::vector<Paths> splitIslands(const Paths& a);
// Contours of the non-zero union grouped by nesting depth (entry 0: outers).
std::vector<Paths> depthLevels(const Paths& a);

Paths offsetPaths(const Paths& a, int32_t delta);      // miter limit 2, arc tolerance 0.25
Paths offsetPathsSharp(const Paths& a, int32_t delta); // miter limit 10000
Paths offsetClean(const Paths& a, int32_t delta, int32_t tolerance, double minArea);
Paths offsetIslands(const Paths& a, int32_t delta, int32_t tolerance, double minArea);

void simplifyPath(Path& p, int32_t tolerance);                // in place
void simplifyPaths(Paths& a, int32_t tolerance);              // in place
void cleanPaths(Paths& a, int32_t tolerance, double minArea); // in place
void dropSmallAreas(Paths& a, double minArea);                // in place
void dropShortPaths(Paths& a, size_t minPoints);              // in place

} // namespace Voxmill
