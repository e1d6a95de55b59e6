#include "base/SideThread.h"

#include <stdexcept>
#include <utility>

#include "base/ThreadCrashStack.h"

namespace Voxmill {

SideThread::SideThread() : thread_([this] { loop(); }) {}

SideThread::~SideThread() {
    {
        std::unique_lock<std::mutex> lock(mutex_);
        changed_.wait(lock, [this] { return !busy_; });
        quit_ = true;
    }
    changed_.notify_all();
    thread_.join();
}

void SideThread::start(std::function<void()> task) {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        if (busy_) throw std::logic_error("side task started before the last one was waited for");
        task_ = std::move(task);
        error_ = nullptr;
        busy_ = true;
    }
    changed_.notify_all();
}

void SideThread::wait() {
    std::unique_lock<std::mutex> lock(mutex_);
    changed_.wait(lock, [this] { return !busy_; });
    if (error_) std::rethrow_exception(std::exchange(error_, nullptr));
}

void SideThread::loop() {
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
