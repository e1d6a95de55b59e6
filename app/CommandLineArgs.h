#pragma once
// What the user asked for on the command line.

#include <cstdint>
#include <string>
#include <vector>

#include "model/ModelSpec.h"

namespace Voxmill {

struct CommandLineArgs {
    std::string configPath;        // -C, empty when not given
    std::string projectPath;       // -X, empty when not given
    std::string outputDir;         // -O
    std::vector<ModelSpec> models; // -M, in command-line order
    int32_t workers = 0;           // layers imaged at once; 0: one per core
};

} // namespace Voxmill
