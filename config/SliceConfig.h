#pragma once
// The settings record of one slicing job, with its key table.
//
// Lengths are millimetres, angles degrees, image sizes pixels. The record is
// filled with defaults, overwritten key by key from a settings file or a
// project, then normalised; after that every stage reads it by const reference.

#include <cstdint>
#include <string>
#include <vector>

namespace Voxmill {

enum class FillType : int32_t { rectGrid = 0, support = 1, supportGrid = 2 };

// What the model infill and the post and grid supports share: a lattice
// inside a shell, solid skins above and below, periodic solid layers, and
// cells that close towards a roof at the roof gradient (degrees).
struct LatticeSettings {
    float topSolidThickness, bottomSolidThickness, shellThickness, roofGradient;
    int32_t roofPreCalcCnt;
    float insideSolidInterval, insideSolidThickness;
};

struct SliceConfig {
    struct Precision {
        float layerHeight, general, support, hollow, supportZ, infill, infillZ;
    } precision;
    struct Size {
        bool enable;
        float scaleX, scaleY, scaleZ;
    } size;
    struct PrepOfs {
        bool enable;
        float angle;
    } prepOfs;
    struct Infill : LatticeSettings {
        bool enable;
        FillType fillType;
        float rectSize, rectSpace;
    } infill;
    struct SupportOverlay {
        bool enable;
        float margin;
    } supportOverlay;
    struct SolidSupport {
        bool enable;
    } solidSupport;
    struct PostSupport : LatticeSettings {
        bool enable;
        float postSize, postSpace, gapRatio, gapAngle;
    } postSupport;
    struct GridSupport : LatticeSettings {
        bool enable;
        float rectSize, rectSpace;
    } gridSupport;
    struct SupportCleanSolid {
        bool enable;
        float interval, thickness;
    } supportCleanSolid;
    struct Raft {
        int32_t layerCnt;
        bool drawModelWall;
    } raft;
    struct Wall {
        bool clipOverHeight;
        std::vector<int32_t> areaPixels;
    } wall;
    struct WaitTime {
        bool enable;
        std::vector<int32_t> areas, times;
        float margin;
    } waitTime;
    struct Poly2Img {
        float sizeX, sizeY, sizeZ;
        int32_t pixelX, pixelY, extraBlankPixel, supportGapPixel;
        bool staggered;
    } poly2img;

    // A record holding the defaults (not yet normalised; the defaults are
    // already consistent, so normalising changes nothing).
    SliceConfig();

    void resetToDefaults();
    // Clamps every value to its range, then applies the consistency rules.
    void normalise();

