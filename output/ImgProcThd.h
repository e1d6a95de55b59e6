#pragma once
// The image thread: turns posted layers into images and layer files.

#include <cstdint>
#include <set>

#include <QMutex>
#include <QString>
#include <QThread>

#include "slicer/SliceJob.h"

namespace Voxmill {

class ImgProcThd : public QThread {
public:
    ImgProcThd(SliceJob& job, const QString& outputDir);
    ~ImgProcThd() override; // requests a stop and waits

    void markCleanSolid(int32_t layer);
    void post(int32_t layer);
    // True once posted - imaged < maxLead; false when the thread has ended.
    bool waitForLead();
    // Makes run() end after the layer it is imaging (used when the main thread fails).
    void requestStop();
    // True when run() ended on an error (its message has been printed).
    bool failed() const;
    int32_t imagedLayer() const;

protected:
    void run() override;

private:
    SliceJob& job_;
    QString outputDir_;
    int32_t extraRaft_;
    int32_t cleanSolidCount_;
    int32_t maxLead_ = 2;
    int32_t releaseLag_;
    int32_t postedLayer_ = -1;
    int32_t imagedLayer_ = -1;
    std::set<int32_t> cleanSolidMarks_;
    mutable QMutex postedLock_, imagedLock_, marksLock_;
    QAtomicInt stopRequested_{0};
    QAtomicInt failed_{0};
};

} // namespace Voxmill
