#pragma once
// The models of one job as the load stage leaves them, for the size and slice stages.

#include <vector>

#include "model/ModelSpec.h"
#include "model/SlcData.h"
#include "model/TriMesh.h"

namespace Voxmill {

struct LoadedModels {
    std::vector<MeshInstance> meshes;
    std::vector<ModelSpec> meshSpecs; // parallel to meshes
    std::vector<SlcInstance> slcs;
    std::vector<ModelSpec> slcSpecs; // parallel to slcs

    void clear() { *this = LoadedModels(); }
};

} // namespace Voxmill
