#include "slicer/BuildAreaCheck.h"

#include <algorithm>
#include <cstdio>
#include <stdexcept>
#include <unordered_map>

#include "slicer/FloatUnits.h"
#include "slicer/MeshSlicer.h"

namespace Voxmill {

namespace {

struct ExtentMm {
    double minX, minY, maxX, maxY;
};

struct ModelExtent {
    std::string name;
    ExtentMm extent;
};

const char* typeWord(part_type_t t) {
    switch (t) {
    case part_type_t::modelWall:
        return "model-wall";
    case part_type_t::supportWall:
        return "support-wall";
    default:
        return "model";
    }
}

std::string modelName(const ModelSpec& spec, const char* kind, size_t index) {
    const std::string file = spec.file.empty()
                                 ? std::string(kind) + " " + std::to_string(index + 1) + " of the project"
                                 : spec.file;
    return std::string(typeWord(spec.type)) + " " + file;
}

void widen(ExtentMm& e, double x, double y) {
    e.minX = std::min(e.minX, x);
    e.maxX = std::max(e.maxX, x);
    e.minY = std::min(e.minY, y);
    e.maxY = std::max(e.maxY, y);
}

constexpr ExtentMm emptyExtent{1e300, 1e300, -1e300, -1e300};
bool hasArea(const ExtentMm& e) { return e.minX <= e.maxX && e.minY <= e.maxY; }

// The first model sharing a mesh is sliced as stored; later ones are copies
// moved by their offset difference from it.
void addMeshExtents(const LoadedModels& models, std::vector<ModelExtent>& out) {
    std::unordered_map<const TriMesh*, size_t> firstUser;
    for (size_t k = 0; k < models.meshes.size(); ++k) {
        const MeshInstance& m = models.meshes[k];
        const MeshInstance& first = models.meshes[firstUser.emplace(m.mesh.get(), k).first->second];
        if (m.mesh->vertices.empty()) continue;
        const double dx = double(int64_t(m.offsetX) - first.offsetX) / 10000.0;
        const double dy = double(int64_t(m.offsetY) - first.offsetY) / 10000.0;
        const ExtentMm e{m.mesh->min[0] / 10000.0 + dx, m.mesh->min[1] / 10000.0 + dy,
                         m.mesh->max[0] / 10000.0 + dx, m.mesh->max[1] / 10000.0 + dy};
        out.push_back({modelName(models.meshSpecs.at(k), "mesh", k), e});
    }
}

// Every contour point but the first, which repeats the last, as the layer import places it.
void addSlcExtents(const LoadedModels& models, std::vector<ModelExtent>& out) {
    for (size_t k = 0; k < models.slcs.size(); ++k) {
        const ModelTransform& m = models.slcs[k].transform;
        ExtentMm e = emptyExtent;
        for (const SlcLayer& layer : models.slcs[k].slc->layers)
            for (const SlcContour& contour : layer)
                for (size_t i = 1; i < contour.size(); ++i) {
                    const float x = contour[i].x, y = contour[i].y;
                    widen(e, m[0] * x + m[1] * y + m[3], m[4] * x + m[5] * y + m[7]);
                }
        if (hasArea(e)) out.push_back({modelName(models.slcSpecs.at(k), "SLC", k), e});
    }
}

template <class... Values> std::string format(const char* fmt, Values... values) {
    char text[200];
    std::snprintf(text, sizeof text, fmt, values...);
    return text;
}

std::string describe(const ExtentMm& e) {
    return format("x %.2f to %.2f mm, y %.2f to %.2f mm", e.minX, e.maxX, e.minY, e.maxY);
}

// How far the model reaches past each edge, where that is more than tolerance.
std::string edgesPassed(const ExtentMm& m, const ExtentMm& area, double tolerance) {
    const std::pair<const char*, double> past[] = {{"left", area.minX - m.minX},
                                                   {"right", m.maxX - area.maxX},
                                                   {"front", area.minY - m.minY},
                                                   {"back", m.maxY - area.maxY}};
    std::string text;
    for (const auto& [edge, mm] : past) {
        if (mm > tolerance) text += format("%s%.2f mm at the %s edge", text.empty() ? "" : ", ", mm, edge);
    }
    return text;
}

bool overlaps(const ExtentMm& m, const ExtentMm& area) {
    return m.maxX > area.minX && m.minX < area.maxX && m.maxY > area.minY && m.minY < area.maxY;
}

struct ModelTop {
    std::string name;
    int32_t top; // units
};

std::vector<ModelTop> modelTops(const LoadedModels& models) {
    std::vector<ModelTop> out;
    for (size_t k = 0; k < models.meshes.size(); ++k) {
        const ModelSpec& spec = models.meshSpecs.at(k);
        if (spec.type == part_type_t::model && !models.meshes[k].mesh->vertices.empty())
            out.push_back({modelName(spec, "mesh", k), models.meshes[k].mesh->max[2]});
    }
    for (size_t k = 0; k < models.slcs.size(); ++k) {
        const ModelSpec& spec = models.slcSpecs.at(k);
        if (spec.type == part_type_t::model && !models.slcs[k].slc->layers.empty())
            out.push_back({modelName(spec, "SLC", k), topZ(*models.slcs[k].slc, models.slcs[k].transform)});
    }
    return out;
}

// In whole layers: the printer prints a layer whole or not at all.
void checkHeight(const LoadedModels& models, const SliceConfig& c,
                 const std::function<void(const std::string&)>& warn) {
    const int64_t t = layerUnits(c), raft = int64_t(c.raft.layerCnt) * t;
    const int64_t printer = truncToUnits(c.poly2img.sizeZ * 10000.0f);
    for (const ModelTop& m : modelTops(models)) {
        const int64_t top = raft + int64_t(modelLayerCount(c, m.top)) * t;
        if (top > printer)
            warn(
                "warning: " + m.name + " reaches above the printer's height by " +
                format("%.2f mm (its last layer ends at %.2f mm, the raft's %.2f mm included; printer height "
                       "%.2f mm)",
                       double(top - printer) / 10000.0, double(top) / 10000.0, double(raft) / 10000.0,
                       double(printer) / 10000.0) +
                "; the printer cannot print what lies above");
    }
}

std::vector<ModelExtent> modelExtents(const LoadedModels& models) {
    std::vector<ModelExtent> out;
    addMeshExtents(models, out);
    addSlcExtents(models, out);
    return out;
}

} // namespace

void checkBuildArea(const LoadedModels& models, const SliceConfig& c,
                    const std::function<void(const std::string&)>& warn) {
    const double halfX = c.poly2img.sizeX / 2.0, halfY = c.poly2img.sizeY / 2.0;
    const ExtentMm area{-halfX, -halfY, halfX, halfY};
    // A pixel is printed when its centre lies inside the model, so a model
    // loses pixels only once it reaches half a pixel past an edge.
    const double tolerance =
        0.5 * std::min(c.poly2img.sizeX / c.poly2img.pixelX, c.poly2img.sizeY / c.poly2img.pixelY);
    for (const ModelExtent& m : modelExtents(models)) {
        if (!overlaps(m.extent, area))
            throw std::runtime_error(m.name + " lies wholly outside the build area: model " +
                                     describe(m.extent) + "; build area " + describe(area) + " (" +
                                     format("%g x %g mm around the plate centre)", double(c.poly2img.sizeX),
                                            double(c.poly2img.sizeY)));
        const std::string past = edgesPassed(m.extent, area, tolerance);
        if (!past.empty())
            warn("warning: " + m.name + " reaches past the build area by " + past + " (model " +
                 describe(m.extent) + "; build area " + describe(area) +
                 "); what lies outside is not printed");
    }
    checkHeight(models, c, warn);
}

} // namespace Voxmill
