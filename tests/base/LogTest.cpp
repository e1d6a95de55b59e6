#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/VoxmillProcess.h"
#include "base/Log.h"

using namespace Voxmill;

TEST(Log, LongTextWholeOnConsoleCutInLogFile) {
    // 4096 bytes just fit, newline included; at 4097 the newline is lost and the next line follows on
    for (size_t length : {4096, 4097}) {
        SCOPED_TRACE(length);
        QTemporaryDir dir;
        ASSERT_TRUE(openLog(dir.path()));
        const std::string line = std::string(length - 1, 'x') + "\n";
        testing::internal::CaptureStdout();
        logPrint("%s", line.c_str());
        logPrint("next\n");
        const std::string console = testing::internal::GetCapturedStdout();
        closeLog();
        EXPECT_EQ(console, line + "next\n");
        const QByteArray log = Voxmill::Test::fileBytes(dir.filePath("output.log"));
        EXPECT_EQ(log.toStdString(), line.substr(0, 4096) + "next\n");
    }
}

TEST(Log, FileGetsWhatFollowsOpeningAndPlatformMessagesOnly) {
    QTemporaryDir dir;
    EXPECT_FALSE(openLog(dir.filePath("missing"))); // fails quietly: console only
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    logPrint("before %d\n", 1);
    ASSERT_TRUE(openLog(dir.path()));
    installMessageHandler();
    logPrint("after %d\n", 2);
    qWarning("a warning %d", 7);
    EXPECT_TRUE(openLog(dir.path())); // a second open keeps the file and what it holds
    qDebug("a debug note");
    logPrint("still %s\n", "open");
    const std::string console = testing::internal::GetCapturedStdout();
    const std::string errors = testing::internal::GetCapturedStderr();
    qInstallMessageHandler(nullptr);
    closeLog();
    EXPECT_EQ(console, "before 1\nafter 2\nstill open\n");
    EXPECT_EQ(errors, "");
    EXPECT_EQ(Voxmill::Test::fileBytes(dir.filePath("output.log")).toStdString(),
              "after 2\nQt Message: a warning 7\nQt Message: a debug note\nstill open\n");
}
