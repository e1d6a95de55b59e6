#pragma once
// What a reader call ended with, for table-driven failure tests.

#include <ios>
#include <stdexcept>
#include <string>

namespace VoxmillTest {

// Stands for the standard stream failure in an expected-error column.
const std::string streamFailure = "<stream failure>";

// "" when f returns, streamFailure for a stream failure, else the message.
template <class F>
std::string errorOf(F&& f) {
    try {
        f();
        return "";
    } catch (const std::ios_base::failure&) {
        return streamFailure;
    } catch (const std::exception& e) {
        return e.what();
    }
}

} // namespace VoxmillTest
