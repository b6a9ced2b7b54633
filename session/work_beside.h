// Work beside the caller's own, in the two shapes the session needs: two
// pieces of one call that run at the same time and both end before the call
// returns, and one piece started now whose result is taken later.
#pragma once

#include <future>
#include <type_traits>
#include <utility>

// Runs First on a thread of its own while the caller's thread runs Second,
// and gives both results once both have ended. Apart false runs them one
// after the other on the caller's thread (First first), for work that must
// not overlap, such as calls into an exporter that takes one at a time.
template <class T_First, class T_Second>
std::pair<std::invoke_result_t<T_First&>, std::invoke_result_t<T_Second&>>
Both_At_Once(T_First First, T_Second Second, bool Apart = true)
{
    if (!Apart) {
        auto first = First();
        return {std::move(first), Second()};
    }
    // Should Second throw, the future's end is still waited for as it goes.
    auto first = std::async(std::launch::async, std::move(First));
    auto second = Second();
    return {first.get(), std::move(second)};
}

// Starts Work on a thread of its own; the future gives its result, and
// whoever holds the future waits for the work's end before what it reads
// goes away.
template <class T_Work> std::future<std::invoke_result_t<T_Work&>> Start_Beside(T_Work Work)
{
    return std::async(std::launch::async, std::move(Work));
}
