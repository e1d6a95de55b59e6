#pragma once
// Post support: support islands printed as a lattice of solid posts standing
// in hollow space, each a square with a V-shaped notch in the middle of every
// side, under solid skins and inside a shell. Towards a roof the posts widen
// gradually so that the top skin is carried. On inside-solid and clean-solid
// layers the posts are tied to their neighbours by bars along their sides.

#include "infill/SupportBase.h"

namespace Voxmill {

// The four outlines, in units, about the origin (each one closed path, or
// none for the cores).
struct PostShapes {
    Paths post;     // the notched post: 16 vertices
    Paths postCore; // the post grown by the core margin
    Paths link;     // the notched post with a tie bar to its right and upper neighbours: 18 vertices
    Paths linkCore;
};
PostShapes postShapes(const SliceConfig& s, int32_t roofStep);

class PostSupport : public SupportBase {
public:
    explicit PostSupport(SliceJob& job) : SupportBase(job) {}
    // With postSupport.enable, the hollow of every support island of the
    // layer; in any case cleanSolidStart is set from the clean-solid record.
    void run(const SliceConfig& s, int32_t layer, bool& cleanSolidStart);

protected:
    void setup(const SliceConfig& s) override;
    LatticeCut cut(const SliceConfig& s, int32_t layer, bool core, bool peek) override;

private:
    PostShapes shapes_;
};

} // namespace Voxmill
