#include "base/ParallelRanges.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

#include "base/ThreadCrashStack.h"

namespace Voxmill {

void parallelRanges(int32_t workers, int32_t count,
                    const std::function<void(int32_t first, int32_t end)>& body) {
    const int32_t pieces = std::max(1, std::min(workers, count));
    std::vector<std::exception_ptr> errors(static_cast<size_t>(pieces));
    auto run = [&](int32_t piece) {
        try {
            body(int32_t(int64_t(count) * piece / pieces), int32_t(int64_t(count) * (piece + 1) / pieces));
        } catch (...) {
            errors[size_t(piece)] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    try {
        for (int32_t piece = 1; piece < pieces; ++piece)
            threads.emplace_back([&run, piece] {
                ThreadCrashStack crashStack;
                run(piece);
            });
    } catch (...) {
        errors[0] = std::current_exception(); // no thread to be had: the rest is not run
        for (std::thread& t : threads) t.join();
        std::rethrow_exception(errors[0]);
    }
    run(0);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& e : errors)
        if (e) std::rethrow_exception(e);
}

} // namespace Voxmill
