// Faults injected into whole runs of the voxmill program. Each ends the run with a message
// naming the file and status 255, leaves what was written intact, and a rerun gives clean bytes.

#include <gtest/gtest.h>

#include <QRegularExpression>
#include <QTemporaryDir>

#include "app/VoxmillProcess.h"
#include "model/ModelFiles.h"
#include "output/LayerImageFile.h"

using namespace Voxmill;
using namespace Voxmill::Test;

namespace {

// A 100 mm plate, 0.05 mm layers, a short raft: a 10 mm box gives 240 layer files of each kind.
const char* const settingsText =
    "[precision]\nlayerHeight = 0.05\n[raft]\nlayerCnt = 40\n[wall]\nareaPixels = 1024\n"
    "[poly2img]\nsizeX = 100\nsizeY = 100\npixelX = 1024\npixelY = 1024\n";

// The IO thread writes behind the main thread, whose stage may print on (even finish) until the
// store is next asked for a layer; no other failure comes in between. In the output stage both the
// image thread and the generators on the main thread may be the ones to find it stopped.
const char* const ioThreadFailed = "((?![^\\n]*failed)[^\\n]*\\n)*IO thread failed\\.\\n"
                                   "(image thread failed\\.\\n|IO thread failed\\.\\n)?$";

std::string tail(const JobResult& r) { return r.out.right(300).toStdString(); }

int sliceFileCount(const QString& dir) { return QDir(dir).entryList({"slice_m*"}, QDir::Files).size(); }

void expectFailure(const JobResult& r, const QString& pattern) {
    EXPECT_EQ(r.status, 255);
    EXPECT_TRUE(QRegularExpression(pattern).match(r.out).hasMatch()) << tail(r);
}

// Every file left is the clean run's (the appended wait-time report its beginning) and decodes.
void expectWrittenFilesIntact(const QString& dir, const QMap<QString, QByteArray>& clean) {
    const QMap<QString, QByteArray> written = jobOutputs(dir);
    for (auto f = written.begin(); f != written.end(); ++f) {
        SCOPED_TRACE(f.key().toStdString());
        ASSERT_TRUE(clean.contains(f.key()));
        const QByteArray& want = clean[f.key()];
        EXPECT_TRUE(f.key() == "waitTime" ? want.startsWith(f.value()) : f.value() == want);
        if (f.key().startsWith("slice_")) {
            EXPECT_NO_THROW(decodeLayerImage(f.value()));
        }
    }
}

class FaultInjection : public ::testing::Test {
protected:
    void SetUp() override {
        settings_ = root_.filePath("settings.ini");
        VoxmillTest::writeFile(settings_, settingsText);
    }

    QString dir(const QString& name) const {
        QDir().mkpath(root_.filePath(name));
        return root_.filePath(name);
    }

    // -C, -M and -O for a 20 x 20 mm box of the given height.
    QStringList args(const QString& out, float heightMm = 10) const {
        const QString model = root_.filePath(QString("box%1.stl").arg(double(heightMm)));
        if (!QFile::exists(model))
            VoxmillTest::writeFile(model,
                                   VoxmillTest::binaryStl(VoxmillTest::box(0, 0, 0, 20, 20, heightMm)));
        return {"-C", settings_, "-M", "file:" + model, "-O", out};
    }

    QMap<QString, QByteArray> cleanOutputs(float heightMm = 10) {
        const QString name = QString("clean%1").arg(double(heightMm));
        const JobResult r = runVoxmill(args(dir(name), heightMm), dir(name + "Tmp"));
        EXPECT_EQ(r.status, 0) << r.out.toStdString();
        return jobOutputs(dir(name));
    }

    void expectRerunClean(const QString& out, const QString& tmp, const QMap<QString, QByteArray>& clean,
                          float heightMm = 10) {
        QDir().mkpath(out);
        const JobResult again = runVoxmill(args(out, heightMm), tmp);
        EXPECT_EQ(again.status, 0) << tail(again);
        EXPECT_TRUE(jobOutputs(out) == clean);
    }

    QTemporaryDir root_;
    QString settings_;
};

} // namespace

// -O missing or a file: "<dir>/areaInfo: <reason>" at once, before the load stage; no log is
// created, a file in the way is kept.
TEST_F(FaultInjection, OutputDirectoryMissing) {
    const QMap<QString, QByteArray> clean = cleanOutputs();
    const QString tmp = dir("tmp");
    struct Row {
        const char *name, *reason;
        bool aFile; // a regular file stands at the -O path
    };
    for (const Row& row :
         {Row{"missing/out", "No such file or directory", false}, Row{"plain", "Not a directory", true}}) {
        SCOPED_TRACE(row.name);
        const QString out = root_.filePath(row.name);
        if (row.aFile) VoxmillTest::writeFile(out, "keep me");
        const JobResult r = runVoxmill(args(out), tmp);
        EXPECT_EQ(r.status, 255);
        EXPECT_EQ(r.out, out + "/areaInfo: " + row.reason + "\n");
        EXPECT_TRUE(row.aFile ? fileBytes(out) == "keep me" : !QDir(root_.filePath("missing")).exists());
        QFile::remove(out);
        expectRerunClean(out, tmp, clean);
    }
}

