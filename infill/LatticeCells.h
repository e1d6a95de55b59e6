#pragma once
// The lattice of a hollow pattern, cell by cell. Cell (i, j) is centred on
// (i * period + originX, j * period + originY); its zone is the square of side
// period about that centre, and the copy of the pattern's shape placed there
// lies inside it. A region's cells are sorted into three kinds:
//
//   inside   the zone, grown by a reach, lies inside the region and no edge
//            of the region comes into it;
//   touched  an edge of the region comes within the reach of the zone;
//   outside  the rest.
//
// An inside cell's copy of the shape meets no edge, so the polygon library
// leaves it as it is (its start point included) whatever else an operation
// holds: a generator places it by copying and clips only the copies of the
// touched cells against the outline. That keeps every clipping operation as
// wide as the outline plus the cells along it, instead of the whole lattice.

#include <cstdint>
#include <vector>

#include "slicer/Geometry.h"

namespace Voxmill {

struct Lattice {
    int64_t period = 0, originX = 0, originY = 0;
    IntBox limit; // no cell is made outside it (the printable image and a cell)
};

// A rectangle of cells, i in [i0, i1] outside and j in [j0, j1] inside.
struct CellRange {
    int64_t i0 = 0, i1 = -1, j0 = 0, j1 = -1;
    bool empty() const { return i1 < i0 || j1 < j0; }
    int64_t columns() const { return j1 - j0 + 1; }
    size_t size() const { return empty() ? 0 : size_t((i1 - i0 + 1) * columns()); }
    size_t index(int64_t i, int64_t j) const { return size_t((i - i0) * columns() + (j - j0)); }
    bool contains(int64_t i, int64_t j) const { return i0 <= i && i <= i1 && j0 <= j && j <= j1; }
};

// The cells that a tiling of the box makes: those whose centre lies within
// half a period of the box (clipped to the limit), as the generators have
// always tiled.
CellRange tilingRange(const Lattice& l, const IntBox& box);

// Per cell of the range, whether a copy of a shape spanning shapeBox about
// the cell centre comes within margin of a contour's box: the cells a region
// can use at all.
std::vector<uint8_t> nearCells(const Lattice& l, const CellRange& r, const Paths& region,
                               const IntBox& shapeBox, int64_t margin);

enum class CellPlace : uint8_t { outside, inside, touched };

// Sorts the cells of the range against the region (even-odd; its edges as
// they are) with the given reach around every zone.
std::vector<CellPlace> placeCells(const Lattice& l, const CellRange& r, const Paths& region, int64_t reach);

// The centre of cell (i, j).
inline IntPoint cellCentre(const Lattice& l, int64_t i, int64_t j) {
    return {i * l.period + l.originX, j * l.period + l.originY};
}

// Appends shape moved to the centre of cell (i, j).
void appendMoved(const Path& shape, IntPoint centre, Paths& out);

// Whether path is a copy of shape moved onto the centre of some cell; then
// sets i and j to that cell.
bool isCellCopy(const Lattice& l, const Path& path, const Path& shape, int64_t& i, int64_t& j);

} // namespace Voxmill
