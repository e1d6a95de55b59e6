#include "base/ThreadCrashStack.h"

#include <signal.h>

namespace Voxmill {

ThreadCrashStack::ThreadCrashStack() : stack_(new char[crashStackSize]) {
    stack_t ss{};
    ss.ss_sp = stack_;
    ss.ss_size = crashStackSize;
    ::sigaltstack(&ss, nullptr);
}

ThreadCrashStack::~ThreadCrashStack() {
    stack_t ss{};
    ss.ss_flags = SS_DISABLE;
    ::sigaltstack(&ss, nullptr);
    delete[] stack_;
}

} // namespace Voxmill
