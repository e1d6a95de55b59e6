#include "slicer/LayerCompose.h"

namespace Voxmill {

void addPart(SliceJob& job, int32_t n, const Paths& paths, part_type_t t, slot_t slot) {
    Layer& layer = job.layers.layer(n);
    layer.parts.emplace_back();
    LayerPart& part = layer.parts.back();
    part.type = t;
    std::vector<Paths> islands = splitIslands(paths);
    part.islands.resize(islands.size());
    for (size_t i = 0; i < islands.size(); ++i) {
        const Region& region = part.islands[i].slots.set(slot, Region(std::move(islands[i])));
        part.box = boxUnion(part.box, region.box);
    }
    if (t == part_type_t::model) job.modelBox = boxUnion(job.modelBox, part.box);
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
