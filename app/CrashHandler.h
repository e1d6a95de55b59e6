#pragma once
// Crash hooks, installed as the first action of main.
//
// A fatal signal (SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT) writes a text dump
// "crash_%Y-%m-%d_%H-%M-%S.dmp" (local time) into the directory of the
// executable, holding the signal, the faulting address and a backtrace; the
// process then dies of the same signal. A call of a pure virtual function
// raises std::runtime_error("purecallHandler.") instead of aborting.

#include <cstddef>
#include <cstdint>
#include <string>

namespace Voxmill {

// Idempotent. Runs the backtrace machinery once so that nothing needs
// loading inside a signal handler.
void installCrashHandlers();

// The directory part of an executable path including its last '/'; empty
// when there is none, so that the dump goes to the current directory.
std::string crashDumpDirectory(const std::string& exePath);

// Writes "crash_%Y-%m-%d_%H-%M-%S.dmp" for a local time given as seconds
// since 1970-01-01 00:00 local, with its terminating zero, into out.
// Async-signal-safe. out must hold at least crashDumpNameSize bytes.
constexpr std::size_t crashDumpNameSize = 48;
void formatCrashDumpName(int64_t localSeconds, char* out);

} // namespace Voxmill
