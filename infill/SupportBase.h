#pragma once
// The common base of the support generators: the hollow pipeline on the
// support islands (part type 3), sharing one roof cache, and the job's
// clean-solid record. After every supportCleanSolid.interval of printed model
// area summed over layers, a band of supportCleanSolid.thickness is printed
// with tied posts or solid grid support instead of the usual hollow support.

#include <cstdint>

#include "infill/InfillBase.h"

namespace Voxmill {

class SupportBase : public InfillBase {
public:
    explicit SupportBase(SliceJob& job);

    // True when a clean-solid band starts at the layer; the record is not extended.
    bool isCleanSolidStart(int32_t layer) const;
    // False unless supportCleanSolid.enable; else extends the record up to
    // the layer and tells whether the layer lies in a band (its start and
    // the cleanSolidLayers layers after it).
    bool isCleanSolidLayer(const SliceConfig& s, int32_t layer);
    // Sets band as isCleanSolidLayer says. With peek the record is not
    // extended, and false is returned when it does not reach the layer yet.
    bool cleanSolidBand(const SliceConfig& s, int32_t layer, bool peek, bool& band);

protected:
    // Ends every support generator's set-up.
    void setup(const SliceConfig& s) override;
    // The post and grid generators' entry: when enabled, the record up to the
    // layer, then the pipeline; in any case the driver's flag from the record.
    void runLattice(bool enabled, const SliceConfig& s, int32_t layer, bool& cleanSolidStart);
    // The post settings that the solid support shares (precisions, steps, window).
    void setupFromPostSettings(const SliceConfig& s, int32_t bottomLayers);

private:
    void extendRecord(int32_t layer);
    double modelArea(const Layer& layer, int32_t n) const;

    bool drawModelWall_ = false;
    int32_t extraRaftLayers_ = 0;
    bool cleanSolidEnable_ = false;
    double cleanSolidAmount_ = 0;
    int32_t cleanSolidLayers_ = 0;
    FillType fillType_ = FillType::support;
    CleanSolidRecord& record_;
};

} // namespace Voxmill
