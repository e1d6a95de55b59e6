#include "slicer/MeshSlicer.h"

#include <algorithm>
#include <unordered_map>

#include "base/ParallelRanges.h"
#include "slicer/LayerCompose.h"
#include "slicer/SegmentChainer.h"
#include "slicer/TriangleCutter.h"

namespace Voxmill {

namespace {

// For every mesh model, the first model that uses the same mesh (itself when
// it is the first).
std::vector<size_t> firstUsers(const std::vector<MeshInstance>& meshes) {
    std::unordered_map<const TriMesh*, size_t> first;
    std::vector<size_t> users(meshes.size());
    for (size_t k = 0; k < meshes.size(); ++k)
        users[k] = first.emplace(meshes[k].mesh.get(), k).first->second;
    return users;
}

// A copied model costs about a hundredth of a cut one.
std::vector<float> progressWeights(const std::vector<MeshInstance>& meshes,
                                   const std::vector<size_t>& users) {
    std::vector<float> weights(meshes.size());
    for (size_t k = 0; k < meshes.size(); ++k) {
        const float faces = float(meshes[k].mesh->faces().size());
        weights[k] = users[k] == k ? faces : faces / 100.0f;
    }
    return weights;
}

// Cuts a mesh into the layers of a batch. The layers are independent, so
// the batch is shared out among the job's workers in contiguous pieces, each
// with its own cut and chain buffers; the parts are then stored in layer
// order on the calling thread.
struct BatchCutter {
    const LayerHeights& lh;
    int32_t first, end;
    int32_t tolerance;
    int32_t workers;

    // Stores one part per layer, empty or not, so that part k of a layer
    // belongs to model k.
    void sliceModel(SliceJob& job, const TriMesh& mesh, part_type_t type) const {
        std::vector<LayerPart> parts(size_t(end - first));
        parallelRanges(workers, end - first,
                       [&](int32_t a, int32_t b) { cutPiece(mesh, type, a, b, parts); });
        for (int32_t l = first; l < end; ++l) {
            job.layers.layer(l).thickness = lh.thickness[size_t(l)];
            addPart(job, l, std::move(parts[size_t(l - first)]));
        }
    }

    // Layers first + a to first + b into parts[a, b).
    void cutPiece(const TriMesh& mesh, part_type_t type, int32_t a, int32_t b,
                  std::vector<LayerPart>& parts) const {
        std::vector<LayerCuts> cuts(size_t(b - a));
        cutFaces(mesh.vertices, mesh.faces(), lh.heights.data() + first + a, b - a, cuts);
        SegmentChainer chainer;
        Paths paths;
        for (int32_t i = a; i < b; ++i) {
            LayerCuts& layerCuts = cuts[size_t(i - a)];
            chainer.chain(layerCuts, mesh.faces(), paths);
            simplifyPaths(paths, tolerance);
            parts[size_t(i)] = makePart(paths, type, slotArea);
            layerCuts = LayerCuts();
        }
    }
};

inline void shiftBox(IntBox& box, int64_t dx, int64_t dy) {
    if (box.empty()) return; // the empty box stays empty
    box.minX = int32_t(box.minX + dx);
    box.maxX = int32_t(box.maxX + dx);
    box.minY = int32_t(box.minY + dy);
    box.maxY = int32_t(box.maxY + dy);
}

void shiftPart(LayerPart& part, int64_t dx, int64_t dy) {
    for (Island& island : part.islands) {
        island.links.clear();
        island.linksKnown = false;
        for (auto& slot : island.slots) {
            for (Path& path : slot.second.paths)
                for (IntPoint& p : path) {
                    p.X += dx;
                    p.Y += dy;
                }
            shiftBox(slot.second.box, dx, dy);
        }
    }
    shiftBox(part.box, dx, dy);
}

// A later instance of a mesh takes a moved copy of the first instance's part;
// the copy does not widen the job's model box.
void copyModel(SliceJob& job, size_t source, int64_t dx, int64_t dy, part_type_t type, int32_t first,
               int32_t end) {
    for (int32_t l = first; l < end; ++l) {
        Layer& layer = job.layers.layer(l);
        LayerPart copy = layer.parts.at(source);
        shiftPart(copy, dx, dy);
        copy.type = type;
        layer.parts.push_back(std::move(copy));
    }
}

} // namespace

void sliceBatch(SliceJob& job, const LoadedModels& models, const LayerHeights& lh, int32_t first,
                int32_t batch, const FractionCallback& progress) {
    const int32_t count = lh.count();
    const int32_t end = int32_t(std::min<int64_t>(count, int64_t(first) + batch));
    if (first < 0 || first >= end) return;
    const std::vector<size_t> users = firstUsers(models.meshes);
    const std::vector<float> weights = progressWeights(models.meshes, users);
    float total = 0;
    for (float w : weights) total += w;

    const BatchCutter cutter{lh, first, end, mmToUnits(job.settings.precision.general), job.workers};
    float done = 0;
    for (size_t k = 0; k < models.meshes.size(); ++k) {
        const part_type_t type = validatePartType(int32_t(models.meshSpecs.at(k).type));
        const MeshInstance& m = models.meshes[k];
        if (users[k] == k) {
            cutter.sliceModel(job, *m.mesh, type);
        } else {
            const MeshInstance& source = models.meshes[users[k]];
            copyModel(job, users[k], int64_t(m.offsetX) - source.offsetX, int64_t(m.offsetY) - source.offsetY,
                      type, first, end);
        }
        done += weights[k];
        if (total > 0 && progress)
            progress(float(first) / float(count) + done / total * (float(batch) / float(count)));
    }
}

void sliceLayers(SliceJob& job, const LoadedModels& models, const LayerHeights& lh,
                 const FractionCallback& progress) {
    const int32_t n = lh.count();
    const WindowPlan plan = planWindows(job.settings, n);
    for (int32_t i = plan.firstSliced; i < n; i += plan.batch) {
        // A batch is cut a chunk at a time: the cut segments and the
        // resident layers are then bounded by the chunk, whatever the
        // batch (it grows with the job up to 200 layers).
        const int32_t end = std::min(i + plan.batch, n);
        for (int32_t j = i; j < end; j += plan.sliceChunk) {
            const int32_t len = std::min(plan.sliceChunk, end - j);
            job.layers.setWindow(stageWindow(plan, job_stage_t::slice, j));
            sliceBatch(job, models, lh, j, len, progress);
            for (int32_t l = j; l < j + len; ++l) importSlcLayer(job, models, lh, l);
            if (j == plan.firstSliced) extendRaftLayers(job, j);
        }
        if (progress) progress(float(i + plan.batch) / float(n));
    }
}

} // namespace Voxmill
