#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "OutputTestUtil.h"
#include "output/LayerFile.h"
#include "output/OutputFile.h"

using namespace Voxmill;

// A full disk while a report or layer file is written: a short text fails
// when it is flushed, a long one on its write; either way the message names
// the file, as an open failure does. A layer file fails too, rather than
// leaving a short file.
TEST(OutputFile, FullDiskNamesTheFile) {
    const QString full = QStringLiteral("/dev/full");
    if (!QFile::exists(full)) GTEST_SKIP() << "no /dev/full on this system";
    for (int size : {16, 1 << 22}) {
        try {
            writeTextFile(full, openWrite, QByteArray(size, 'x'));
            ADD_FAILURE() << size << " bytes: no error";
        } catch (const std::runtime_error& e) {
            EXPECT_STREQ(e.what(), "/dev/full: No space left on device") << size << " bytes";
        }
    }
    QTemporaryDir dir;
    ASSERT_TRUE(QFile::link(full, dir.filePath("slice_m4")));
    QImage bits;
    packBits(test::grayImage(64, 2), bits);
    EXPECT_THROW(LayerFileWriter().write(dir.filePath("slice_m4"), bits), std::runtime_error);
}
