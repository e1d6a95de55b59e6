#pragma once
// The model infill: every model island is printed as a shell of
// infill.shellThickness around a lattice of square cells of infill.rectSize
// at a pitch of rectSize + rectSpace, closed by solid skins above and below
// and by periodic solid layers, the cells closing towards a roof at
// infill.roofGradient. With the fill type "support" the whole interior is
// hollow in the model image (and printed in support material).

#include "infill/InfillBase.h"

namespace Voxmill {

class Infill : public InfillBase {
public:
    explicit Infill(SliceJob& job);
    // Nothing unless infill.enable is set.
    void run(const SliceConfig& s, int32_t layer);

protected:
    void setup(const SliceConfig& s) override;
    LatticeCut cut(const SliceConfig& s, int32_t layer, bool core, bool peek) override;

private:
    FillType fillType_ = FillType::support;
    Paths cellPattern_, corePattern_;
};

} // namespace Voxmill
