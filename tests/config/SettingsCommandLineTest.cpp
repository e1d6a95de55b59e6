#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "app/VoxmillProcess.h"

using namespace Voxmill::Test;

TEST(SettingsCommandLine, UnreadableSettingsEndTheRunNamingTheProblem) {
    QTemporaryDir dir;
    const QString output = dir.filePath("out"), broken = dir.filePath("broken.ini");
    const QString missing = dir.filePath("missing.ini");
    ASSERT_TRUE(QDir().mkpath(output));
    QFile f(broken);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write("[infill]\nenable = true\n[infill]\n") > 0);
    f.close();
    const std::pair<QString, QString> rows[] = {
        {missing, missing + ": No such file or directory\n"},
        {dir.path(), dir.path() + ": is a directory, not a file\n"},
        {broken, broken + "(3): duplicate section name\n"},
    };
    for (const auto& [settings, message] : rows) {
        SCOPED_TRACE(message.toStdString());
        const JobResult r = runVoxmill({"-C", settings, "-M", "file:" + dir.filePath("model.stl"), "-O", output},
                                       dir.path());
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, message); // standard error merged in: nothing else printed
        EXPECT_FALSE(QFile::exists(output + "/config"));
    }
}
