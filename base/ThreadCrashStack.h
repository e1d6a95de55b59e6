#pragma once
// An alternate signal stack for the calling thread, so that a fatal signal
// (a stack overflow above all) can still be handled and written to a crash
// dump on that thread. The process's crash hooks live with the program's
// entry point; every worker thread creates one of these at the top of run().

#include <cstddef>

namespace Voxmill {

// Room for the crash handler's own frames and the backtrace it takes.
constexpr std::size_t crashStackSize = 128 * 1024;

class ThreadCrashStack {
public:
    ThreadCrashStack();
    ~ThreadCrashStack();
    ThreadCrashStack(const ThreadCrashStack&) = delete;
    ThreadCrashStack& operator=(const ThreadCrashStack&) = delete;

private:
    char* stack_;
};

} // namespace Voxmill