    bool operator==(const SliceConfig& o) const;
    bool operator!=(const SliceConfig& o) const { return !(*this == o); }
};

// Key descriptions: section, key name, default and range. visitSettings walks
// them in record order, which is also the order of the settings file.
struct FloatKey {
    const char* section;
    const char* name;
    float def, lo, hi;
};
struct IntKey {
    const char* section;
    const char* name;
    int32_t def, lo, hi;
};
struct BoolKey {
    const char* section;
    const char* name;
    bool def;
};
struct FillKey {
    const char* section;
    const char* name;
    FillType def;
};
struct IntListKey {
    const char* section;
    const char* name;
    std::vector<int32_t> def;
    int32_t lo, hi; // per element
};

// Calls visit(key, field) for every key of the record in record order.
// Works on a const record too (field is then a const reference).
template <class Config, class Visitor> void visitSettings(Config& c, Visitor&& visit) {
    visit(FloatKey{"precision", "layerHeight", 0.02f, 0.01f, 0.5f}, c.precision.layerHeight);
    visit(FloatKey{"precision", "general", 0.02f, 0.01f, 0.5f}, c.precision.general);
    visit(FloatKey{"precision", "support", 0.05f, 0.01f, 0.5f}, c.precision.support);
    visit(FloatKey{"precision", "hollow", 0.2f, 0.01f, 0.5f}, c.precision.hollow);
    visit(FloatKey{"precision", "supportZ", 0.1f, 0.01f, 0.5f}, c.precision.supportZ);
    visit(FloatKey{"precision", "infill", 0.1f, 0.01f, 0.5f}, c.precision.infill);
    visit(FloatKey{"precision", "infillZ", 0.1f, 0.01f, 0.5f}, c.precision.infillZ);
    visit(BoolKey{"size", "enable", false}, c.size.enable);
    visit(FloatKey{"size", "scaleX", 1.0f, 0.5f, 2.0f}, c.size.scaleX);
    visit(FloatKey{"size", "scaleY", 1.0f, 0.5f, 2.0f}, c.size.scaleY);
    visit(FloatKey{"size", "scaleZ", 1.0f, 0.5f, 2.0f}, c.size.scaleZ);
    visit(BoolKey{"prepOfs", "enable", false}, c.prepOfs.enable);
    visit(FloatKey{"prepOfs", "angle", 0.0f, -15.0f, 15.0f}, c.prepOfs.angle);
    visit(BoolKey{"infill", "enable", false}, c.infill.enable);
    visit(FloatKey{"infill", "topSolidThickness", 1.5f, 0.1f, 10.0f}, c.infill.topSolidThickness);
    visit(FloatKey{"infill", "bottomSolidThickness", 1.5f, 0.1f, 10.0f}, c.infill.bottomSolidThickness);
    visit(FloatKey{"infill", "shellThickness", 1.0f, 0.1f, 10.0f}, c.infill.shellThickness);
    visit(FillKey{"infill", "fillType", FillType::support}, c.infill.fillType);
    visit(FloatKey{"infill", "rectSize", 1.0f, 0.1f, 5.0f}, c.infill.rectSize);
    visit(FloatKey{"infill", "rectSpace", 0.25f, 0.1f, 5.0f}, c.infill.rectSpace);
    visit(FloatKey{"infill", "roofGradient", 60.0f, 15.0f, 75.0f}, c.infill.roofGradient);
    visit(IntKey{"infill", "roofPreCalcCnt", 10, 0, 100}, c.infill.roofPreCalcCnt);
    visit(FloatKey{"infill", "insideSolidInterval", 50.0f, 0.01f, 1000.0f}, c.infill.insideSolidInterval);
    visit(FloatKey{"infill", "insideSolidThickness", 0.8f, 0.01f, 10.0f}, c.infill.insideSolidThickness);
    visit(BoolKey{"supportOverlay", "enable", false}, c.supportOverlay.enable);
    visit(FloatKey{"supportOverlay", "margin", 0.1f, 0.05f, 2.0f}, c.supportOverlay.margin);
    visit(BoolKey{"solidSupport", "enable", false}, c.solidSupport.enable);
    visit(BoolKey{"postSupport", "enable", true}, c.postSupport.enable);
    visit(FloatKey{"postSupport", "topSolidThickness", 1.5f, 0.1f, 10.0f}, c.postSupport.topSolidThickness);
    visit(FloatKey{"postSupport", "bottomSolidThickness", 0.0f, 0.0f, 10.0f},
          c.postSupport.bottomSolidThickness);
    visit(FloatKey{"postSupport", "shellThickness", 0.3f, 0.0f, 5.0f}, c.postSupport.shellThickness);
    visit(FloatKey{"postSupport", "postSize", 1.0f, 0.25f, 5.0f}, c.postSupport.postSize);
    visit(FloatKey{"postSupport", "postSpace", 0.2f, 0.05f, 0.5f}, c.postSupport.postSpace);
    visit(FloatKey{"postSupport", "gapRatio", 0.3f, 0.0f, 0.6f}, c.postSupport.gapRatio);
    visit(FloatKey{"postSupport", "gapAngle", 60.0f, 15.0f, 75.0f}, c.postSupport.gapAngle);
    visit(FloatKey{"postSupport", "roofGradient", 60.0f, 15.0f, 75.0f}, c.postSupport.roofGradient);
    visit(IntKey{"postSupport", "roofPreCalcCnt", 10, 0, 100}, c.postSupport.roofPreCalcCnt);
    visit(FloatKey{"postSupport", "insideSolidInterval", 50.0f, 0.01f, 1000.0f},
          c.postSupport.insideSolidInterval);
    visit(FloatKey{"postSupport", "insideSolidThickness", 0.8f, 0.01f, 10.0f},
          c.postSupport.insideSolidThickness);
    visit(BoolKey{"gridSupport", "enable", false}, c.gridSupport.enable);
    visit(FloatKey{"gridSupport", "topSolidThickness", 1.5f, 0.1f, 10.0f}, c.gridSupport.topSolidThickness);
    visit(FloatKey{"gridSupport", "bottomSolidThickness", 0.0f, 0.0f, 10.0f},
          c.gridSupport.bottomSolidThickness);
    visit(FloatKey{"gridSupport", "shellThickness", 1.5f, 0.1f, 10.0f}, c.gridSupport.shellThickness);
    visit(FloatKey{"gridSupport", "rectSize", 1.5f, 0.1f, 5.0f}, c.gridSupport.rectSize);
    visit(FloatKey{"gridSupport", "rectSpace", 0.25f, 0.1f, 5.0f}, c.gridSupport.rectSpace);
    visit(FloatKey{"gridSupport", "roofGradient", 60.0f, 15.0f, 75.0f}, c.gridSupport.roofGradient);
    visit(IntKey{"gridSupport", "roofPreCalcCnt", 10, 0, 100}, c.gridSupport.roofPreCalcCnt);
    visit(FloatKey{"gridSupport", "insideSolidInterval", 1000.0f, 0.01f, 1000.0f},
          c.gridSupport.insideSolidInterval);
    visit(FloatKey{"gridSupport", "insideSolidThickness", 0.25f, 0.01f, 10.0f},
          c.gridSupport.insideSolidThickness);
    visit(BoolKey{"supportCleanSolid", "enable", false}, c.supportCleanSolid.enable);
    visit(FloatKey{"supportCleanSolid", "interval", 1.7f, 0.1f, 100.0f}, c.supportCleanSolid.interval);
    visit(FloatKey{"supportCleanSolid", "thickness", 0.8f, 0.01f, 10.0f}, c.supportCleanSolid.thickness);
    visit(IntKey{"raft", "layerCnt", 100, 0, 1000}, c.raft.layerCnt);
    visit(BoolKey{"raft", "drawModelWall", true}, c.raft.drawModelWall);
    visit(BoolKey{"wall", "clipOverHeight", true}, c.wall.clipOverHeight);
    visit(IntListKey{"wall", "areaPixels", {1760, 1760, 1760}, 1, 51200}, c.wall.areaPixels);
    visit(BoolKey{"waitTime", "enable", false}, c.waitTime.enable);
    visit(IntListKey{"waitTime", "areas", {300, 360, 810, 900}, 0, 100000}, c.waitTime.areas);
    visit(IntListKey{"waitTime", "times", {0, 500, 1500, 2000}, 0, 100000}, c.waitTime.times);
    visit(FloatKey{"waitTime", "margin", 0.2f, 0.0f, 1.0f}, c.waitTime.margin);
    visit(FloatKey{"poly2img", "sizeX", 280.0f, 1.0f, 1000.0f}, c.poly2img.sizeX);
    visit(FloatKey{"poly2img", "sizeY", 222.816f, 1.0f, 1000.0f}, c.poly2img.sizeY);
    visit(FloatKey{"poly2img", "sizeZ", 203.0f, 1.0f, 1000.0f}, c.poly2img.sizeZ);
    visit(IntKey{"poly2img", "pixelX", 6080, 256, 51200}, c.poly2img.pixelX);
    visit(IntKey{"poly2img", "pixelY", 5280, 256, 51200}, c.poly2img.pixelY);
    visit(IntKey{"poly2img", "extraBlankPixel", 0, 0, 10240}, c.poly2img.extraBlankPixel);
    visit(IntKey{"poly2img", "supportGapPixel", 1, 0, 10}, c.poly2img.supportGapPixel);
    visit(BoolKey{"poly2img", "staggered", false}, c.poly2img.staggered);
}

// The two-way table between fill-type words and values, built on first use.
// Returns false when the word is not one of "rectGrid", "support", "supportGrid".
bool fillTypeFromWord(const std::string& word, FillType& out);
const std::string& fillTypeWord(FillType type);

// Derived values of a normalised record (single precision throughout).
int32_t layerUnits(const SliceConfig& c);      // layer thickness in units
int32_t infillLookAhead(const SliceConfig& c); // layers infill runs ahead
int32_t lookAhead(const SliceConfig& c);       // layers the generators read above
int32_t lookBack(const SliceConfig& c);        // layers the generators read below
int32_t storeRaftLayers(const SliceConfig& c); // raft layers kept in the layer store
int32_t extraRaftLayers(const SliceConfig& c); // raft layers written as file copies only
int32_t cleanSolidLayers(const SliceConfig& c);
int32_t releaseLag(const SliceConfig& c); // layers between imaging and dropping parts

// Settings length in millimetres to coordinate units (truncated toward zero).
int32_t mmToUnits(float mm);
// A thickness in millimetres as whole layers: ceil(mm / layerHeight), single precision.
int32_t layersOf(float mm, float layerHeight);
// Layers over which a cell (or the space between posts) of the given size
// closes under a roof of the given gradient: ceil(size / r) with the run of
// the roof over one layer r = (1 / tan(gradient)) * (2 * layerHeight).
int32_t roofLayerCount(float sizeMm, float gradientDeg, float layerHeight);

} // namespace Voxmill
