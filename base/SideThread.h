#pragma once
// One task at a time on a thread of its own, beside the caller: the caller
// starts a task, does its own share, then waits for the task. The thread is
// made once and kept, so a task per layer costs a hand-over, not a thread.

#include <condition_variable>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

namespace Voxmill {

class SideThread {
public:
    SideThread();
    // Waits for a task still running, then ends the thread.
    ~SideThread();
    SideThread(const SideThread&) = delete;
    SideThread& operator=(const SideThread&) = delete;

    // Starts task; the one before must have been waited for.
    void start(std::function<void()> task);
    // Until the task has ended; rethrows what it threw.
    void wait();

private:
    void loop();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::function<void()> task_;
    bool busy_ = false, quit_ = false;
    std::exception_ptr error_;
    std::thread thread_;
};

} // namespace Voxmill
