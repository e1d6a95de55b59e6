#include <gtest/gtest.h>

#include <cmath>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "OutputTestUtil.h"
#include "config/SliceConfig.h"
#include "model/ModelFiles.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// Model pixel counts per file number, as the viewer tool reports them.
std::vector<int64_t> modelPixelsByTool(const QString& outDir) {
    QProcess p;
    p.start(QStringLiteral(VOXMILL_TOOLS_DIR "/slice_view"), {"csv", outDir});
    EXPECT_TRUE(p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0);
    std::vector<int64_t> counts;
    const QStringList lines =
        QString::fromLocal8Bit(p.readAllStandardOutput()).split('\n', Qt::SkipEmptyParts);
    for (int i = 1; i < lines.size(); ++i) counts.push_back(lines[i].split(',')[1].toLongLong());
    return counts;
}

} // namespace

// A sphere of radius 10 mm: every file decodes strictly with the viewer tool, the raft copies
// repeat the first stored layer, and each layer's model pixels match the section within the outline band.
TEST(EndToEnd, SphereLayersMatchTheirSections) {
    if (!QFile::exists(sharedModel("analytic/sphere_r10.stl"))) GTEST_SKIP() << "shared models not present";
    // 4 pixels per mm over the default 280 x 222.816 mm plate, 0.04 mm layers
    QTemporaryDir dir;
    const QString out = dir.filePath("out");
    const JobResult r =
        runOnModel(dir.path(), "out", sharedModel("analytic/sphere_r10.stl"),
                   "[precision]\nlayerHeight = 0.04\n[poly2img]\npixelX = 1120\npixelY = 891\n");
    ASSERT_EQ(r.status, 0) << r.out.toStdString();

    SliceConfig s;
    s.precision.layerHeight = 0.04f;
    s.normalise();
    const int32_t extra = extraRaftLayers(s), stored = storeRaftLayers(s) + 500;
    EXPECT_EQ(QDir(out).entryList({"slice_m*"}, QDir::Files).size(), extra + stored);
    EXPECT_EQ(QDir(out).entryList({"slice_s*"}, QDir::Files).size(), extra + stored);
    EXPECT_TRUE(r.out.endsWith(QString("slice: %1/%1\n").arg(extra + stored - 1)));

    const std::vector<int64_t> pixels = modelPixelsByTool(out);
    ASSERT_EQ(int32_t(pixels.size()), extra + stored);
    for (int32_t n = 0; n < extra; ++n)
        for (const char* kind : {"/slice_m", "/slice_s"})
            ASSERT_EQ(fileBytes(out + kind + QString::number(n)),
                      fileBytes(out + kind + QString::number(extra)));
    const int32_t firstModel = extra + storeRaftLayers(s);
    for (int32_t n = 0; n < firstModel; ++n) ASSERT_EQ(pixels[n], 0) << "raft layer " << n;
    const double ppm = 4.0, pi = 3.14159265358979;
    for (int32_t n = firstModel; n < extra + stored; ++n) {
        const double z = (n - firstModel + 0.5) * 0.04;
        const double r2 = std::max(0.0, 100.0 - (z - 10) * (z - 10));
        const double area = pi * r2 * ppm * ppm, band = 2 * pi * std::sqrt(r2) * ppm;
        ASSERT_NEAR(double(pixels[n]), area, band + 4) << "file " << n << ", z " << z;
    }
    EXPECT_EQ(fileBytes(out + "/areaInfo"),
              QByteArray("[general]\nlayerCntArea1 = ") + QByteArray::number(extra + stored) + "\n");
    EXPECT_EQ(fileBytes(out + "/waitTime").count('\n'), stored);
}

// Models that hold nothing to print: an SLC stack without layers whose bottom (0.3 mm) lies less
// than a step above the lowest cutting heights, and a zdm mesh without vertices, which the size
// stage scales. Alone, beside a box and in a project, the job completes; beside the box, every file
// is that of the box alone.
TEST(EndToEnd, ModelsWithoutLayersOrVerticesAddNothing) {
    using namespace VoxmillTest;
    QTemporaryDir dir;
    writeFile(dir.filePath("small.ini"), "[precision]\nlayerHeight = 0.05\n[raft]\nlayerCnt = 3\n"
                                         "[size]\nenable = true\nscaleX = 2\n"
                                         "[poly2img]\npixelX = 256\npixelY = 256\n");
    writeFile(dir.filePath("box.stl"), binaryStl(cube(10)));
    SlcFile slc;
    slc.minZ = 0.3f;
    slc.thickness = 0.1f;
    writeFile(dir.filePath("empty.slc"), slc.bytes());
    writeFile(dir.filePath("empty.zdm"), zdmFile({}, {}));
    std::vector<int32_t> indices(36);
    for (int32_t i = 0; i < 36; ++i) indices[size_t(i)] = i;
    VkpFile project;
    project.models = {{0, corners(cube(10)), indices, 0, 0, {}}, {1, {}, {}, 0.3f, 0.1f, {}}};
    project.refs = {{0}};
    writeFile(dir.filePath("box.vkp"), project.bytes());
    project.refs = {{1}, {0}};
    writeFile(dir.filePath("both.vkp"), project.bytes());

    const QString slcModel = "file:" + dir.filePath("empty.slc") + "*format:slc";
    const QString zdmModel = "file:" + dir.filePath("empty.zdm") + "*format:zdm";
    const QStringList box = {"-M", "file:" + dir.filePath("box.stl")};
    struct Row {
        const char* what;
        QStringList models;
        QStringList sameAs; // the models of a job with the same files; none: layerFiles of each kind
        int layerFiles;
    } rows[] = {
        // 0.3 mm of stack: 6 layers above the 3 raft layers
        {"slc alone", {"-M", slcModel}, {}, 9},
        {"slc beside a box", box + QStringList{"-M", slcModel}, box, 0},
        {"slc in a project", {"-X", dir.filePath("both.vkp")}, {"-X", dir.filePath("box.vkp")}, 0},
        {"zdm beside a box", box + QStringList{"-M", zdmModel}, box, 0},
    };
    auto run = [&](const QString& name, const QStringList& models) {
        const QString out = dir.filePath(name);
        QDir().mkpath(out);
        const JobResult r =
            runVoxmill(QStringList{"-C", dir.filePath("small.ini"), "-O", out} + models, dir.path());
        EXPECT_EQ(r.status, 0) << r.out.right(300).toStdString();
        return jobOutputs(out);
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const QMap<QString, QByteArray> files = run(QString(row.what).replace(' ', '_'), row.models);
        if (row.sameAs.isEmpty()) {
            EXPECT_EQ(files.size(), 2 * row.layerFiles + 3); // and areaInfo, config, waitTime
            EXPECT_TRUE(files.contains(QString("slice_s%1").arg(row.layerFiles - 1)));
        } else {
            EXPECT_TRUE(files == run(QString(row.what).replace(' ', '_') + "_alone", row.sameAs));
        }
    }
}
