#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "model/MeshReaders.h"
#include "model/ModelFiles.h"

using namespace Voxmill;
using namespace VoxmillTest;

namespace {

SlcFile withHeader(const std::string& header) {
    SlcFile f;
    f.header = header;
    f.layers = {{{{1, 2}, {3, 4}, {1, 2}}}};
    return f;
}

template <class Change>
std::string spoiled(Change change) {
    SlcFile f = withHeader("-SLCVER 2.0 -UNIT MM -TYPE PART");
    change(f);
    return f.bytes();
}

} // namespace

TEST(SlcReader, FailureTable) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.slc");
    struct Row {
        const char* what;
        std::string bytes;
        std::string error; // "" when the file reads
    } rows[] = {
        {"plain millimetre file", spoiled([](SlcFile&) {}), ""},
        {"no -UNIT reads as millimetres", withHeader("-SLCVER 2.0 -TYPE SUPPORT").bytes(), ""},
        {"a key as the last word has no value and is not examined", withHeader("-TYPE PART -UNIT").bytes(), ""},
        {"unknown keys and a carriage return after their value are passed over", withHeader("-TYPE PART -X Y\r").bytes(), ""},
        {"a carriage return sticks to the last value", withHeader("-SLCVER 2.0 -TYPE PART\r").bytes(),
         "invalid slc TYPE!"},
        {"two spaces give an empty value", withHeader("-SLCVER 2.0 -UNIT  MM").bytes(), "invalid slc UNIT!"},
        {"another version", withHeader("-SLCVER 2.1").bytes(), "invalid slc SLCVER!"},
        {"a single word", withHeader("  -SLCVER  ").bytes(), "invalid slc header!"},
        {"header not ended by 26", spoiled([](SlcFile& f) { f.termination = 27; }), "invalid slc header termination!"},
        {"header line of 2045 characters", withHeader("-SLCVER 2.0" + std::string(2033, ' ') + "x").bytes(), ""},
        {"header line of 2046 characters", withHeader("-SLCVER 2.0" + std::string(2034, ' ') + "x").bytes(),
         streamFailure},
        {"sampling table of two entries", spoiled([](SlcFile& f) { f.tableSize = 2; }),
         "unsupported slc Sampling Table Size!"},
        {"line width compensation", spoiled([](SlcFile& f) { f.lineWidthCompensation = 0.1f; }),
         "unsupported slc Line Width Compensation!"},
        {"a boundary with gaps", spoiled([](SlcFile& f) { f.gaps = 1; }), "unsupported slc Number of Gaps!"},
        {"no end marker", spoiled([](SlcFile& f) { f.endMarker = false; }), streamFailure},
        // after the header line, 26, reserved bytes, table and the layer's z
        {"a boundary count far beyond the file", patched(withHeader("-SLCVER 2.0").bytes(), 12 + 1 + 256 + 1 + 16 + 4, 0x40000000),
         streamFailure},
        // before three points, the gap count and the end marker
        {"a point count far beyond the file",
         [] { std::string s = withHeader("-SLCVER 2.0").bytes(); return patched(s, s.size() - 8 - 3 * 8 - 8, 0x40000000); }(),
         streamFailure},
    };
    for (const Row& r : rows) {
        writeFile(path, r.bytes);
        EXPECT_EQ(errorOf([&] { readSlc(path); }), r.error) << r.what;
    }
}

TEST(SlcReader, KeepsLayersAndContoursAsGivenAndConvertsInches) {
    QTemporaryDir dir;
    const QString path = dir.filePath("t.slc");
    SlcFile f;
    f.thickness = 0.01f;
    // An empty layer, then one with an empty contour and an open one.
    f.layers = {{}, {{}, {{1, 2}, {3, 4}, {1, 2}}}};
    writeFile(path, f.bytes());
    SlcData mm = readSlc(path);
    EXPECT_EQ(mm.minZ, 0.1f);
    EXPECT_EQ(mm.layerThickness, 0.01f);
    ASSERT_EQ(mm.layers.size(), 2u);
    EXPECT_TRUE(mm.layers[0].empty());
    ASSERT_EQ(mm.layers[1].size(), 2u);
    EXPECT_TRUE(mm.layers[1][0].empty());
    ASSERT_EQ(mm.layers[1][1].size(), 3u);
    EXPECT_EQ(mm.layers[1][1][1].x, 3.0f);
    EXPECT_EQ(mm.layers[1][1][1].y, 4.0f);

    f.header = "-SLCVER 2.0 -UNIT INCH -TYPE PART -OTHER x";
    writeFile(path, f.bytes());
    SlcData in = readSlc(path);
    EXPECT_EQ(in.layerThickness, 0.01f * 25.4f);
    EXPECT_EQ(in.minZ, 0.1f * 25.4f);
    EXPECT_EQ(in.layers[1][1][0].x, 25.4f);
    EXPECT_EQ(in.layers[1][1][0].y, 50.8f);
}

TEST(SlcData, TopZ) {
    SlcData slc;
    slc.minZ = 0.1f;
    slc.layerThickness = 0.05f;
    slc.layers.resize(100);
    ModelTransform m = identityTransform;
    EXPECT_EQ(topZ(slc, m), 51000);
    m[10] = 2;
    m[11] = 1; // z' = 2 z + 1
    EXPECT_EQ(topZ(slc, m), 112000);
    m[10] = -1;
    m[11] = 0; // mirrored: the bottom layer ends highest
    EXPECT_EQ(topZ(slc, m), -1000);
    slc.layers.clear();
    EXPECT_EQ(topZ(slc, identityTransform), 1000);
}
