#pragma once
// The vkp project file: settings text, stored models and placed references.

#include <map>
#include <memory>
#include <vector>

#include <QString>

#include "config/SliceConfig.h"
#include "model/LoadedModels.h"

namespace Voxmill {

// Lookup tables of one project load, so that references placing the same
// stored model share its mesh, face index or contour data.
struct ProjectLoadCache {
    // modelId, then m0 m1 m2 m4 m5 m6 m8 m9 m10 m11 (no x and y translation)
    struct MeshKey {
        int32_t modelId;
        std::array<float, 10> coefficients;
        bool operator<(const MeshKey& o) const;
    };
    std::map<MeshKey, std::shared_ptr<TriMesh>> meshKeyMap;
    std::map<int32_t, std::shared_ptr<const TriMeshIdx>> topologyMap;
    std::map<int32_t, SlcInstance> slcMap;
};

void readProjectSettings(const QString& path, SliceConfig& c);
// Appends one instance and one spec per model reference, in reference order.
void readProjectModels(const QString& path, ProjectLoadCache& cache, LoadedModels& models);

} // namespace Voxmill
