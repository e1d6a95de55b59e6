#pragma once
// All layers of a job. Headers (thickness, parts with type and box) stay in
// memory; islands stay in memory only inside the window the stages ask for,
// the rest live in digest-checked temporary files moved by the IO thread.

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

#include <QString>

#include "slicer/Layer.h"
#include "slicer/WindowPlan.h"

namespace Voxmill {

class LayersIOThd;

class LayerStore {
public:
    // Called on the IO thread after layer n was read back (loaded) or written out.
    using IoObserver = std::function<void(int32_t n, bool loaded)>;

    // Layer files go to fileDir, or to layerTempDir() when it is empty (the
    // job's one store; two stores must not share a directory).
    explicit LayerStore(QString fileDir = QString(), IoObserver observer = nullptr);
    ~LayerStore(); // stops and joins the IO thread; files on disk stay
    LayerStore(const LayerStore&) = delete;
    LayerStore& operator=(const LayerStore&) = delete;

    // Only on an empty store and a count above 0: count empty layers, all
    // resident, IO thread started.
    void initLayers(int32_t count);
    int32_t layerCount() const;
    // Asks for [first, end); bounds outside 0..count are allowed. Returns at once.
    void setWindow(int32_t first, int32_t end);
    // Asks for a stage's resident window. In debug builds, layer() then also
    // checks that every layer asked for lies in the stage's planned reads.
    void setWindow(const StageWindow& window);
    // Layer n once it is resident; waits for it. Throws "invalid layer index."
    // outside the window and "IO thread failed." once the IO thread has ended
    // (its error is in the log). The caller may change the layer without
    // locking, but must not use it after moving the window past it.
    Layer& layer(int32_t n);
    // Returns once the resident layers are exactly the window, or the IO
    // thread has ended (tests and benchmarks that want the moves done).
    void waitSettled();

    // Path of the temporary file of layer n.
    QString layerFilePath(int32_t n) const;

private:
    friend class LayersIOThd;
    QString fileDir_;
    IoObserver observer_;
    std::vector<Layer> layers_;
    std::unique_ptr<LayersIOThd> ioThread_;
};

// The process's temporary directory for layer files, claimed on first use
// and held until the process ends (see TempDirClaim).
const QString& layerTempDir();

} // namespace Voxmill
