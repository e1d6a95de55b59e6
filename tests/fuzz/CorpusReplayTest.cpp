// Replays the fuzz seed corpus and every input the fuzzers once crashed on
// (kept under fuzz/regressions) through the same entries the fuzzers use,
// the readers' and the whole jobs'. Run under the sanitizer build, a
// regression that comes back fails here.

#include <gtest/gtest.h>

#include <vector>

#include <QDirIterator>
#include <QFile>

#include "fuzz/JobEntries.h"

namespace {

using VoxmillFuzz::Entry;
using Target = VoxmillFuzz::JobTarget;

std::vector<Target> targets() {
    std::vector<Target> all = {
        {"stl", VoxmillFuzz::fuzzStl}, {"slc", VoxmillFuzz::fuzzSlc}, {"zdm", VoxmillFuzz::fuzzZdm},
        {"vkp", VoxmillFuzz::fuzzVkp}, {"ini", VoxmillFuzz::fuzzIni}, {"layer", VoxmillFuzz::fuzzLayer},
    };
    all.insert(all.end(), std::begin(VoxmillFuzz::jobTargets), std::end(VoxmillFuzz::jobTargets));
    return all;
}

int replay(const QString& dir, Entry entry) {
    int count = 0;
    QDirIterator it(dir, QDir::Files);
    while (it.hasNext()) {
        QFile f(it.next());
        if (!f.open(QIODevice::ReadOnly)) continue;
        QByteArray bytes = f.readAll();
        SCOPED_TRACE(f.fileName().toStdString());
        entry(reinterpret_cast<const uint8_t*>(bytes.constData()), size_t(bytes.size()));
        ++count;
    }
    return count;
}

} // namespace

TEST(FuzzCorpus, EverySeedAndRegressionIsReadOrRejectedWithoutCrashing) {
    for (const Target& t : targets()) {
        const QString root = QStringLiteral(VOXMILL_FUZZ_DIR);
        int seeds = replay(root + "/corpus/" + t.name, t.entry);
        replay(root + "/regressions/" + t.name, t.entry);
        EXPECT_GT(seeds, 0) << "no seed files for " << t.name;
    }
    for (const char* suffix : {".stl", ".slc", ".zdm", ".vkp"})
        QFile::remove(VoxmillFuzz::scratchFile(suffix));
    VoxmillFuzz::removeJobDir();
}
