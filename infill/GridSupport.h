#pragma once
// Grid support: support islands printed as the square-cell lattice of the
// model infill (gridSupport.rectSize cells at rectSize + rectSpace), with
// skins, a shell, periodic solid layers and cells closing towards a roof;
// solid on clean-solid layers.

#include "infill/SupportBase.h"

namespace Voxmill {

class GridSupport : public SupportBase {
public:
    explicit GridSupport(SliceJob& job) : SupportBase(job) {}
    // With gridSupport.enable, the hollow of every support island of the
    // layer; in any case cleanSolidStart is set from the clean-solid record.
    void run(const SliceConfig& s, int32_t layer, bool& cleanSolidStart);

protected:
    void setup(const SliceConfig& s) override;
    LatticeCut cut(const SliceConfig& s, int32_t layer, bool core, bool peek) override;

private:
    Paths cellPattern_, corePattern_;
};

} // namespace Voxmill
