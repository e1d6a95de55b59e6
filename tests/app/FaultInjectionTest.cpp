// Faults injected into whole runs of the voxmill program: output paths that
// are missing, moved away or taken by a directory, a full disk, a settings
// file that goes away, temporary layer files spoiled while the job runs, and
// a job killed halfway. Every fault ends the run with a message naming the
// file and status 255 (a killed run just ends), leaves what was written
// intact, and the same command run again gives an undisturbed run's bytes.

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>

#include "app/VoxmillProcess.h"
#include "model/ModelFiles.h"
#include "output/LayerFile.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// A 100 x 100 mm plate at 10.24 pixels per mm, 0.05 mm layers and a short
// raft: a 10 mm box gives 240 layer files of each kind (4 raft copies, 36
// stored raft layers, 200 of the box) in about a second.
const char* const settingsText = "[precision]\nlayerHeight = 0.05\n"
                                 "[raft]\nlayerCnt = 40\n"
                                 "[wall]\nareaPixels = 1024\n"
                                 "[poly2img]\nsizeX = 100\nsizeY = 100\npixelX = 1024\npixelY = 1024\n";

// A 20 x 20 mm box of the given height standing on the plate.
std::string boxStl(float heightMm) {
    std::vector<VoxmillTest::Triangle> tris = VoxmillTest::cube(20);
    for (VoxmillTest::Triangle& t : tris)
        for (int corner = 0; corner < 3; ++corner)
            t[3 * corner + 2] *= heightMm / 20;
    return VoxmillTest::binaryStl(tris);
}

std::string text(const QString& s) {
    return s.toStdString();
}

int sliceFileCount(const QString& dir) {
    return QDir(dir).entryList({"slice_m*"}, QDir::Files).size();
}

// Every file a failed run left must be the undisturbed run's file, or for
// the appended wait-time report its beginning, and every layer file must
// decode as the printer reads it.
void expectWrittenFilesIntact(const QString& dir, const QMap<QString, QByteArray>& clean) {
    const QMap<QString, QByteArray> written = jobOutputs(dir);
    for (auto f = written.begin(); f != written.end(); ++f) {
        SCOPED_TRACE(text(f.key()));
        ASSERT_TRUE(clean.contains(f.key()));
        if (f.key() == "waitTime") {
            EXPECT_TRUE(clean[f.key()].startsWith(f.value()));
        } else {
            EXPECT_EQ(f.value(), clean[f.key()]);
        }
        if (f.key().startsWith("slice_")) {
            EXPECT_NO_THROW(decodeLayerFile(f.value()));
        }
    }
}

// The end of the output after the IO thread printed its error: the other
// threads go on with the layers they hold until they ask the store for one.
const char* const ioThreadFailed =
    "((slice|progress): [^\\n]*\\n)*IO thread failed\\.\\n(image thread failed\\.\\n)?$";

class FaultInjection : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_TRUE(root_.isValid());
        settings_ = root_.filePath("settings.ini");
        VoxmillTest::writeFile(settings_, settingsText);
    }

    QString dir(const QString& name) const {
        QDir().mkpath(root_.filePath(name));
        return root_.filePath(name);
    }

    QString model(float heightMm) const {
        const QString path = root_.filePath(QString("box%1.stl").arg(double(heightMm)));
        if (!QFile::exists(path)) VoxmillTest::writeFile(path, boxStl(heightMm));
        return path;
    }

    QStringList args(const QString& out, float heightMm = 10) const {
        return {"-C", settings_, "-M", "file:" + model(heightMm), "-O", out};
    }

    // The outputs of an undisturbed run into a fresh directory.
    QMap<QString, QByteArray> cleanOutputs(float heightMm = 10) {
        const QString name = QString("clean%1").arg(double(heightMm));
        const JobResult r = runVoxmill(args(dir(name), heightMm), dir(name + "Tmp"));
        EXPECT_EQ(r.status, 0) << text(r.out);
        return jobOutputs(dir(name));
    }

    QTemporaryDir root_;
    QString settings_;
};

} // namespace

