#include <gtest/gtest.h>

#include <sys/resource.h>

#include <chrono>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "output/OutputTestUtil.h"

using namespace Voxmill::Test;

// Every infill and support key at the smallest and the largest value it can take (posts and
// cells at their smallest, no space, the steepest and flattest roofs, solid layers every layer,
// clean-solid bands at their most and least), for each kind of support and fill: each job
// prints, in bounded time and memory (the preInfill pass once ran past the top of a job lower
// than its look-ahead and died of "invalid layer index.").
TEST(GeneratorLimits, ExtremeSettingsEndCleanly) {
    if (!QFile::exists(sharedModel("analytic/t_overhang.stl"))) GTEST_SKIP() << "shared models not present";
    QTemporaryDir dir;
    int row = 0;
    for (bool low : {true, false})
        for (const QByteArray kind : {"post", "grid", "solid", "rectGrid", "support", "supportGrid"}) {
            // Values beyond a key's range clamp to it.
            const QByteArray v = low ? "-1e9" : "1e9";
            const QByteArray lattice =
                "topSolidThickness = " + v + "\nbottomSolidThickness = " + v + "\nshellThickness = " + v +
                "\nroofGradient = " + v + "\nroofPreCalcCnt = " + (low ? "-5" : "1000") +
                "\ninsideSolidInterval = " + v + "\ninsideSolidThickness = " + v + "\n";
            auto on = [&](const char* k) -> QByteArray { return kind == k ? "true" : "false"; };
            const bool infill = kind != "post" && kind != "grid" && kind != "solid";
            const QByteArray ini =
                "[precision]\nlayerHeight = 0.2\n[prepOfs]\nenable = true\nangle = " + v +
                "\n[infill]\nenable = " + (infill ? "true" : "false") +
                "\nfillType = " + (infill ? kind : "rectGrid") + "\n" + lattice + "rectSize = " + v +
                "\nrectSpace = " + v + "\n[supportOverlay]\nenable = true\nmargin = " + v +
                "\n[postSupport]\nenable = " + on("post") + "\n" + lattice + "postSize = " + v +
                "\npostSpace = " + v + "\ngapRatio = " + v + "\ngapAngle = " + v +
                "\n[gridSupport]\nenable = " + on("grid") + "\n" + lattice + "rectSize = " + v +
                "\nrectSpace = " + v + "\n[solidSupport]\nenable = " + on("solid") +
                "\n[supportCleanSolid]\nenable = true\ninterval = " + v + "\nthickness = " + v +
                "\n[raft]\nlayerCnt = 5\n[poly2img]\nsizeX = 51.2\nsizeY = 51.2\npixelX = 256\npixelY = "
                "256\n";
            SCOPED_TRACE(kind.toStdString() + (low ? " low" : " high"));
            const auto start = std::chrono::steady_clock::now();
            const JobResult r = runOnModel(dir.path(), QString("job%1").arg(row++),
                                           sharedModel("analytic/t_overhang.stl"), ini);
            const double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            EXPECT_EQ(r.status, 0) << r.out.right(300).toStdString();
            EXPECT_LT(seconds, 300.0) << "sanitizer builds included";
        }
    rusage children{};
    getrusage(RUSAGE_CHILDREN, &children);
    EXPECT_LT(children.ru_maxrss / 1024, 1024) << "peak resident MB of the largest job";
}
