#include <gtest/gtest.h>

#include <regex>
#include <thread>

#include "app/Driver.h"
#include "base/Progress.h"

using namespace Voxmill;

namespace {

// The console text of f, with the stage durations replaced by "N".
template <class F> std::string printed(F&& f) {
    testing::internal::CaptureStdout();
    f();
    return std::regex_replace(testing::internal::GetCapturedStdout(), std::regex("finished! [0-9]+ms"),
                              "finished! Nms");
}

} // namespace

TEST(Progress, DefaultWeightsLinesOfAWholeJob) {
    SliceConfig c;
    c.normalise();
    setupJobProgress(c);
    std::string seen; // by the callback
    setProgressCallback([](float v, void* s) { *static_cast<std::string*>(s) += std::to_string(v) + " "; },
                        &seen);
    const std::string out = printed([] {
        stageStart("load");
        stageFinish(stageLoad, "load");
        // size is off: its weight is 0, so its finish repeats the value
        stageStart("size");
        stageProgress(stageSize, "size", 1.0f);
        stageFinish(stageSize, "size");
        stageStart("slice");
        stageProgress(stageSlice, "slice", 0.01f); // +0.0032: below the step, nothing
        stageProgress(stageSlice, "slice", 0.02f); // +0.0063 since the last line
        stageProgress(stageSlice, "slice", 0.03f); // +0.0032 since the last line: nothing
        stageProgress(stageSlice, "slice", 1.3f);  // a last batch past the end: the stage's end
        stageFinish(stageSlice, "slice");
        stageStart("preProc");
        stageProgress(stagePreProc, "preProc", 0.5f);
        stageFinish(stagePreProc, "preProc");
    });
    setProgressCallback(nullptr, nullptr);
    EXPECT_EQ(
        out,
        "load start!\nprogress: 0.047619\nload finished! Nms\n"
        "size start!\nprogress: 0.047619\nsize finished! Nms\n"
        "slice start!\nprogress: 0.0539683\nprogress: 0.365079\nprogress: 0.365079\nslice finished! Nms\n"
        "preProc start!\nprogress: 0.68254\nprogress: 1\npreProc finished! Nms\n");
    // every printed value, finishes included
    EXPECT_EQ(seen, "0.047619 0.047619 0.053968 0.365079 0.365079 0.682540 1.000000 ");
}

TEST(Progress, WeightsFollowTheSettings) {
    struct Row {
        bool size, infill, cleanSolid;
        const char* afterLoad; // 15 / total
    } rows[] = {
        {true, true, true, "progress: 0.0446429\n"},  // all five stages weigh: 15/336
        {true, false, true, "progress: 0.0474684\n"}, // preInfill needs infill: 15/316
        {false, true, false, "progress: 0.047619\n"}, // and clean solid: 15/315
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.afterLoad);
        SliceConfig c;
        c.size.enable = row.size;
        c.infill.enable = row.infill;
        c.supportCleanSolid.enable = row.cleanSolid;
        c.normalise();
        setupJobProgress(c);
        EXPECT_EQ(printed([] { stageFinish(stageLoad, "load"); }),
                  std::string(row.afterLoad) + "load finished! Nms\n");
    }
}

TEST(Progress, StageTimeIsWallClock) {
    // A stage that waits uses no processor time but takes its time all the same.
    setupProgress(false, false);
    testing::internal::CaptureStdout();
    stageStart("load");
    std::this_thread::sleep_for(std::chrono::milliseconds(60));
    stageFinish(stageLoad, "load");
    std::smatch m;
    const std::string out = testing::internal::GetCapturedStdout();
    ASSERT_TRUE(std::regex_search(out, m, std::regex("load finished! ([0-9]+)ms\n"))) << out;
    EXPECT_GE(std::stoi(m[1]), 60);
}