// What the user sees when -O names a directory that does not exist, or a
// file: the stages run to the end of preProc, printed on the console only;
// then "<dir>/areaInfo: No such file or directory" (or "Not a directory")
// and status 255. No log is created and a file in the way is left as it was.
// A directory moved away while the job runs ends it at the next file, with
// "image thread failed."; the files moved with it are intact. With the
// directory in place the same command gives the undisturbed run's bytes.
TEST_F(FaultInjection, OutputDirectoryMissing) {
    const QMap<QString, QByteArray> clean = cleanOutputs();
    struct Row {
        const char* why;
        const char* name;
        bool aFile; // a regular file stands at the -O path
        const char* reason;
    };
    const Row rows[] = {
        {"the directory does not exist", "missing/out", false, "No such file or directory"},
        {"a file is in its place", "plain", true, "Not a directory"},
    };
    const QString tmp = dir("tmp");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        const QString out = root_.filePath(row.name);
        if (row.aFile) VoxmillTest::writeFile(out, "keep me");
        const JobResult r = runVoxmill(args(out), tmp);
        EXPECT_EQ(r.status, 255);
        EXPECT_TRUE(r.out.startsWith("load start!\n")) << text(r.out);
        EXPECT_TRUE(r.out.contains("\nslice finished! ")) << text(r.out);
        EXPECT_TRUE(r.out.endsWith(QString("\n%1/areaInfo: %2\n").arg(out, row.reason))) << text(r.out);
        EXPECT_FALSE(r.out.contains("preProc finished!")) << text(r.out);
        if (row.aFile) {
            EXPECT_EQ(fileBytes(out), QByteArray("keep me"));
        } else {
            EXPECT_FALSE(QDir(root_.filePath("missing")).exists()) << "nothing is created";
        }

        QFile::remove(out);
        const JobResult again = runVoxmill(args(dir(row.name)), tmp);
        EXPECT_EQ(again.status, 0) << text(again.out.right(300));
        EXPECT_TRUE(jobOutputs(out) == clean);
    }

    // Moved away halfway through the layer files: the next file the image
    // thread opens, the wait-time report or a layer file, is not there.
    const QString out = dir("moved"), away = root_.filePath("away");
    VoxmillProcess job(args(out), tmp);
    ASSERT_TRUE(job.waitFor("slice: 120/239\n"));
    ASSERT_TRUE(QDir().rename(out, away));
    const JobResult r = job.finish();
    EXPECT_EQ(r.status, 255);
    const QRegularExpression failure(
        "\n" + QRegularExpression::escape(out) +
        "/(waitTime|slice_[ms]\\d+): No such file or directory\nimage thread failed\\.\n$");
    EXPECT_TRUE(failure.match(r.out).hasMatch()) << text(r.out.right(300));
    EXPECT_GT(sliceFileCount(away), 120);
    expectWrittenFilesIntact(away, clean);
    const JobResult again = runVoxmill(args(dir("moved")), tmp);
    EXPECT_EQ(again.status, 0) << text(again.out.right(300));
    EXPECT_TRUE(jobOutputs(out) == clean);
}

// What the user sees when an output file's path is taken by a directory: the
// path and "is a directory, not a file" (a raft copy: "Is a directory"),
// then "image thread failed." when the image thread was writing it, and
// status 255. Every file written before is complete and the undisturbed
// run's bytes; once the directory is removed, the same command into the same
// directory gives exactly those bytes.
TEST_F(FaultInjection, OutputPathIsADirectory) {
    const QMap<QString, QByteArray> clean = cleanOutputs();
    ASSERT_EQ(clean.size(), 2 * 240 + 3);
    struct Row {
        const char* blocked;
        const char* lastLines; // %1 is the blocked path
        QStringList written;   // files that must be there, among others
    };
    const char* writerFault = "%1: is a directory, not a file\nimage thread failed.\n";
    const Row rows[] = {
        // the area report ends preProc, before anything else is written
        {"areaInfo", "%1: is a directory, not a file\n", {}},
        // the settings copy follows the area report
        {"config", "%1: is a directory, not a file\n", {"areaInfo"}},
        // the first layer's wait time comes before its layer files
        {"waitTime", writerFault, {"areaInfo", "config"}},
        // a model file halfway up: everything below it is complete
        {"slice_m120",
         writerFault,
         {"config", "waitTime", "slice_m0", "slice_s3", "slice_m119", "slice_s119"}},
        // the support file of the same layer: its model file is written
        {"slice_s120", writerFault, {"slice_m119", "slice_s119", "slice_m120"}},
        // a raft copy, made once the first stored layer (file 4) is written
        {"slice_m1",
         "%1: Is a directory\nimage thread failed.\n",
         {"slice_m4", "slice_s4", "slice_m0", "slice_s0"}},
    };
    const QString tmp = dir("tmp");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.blocked);
        const QString out = dir(QString("out_") + row.blocked);
        const QString blocked = out + "/" + row.blocked;
        QDir().mkpath(blocked);
        const JobResult r = runVoxmill(args(out), tmp);
        EXPECT_EQ(r.status, 255);
        EXPECT_TRUE(r.out.endsWith("\n" + QString(row.lastLines).arg(blocked))) << text(r.out.right(300));
        for (const QString& name : row.written)
            EXPECT_TRUE(QFile::exists(out + "/" + name)) << text(name);
        expectWrittenFilesIntact(out, clean);

        ASSERT_TRUE(QDir(blocked).removeRecursively());
        const JobResult again = runVoxmill(args(out), tmp);
        EXPECT_EQ(again.status, 0) << text(again.out.right(300));
        EXPECT_TRUE(jobOutputs(out) == clean);
    }
}

