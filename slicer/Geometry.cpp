#include "slicer/Geometry.h"

#include <stdexcept>

namespace Voxmill {

IntBox pathsBox(const Paths&) { throw std::runtime_error("not implemented yet"); }
IntBox boxUnion(const IntBox&, const IntBox&) { throw std::runtime_error("not implemented yet"); }
double pathsArea(const Paths&) { throw std::runtime_error("not implemented yet"); }
Paths unionPaths(const Paths&) { throw std::runtime_error("not implemented yet"); }
Paths unionPaths(const Paths&, const Paths&) { throw std::runtime_error("not implemented yet"); }
Paths intersectPaths(const Paths&, const Paths&) { throw std::runtime_error("not implemented yet"); }
Paths differencePaths(const Paths&, const Paths&) { throw std::runtime_error("not implemented yet"); }
std::vector<Paths> splitIslands(const Paths&) { throw std::runtime_error("not implemented yet"); }
std::vector<Paths> depthLevels(const Paths&) { throw std::runtime_error("not implemented yet"); }
Paths offsetPaths(const Paths&, int32_t) { throw std::runtime_error("not implemented yet"); }
Paths offsetPathsSharp(const Paths&, int32_t) { throw std::runtime_error("not implemented yet"); }
Paths offsetClean(const Paths&, int32_t, int32_t, double) { throw std::runtime_error("not implemented yet"); }
Paths offsetIslands(const Paths&, int32_t, int32_t, double) { throw std::runtime_error("not implemented yet"); }
void simplifyPath(Path&, int32_t) { throw std::runtime_error("not implemented yet"); }
void simplifyPaths(Paths&, int32_t) { throw std::runtime_error("not implemented yet"); }
void cleanPaths(Paths&, int32_t, double) { throw std::runtime_error("not implemented yet"); }
void dropSmallAreas(Paths&, double) { throw std::runtime_error("not implemented yet"); }
void dropShortPaths(Paths&, size_t) { throw std::runtime_error("not implemented yet"); }

} // namespace Voxmill
