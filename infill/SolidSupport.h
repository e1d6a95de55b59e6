#pragma once
// Solid support: every support island printed whole, the support area with
// the model cut away, without hollow.

#include "infill/SupportBase.h"

namespace Voxmill {

class SolidSupport : public SupportBase {
public:
    explicit SolidSupport(SliceJob& job) : SupportBase(job) {}
    // With solidSupport.enable, slot 0 of every support island of the layer;
    // in any case cleanSolidStart is set from the clean-solid record.
    void run(const SliceConfig& s, int32_t layer, bool& cleanSolidStart);
    // Works out the area of every support island on layers [first, end) that
    // has none yet: its projection with the model cut away, the same with
    // every support's precisions. That is all the support generators read of
    // the model's islands; with it in hand they read none, and the model's
    // infill may run beside them.
    void prepareAreas(const SliceConfig& s, int32_t first, int32_t end);

protected:
    void setup(const SliceConfig& s) override;
    LatticeCut cut(const SliceConfig&, int32_t, bool, bool) override { return {LatticeCut::Op::solid}; }
};

} // namespace Voxmill