// What the user sees when the disk fills up (a file linked to /dev/full):
// the file's path and "No space left on device", then "image thread
// failed." or "IO thread failed." after the thread that wrote it, and
// status 255. What was written before is intact, and once there is room
// the same command completes with the undisturbed run's bytes.
TEST_F(FaultInjection, DiskFull) {
    if (!QFile::exists("/dev/full")) GTEST_SKIP() << "no /dev/full on this system";
    const QMap<QString, QByteArray> clean = cleanOutputs();
    struct Row {
        const char* full;
        bool inTemp;      // a temporary layer file rather than an output
        const char* tail; // what follows the file's message, a pattern
    };
    const Row rows[] = {
        // the area report, written by the main thread
        {"areaInfo", false, "$"},
        // a layer file, written by the image thread
        {"slice_s120", false, "image thread failed\\.\n$"},
        // layer 150 evicted to the temporary directory by the IO thread,
        // noticed when the layer store is next asked for a layer
        {".Voxmill0/150", true, ioThreadFailed},
    };
    int i = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.full);
        const QString out = dir(QString("out%1").arg(i)), tmp = dir(QString("tmp%1").arg(i++));
        const QString full = (row.inTemp ? tmp : out) + "/" + row.full;
        QDir().mkpath(QFileInfo(full).path());
        ASSERT_TRUE(QFile::link("/dev/full", full));
        const JobResult r = runVoxmill(args(out), tmp);
        EXPECT_EQ(r.status, 255);
        const QRegularExpression failure("\n" + QRegularExpression::escape(full) +
                                         ": No space left on device\n" + row.tail);
        EXPECT_TRUE(failure.match(r.out).hasMatch()) << text(r.out.right(300));
        ASSERT_TRUE(QFile::remove(full));
        expectWrittenFilesIntact(out, clean);

        const JobResult again = runVoxmill(args(out), tmp);
        EXPECT_EQ(again.status, 0) << text(again.out.right(300));
        EXPECT_TRUE(jobOutputs(out) == clean);
    }
}

// What the user sees when the settings file is gone before the run: only
// "<path>: No such file or directory" and status 255 (output.log holds the
// same line). The settings are read once, at the start: a file removed while
// the job runs changes nothing, and the job completes with the undisturbed
// run's bytes.
TEST_F(FaultInjection, SettingsFileVanishes) {
    const QMap<QString, QByteArray> clean = cleanOutputs();
    const QString tmp = dir("tmp");

    const QString before = dir("before");
    ASSERT_TRUE(QFile::remove(settings_));
    const JobResult r = runVoxmill(args(before), tmp);
    EXPECT_EQ(r.status, 255);
    EXPECT_EQ(r.out, settings_ + ": No such file or directory\n");
    EXPECT_EQ(QDir(before).entryList(QDir::Files), QStringList{"output.log"});
    EXPECT_EQ(fileBytes(before + "/output.log"), r.out.toLocal8Bit());
    VoxmillTest::writeFile(settings_, settingsText);
    const JobResult again = runVoxmill(args(before), tmp);
    EXPECT_EQ(again.status, 0) << text(again.out.right(300));
    EXPECT_TRUE(jobOutputs(before) == clean);

    const QString during = dir("during");
    VoxmillProcess job(args(during), tmp);
    ASSERT_TRUE(job.waitFor("slice start!\n"));
    ASSERT_TRUE(QFile::remove(settings_));
    EXPECT_TRUE(job.running()) << "removed before the job ended";
    const JobResult done = job.finish();
    EXPECT_EQ(done.status, 0) << text(done.out.right(300));
    EXPECT_TRUE(jobOutputs(during) == clean);
}

