#pragma once
// An output directory read back: its layer files, strictly, and the pixel
// geometry of its job from the settings copy "config".

#include <cstdint>

#include <QByteArray>
#include <QDir>
#include <QString>

#include "config/SliceConfig.h"
#include "tools/slice_view/BitPlane.h"
#include "tools/slice_view/LayerDecode.h"

namespace Voxmill {

// The pixel grid of a job, in the terms of its layer images.
struct JobGeometry {
    int32_t width = 0, height = 0; // image, margins included
    int32_t margin = 0;            // poly2img.extraBlankPixel columns on either side
    int32_t printWidth = 0;        // poly2img.pixelX, the printable columns
    int32_t gap = 0;               // poly2img.supportGapPixel
    int32_t bridge = 1;            // pixels an opening under a roof may span (see LayerCheck.h)
    double pixelWidthMm = 0, pixelHeightMm = 0, layerHeightMm = 0;
    double centreX = 0, centreY = 0; // the plate centre in image columns and rows
    // The layers that end at or below the printer's height (poly2img.sizeZ):
    // layer n ends at (n + 1) x the layer thickness.
    int32_t printerLayers = 0;
    double printerHeightMm = 0;

    double pixelAreaMm2() const { return pixelWidthMm * pixelHeightMm; }
    // Plate coordinates of a pixel position (column, row; the centre of pixel
    // c is c + 0.5), y growing to the back of the plate, which is row 0.
    double xMm(double column) const { return (column + 0.5 - centreX) * pixelWidthMm; }
    double yMm(double row) const { return (centreY - row - 0.5) * pixelHeightMm; }
};

JobGeometry jobGeometry(const SliceConfig& c);
// The settings copy "<dir>/config"; throws the settings reader's message when
// it is missing or malformed.
SliceConfig readJobConfig(const QString& dir);
JobGeometry readJobGeometry(const QString& dir);

// Number of layers in dir: slice_m0 .. slice_m<n-1> and slice_s0 ..
// slice_s<n-1>. Throws when the two kinds differ in number or the numbering
// has a gap.
int32_t layerFileCount(const QDir& dir);

// Decodes one layer file strictly into plane; throws "<path>: <fault>".
void readPlane(const QString& path, BitPlane& plane);

enum class LayerKind { model = 0, support = 1 };

// Reads the layer files of a directory strictly, one kind at a time. The last
// file of each kind is kept, bytes and pixels: a file equal to the one before
// it (the raft copies, the layers of a prism, empty support) is not decoded
// again. Memory holds one image of each kind.
class LayerSource {
public:
    // With width > 0, every image must be width x height pixels.
    explicit LayerSource(const QString& dir, int32_t width = 0, int32_t height = 0);
    int32_t count() const { return count_; }
    QString path(int32_t n, LayerKind kind) const;

    // Reads the bytes of file n; true when they equal the bytes of the last
    // file read of that kind. Throws "<path>: <reason>".
    bool load(int32_t n, LayerKind kind);
    const QByteArray& bytes(LayerKind kind) const { return slot(kind).bytes; }
    // The pixels of the file last loaded of the kind; throws "<path>: <fault>"
    // when it is malformed or of the wrong size.
    const BitPlane& plane(LayerKind kind);

private:
    struct Slot {
        QByteArray bytes, decodedBytes;
        QString path;
        BitPlane plane;
    };
    Slot& slot(LayerKind k) { return slots_[int(k)]; }
    const Slot& slot(LayerKind k) const { return slots_[int(k)]; }

    QDir dir_;
    int32_t count_ = 0, width_ = 0, height_ = 0;
    Slot slots_[2];
    LayerDecoder decoder_;
};

// Prints "<what>: <done>/<total> layers" on standard error, at most once a
// second, once a run has taken a second.
class ProgressMeter {
public:
    ProgressMeter(const char* what, int32_t total);
    void step(int32_t done);

private:
    const char* what_;
    int32_t total_;
    int64_t lastMs_;
};

// Reads the layers of a directory from the bottom up and calls
// visit(n, model, support) for each; model and support are null when both
// files of layer n equal those of the layer below, so its pixels repeat.
// A file that cannot be read or decoded throws "<path>: <fault>" from layer n.
template <class Visit> void walkLayers(LayerSource& layers, ProgressMeter& progress, Visit&& visit) {
    for (int32_t n = 0; n < layers.count(); ++n) {
        const bool sameModel = layers.load(n, LayerKind::model);
        const bool sameSupport = layers.load(n, LayerKind::support);
        if (n > 0 && sameModel && sameSupport)
            visit(n, nullptr, nullptr);
        else
            visit(n, &layers.plane(LayerKind::model), &layers.plane(LayerKind::support));
        progress.step(n + 1);
    }
}

} // namespace Voxmill
