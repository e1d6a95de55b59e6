#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "app/Driver.h"
#include "app/VoxmillProcess.h"
#include "model/ModelFiles.h"
#include "output/OutputTestUtil.h"

using namespace Voxmill;
using namespace Voxmill::Test;

// The workers share out the cutting of the meshes and the imaging of the layers, and the infill
// runs beside the supports; the files they write are those of a single worker, byte for byte,
// whatever their number (even above the cores). A plate on a column, with rectGrid infill and
// post support, so every generator feeds the images and the two generators meet under the plate.
TEST(Workers, SameBytesWithOneTwoThreeAndEightWorkers) {
    QTemporaryDir dir;
    std::vector<VoxmillTest::Triangle> tray = VoxmillTest::box(-2, -2, 0, 2, 2, 4.5f);
    const std::vector<VoxmillTest::Triangle> plate = VoxmillTest::box(-10, -8, 4, 10, 8, 6);
    tray.insert(tray.end(), plate.begin(), plate.end());
    VoxmillTest::writeFile(dir.filePath("tray.stl"), VoxmillTest::binaryStl(tray));
    VoxmillTest::writeFile(dir.filePath("job.ini"),
                           "[precision]\nlayerHeight = 0.1\n[infill]\nenable = true\nfillType = rectGrid\n"
                           "[poly2img]\nsizeX = 51.2\nsizeY = 51.2\npixelX = 512\npixelY = 512\n");
    QMap<QString, QByteArray> first;
    for (int32_t workers : {1, 2, 3, 8}) {
        const QString out = dir.filePath(QString::number(workers));
        QDir().mkpath(out);
        CommandLineArgs args;
        args.configPath = dir.filePath("job.ini").toStdString();
        args.outputDir = out.toStdString();
        args.models.push_back(
            ModelSpec{dir.filePath("tray.stl").toStdString(), part_format_t::stl, part_type_t::model});
        args.workers = workers;
        testing::internal::CaptureStdout();
        runJob(args);
        testing::internal::GetCapturedStdout();
        const QMap<QString, QByteArray> files = jobOutputs(out);
        if (workers == 1) {
            first = files;
            ASSERT_GT(first.size(), 100);
        } else {
            EXPECT_TRUE(files == first) << workers << " workers";
        }
    }
}
