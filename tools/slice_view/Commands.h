#pragma once
// The commands of slice_view. Each writes its text to out and returns the
// exit status; a file that cannot be read or is malformed throws
// std::runtime_error naming the file and the fault (status 1 in main).

#include <cstdio>

#include <QString>

namespace Voxmill {

enum ExitStatus : int {
    exitClean = 0,    // done; nothing found; identical
    exitFailed = 1,   // unreadable or malformed input, a wrong command line
    exitFindings = 2, // check found something; diff found differences
};

// Header fields and pixel count of one layer file.
int infoCommand(const QString& file, FILE* out);
// "layer,model_pixels,support_pixels" for every layer; to csvPath unless empty.
int csvCommand(const QString& dir, const QString& csvPath, FILE* out);
// The layer of file (slice_m or slice_s): model white, support grey; with
// crop, cut to the printed pixels and a margin of cropMarginPixels.
int pngCommand(const QString& file, const QString& pngPath, bool crop);
// What would spoil the print, one line per finding, then a summary line.
int checkCommand(const QString& dir, FILE* out);
// Two output directories compared layer by layer; the per-layer pixel
// counts go to csvPath unless it is empty.
int diffCommand(const QString& a, const QString& b, const QString& csvPath, FILE* out);
// "name value" lines: layers, height, volumes, the largest layer.
int statsCommand(const QString& dir, FILE* out);
// The job seen from the front, model white, support grey, at most
// sideMaxPixels each way; with crop, the columns cut to the printed ones and
// a margin.
int sideCommand(const QString& dir, const QString& pngPath, bool crop);

// index.html and its pictures in the folder out (made if missing): the
// summary, the findings of check, the job from the front and from above, a
// layer viewer and the area per layer. Status as check's; a layer file that
// cannot be read is told on the page, then thrown.
int reportCommand(const QString& dir, const QString& out, FILE* log);

constexpr int32_t cropMarginPixels = 16;
constexpr int32_t sideMaxPixels = 2000;

} // namespace Voxmill
