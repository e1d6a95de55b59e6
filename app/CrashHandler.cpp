#include "app/CrashHandler.h"

#include <atomic>
#include <csignal>
#include <ctime>
#include <stdexcept>

#include <execinfo.h>
#include <fcntl.h>
#include <unistd.h>

#include "base/ThreadCrashStack.h"

// A pure virtual call is a fault in the program, not of the machine: make it
// an ordinary error that main prints (the default handler aborts silently).
// Defined here, beside the other hooks, so that linking the hooks links it.
extern "C" void __cxa_pure_virtual() { throw std::runtime_error("purecallHandler."); }

namespace Voxmill {

namespace {

// Everything the handler needs is prepared at install time: a signal handler
// may not allocate, take locks or read the time zone database.
constexpr std::size_t dirCapacity = 4096;
char dumpDir[dirCapacity]; // with its trailing '/', or empty
long utcOffsetSeconds = 0; // local time minus UTC when the hooks were installed

alignas(16) char altStack[crashStackSize];

constexpr int fatalSignals[] = {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT};

std::atomic<bool> dumping{false};
std::atomic<bool> dumpDone{false};

// Async-signal-safe output: plain write(2) of text built by hand.
class DumpWriter {
public:
    explicit DumpWriter(int fd) : fd_(fd) {}
    void text(const char* s) {
        std::size_t n = 0;
        while (s[n]) ++n;
        bytes(s, n);
    }
    void decimal(long long v) {
        char buf[24];
        int i = sizeof buf;
        unsigned long long u = v < 0 ? 0ull - static_cast<unsigned long long>(v) : v;
        do buf[--i] = char('0' + u % 10);
        while ((u /= 10) != 0);
        if (v < 0) buf[--i] = '-';
        bytes(buf + i, sizeof buf - i);
    }
    void hex(uintptr_t v) {
        char buf[2 + 2 * sizeof v];
        buf[0] = '0';
        buf[1] = 'x';
        for (std::size_t i = 0; i < 2 * sizeof v; ++i)
            buf[sizeof buf - 1 - i] = "0123456789abcdef"[(v >> (4 * i)) & 15];
        bytes(buf, sizeof buf);
    }

private:
    void bytes(const char* p, std::size_t n) {
        while (n > 0) {
            ssize_t w = ::write(fd_, p, n);
            if (w <= 0) return;
            p += w;
            n -= std::size_t(w);
        }
    }
    int fd_;
};

const char* signalName(int sig) {
    switch (sig) {
    case SIGSEGV:
        return "SIGSEGV";
    case SIGBUS:
        return "SIGBUS";
    case SIGFPE:
        return "SIGFPE";
    case SIGILL:
        return "SIGILL";
    case SIGABRT:
        return "SIGABRT";
    default:
        return "?";
    }
}

// Two digits with a leading zero, or four for the year.
char* putNumber(char* p, int64_t v, int digits) {
    for (int i = digits - 1; i >= 0; --i, v /= 10) p[i] = char('0' + v % 10);
    return p + digits;
}

char* putText(char* p, const char* s) {
    while (*s) *p++ = *s++;
    return p;
}

void writeDumpBody(int fd, int sig, const siginfo_t* info) {
    DumpWriter out(fd);
    out.text("Voxmill crash\nsignal: ");
    out.decimal(sig);
    out.text(" ");
    out.text(signalName(sig));
    out.text("\ncode: ");
    out.decimal(info ? info->si_code : 0);
    out.text("\naddress: ");
    out.hex(info ? reinterpret_cast<uintptr_t>(info->si_addr) : 0);
    out.text("\npid: ");
    out.decimal(::getpid());
    out.text("\nbacktrace:\n");
    void* frames[128];
    int n = ::backtrace(frames, 128);
    ::backtrace_symbols_fd(frames, n, fd);
}

void writeDump(int sig, const siginfo_t* info) {
    char path[dirCapacity + crashDumpNameSize];
    char* p = putText(path, dumpDir);
    formatCrashDumpName(int64_t(::time(nullptr)) + utcOffsetSeconds, p);
    // Always created anew: a second crash within the same second replaces the first dump.
    int fd = ::open(path, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (fd < 0) {
        DumpWriter console(STDOUT_FILENO);
        console.text("open ");
        console.text(path);
        console.text(" failed.\n");
        return;
    }
    writeDumpBody(fd, sig, info);
    ::close(fd);
}

// Another thread crashing meanwhile waits (bounded) for the first dump, so
// that its re-raise does not end the process halfway through the file.
void waitForOtherDump() {
    timespec tick{0, 10 * 1000 * 1000};
    for (int i = 0; i < 300 && !dumpDone.load(); ++i) ::nanosleep(&tick, nullptr);
}

void onFatalSignal(int sig, siginfo_t* info, void*) {
    if (!dumping.exchange(true)) {
        writeDump(sig, info);
        dumpDone.store(true);
    } else {
        waitForOtherDump();
    }
    // The signal stays blocked until the handler returns; then it is
    // delivered again with the default action and the process dies of it.
    struct sigaction dfl {};
    dfl.sa_handler = SIG_DFL;
    sigemptyset(&dfl.sa_mask);
    ::sigaction(sig, &dfl, nullptr);
    ::raise(sig);
}

void rememberExecutableDirectory() {
    char exe[dirCapacity];
    ssize_t n = ::readlink("/proc/self/exe", exe, sizeof exe - 1);
    std::string dir = n > 0 ? crashDumpDirectory(std::string(exe, std::size_t(n))) : std::string();
    if (dir.size() >= dirCapacity) dir.clear();
    dir.copy(dumpDir, dir.size());
    dumpDir[dir.size()] = '\0';
}

void rememberUtcOffset() {
    std::time_t now = std::time(nullptr);
    std::tm local{};
    if (::localtime_r(&now, &local)) utcOffsetSeconds = local.tm_gmtoff;
}

void installAltStack() {
    stack_t ss{};
    ss.ss_sp = altStack;
    ss.ss_size = crashStackSize;
    ::sigaltstack(&ss, nullptr);
}

} // namespace

std::string crashDumpDirectory(const std::string& exePath) {
    std::size_t slash = exePath.rfind('/');
    return slash == std::string::npos ? std::string() : exePath.substr(0, slash + 1);
}

void formatCrashDumpName(int64_t localSeconds, char* out) {
    // Floor division, so times before 1970 still give a valid date.
    int64_t days = localSeconds / 86400;
    int64_t secs = localSeconds % 86400;
    if (secs < 0) {
        secs += 86400;
        days -= 1;
    }
    // Civil date from a day count (proleptic Gregorian calendar, eras of 400 years).
    int64_t z = days + 719468;
    int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    int64_t doe = z - era * 146097;
    int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    int64_t mp = (5 * doy + 2) / 153;
    int64_t day = doy - (153 * mp + 2) / 5 + 1;
    int64_t month = mp < 10 ? mp + 3 : mp - 9;
    int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    if (year < 0 || year > 9999) year = 0; // the name keeps its four digits

    char* p = putText(out, "crash_");
    p = putNumber(p, year, 4);
    *p++ = '-';
    p = putNumber(p, month, 2);
    *p++ = '-';
    p = putNumber(p, day, 2);
    *p++ = '_';
    p = putNumber(p, secs / 3600, 2);
    *p++ = '-';
    p = putNumber(p, secs / 60 % 60, 2);
    *p++ = '-';
    p = putNumber(p, secs % 60, 2);
    p = putText(p, ".dmp");
    *p = '\0';
}

void installCrashHandlers() {
    static bool installed = false;
    if (installed) return;
    installed = true;

    rememberExecutableDirectory();
    rememberUtcOffset();
    void* frame[1];
    ::backtrace(frame, 1); // loads libgcc's unwinder now, not inside the handler
    installAltStack();

    struct sigaction sa {};
    sa.sa_sigaction = onFatalSignal;
    sa.sa_flags = SA_SIGINFO | SA_ONSTACK;
    sigemptyset(&sa.sa_mask);
    for (int sig : fatalSignals) ::sigaction(sig, &sa, nullptr);
}

} // namespace Voxmill
