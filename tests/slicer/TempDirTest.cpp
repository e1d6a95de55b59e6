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

using namespace Voxmill;

// Runs only as a child of the test below: claims and reports the layer directory, then holds it.
TEST(TempDirChild, DISABLED_HoldDirectory) {
    if (qEnvironmentVariableIsEmpty("VOXMILL_TEMPDIR_CHILD")) GTEST_SKIP() << "runs as a child process only";
    std::printf("claimed %s\n", qPrintable(layerTempDir()));
    std::fflush(stdout);
    while (std::getchar() != EOF) {
    }
}

namespace {

// A copy of this test program holding its layer directory under base; SIGKILLed when destroyed.
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

// Two processes get numbers 0 and 1; a SIGKILLed one's number, directory and all, is taken again.
TEST(TempDirClaim, NumberOfAKilledProcessIsFreeAgain) {
    Voxmill::Test::testApp();
    QTemporaryDir base;
    auto first = std::make_unique<ClaimingChild>(base.path());
    ASSERT_EQ(first->claimedName(), QStringLiteral(".Voxmill0"));
    ClaimingChild second(base.path());
    ASSERT_EQ(second.claimedName(), QStringLiteral(".Voxmill1"));
    const QString kept = base.path() + QStringLiteral("/.Voxmill0/3");
    QFile file(kept);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.close();

    first.reset();
    ClaimingChild third(base.path());
    EXPECT_EQ(third.claimedName(), QStringLiteral(".Voxmill0"));
    EXPECT_TRUE(QFile::exists(kept));
}
