#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/Log.h"
#include "app/VoxmillProcess.h"

using namespace Voxmill;

namespace {

std::string readLog(const QTemporaryDir& dir) {
    return Test::fileBytes(dir.filePath("output.log")).toStdString();
}

} // namespace

TEST(Log, LongTextWholeOnConsoleCutInLogFile) {
    const std::pair<size_t, size_t> rows[] = {
        {4096, 4096}, // just fits, newline included
        {4097, 4096}, // one byte over: the newline is the byte lost, the next line follows on
    };
    for (const auto& [length, inLog] : rows) {
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
        EXPECT_EQ(readLog(dir), line.substr(0, inLog) + "next\n");
    }
}

TEST(Log, FileReceivesOnlyWhatFollowsOpening) {
    QTemporaryDir dir;
    EXPECT_FALSE(openLog(dir.filePath("missing"))); // fails quietly: console only
    testing::internal::CaptureStdout();
    logPrint("before %d\n", 1);
    ASSERT_TRUE(openLog(dir.path()));
    logPrint("after %d\n", 2);
    // A second open keeps the file and what it holds.
    EXPECT_TRUE(openLog(dir.path()));
    logPrint("still %s\n", "open");
    const std::string console = testing::internal::GetCapturedStdout();
    closeLog();
    EXPECT_EQ(console, "before 1\nafter 2\nstill open\n");
    EXPECT_EQ(readLog(dir), "after 2\nstill open\n");
}

TEST(Log, PlatformMessagesGoToTheFileOnly) {
    QTemporaryDir dir;
    ASSERT_TRUE(openLog(dir.path()));
    installMessageHandler();
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    logPrint("line\n");
    qWarning("a warning %d", 7);
    qDebug("a debug note");
    const std::string console = testing::internal::GetCapturedStdout();
    const std::string errors = testing::internal::GetCapturedStderr();
    qInstallMessageHandler(nullptr);
    closeLog();
    EXPECT_EQ(console, "line\n");
    EXPECT_EQ(errors, "");
    EXPECT_EQ(readLog(dir), "line\nQt Message: a warning 7\nQt Message: a debug note\n");
}
