#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "app/TestApp.h"

using namespace Voxmill;

TEST(SettingsCommandLine, UnreadableSettingsEndTheRunNamingTheProblem) {
    Voxmill::Test::testApp();
    QTemporaryDir dir;
    QString output = dir.filePath("out");
    ASSERT_TRUE(QDir().mkpath(output));
    QString broken = dir.filePath("broken.ini");
    {
        QFile f(broken);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("[infill]\nenable = true\n[infill]\n");
    }
    QString missing = dir.filePath("missing.ini");
    struct Row {
        QString settings;
        QString message;
    } rows[] = {
        {missing, missing + ": No such file or directory\n"},
        {dir.path(), dir.path() + ": is a directory, not a file\n"},
        {broken, broken + "(3): duplicate section name\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.message.toStdString());
        QProcess p;
        p.start(QStringLiteral(VOXMILL_BIN),
                {"-C", row.settings, "-M", "file:" + dir.filePath("model.stl"), "-O", output});
        ASSERT_TRUE(p.waitForFinished(60000));
        EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(p.exitCode(), 255);
        EXPECT_EQ(QString::fromLocal8Bit(p.readAllStandardOutput()), row.message);
        EXPECT_FALSE(QFile::exists(output + "/config"));
    }
}
