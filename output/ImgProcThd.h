#pragma once
// The image thread: turns posted layers into images and layer files.
//
// The main thread posts layer after layer; this thread images them in order
// and counts them. The two meet only through the posted and imaged counters,
// under one lock with a condition each side waits on (so neither loses a
// polling interval per layer), and the set of clean-solid layers under its
// own lock. A failure inside the thread is printed by the thread, which then
// ends; failed() tells the main thread afterwards.
//
// The locks are standard mutexes rather than QMutex: Qt's futex-based locking
// is invisible to ThreadSanitizer, and the same holds for QThread::wait, so
// join() ends with a hand-over through exitLock_ that makes everything the
// thread wrote visible to the joining thread in a way the checker can see.

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <set>

#include <QString>
#include <QThread>

#include "slicer/SliceJob.h"

namespace Voxmill {

class ImgProcThd : public QThread {
public:
    ImgProcThd(SliceJob& job, const QString& outputDir);
    ~ImgProcThd() override; // requests a stop and joins

    // Waits, without time limit, for run() to end.
    void join();
    void markCleanSolid(int32_t layer);
    void post(int32_t layer);
    // True once posted - imaged < maxLead; false when the thread has ended.
    bool waitForLead();
    // Makes run() end after the layer it is imaging, or at once while it
    // waits for a post (used when the main thread fails).
    void requestStop();
    // True when run() ended on an error (its message has been printed).
    bool failed() const;
    int32_t imagedLayer() const;

protected:
    void run() override;

private:
    int32_t postedLayer() const;
    bool isCleanSolid(int32_t layer) const;
    // Waits for a posted layer; false when the job is done or a stop is requested.
    bool nextLayer(int32_t last, int32_t& k) const;
    void releaseParts(int32_t k);
    void printProgress(int32_t k, int32_t last) const;

    SliceJob& job_;
    QString outputDir_;
    int32_t extraRaft_;
    int32_t cleanSolidCount_;
    int32_t maxLead_;
    int32_t releaseLag_;
    int32_t postedLayer_ = -1;
    int32_t imagedLayer_ = -1;
    std::set<int32_t> cleanSolidMarks_;
    mutable std::mutex countersLock_, marksLock_, exitLock_;
    mutable std::condition_variable countersChanged_;
    bool ended_ = false; // run() has left its loop; under countersLock_
    std::atomic<int> stopRequested_{0};
    std::atomic<int> failed_{0};
};

} // namespace Voxmill
