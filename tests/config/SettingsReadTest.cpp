#include <gtest/gtest.h>

#include <functional>
#include <sstream>

#include "config/SettingsFile.h"
#include "model/MemoryFile.h"

using namespace Voxmill;

namespace {

// A record away from the defaults: a read starts from the defaults, a failed read leaves it alone.
SliceConfig marked() {
    SliceConfig c;
    c.precision.layerHeight = 0.3f;
    c.waitTime.areas = {7};
    return c;
}

} // namespace

TEST(SettingsRead, ConvertsEachTypeExactlyAndKeepsDefaultsOtherwise) {
    struct Row {
        std::string ini;
        std::function<void(SliceConfig&)> expect; // edits the defaults; empty: defaults stay
    };
    // clang-format off
    const std::vector<Row> rows = {
        // Floats: one whole decimal number.
        {"[precision]\nlayerHeight = 0.05", [](SliceConfig& c) { c.precision.layerHeight = 0.05f; }},
        {"[prepOfs]\nangle = -1.5e+1", [](SliceConfig& c) { c.prepOfs.angle = -15.0f; }},
        {"[prepOfs]\nangle = +.5", [](SliceConfig& c) { c.prepOfs.angle = 0.5f; }},
        {"[precision]\nlayerHeight = 0.05mm", {}},
        {"[precision]\nlayerHeight = 0,05", {}},        // no locale's decimal comma
        {"[prepOfs]\nangle = -inf", {}},
        {"[prepOfs]\nangle = 0x1p3", {}},
        {"[prepOfs]\nangle = 1e50", {}}, // beyond single precision
        {"[prepOfs]\nangle =", {}},
        // Ints: sign and decimal digits within 32 bits, then clamped.
        {"[infill]\nroofPreCalcCnt = +007", [](SliceConfig& c) { c.infill.roofPreCalcCnt = 7; }},
        {"[raft]\nlayerCnt = -2147483648", [](SliceConfig& c) { c.raft.layerCnt = 0; }},
        {"[raft]\nlayerCnt = 2147483647", [](SliceConfig& c) { c.raft.layerCnt = 1000; }},
        {"[raft]\nlayerCnt = 2147483648", {}},
        {"[raft]\nlayerCnt = -2147483649", {}},
        {"[infill]\nroofPreCalcCnt = 10.5", {}},
        {"[infill]\nroofPreCalcCnt = 0x10", {}},
        // Bools: the value begins with "true" or "false", lower case.
        {"[infill]\nenable = trueish", [](SliceConfig& c) { c.infill.enable = true; }},
        {"[postSupport]\nenable = false", [](SliceConfig& c) { c.postSupport.enable = false; }},
        {"[infill]\nenable = TRUE", {}},
        {"[infill]\nenable = 1", {}},
        // Fill type: its three words only.
        {"[infill]\nfillType = rectGrid", [](SliceConfig& c) { c.infill.fillType = FillType::rectGrid; }},
        {"[infill]\nfillType = 0", {}},
        {"[infill]\nfillType = RectGrid", {}},
        {"[infill]\nfillType = rectGrid2", {}},
        // Int lists: "a,b,c" exactly, or the whole list keeps its default; sorted as the record is normalised.
        {"[waitTime]\nareas = 900,300,+5", [](SliceConfig& c) { c.waitTime.areas = {5, 300, 900}; }},
        {"[waitTime]\ntimes = 7", [](SliceConfig& c) { c.waitTime.times = {7}; }},
        {"[waitTime]\nareas = 300, 900", {}},
        {"[waitTime]\nareas = 1,2,", {}},
        {"[waitTime]\nareas = 1,2147483648", {}},
        {"[waitTime]\nareas =", {}},
        // Where keys count: names are case-sensitive, keys need their section.
        {"layerHeight = 0.05\n[precision]", {}},
        {"[precision]\nLayerHeight = 0.05", {}},
        {"[precision]\n; layerHeight = 0.05\n# general = 0.01", {}},
        {"[nowhere]\nlayerHeight = 0.05\n[precision]\nunknown = 1", {}},
        // Windows line ends and a UTF-8 byte order mark are harmless.
        {"\xEF\xBB\xBF[precision]\r\nlayerHeight = 0.05\r\n", [](SliceConfig& c) { c.precision.layerHeight = 0.05f; }},
        // Values that convert are kept key by key beside ones that do not.
        {"[raft]\nlayerCnt = 5\ndrawModelWall = no", [](SliceConfig& c) { c.raft.layerCnt = 5; }},
    };
    // clang-format on
    for (const Row& row : rows) {
        SCOPED_TRACE(row.ini);
        SliceConfig expected, c = marked(); // every read starts from the defaults
        if (row.expect) row.expect(expected);
        std::istringstream in(row.ini);
        readSettings(in, c);
        EXPECT_EQ(c, expected);
    }
}

TEST(SettingsRead, SyntaxErrorsApplyNothing) {
    const std::pair<std::string, std::string> rows[] = {
        {"[infill]\nenable = true\n[infill]\nrectSize = 2\n",
         "<unspecified file>(3): duplicate section name"},
        {"[infill]\nenable = true\nenable = false\n", "<unspecified file>(3): duplicate key name"},
        {"[infill]\nenable true\n", "<unspecified file>(2): '=' character not found in line"},
    };
    for (const auto& [ini, message] : rows) {
        SCOPED_TRACE(ini);
        SliceConfig c = marked();
        std::istringstream in(ini);
        try {
            readSettings(in, c);
            ADD_FAILURE() << "no error";
        } catch (const std::runtime_error& e) {
            EXPECT_EQ(e.what(), message);
        }
        EXPECT_EQ(c, marked());
    }
}

TEST(SettingsRead, ReadErrorAppliesNothing) {
    // Cut off after the first block: half a file must not pass for a whole one.
    auto file =
        std::make_unique<MemoryFile>("[raft]\nlayerCnt = 5\n[wall]\n" + std::string(5000, ';') + "\n");
    file->failReadsFrom = 4096;
    FStream in;
    in.attach(std::move(file));
    SliceConfig c = marked();
    EXPECT_THROW(readSettings(in, c), std::runtime_error);
    EXPECT_EQ(c, marked());
}
