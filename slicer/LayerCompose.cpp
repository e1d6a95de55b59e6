#include "slicer/LayerCompose.h"

namespace Voxmill {

LayerPart makePart(const Paths& paths, part_type_t t, slot_t slot) {
    LayerPart part;
    part.type = t;
    std::vector<Paths> islands = splitIslands(paths);
    part.islands.resize(islands.size());
    for (size_t i = 0; i < islands.size(); ++i) {
        const Region& region = part.islands[i].slots.set(slot, Region(std::move(islands[i])));
        part.box = boxUnion(part.box, region.box);
    }
    return part;
}

void addPart(SliceJob& job, int32_t n, LayerPart&& part) {
    if (part.type == part_type_t::model) job.modelBox = boxUnion(job.modelBox, part.box);
    job.layers.layer(n).parts.push_back(std::move(part));
}

void addPart(SliceJob& job, int32_t n, const Paths& paths, part_type_t t, slot_t slot) {
    addPart(job, n, makePart(paths, t, slot));
}

void extendRaftLayers(SliceJob& job, int32_t firstModelLayer) {
    if (firstModelLayer <= 0) return;
    const Layer& first = job.layers.layer(firstModelLayer);
    for (int32_t i = 0; i < firstModelLayer; ++i) {
        Layer& raft = job.layers.layer(i);
        raft.thickness = first.thickness;
        for (const LayerPart& part : first.parts) {
            if (part.type == part_type_t::modelWall || part.type == part_type_t::supportWall)
                raft.parts.push_back(part);
        }
    }
}

} // namespace Voxmill
