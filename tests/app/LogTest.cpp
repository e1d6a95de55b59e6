#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "app/Log.h"

using namespace Voxmill;

namespace {

std::string readLog(const QTemporaryDir& dir) {
    QFile f(dir.filePath(QStringLiteral("output.log")));
    if (!f.open(QIODevice::ReadOnly)) return "<no log>";
    return f.readAll().toStdString();
}

struct LongLineRow {
    const char* why;
    size_t length; // bytes of one call's text, newline included
    size_t inLog;  // of which reach output.log
};

} // namespace

TEST(Log, LongTextWholeOnConsoleCutInLogFile) {
    const std::vector<LongLineRow> rows = {
        {"just fits", 4096, 4096},
        // one byte over: the newline is the byte lost, the next line follows on
        {"one over", 4097, 4096},
        {"far over", 10000, 4096},
        {"short", 10, 10},
    };
    for (const LongLineRow& row : rows) {
        SCOPED_TRACE(row.why);
        QTemporaryDir dir;
        ASSERT_TRUE(openLog(dir.path()));
        const std::string line = std::string(row.length - 1, 'x') + "\n";
        testing::internal::CaptureStdout();
        logPrint("%s", line.c_str());
        logPrint("next\n");
        const std::string console = testing::internal::GetCapturedStdout();
        closeLog();
        EXPECT_EQ(console, line + "next\n");
        EXPECT_EQ(readLog(dir), line.substr(0, row.inLog) + "next\n");
    }
}

TEST(Log, FileReceivesOnlyWhatFollowsOpening) {
    QTemporaryDir dir;
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

TEST(Log, OpenFailsQuietlyWhereNoDirectoryIs) {
    QTemporaryDir dir;
    EXPECT_FALSE(openLog(dir.filePath(QStringLiteral("missing"))));
    testing::internal::CaptureStdout();
    logPrint("console only\n");
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "console only\n");
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
