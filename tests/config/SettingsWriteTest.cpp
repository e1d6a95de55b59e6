#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include <QFile>
#include <QTemporaryDir>

#include "config/SettingsFile.h"
#include "app/VoxmillProcess.h"
#include "model/VirtualFile.h"

using namespace Voxmill;
using Voxmill::Test::fileBytes;

namespace {

// Each section starts a source line.
const char* const defaultConfigText =
    "[precision]\nlayerHeight = 0.02\ngeneral = 0.02\nsupport = 0.05\nhollow = 0.2\nsupportZ = 0.1\ninfill = 0.1\n"
    "infillZ = 0.1\n\n"
    "[size]\nenable = false\nscaleX = 1\nscaleY = 1\nscaleZ = 1\n\n"
    "[prepOfs]\nenable = false\nangle = 0\n\n"
    "[infill]\nenable = false\ntopSolidThickness = 1.5\nbottomSolidThickness = 1.5\nshellThickness = 1\n"
    "fillType = support\nrectSize = 1\nrectSpace = 0.25\nroofGradient = 60\nroofPreCalcCnt = 10\n"
    "insideSolidInterval = 50\ninsideSolidThickness = 0.8\n\n"
    "[supportOverlay]\nenable = false\nmargin = 0.1\n\n"
    "[solidSupport]\nenable = false\n\n"
    "[postSupport]\nenable = true\ntopSolidThickness = 1.5\nbottomSolidThickness = 0\nshellThickness = 0.3\n"
    "postSize = 1\npostSpace = 0.2\ngapRatio = 0.3\ngapAngle = 60\nroofGradient = 60\nroofPreCalcCnt = 10\n"
    "insideSolidInterval = 50\ninsideSolidThickness = 0.8\n\n"
    "[gridSupport]\nenable = false\ntopSolidThickness = 1.5\nbottomSolidThickness = 0\nshellThickness = 1.5\n"
    "rectSize = 1.5\nrectSpace = 0.25\nroofGradient = 60\nroofPreCalcCnt = 10\ninsideSolidInterval = 1000\n"
    "insideSolidThickness = 0.25\n\n"
    "[supportCleanSolid]\nenable = false\ninterval = 1.7\nthickness = 0.8\n\n"
    "[raft]\nlayerCnt = 100\ndrawModelWall = true\n\n"
    "[wall]\nclipOverHeight = true\nareaPixels = 1760,1760,1760\n\n"
    "[waitTime]\nenable = false\nareas = 300,360,810,900\ntimes = 0,500,1500,2000\nmargin = 0.2\n\n"
    "[poly2img]\nsizeX = 280\nsizeY = 222.816\nsizeZ = 203\npixelX = 6080\npixelY = 5280\nextraBlankPixel = 0\n"
    "supportGapPixel = 1\nstaggered = false\n";

SliceConfig writtenAndRead(const QString& path, const SliceConfig& c) {
    writeSettings(path, c);
    SliceConfig back;
    readSettings(path, back);
    return back;
}

// Every key of a record at a random value inside (and a little beyond) its
// range. Lists are never empty: an empty list is written as nothing after
// "= ", which reads back as the default, and no file can give one.
struct RandomVisitor {
    std::mt19937& rng;
    float uniform(float lo, float hi) { return std::uniform_real_distribution<float>(lo, hi)(rng); }
    int32_t uniform(int32_t lo, int32_t hi) { return std::uniform_int_distribution<int32_t>(lo, hi)(rng); }

