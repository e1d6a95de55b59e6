#pragma once
// The text files of a job read back for the report: the wait times, the
// print areas in use and the settings that differ from their defaults.

#include <cstdint>
#include <string>
#include <vector>

#include <QString>

#include "config/SliceConfig.h"

namespace Voxmill {

// "waitTime": one line "waitXTimeout<k> = <ms>" per stored layer k, from 0.
struct WaitTimes {
    bool present = false;
    int32_t layers = 0; // lines read
    int64_t totalMs = 0;
    std::string fault; // "line <n>: <what>" of the first bad line, or empty
};
WaitTimes readWaitTimes(const QString& dir);

// "areaInfo": "[general]", then "layerCntArea<d> = <n>" for d from 1, the
// layers printed with exactly d print areas in use. Empty when the file is
// absent or not of that form.
std::vector<int32_t> readAreaInfo(const QString& dir);

struct SettingChange {
    std::string key; // "section.key"
    std::string value, defaultValue;
};
// The keys whose values differ from their defaults, in the order of the
// settings file, written as the settings file writes them.
std::vector<SettingChange> changedSettings(const SliceConfig& c);

} // namespace Voxmill
