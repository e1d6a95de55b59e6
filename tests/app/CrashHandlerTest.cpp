#include <gtest/gtest.h>

#include <csignal>
#include <ctime>
#include <random>
#include <stdexcept>
#include <thread>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "app/CrashHandler.h"
#include "app/VoxmillProcess.h"
#include "base/ThreadCrashStack.h"

using namespace Voxmill;

namespace {

std::string strftimeName(std::time_t t, bool local) {
    std::tm tm{};
    local ? localtime_r(&t, &tm) : gmtime_r(&t, &tm);
    char buf[64];
    std::strftime(buf, sizeof buf, "crash_%Y-%m-%d_%H-%M-%S.dmp", &tm);
    return buf;
}

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Winfinite-recursion"
int recurseForever(int depth) {
    volatile char frame[1024];
    frame[0] = char(depth);
    return recurseForever(depth + 1) + frame[0]; // not a tail call
}
#pragma GCC diagnostic pop

// An address the compiler cannot prove invalid, so the write stays in.
volatile uintptr_t badAddress = 0x10;

// Runs provoke in a child with the hooks installed; returns the signal it died of.
int crashInChild(void (*provoke)()) {
    pid_t pid = fork();
    if (pid == 0) {
        rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        installCrashHandlers();
        provoke();
        _exit(0);
    }
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFSIGNALED(status) ? WTERMSIG(status) : -1;
}

} // namespace

TEST(CrashHandler, DumpNameMatchesStrftime) {
    // Seeded times over four centuries, both sides of 1970, leap days included.
    std::mt19937_64 rng(20261206);
    std::uniform_int_distribution<int64_t> any(-2208988800LL, 7258118400LL); // 1900 to 2200
    std::vector<int64_t> times = {0, -1, 951782400 /* 2000-02-29 */, 4107542399 /* 2100-02-28 23:59:59 */};
    for (int i = 0; i < 2000; ++i) times.push_back(any(rng));
    char name[crashDumpNameSize];
    for (int64_t t : times) {
        formatCrashDumpName(t, name);
        ASSERT_EQ(name, strftimeName(std::time_t(t), false)) << t;
    }
}

TEST(CrashHandler, FatalSignalLeavesDumpAndStillKillsTheProcess) {
    struct Row {
        const char* why;
        int signal;
        void (*provoke)();
        const char* address; // expected "address:" line, nullptr when not fixed
    };
    const std::vector<Row> rows = {
        // a write through a bad pointer reports the address it touched
        {"bad write", SIGSEGV, [] { *reinterpret_cast<volatile int*>(badAddress) = 1; },
         "0x0000000000000010"},
        // stack overflows need the alternate stack, in a worker thread one of its own
        {"stack overflow", SIGSEGV, [] { recurseForever(0); }, nullptr},
        {"stack overflow in a thread", SIGSEGV,
         [] {
             std::thread([] {
                 ThreadCrashStack stack;
                 recurseForever(0);
             }).join();
         },
         nullptr},
        {"abort", SIGABRT, [] { std::abort(); }, nullptr},
        {"SIGFPE", SIGFPE, [] { std::raise(SIGFPE); }, nullptr},
        {"SIGBUS", SIGBUS, [] { std::raise(SIGBUS); }, nullptr},
        {"SIGILL", SIGILL, [] { std::raise(SIGILL); }, nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.why);
        std::time_t t = std::time(nullptr);
        EXPECT_EQ(crashInChild(row.provoke), row.signal);
        // named after the local time of one of the seconds the child ran in, beside the executable
        const QDir dir = QFileInfo("/proc/self/exe").canonicalFilePath().section('/', 0, -2);
        QString path;
        for (const std::time_t end = std::time(nullptr); t <= end && !QFile::exists(path); ++t)
            path = dir.filePath(QString::fromStdString(strftimeName(t, true)));
        ASSERT_TRUE(QFile::exists(path)) << "no crash_*.dmp beside the test program";
        const std::string text = Voxmill::Test::fileBytes(path).toStdString();
        QFile::remove(path);
        EXPECT_NE(text.find("signal: " + std::to_string(row.signal) + " "), std::string::npos) << text;
        if (row.address) {
            EXPECT_NE(text.find(std::string("address: ") + row.address), std::string::npos) << text;
        }
        // the backtrace reaches the test program's own frames
        size_t trace = text.find("backtrace:\n");
        ASSERT_NE(trace, std::string::npos) << text;
        EXPECT_NE(text.find("voxmill_tests", trace), std::string::npos) << text;
    }
}

// Not in an anonymous namespace, which would let the compiler bind the call to the only override.
namespace PureCallTest {

struct Abstract;
void callHook(Abstract* a);

struct Abstract {
    // called through an opaque function, so the base's vtable with its pure slot is used
    Abstract() { callHook(this); }
    virtual ~Abstract() = default;
    virtual void hook() = 0;
};
struct Concrete : Abstract {
    void hook() override {}
};

__attribute__((noipa)) void callHook(Abstract* a) { a->hook(); }

} // namespace PureCallTest

TEST(CrashHandler, PureVirtualCallIsAnOrdinaryError) {
    try {
        PureCallTest::Concrete c;
        FAIL() << "the pure call returned";
    } catch (const std::runtime_error& e) {
        EXPECT_STREQ(e.what(), "purecallHandler.");
    }
}
