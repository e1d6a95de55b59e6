#pragma once
// Layers kept in memory as the runs of set pixels of their two images, so
// that the report draws its layer pictures after the scan without reading
// and inflating their files a second time. A row of a part holds a few runs
// where its bitmap holds a hundred words; a run is kept as the gap before it
// and its length, each in as few bytes as it needs, so 3DBenchy's 497
// pictured layers at the default grid take 10 MB. A layer that would pass
// the budget is not kept.

#include <cstddef>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "tools/slice_view/BitPlane.h"

namespace Voxmill {

class LayerRuns {
public:
    explicit LayerRuns(size_t budgetBytes) : budget_(budgetBytes) {}
    // Keeps layer n's model and support, of the same size, unless it is kept
    // already or they would pass the budget.
    void keep(int32_t n, const BitPlane& model, const BitPlane& support);
    bool kept(int32_t n) const { return layers_.count(n) != 0; }
    // Layer n, which is kept, into model and support.
    void restore(int32_t n, BitPlane& model, BitPlane& support) const;
    size_t bytes() const { return used_; }

private:
    struct Layer {
        int32_t width, height;
        std::vector<uint8_t> runs; // the model's, then the support's
    };
    size_t budget_, used_ = 0;
    std::unordered_map<int32_t, Layer> layers_;
    std::vector<uint8_t> scratch_; // a layer being encoded
};

} // namespace Voxmill
