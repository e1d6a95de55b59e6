#pragma once
// The voxmill program as a child process with a private TMPDIR and merged output, which a test
// can wait on up to a line of output, then disturb or kill.

#include <QDir>
#include <QFile>
#include <QMap>
#include <QProcess>

#include "app/TestApp.h"

namespace Voxmill::Test {

struct JobResult {
    int status;  // the exit status, or -1000 when a signal ended the process
    QString out; // standard output and standard error, merged
};

class VoxmillProcess {
public:
    // the layer directory is tempDir + "/.Voxmill0" unless another run shares tempDir
    VoxmillProcess(const QStringList& args, const QString& tempDir) {
        testApp();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("TMPDIR", tempDir);
        process_.setProcessEnvironment(env);
        process_.setProcessChannelMode(QProcess::MergedChannels);
        process_.start(QStringLiteral(VOXMILL_BIN), args);
        process_.waitForStarted();
    }
    ~VoxmillProcess() {
        if (process_.state() == QProcess::NotRunning) return;
        process_.kill();
        process_.waitForFinished();
    }
    bool running() const { return process_.state() == QProcess::Running; }

    // Reads output until it holds text; false when the process ends first.
    bool waitFor(const QString& text) {
        for (;;) {
            const bool ended = !running();
            collect();
            if (out_.contains(text)) return true;
            if (ended) return false;
            process_.waitForReadyRead(100);
        }
    }

    void pause(int ms) {
        process_.waitForFinished(ms);
        collect();
    }

    void killHard() {
        process_.kill(); // SIGKILL: nothing of the program runs after it
        process_.waitForFinished();
        collect();
    }

    JobResult finish() {
        process_.waitForFinished(600000);
        collect();
        const bool exited = !running() && process_.exitStatus() == QProcess::NormalExit;
        return {exited ? process_.exitCode() : -1000, out_};
    }

private:
    void collect() { out_ += QString::fromLocal8Bit(process_.readAll()); }

    QProcess process_;
    QString out_;
};

inline JobResult runVoxmill(const QStringList& args, const QString& tempDir) {
    return VoxmillProcess(args, tempDir).finish();
}

inline QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Every file a job left in dir with its bytes, but output.log, which holds timings.
inline QMap<QString, QByteArray> jobOutputs(const QString& dir) {
    QMap<QString, QByteArray> files;
    for (const QString& name : QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System))
        if (name != "output.log") files.insert(name, fileBytes(dir + '/' + name));
    return files;
}

} // namespace Voxmill::Test
