// Rows measured on several threads and reported in their order. A row may
// come to several items (a document's pairs of pages); each item is handed
// on, on the calling thread, as soon as it and everything before it are
// done, so that a report reads as if the rows had run one by one, and a long
// document still shows its progress page by page.
#pragma once

#include "session/row_workers.h"

#include <algorithm>
#include <deque>
#include <exception>

// Ahead: how many rows may be under way or waiting past the first one not
// taken (0: twice as many as workers), the urgent rows among them first
// (see T_Row_Workers).
template <class T_Item>
void Run_Rows_In_Order(
    std::size_t Rows, unsigned Workers,
    const std::function<void(std::size_t Row, const std::function<void(T_Item&&)>& Put)>& Measure,
    const std::function<void(T_Item&& Item)>& Take, std::size_t Ahead = 0,
    T_Row_Workers::T_Urgent Urgent = {})
{
    struct T_Slot {
        std::deque<T_Item> Items;
        bool Finished = false;
        std::exception_ptr Failure;
    };
    std::vector<T_Slot> results(Rows);
    std::mutex lock;
    std::condition_variable changed;
    auto work = [&](std::size_t row) {
        std::exception_ptr failure;
        try {
            Measure(row, [&](T_Item&& item) {
                const std::lock_guard guard(lock);
                results[row].Items.push_back(std::move(item));
                changed.notify_all();
            });
        } catch (...) {
            failure = std::current_exception();
        }
        const std::lock_guard guard(lock);
        results[row].Finished = true;
        results[row].Failure = failure;
        changed.notify_all();
    };
    // Items wait for the rows before them: at most Ahead rows are under way
    // or waiting, however slow one row is.
    if (Ahead == 0)
        Ahead = 2 * std::size_t(std::max(Workers, 1u));
    T_Row_Workers workers(Rows, Workers, work, Ahead, std::move(Urgent));
    for (std::size_t row = 0; row < Rows; ++row) {
        for (bool finished = false; !finished;) {
            std::deque<T_Item> items;
            {
                std::unique_lock guard(lock);
                changed.wait(guard,
                             [&] { return !results[row].Items.empty() || results[row].Finished; });
                items.swap(results[row].Items);
                finished = results[row].Finished && items.empty();
            }
            for (T_Item& item : items)
                Take(std::move(item));
        }
        workers.Release(row);
        if (results[row].Failure)
            std::rethrow_exception(results[row].Failure);
    }
}
