#pragma once
// A second pair of hands for one thread: a worker that runs one task at a
// time, handed to it by its owner, who later waits for the task to finish.
// The image thread uses it to compress one layer bitmap while it compresses
// the other itself. An exception in the task comes back out of wait().

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace Voxmill {

class TaskThread {
public:
    TaskThread();
    ~TaskThread(); // waits for a running task, then ends the worker
    TaskThread(const TaskThread&) = delete;
    TaskThread& operator=(const TaskThread&) = delete;

    // Starts task on the worker; the previous task must have been waited for.
    void start(std::function<void()> task);
    // Waits until the task has finished; rethrows what it threw.
    void wait();

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    bool busy_ = false, quit_ = false;
    std::exception_ptr error_;
    std::thread worker_; // last: starts once the rest is ready
};

} // namespace Voxmill