// An output or temporary file's path taken by a directory or a link to /dev/full: the path, the
// reason, then the failed thread; once the obstacle is removed, a rerun gives the clean bytes.
TEST_F(FaultInjection, FilePathBlocked) {
    const QMap<QString, QByteArray> clean = cleanOutputs();
    ASSERT_EQ(clean.size(), 2 * 240 + 3);
    const QString isDir = ": is a directory, not a file\n", full = ": No space left on device\n";
    const QString imageFailed = "image thread failed\\.\n$";
    struct Row {
        const char* path;    // in the output directory, or .Voxmill0/ in the temporary one
        bool diskFull;       // a link to /dev/full, or a directory
        QString lastLines;   // a pattern after the path
        QStringList written; // files that must be there, among others
    };
    const Row rows[] = {
        // the area report, by the main thread, ends preProc before anything else is written
        {"areaInfo", false, isDir + "$", {}},
        // the first layer's wait time comes after the reports, before its layer files
        {"waitTime", false, isDir + imageFailed, {"areaInfo", "config"}},
        // a layer file halfway up: everything below it is complete
        {"slice_m120",
         false,
         isDir + imageFailed,
         {"config", "waitTime", "slice_m0", "slice_s3", "slice_m119", "slice_s119"}},
        {"slice_s120", true, full + imageFailed, {"slice_m119", "slice_s119", "slice_m120"}},
        // a raft copy, made once the first stored layer (file 4) is written
        {"slice_m1",
         false,
         ": Is a directory\n" + imageFailed,
         {"slice_m4", "slice_s4", "slice_m0", "slice_s0"}},
        // layer 150 evicted to the temporary directory by the IO thread,
        // noticed when the layer store is next asked for a layer; evicted
        // while still empty, nothing is written and reading it back fails
        {".Voxmill0/150",
         true,
         ": (No space left on device|cannot read the layer file)\n" + QString(ioThreadFailed),
         {}},
    };
    int i = 0;
    for (const Row& row : rows) {
        SCOPED_TRACE(row.path);
        if (row.diskFull && !QFile::exists("/dev/full")) continue;
        const QString out = dir(QString("out%1").arg(i)), tmp = dir(QString("tmp%1").arg(i++));
        const QString blocked = (QString(row.path).startsWith('.') ? tmp : out) + "/" + row.path;
        QDir().mkpath(QFileInfo(blocked).path());
        ASSERT_TRUE(row.diskFull ? QFile::link("/dev/full", blocked) : QDir().mkpath(blocked));
        expectFailure(runVoxmill(args(out), tmp), "\n" + QRegularExpression::escape(blocked) + row.lastLines);
        for (const QString& name : row.written)
            EXPECT_TRUE(QFile::exists(out + "/" + name)) << name.toStdString();
        ASSERT_TRUE(row.diskFull ? QFile::remove(blocked) : QDir(blocked).removeRecursively());
        expectWrittenFilesIntact(out, clean);
        expectRerunClean(out, tmp, clean);
    }
}

// Settings are read once, at the start: removing the file during the job changes nothing.
TEST_F(FaultInjection, SettingsFileVanishesDuringTheJob) {
    const QMap<QString, QByteArray> clean = cleanOutputs();
    const QString during = dir("during");
    VoxmillProcess job(args(during), dir("tmp"));
    ASSERT_TRUE(job.waitFor("slice start!\n"));
    ASSERT_TRUE(QFile::remove(settings_));
    EXPECT_TRUE(job.running()) << "removed before the job ended";
    const JobResult done = job.finish();
    EXPECT_EQ(done.status, 0) << tail(done);
    EXPECT_TRUE(jobOutputs(during) == clean);
}

// A temporary layer file removed during the job; a rerun with the spoiled directory still
// there completes. (A file damaged in place is the layer store's test: its IO thread fails alike.)
TEST_F(FaultInjection, TemporaryLayerFileRemovedDuringTheJob) {
    // a taller box keeps layers on disk longer, should a run end too soon
    bool spoiled = false;
    for (float height : {10.f, 40.f, 160.f}) {
        SCOPED_TRACE(height);
        const QString name = QString::number(double(height));
        const QString out = dir("out" + name), tmp = dir("tmp" + name), layerDir = tmp + "/.Voxmill0";
        VoxmillProcess job(args(out, height), tmp);
        int hits = 0;
        while (job.running()) {
            for (const QString& file : QDir(layerDir).entryList(QDir::Files))
                hits += QFile::remove(layerDir + "/" + file);
            job.pause(1);
        }
        const JobResult r = job.finish();
        if (r.status == 0) continue; // too quick for us: a bigger job
        EXPECT_GT(hits, 0);
        expectFailure(r, QRegularExpression::escape(layerDir) + "/\\d+: No such file or directory\n" +
                             ioThreadFailed);
        const QMap<QString, QByteArray> clean = cleanOutputs(height);
        expectWrittenFilesIntact(out, clean);
        expectRerunClean(out, tmp, clean, height);
        spoiled = true;
        break;
    }
    EXPECT_TRUE(spoiled) << "every job ended before a layer file could be removed";
}

// A job killed (SIGKILL) and run again into the same directories: the clean run's bytes.
TEST_F(FaultInjection, KilledJobRunAgain) {
    const QMap<QString, QByteArray> clean = cleanOutputs();
    // killed while slicing (layers only in the temporary directory), then halfway through the layer files
    for (const QString killAt : {"slice start!\n", "slice: 120/239\n"}) {
        SCOPED_TRACE(killAt.toStdString());
        const bool late = killAt.startsWith("slice:");
        const QString out = dir(QString("out%1").arg(late)), tmp = dir(QString("tmp%1").arg(late));
        VoxmillProcess job(args(out), tmp);
        ASSERT_TRUE(job.waitFor(killAt));
        job.killHard();
        EXPECT_EQ(job.finish().status, -1000) << "ended by the signal";
        EXPECT_LT(sliceFileCount(out), 240);
        EXPECT_TRUE(!late || sliceFileCount(out) > 0);
        expectRerunClean(out, tmp, clean);
    }
}