    void operator()(const FloatKey& k, float& v) { v = uniform(k.lo - 0.1f * (k.hi - k.lo), k.hi * 1.1f); }
    void operator()(const IntKey& k, int32_t& v) { v = uniform(k.lo - 5, k.hi + 5); }
    void operator()(const BoolKey&, bool& v) { v = uniform(0, 1) == 1; }
    void operator()(const FillKey&, FillType& v) { v = FillType(uniform(0, 2)); }
    void operator()(const IntListKey& k, std::vector<int32_t>& v) {
        v.resize(size_t(uniform(1, 5)));
        for (int32_t& e : v)
            e = uniform(k.lo, k.hi);
    }
};

// Fields of a and b alike: floats within the 6 significant digits written,
// everything else exactly.
void expectCloseRecords(const SliceConfig& a, const SliceConfig& b) {
    std::vector<const void*> fieldsOfB;
    visitSettings(b, [&](const auto&, const auto& v) { fieldsOfB.push_back(&v); });
    size_t i = 0;
    visitSettings(a, [&](const auto& key, const auto& v) {
        using T = std::decay_t<decltype(v)>;
        const T& w = *static_cast<const T*>(fieldsOfB[i++]);
        if constexpr (std::is_same_v<T, float>)
            EXPECT_LE(std::fabs(v - w), 5.1e-6f * std::fabs(v)) << key.section << "." << key.name;
        else
            EXPECT_TRUE(v == w) << key.section << "." << key.name;
    });
}

} // namespace

TEST(SettingsWrite, DefaultsGiveTheKnownFileByteForByte) {
    QTemporaryDir dir;
    QString path = dir.filePath("config");
    writeSettings(path, SliceConfig());
    EXPECT_EQ(fileBytes(path).toStdString(), defaultConfigText);
}

TEST(SettingsWrite, RoundTripGivesTheNormalisedRecordToSixDigits) {
    QTemporaryDir dir;
    QString path = dir.filePath("config");
    SliceConfig c;
    c.precision.layerHeight = 2.0f; // clamped to 0.5 in the file only
    c.solidSupport.enable = true;   // switches post support off
    c.size.scaleX = 1.2345678f;
    c.prepOfs.angle = -0.000123456789f;
    c.infill.fillType = FillType::rectGrid;
    c.poly2img.pixelY = 4000;
    c.wall.areaPixels = {1000, 3000};
    const SliceConfig before = c;

    SliceConfig back = writtenAndRead(path, c);
    EXPECT_EQ(c, before);
    const std::string text = fileBytes(path).toStdString();
    for (const char* line : {"\nlayerHeight = 0.5\n", "[postSupport]\nenable = false\n", "\nscaleX = 1.23457\n",
                             "\nangle = -0.000123457\n", "\nareaPixels = 1000,3000\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    SliceConfig expected = c;
    expected.size.scaleX = 1.23457f;
    expected.prepOfs.angle = -0.000123457f;
    expected.normalise();
    EXPECT_EQ(back, expected);
}

TEST(SettingsWrite, RandomRecordsRoundTrip) {
    // Not byte for byte a second time: the consistency rules recompute some
    // values from others that were shortened, which may move the sixth digit.
    QTemporaryDir dir;
    QString path = dir.filePath("config");
    std::mt19937 rng(20261206);
    for (int round = 0; round < 200; ++round) {
        SCOPED_TRACE(round);
        SliceConfig c;
        visitSettings(c, RandomVisitor{rng});
        SliceConfig normalised = c;
        normalised.normalise();
        expectCloseRecords(normalised, writtenAndRead(path, c));
    }
}

TEST(SettingsWrite, FailuresNameTheFile) {
    QTemporaryDir dir;
    struct Row {
        QString path;
        std::string message;
    } rows[] = {
        {dir.filePath("gone/config"), toLocal8(dir.filePath("gone/config")) + ": No such file or directory"},
        {dir.path(), toLocal8(dir.path()) + ": is a directory, not a file"},
        // The whole text fits the platform's write buffer: only the close finds the disk full.
        {"/dev/full", "/dev/full: No space left on device"},
    };
    for (const Row& row : rows) {
        if (row.path == "/dev/full" && !QFile::exists(row.path)) continue;
        SCOPED_TRACE(row.message);
        try {
            writeSettings(row.path, SliceConfig());
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), row.message);
        }
    }
}
