#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "output/OutputTestUtil.h"

using namespace Voxmill::Test;

namespace {

QString sharedModel(const char* name) { return QStringLiteral(VOXMILL_SHARED_MODELS "/") + name; }

// The lattice keys at one end of their ranges (values beyond the range clamp to it).
QByteArray latticeKeys(bool low) {
    const char* v = low ? "-1e9" : "1e9";
    return QByteArray("topSolidThickness = ") + v + "\nbottomSolidThickness = " + v +
           "\nshellThickness = " + v + "\nroofGradient = " + v +
           "\nroofPreCalcCnt = " + (low ? "-5" : "1000") + "\ninsideSolidInterval = " + v +
           "\ninsideSolidThickness = " + v + "\n";
}

} // namespace

// Every infill and support key at the smallest and the largest value it can take (posts and
// cells at their smallest, no space, the steepest and flattest roofs, solid layers every layer,
// clean-solid bands at their most and least): each job prints, in bounded time and memory.
TEST(GeneratorLimits, ExtremeSettingsEndCleanly) {
    if (!QFile::exists(sharedModel("analytic/t_overhang.stl"))) GTEST_SKIP() << "shared models not present";
    QTemporaryDir dir;
    int row = 0;
    for (bool low : {true, false})
        for (const char* kind : {"post", "grid", "solid", "rectGrid", "support", "supportGrid"}) {
            const char* v = low ? "-1e9" : "1e9";
            const QByteArray supports =
                QByteArray("[postSupport]\nenable = ") + (kind == QByteArray("post") ? "true" : "false") +
                "\n" + latticeKeys(low) + "postSize = " + v + "\npostSpace = " + v + "\ngapRatio = " + v +
                "\ngapAngle = " + v +
                "\n[gridSupport]\nenable = " + (kind == QByteArray("grid") ? "true" : "false") + "\n" +
                latticeKeys(low) + "rectSize = " + v + "\nrectSpace = " + v +
                "\n[solidSupport]\nenable = " + (kind == QByteArray("solid") ? "true" : "false") + "\n";
            const bool infill =
                std::string(kind).find("rid") != std::string::npos || kind == QByteArray("support");
            const QByteArray ini =
                "[precision]\nlayerHeight = 0.2\n[prepOfs]\nenable = true\nangle = " + QByteArray(v) +
                "\n[infill]\nenable = " + (infill && kind != QByteArray("grid") ? "true" : "false") +
                "\nfillType = " + (infill && kind != QByteArray("grid") ? kind : "rectGrid") + "\n" +
                latticeKeys(low) + "rectSize = " + v + "\nrectSpace = " + v +
                "\n[supportOverlay]\nenable = true\nmargin = " + v + "\n" + supports +
                "[supportCleanSolid]\nenable = true\ninterval = " + v + "\nthickness = " + v +
                "\n[raft]\nlayerCnt = 5\n[poly2img]\nsizeX = 51.2\nsizeY = 51.2\npixelX = 256\npixelY = "
                "256\n";
            SCOPED_TRACE(std::string(kind) + (low ? " low" : " high"));
            const QString name = QString("job%1").arg(row++);
            QFile f(dir.filePath(name + ".ini"));
            f.open(QIODevice::WriteOnly);
            f.write(ini);
            f.close();
            QDir().mkpath(dir.filePath(name));
            const auto start = std::chrono::steady_clock::now();
            const JobResult r =
                runVoxmill({"-C", f.fileName(), "-M", "file:" + sharedModel("analytic/t_overhang.stl"), "-O",
                            dir.filePath(name)},
                           dir.path());
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            EXPECT_TRUE(r.status == 0 || (r.status == 255 && !r.out.endsWith("\n\n")))
                << r.out.right(300).toStdString();
            EXPECT_LT(seconds, 300.0) << "sanitizer builds included";
        }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_LT(children.ru_maxrss / 1024, 1024) << "peak resident MB of the largest job";
}
