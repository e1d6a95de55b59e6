#include <gtest/gtest.h>

#include <stdexcept>

#include "base/SideThread.h"

using namespace Voxmill;

// A task's error reaches the caller at wait, once; the thread then takes the next task.
TEST(SideThread, RethrowsATasksErrorAtWaitAndRunsTheNext) {
    SideThread side;
    int done = 0;
    side.start([] { throw std::runtime_error("bad layer"); });
    try {
        side.wait();
        FAIL() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "bad layer");
    }
    for (int k = 0; k < 100; ++k) {
        side.start([&done] { ++done; });
        side.wait();
    }
    EXPECT_EQ(done, 100);
    side.start([&done] { ++done; }); // the destructor waits for it
}
