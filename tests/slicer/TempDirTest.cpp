#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/TestApp.h"
#include "slicer/LayerStore.h"
#include "slicer/TempDir.h"

using namespace Voxmill;

namespace {

QString numbered(const QTemporaryDir& base, int i) { return base.path() + QStringLiteral("/.Voxmill%1").arg(i); }

void touch(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
}

} // namespace

// Numbers 0 and 1 and their directories are pinned by the two processes below.
TEST(TempDirClaim, TakesTheFirstFreeNumber) {
    QTemporaryDir base;
    auto first = std::make_unique<TempDirClaim>(base.path());
    TempDirClaim second(base.path());
    // A plain file where a directory should be: that number is passed over.
    touch(numbered(base, 2));
    EXPECT_EQ(TempDirClaim(base.path()).number(), 3);
    // A released number is taken again, its directory used as it was.
    touch(first->path() + QStringLiteral("/7"));
    first.reset();
    TempDirClaim again(base.path());
    EXPECT_EQ(again.number(), 0);
    EXPECT_TRUE(QFile::exists(again.path() + QStringLiteral("/7")));
}

// Runs only as a child of the test below: claims the process's layer
// directory, reports it and holds it until its input closes or it is killed.
TEST(TempDirChild, DISABLED_HoldDirectory) {
    if (qEnvironmentVariableIsEmpty("VOXMILL_TEMPDIR_CHILD")) GTEST_SKIP() << "runs as a child process only";
    std::printf("claimed %s\n", qPrintable(layerTempDir()));
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
}

namespace {

// A copy of this test program holding its layer directory under base;
// destroyed, it is killed with SIGKILL, with no chance to clean up.
struct ClaimingChild {
    QProcess process;

    explicit ClaimingChild(const QString& base) {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("TMPDIR"), base);
        env.insert(QStringLiteral("VOXMILL_TEMPDIR_CHILD"), QStringLiteral("1"));
        process.setProcessEnvironment(env);
        process.start(QCoreApplication::applicationFilePath(),
                      {QStringLiteral("--gtest_also_run_disabled_tests"),
                       QStringLiteral("--gtest_filter=TempDirChild.DISABLED_HoldDirectory")});
    }
    ~ClaimingChild() {
        process.kill();
        process.waitForFinished();
    }

    // The directory the child reported, by name.
    QString claimedName() {
        static const QRegularExpression line(QStringLiteral("claimed (\\S+)\\n"));
        QString out;
        while (process.waitForReadyRead(30000)) {
            out += QString::fromLocal8Bit(process.readAllStandardOutput());
            QRegularExpressionMatch m = line.match(out);
            if (m.hasMatch()) return QFileInfo(m.captured(1)).fileName();
        }
        return QStringLiteral("nothing: ") + out;
    }
};

} // namespace

TEST(TempDirClaim, NumberOfAKilledProcessIsFreeAgain) {
    Voxmill::Test::testApp();
    QTemporaryDir base;
    auto first = std::make_unique<ClaimingChild>(base.path());
    ASSERT_EQ(first->claimedName(), QStringLiteral(".Voxmill0"));
    ClaimingChild second(base.path());
    ASSERT_EQ(second.claimedName(), QStringLiteral(".Voxmill1"));
    touch(numbered(base, 0) + QStringLiteral("/3"));

    first.reset();
    ClaimingChild third(base.path());
    EXPECT_EQ(third.claimedName(), QStringLiteral(".Voxmill0"));
    EXPECT_TRUE(QFile::exists(numbered(base, 0) + QStringLiteral("/3")));
}
