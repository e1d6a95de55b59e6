#pragma once
// The image thread: turns posted layers into images and layer files.
//
// The main thread posts layer after layer. A pool of workers, started by
// this thread, images them several at a time: each worker claims the next
// posted layer, draws, packs and compresses it with its own images and
// buffers, and hands the result back. This thread writes the results in
// layer order, so the files, the "waitTime" lines and the progress lines
// come out exactly as one thread would make them, and counts the layers
// written. Claims stay within a worker count above the last written layer,
// so the results waiting to be written are bounded.
//
// Everything the threads share (the posted, claimed and written counters,
// the results, the stop and fault marks) is under one lock with one
// condition every side waits on; the set of clean-solid layers has its own
// lock. A failure while imaging layer k is written after layers below k,
// then printed by this thread, which ends; failed() tells the main thread
// afterwards.
//
// The locks are standard mutexes rather than QMutex: Qt's futex-based locking
// is invisible to ThreadSanitizer, and the same holds for QThread::wait, so
// join() ends with a hand-over through exitLock_ that makes everything the
// thread wrote visible to the joining thread in a way the checker can see.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <map>
#include <mutex>
#include <set>

#include <QString>
#include <QThread>

#include "output/LayerImager.h"
#include "slicer/SliceJob.h"

namespace Voxmill {

class LayerFilesWriter;

class ImgProcThd : public QThread {
public:
    // workers: the layers imaged at once, at least 1.
    ImgProcThd(SliceJob& job, const QString& outputDir, int32_t workers = 1);
    ~ImgProcThd() override; // requests a stop and joins

    // Waits, without time limit, for run() to end.
    void join();
    void markCleanSolid(int32_t layer);
    void post(int32_t layer);
    // True once posted - imaged < maxLead; false when the thread has ended.
    bool waitForLead();
    // Makes run() end after the layers being imaged, or at once while it
    // waits for a post (used when the main thread fails).
    void requestStop();
    // True when run() ended on an error (its message has been printed).
    bool failed() const;
    int32_t imagedLayer() const;

protected:
    void run() override;

private:
    class Workers;

    bool isCleanSolid(int32_t layer) const;
    void workerLoop(LayerImager& imager);
    // The next layer for a worker; false when there is none to claim.
    bool claimLayer(int32_t& k);
    void handIn(int32_t k, ImagedLayer&& done);
    // Waits for layer k's result; false when a stop is requested.
    bool takeResult(int32_t k, ImagedLayer& done);
    void writeLayers(LayerFilesWriter& files);
    void markWritten(int32_t k);
    void releaseParts(int32_t k);
    void printProgress(int32_t k) const;

    SliceJob& job_;
    QString outputDir_;
    int32_t workers_;
    int32_t extraRaft_;
    int32_t cleanSolidCount_;
    int32_t maxLead_;
    int32_t releaseLag_;
    int32_t last_;
    // Under countersLock_:
    int32_t postedLayer_ = -1;
    int32_t imagedLayer_ = -1; // written
    int32_t nextClaim_ = 0;
    int32_t claimEnd_; // no layer from here on is claimed
    std::map<int32_t, ImagedLayer> results_;
    bool ended_ = false; // run() has left its loop
    std::set<int32_t> cleanSolidMarks_;
    mutable std::mutex countersLock_, marksLock_, exitLock_;
    mutable std::condition_variable countersChanged_;
    std::atomic<int> stopRequested_{0};
    std::atomic<int> failed_{0};
};

} // namespace Voxmill
