#pragma once
// depthLevels for path sets of many small contours, such as the hollow of a
// support lattice (thousands of posts) or a field of pins. A small contour
// that no other contour comes near (its box meets no other small contour's
// box and no edge of a large contour) cannot change how the union treats the
// rest, and the union gives it the form it gives that contour alone in the
// same winding: it is placed by that form, at the depth of the contours
// around it, and only the rest goes through the union. The levels hold the
// same contours as depthLevels gives, each from the same start point; only
// their order within a level may differ.

#include <cstdint>
#include <vector>

#include "slicer/Geometry.h"

namespace Voxmill {

// clearance: how far (units) an alone contour keeps from every other one, so
// that no pixel of its drawing (fill and outline) meets another's and the
// order of the contours within a level cannot matter.
std::vector<Paths> depthLevelsLocal(const Paths& a, int64_t clearance);

// The same levels with the alone contours kept apart: alone[i] holds those
// of nesting depth i + 1, and no pixel of their drawings meets another's.
struct SplitLevels {
    std::vector<Paths> levels, alone;
};
SplitLevels splitLevels(const Paths& a, int64_t clearance);

} // namespace Voxmill
