// Two pieces of work at once: one on a thread of its own, one on the
// caller's. An exception from either reaches the caller once both ended.
#pragma once

#include <exception>
#include <thread>
#include <utility>

namespace differences {

template <typename T_Other, typename T_Here> void Run_Beside(T_Other&& Other, T_Here&& Here)
{
    std::exception_ptr Failure;
    std::thread Thread([&] {
        try {
            Other();
        } catch (...) {
            Failure = std::current_exception();
        }
    });
    try {
        Here();
    } catch (...) {
        Thread.join();
        throw;
    }
    Thread.join();
    if (Failure)
        std::rethrow_exception(Failure);
}

} // namespace differences
