// slice_view: reads the layer files of an output directory the way the
// printer does, checks them strictly and shows what they hold.
//
//   slice_view info FILE                 header fields and pixel count of one file
//   slice_view csv DIR [OUT.csv]         per layer: model and support pixel counts
//   slice_view png [--crop] FILE OUT.png the layer of FILE: model white, support grey
//   slice_view check DIR                 what would spoil the print
//   slice_view diff A B [--csv OUT.csv]  two jobs compared layer by layer
//   slice_view stats DIR                 layers, height, volumes, largest layer
//   slice_view side [--crop] DIR OUT.png the job seen from the front
//   slice_view report DIR OUT            OUT/index.html: a page on the job for any browser
//
// Exit status: 0 done (nothing found, identical), 1 a file that cannot be
// read or is malformed, or a wrong command line, 2 check or report found
// something or diff found differences. Progress of long runs goes to
// standard error.

#include <algorithm>
#include <cstdio>
#include <stdexcept>

#include <QCoreApplication>
#include <QStringList>

#include "tools/slice_view/Commands.h"

using namespace Voxmill;

namespace {

int usage() {
    std::fprintf(stderr, "usage: slice_view info FILE\n"
                         "       slice_view csv DIR [OUT.csv]\n"
                         "       slice_view png [--crop] FILE OUT.png\n"
                         "       slice_view check DIR\n"
                         "       slice_view diff A B [--csv OUT.csv]\n"
                         "       slice_view stats DIR\n"
                         "       slice_view side [--crop] DIR OUT.png\n"
                         "       slice_view report DIR OUT\n");
    return exitFailed;
}

// Takes the flag out of the words when it is there.
bool takeFlag(QStringList& words, const QString& flag) { return words.removeAll(flag) > 0; }

// The value after a flag, taken out with it; empty when the flag is absent.
QString takeOption(QStringList& words, const QString& flag, bool& bad) {
    const int at = words.indexOf(flag);
    if (at < 0) return QString();
    if (at + 1 >= words.size()) {
        bad = true;
        return QString();
    }
    const QString value = words[at + 1];
    words.erase(words.begin() + at, words.begin() + at + 2);
    return value;
}

int run(QStringList w) {
    if (w.isEmpty()) return usage();
    const QString command = w.takeFirst();
    bool bad = false;
    const bool crop = (command == "png" || command == "side") && takeFlag(w, "--crop");
    const QString csv = command == "diff" ? takeOption(w, "--csv", bad) : QString();
    if (bad || std::any_of(w.begin(), w.end(), [](const QString& s) { return s.startsWith("--"); }))
        return usage();
    if (command == "info" && w.size() == 1) return infoCommand(w[0], stdout);
    if (command == "csv" && (w.size() == 1 || w.size() == 2))
        return csvCommand(w[0], w.size() == 2 ? w[1] : QString(), stdout);
    if (command == "png" && w.size() == 2) return pngCommand(w[0], w[1], crop);
    if (command == "check" && w.size() == 1) return checkCommand(w[0], stdout);
    if (command == "diff" && w.size() == 2) return diffCommand(w[0], w[1], csv, stdout);
    if (command == "stats" && w.size() == 1) return statsCommand(w[0], stdout);
    if (command == "side" && w.size() == 2) return sideCommand(w[0], w[1], crop);
    if (command == "report" && w.size() == 2) return reportCommand(w[0], w[1], stdout);
    return usage();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    QStringList words = QCoreApplication::arguments();
    words.removeFirst();
    try {
        return run(words);
    } catch (const std::exception& e) {
        std::fflush(stdout);
        std::fprintf(stderr, "%s\n", e.what());
        return exitFailed;
    }
}
