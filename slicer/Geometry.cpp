#include "slicer/Geometry.h"

#include <algorithm>
#include <cmath>

namespace Voxmill {

using namespace ClipperLib;

IntBox pathBox(const Path& a) {
    int64_t minX = INT32_MAX, minY = INT32_MAX, maxX = INT32_MIN, maxY = INT32_MIN;
    for (const IntPoint& q : a) {
        minX = std::min<int64_t>(minX, q.X);
        minY = std::min<int64_t>(minY, q.Y);
        maxX = std::max<int64_t>(maxX, q.X);
        maxY = std::max<int64_t>(maxY, q.Y);
    }
    // Coordinates are kept inside the 32-bit range by every producer.
    return IntBox{int32_t(minX), int32_t(minY), int32_t(maxX), int32_t(maxY)};
}

IntBox pathsBox(const Paths& a) {
    IntBox box;
    for (const Path& p : a) box = boxUnion(box, pathBox(p));
    return box;
}

IntBox boxUnion(const IntBox& a, const IntBox& b) {
    return IntBox{std::min(a.minX, b.minX), std::min(a.minY, b.minY), std::max(a.maxX, b.maxX),
                  std::max(a.maxY, b.maxY)};
}

double pathsArea(const Paths& a) {
    double sum = 0;
    for (const Path& p : a) sum += Area(p);
    return sum;
}

namespace {

Paths clip(ClipType type, const Paths& subject, const Paths* clipPaths, PolyFillType fill) {
    Clipper c;
    c.AddPaths(subject, ptSubject, true);
    if (clipPaths) c.AddPaths(*clipPaths, ptClip, true);
    Paths out;
    c.Execute(type, out, fill, fill);
    return out;
}

void unionTree(const Paths& a, PolyTree& tree) {
    Clipper c;
    c.AddPaths(a, ptSubject, true);
    c.Execute(ctUnion, tree, pftNonZero, pftNonZero);
}

// Islands inside the holes of an outer contour come first, then the outer
// contour with its holes.
void emitIsland(const PolyNode& outer, std::vector<Paths>& out) {
    Paths island{outer.Contour};
    for (const PolyNode* hole : outer.Childs) {
        for (const PolyNode* inner : hole->Childs) emitIsland(*inner, out);
        island.push_back(hole->Contour);
    }
    out.push_back(std::move(island));
}

Paths offsetWith(const Paths& a, int32_t delta, double miterLimit) {
    ClipperOffset co(miterLimit, 0.25);
    co.AddPaths(a, jtMiter, etClosedPolygon);
    Paths out;
    co.Execute(out, double(delta));
    return out;
}

} // namespace

Paths unionPaths(const Paths& a) { return clip(ctUnion, a, nullptr, pftNonZero); }

Paths unionPaths(const Paths& a, const Paths& b) {
    Clipper c;
    c.AddPaths(a, ptSubject, true);
    c.AddPaths(b, ptSubject, true);
    Paths out;
    c.Execute(ctUnion, out, pftNonZero, pftNonZero);
    return out;
}

Paths intersectPaths(const Paths& a, const Paths& b) { return clip(ctIntersection, a, &b, pftEvenOdd); }

Paths differencePaths(const Paths& a, const Paths& b) { return clip(ctDifference, a, &b, pftEvenOdd); }

std::vector<Paths> splitIslands(const Paths& a) {
    PolyTree tree;
    unionTree(a, tree);
    std::vector<Paths> out;
    for (const PolyNode* outer : tree.Childs) emitIsland(*outer, out);
    return out;
}

std::vector<Paths> depthLevels(const Paths& a) {
    PolyTree tree;
    unionTree(a, tree);
    std::vector<Paths> out;
    std::vector<const PolyNode*> level(tree.Childs.begin(), tree.Childs.end());
    while (!level.empty()) {
        Paths contours;
        std::vector<const PolyNode*> below;
        for (const PolyNode* node : level) {
            contours.push_back(node->Contour);
            below.insert(below.end(), node->Childs.begin(), node->Childs.end());
        }
        out.push_back(std::move(contours));
        level.swap(below);
    }
    return out;
}

Paths offsetPaths(const Paths& a, int32_t delta) { return offsetWith(a, delta, 2.0); }

Paths offsetPathsSharp(const Paths& a, int32_t delta) { return offsetWith(a, delta, 10000.0); }

Paths offsetClean(const Paths& a, int32_t delta, int32_t tolerance, double minArea) {
    Paths out = offsetPaths(a, delta);
    for (Path& p : out) simplifyPath(p, tolerance);
    dropSmallAreas(out, minArea);
    return out;
}

Paths offsetIslands(const Paths& a, int32_t delta, int32_t tolerance, double minArea) {
    Paths out;
    for (const Paths& island : splitIslands(a)) {
        Paths grown = offsetClean(island, delta, tolerance, minArea);
        out.insert(out.end(), grown.begin(), grown.end());
    }
    // Only growing islands can run into each other.
    if (delta >= 1) out = unionPaths(out);
    return out;
}

void simplifyPaths(Paths& a, int32_t tolerance) {
    for (Path& p : a) simplifyPath(p, tolerance);
    dropShortPaths(a, 3);
}

void cleanPaths(Paths& a, int32_t tolerance, double minArea) {
    for (Path& p : a) simplifyPath(p, tolerance);
    dropSmallAreas(a, minArea);
}

void dropSmallAreas(Paths& a, double minArea) {
    a.erase(std::remove_if(a.begin(), a.end(), [&](const Path& p) { return std::abs(Area(p)) < minArea; }),
            a.end());
}

void dropShortPaths(Paths& a, size_t minPoints) {
    a.erase(std::remove_if(a.begin(), a.end(), [&](const Path& p) { return p.size() < minPoints; }), a.end());
}

} // namespace Voxmill