namespace {

enum class Damage { flipByte, remove };

// Spoils the layer files in dir: flips the first byte after the digest of
// every file that has one (each name once), or removes every file. Returns
// how many files it spoiled.
int damageLayerFiles(const QString& dir, Damage damage, QSet<QString>& flipped) {
    int hits = 0;
    for (const QString& name : QDir(dir).entryList(QDir::Files)) {
        const QString path = dir + "/" + name;
        if (damage == Damage::remove) {
            hits += QFile::remove(path);
            continue;
        }
        if (flipped.contains(name)) continue;
        // ExistingOnly: the IO thread may have read and removed it meanwhile.
        QFile f(path);
        if (!f.open(QIODevice::ReadWrite | QIODevice::ExistingOnly) || f.size() <= 16) continue;
        char c = 0;
        if (f.seek(16) && f.getChar(&c) && f.seek(16) && f.putChar(char(~c))) {
            flipped.insert(name);
            ++hits;
        }
    }
    return hits;
}

} // namespace

// What the user sees when a temporary layer file is spoiled while the job
// runs: "md5 check error. <tmp>/.Voxmill0/<n>" for a changed file, or
// "<tmp>/.Voxmill0/<n>: No such file or directory" for a removed one, then
// "IO thread failed." (and "image thread failed." when the image thread
// asked for the layer), status 255. The layer files written before are
// intact, and the same command again, with the spoiled directory still
// there, completes with the undisturbed run's bytes.
TEST_F(FaultInjection, TemporaryLayerFileSpoiledDuringTheJob) {
    struct Row {
        const char* why;
        Damage damage;
        const char* message; // %1 is the job's layer directory
    };
    const Row rows[] = {
        {"a byte flipped after the digest", Damage::flipByte, "md5 check error. %1/\\d+\n"},
        {"the file removed", Damage::remove, "%1/\\d+: No such file or directory\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        // A taller box keeps more layers out on disk for longer, should a
        // run end before its files could be spoiled.
        for (float height : {10.f, 40.f, 160.f}) {
            SCOPED_TRACE(height);
            const QString name = QString("%1_%2").arg(int(row.damage)).arg(double(height));
            const QString out = dir("out" + name), tmp = dir("tmp" + name);
            const QString layerDir = tmp + "/.Voxmill0";
            VoxmillProcess job(args(out, height), tmp);
            QSet<QString> flipped;
            int hits = 0;
            while (job.running()) {
                hits += damageLayerFiles(layerDir, row.damage, flipped);
                job.pause(1);
            }
            const JobResult r = job.finish();
            if (r.status == 0) continue; // too quick for us: a bigger job
            EXPECT_EQ(r.status, 255);
            EXPECT_GT(hits, 0);
            const QRegularExpression failure(QString(row.message).arg(QRegularExpression::escape(layerDir)) +
                                             ioThreadFailed);
            EXPECT_TRUE(failure.match(r.out).hasMatch()) << text(r.out.right(300));
            const QMap<QString, QByteArray> clean = cleanOutputs(height);
            expectWrittenFilesIntact(out, clean);

            const JobResult again = runVoxmill(args(out, height), tmp);
            EXPECT_EQ(again.status, 0) << text(again.out.right(300));
            EXPECT_TRUE(jobOutputs(out) == clean);
            return;
        }
        FAIL() << "every job ended before a layer file could be spoiled";
    }
}

// What the user sees when a job is killed (power cut, SIGKILL) and started
// again into the same output directory and temporary directory: the second
// run completes with status 0, and every file is the undisturbed run's,
// whatever the first run left half written.
TEST_F(FaultInjection, KilledJobRunAgain) {
    const QMap<QString, QByteArray> clean = cleanOutputs();
    struct Row {
        const char* why;
        const char* killAt;  // killed once this line is printed
        bool layerFilesLeft; // some layer files are certainly written
    };
    const Row rows[] = {
        {"while slicing: layers only in the temporary directory", "slice start!\n", false},
        {"after the reports, before any layer file", "preProc finished!", false},
        {"halfway through the layer files", "slice: 120/239\n", true},
    };
    int i = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        const QString out = dir(QString("out%1").arg(i)), tmp = dir(QString("tmp%1").arg(i++));
        VoxmillProcess job(args(out), tmp);
        ASSERT_TRUE(job.waitFor(row.killAt));
        job.killHard();
        EXPECT_EQ(job.finish().status, -1000) << "ended by the signal";
        EXPECT_LT(sliceFileCount(out), 240);
        if (row.layerFilesLeft) {
            EXPECT_GT(sliceFileCount(out), 0);
        }

        const JobResult again = runVoxmill(args(out), tmp);
        EXPECT_EQ(again.status, 0) << text(again.out.right(300));
        EXPECT_TRUE(jobOutputs(out) == clean);
    }
}
