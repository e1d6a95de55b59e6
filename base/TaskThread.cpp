#include "base/TaskThread.h"

#include <utility>

#include "base/ThreadCrashStack.h"

namespace Voxmill {

TaskThread::TaskThread() : worker_([this] { loop(); }) {}

TaskThread::~TaskThread() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        quit_ = true;
    }
    changed_.notify_all();
    worker_.join();
}

void TaskThread::start(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        task_ = std::move(task);
        error_ = nullptr;
        busy_ = true;
    }
    changed_.notify_all();
}

void TaskThread::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void TaskThread::loop() {
    ThreadCrashStack crashStack;
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        changed_.wait(lock, [this] { return busy_ || quit_; });
        if (!busy_) return;
        std::function<void()> task = std::move(task_);
        lock.unlock();
        std::exception_ptr error;
        try {
            task();
        } catch (...) {
            error = std::current_exception();
        }
        lock.lock();
        error_ = error;
        busy_ = false;
        changed_.notify_all();
    }
}

} // namespace Voxmill
