#pragma once
// Whole jobs of the real program in a temporary directory, and the real slice_view run on them.

#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/VoxmillProcess.h"
#include "model/ModelFiles.h"
#include "output/OutputTestUtil.h"

namespace Voxmill::Test {

struct ToolResult {
    int status;
    QString out, err;
};

inline ToolResult sliceView(const QStringList& args) {
    testApp();
    QProcess p;
    p.start(QStringLiteral(VOXMILL_TOOLS_DIR "/slice_view"), args);
    const bool ended = p.waitForFinished(300000) && p.exitStatus() == QProcess::NormalExit;
    return {ended ? p.exitCode() : -1000, QString::fromUtf8(p.readAllStandardOutput()),
            QString::fromUtf8(p.readAllStandardError())};
}

// A 60 x 40 mm plate of 0.1 mm pixels and a raft of two layers; without supports the raft is
// copies of the first layer.
inline QString plate(double layerMm, const char* poly2imgLines = "", int raftLayers = 2,
                     bool supports = false) {
    return QString("[precision]\nlayerHeight = %1\n[postSupport]\nenable = %4\n[raft]\nlayerCnt = %3\n"
                   "[poly2img]\nsizeX = 60\nsizeY = 40\npixelX = 600\npixelY = 400\n%2")
        .arg(layerMm)
        .arg(poly2imgLines)
        .arg(raftLayers)
        .arg(supports ? "true" : "false");
}

class SliceViewJobs : public ::testing::Test {
protected:
    // An STL box, corners in mm.
    QString box(const QString& name, float x0, float y0, float z0, float x1, float y1, float z1) {
        const QString path = root_.filePath(name);
        VoxmillTest::writeFile(path, VoxmillTest::binaryStl(VoxmillTest::box(x0, y0, z0, x1, y1, z1)));
        return path;
    }

    // Runs the program with the settings on the -M values; its output directory is root/name.
    JobResult job(const QString& name, const QString& settings, const QStringList& models) {
        const QString ini = root_.filePath(name + ".ini"), out = root_.filePath(name);
        VoxmillTest::writeFile(ini, settings.toStdString());
        QDir().mkpath(out);
        QStringList args = {"-C", ini, "-O", out};
        for (const QString& m : models) args << "-M" << m;
        return runVoxmill(args, root_.path());
    }

    QString dir(const QString& name) const { return root_.filePath(name); }

    QTemporaryDir root_;
};

} // namespace Voxmill::Test
