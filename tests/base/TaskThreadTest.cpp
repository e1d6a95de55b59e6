#include <gtest/gtest.h>

#include <stdexcept>

#include "base/TaskThread.h"

using namespace Voxmill;

// Tasks run one after another on the worker; what a task throws comes out of wait(), once.
TEST(TaskThread, RunsTasksAndHandsBackTheirErrors) {
    TaskThread worker;
    int sum = 0;
    for (int i = 1; i <= 100; ++i) {
        worker.start([&sum, i] { sum += i; });
        worker.wait();
    }
    EXPECT_EQ(sum, 5050);
    worker.start([] { throw std::runtime_error("compress bitmap error."); });
    try {
        worker.wait();
        ADD_FAILURE() << "no error";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "compress bitmap error.");
    }
    EXPECT_NO_THROW(worker.wait());
    worker.start([&sum] { sum = 0; }); // still running when the worker goes away: it finishes first
}
