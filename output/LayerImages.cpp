#include "output/LayerImages.h"

namespace Voxmill {

namespace {

struct SlotPick {
    slot_t slot;
    bool reversed;
};

// For every part of the type, every island's picked slots in order.
void collectSlots(const Layer& layer, part_type_t type, std::initializer_list<SlotPick> picks, Paths& out) {
    for (const LayerPart& part : layer.parts) {
        if (part.type != type) continue;
        for (const Island& island : part.islands)
            for (const SlotPick& pick : picks) collectSlot(island, pick.slot, pick.reversed, out);
    }
}

// These sets unite a fill area with the hollow cells cut to it, which touch
// it: the union's cut of touching contours follows its input order, so the
// whole set goes through it as it always has.
RowSpan drawCollected(Poly2Img& painter, const Paths& paths, int32_t k, QImage& image) {
    return paths.empty() ? RowSpan() : painter.drawLevels(depthLevels(paths), k, image);
}

} // namespace

ImageRows drawLayerImages(const SliceConfig& s, Poly2Img& painter, const Layer& layer, int32_t k,
                          QImage& model, QImage& support) {
    ImageRows rows;
    const FillType mode = s.infill.enable ? s.infill.fillType : FillType::rectGrid;
    if (mode == FillType::rectGrid) {
        rows.model = painter.drawParts(layer, k, model, part_type_t::model);
        rows.support = painter.drawParts(layer, k, support, part_type_t::support);
        return rows;
    }
    Paths modelPaths, supportPaths;
    collectSlots(layer, part_type_t::support, {{slotArea, false}, {slotHollow, true}}, supportPaths);
    if (mode == FillType::support) {
        collectSlots(layer, part_type_t::model, {{slotCells, false}}, supportPaths);
        rows.model = painter.drawParts(layer, k, model, part_type_t::model);
    } else {
        collectSlots(layer, part_type_t::model, {{slotFill, false}, {slotHollow, true}}, supportPaths);
        collectSlots(layer, part_type_t::model, {{slotArea, false}, {slotFill, true}}, modelPaths);
        rows.model = drawCollected(painter, modelPaths, k, model);
    }
    rows.support = drawCollected(painter, supportPaths, k, support);
    return rows;
}

} // namespace Voxmill
