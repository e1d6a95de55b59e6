#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/VoxmillProcess.h"
#include "config/SettingsFile.h"

using namespace Voxmill;
using Voxmill::Test::fileBytes;

namespace {

const char* const defaultConfigText =
    "[precision]\nlayerHeight = 0.02\ngeneral = 0.02\nsupport = 0.05\nhollow = 0.2\nsupportZ = 0.1\ninfill = "
    "0.1\n"
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
    "[poly2img]\nsizeX = 280\nsizeY = 222.816\nsizeZ = 203\npixelX = 6080\npixelY = 5280\nextraBlankPixel = "
    "0\n"
    "supportGapPixel = 1\nstaggered = false\n";

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

    writeSettings(path, c);
    EXPECT_EQ(c, before); // the job's own record is untouched
    SliceConfig back;
    readSettings(path, back);
    const std::string text = fileBytes(path).toStdString();
    for (const char* line :
         {"\nlayerHeight = 0.5\n", "[postSupport]\nenable = false\n", "\nscaleX = 1.23457\n",
          "\nangle = -0.000123457\n", "\nareaPixels = 1000,3000\n"})
        EXPECT_NE(text.find(line), std::string::npos) << line;

    SliceConfig expected = c;
    expected.size.scaleX = 1.23457f;
    expected.prepOfs.angle = -0.000123457f;
    expected.normalise();
    EXPECT_EQ(back, expected);
}

TEST(SettingsWrite, FullDiskFoundAtCloseNamesTheFile) {
    // the whole text fits the write buffer: only the close finds the disk full
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full";
    try {
        writeSettings("/dev/full", SliceConfig());
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "/dev/full: No space left on device");
    }
}
