// Rows worked through on several threads: each exactly once, no further
// ahead of their reader than allowed, none started once stopped, and
// results taken in the rows' order whatever order they end in.
#include "session/rows_in_order.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <set>
#include <stdexcept>

namespace {

using namespace std::chrono_literals;

// Waits (a while at most) until Condition holds.
template <class T_Condition> bool Eventually(T_Condition Condition)
{
    for (int tries = 0; tries < 1000 && !Condition(); ++tries)
        std::this_thread::sleep_for(5ms);
    return Condition();
}

TEST(RowWorkers, MeasuresEveryRowOnceOnSeveralThreads)
{
    std::mutex lock;
    std::multiset<std::size_t> rows;
    std::set<std::thread::id> threads;
    {
        T_Row_Workers workers(200, 4, [&](std::size_t row) {
            std::this_thread::sleep_for(1ms);
            const std::lock_guard guard(lock);
            rows.insert(row);
            threads.insert(std::this_thread::get_id());
        });
        workers.Wait();
    }
    EXPECT_EQ(rows.size(), 200u);
    for (std::size_t row = 0; row < 200; ++row)
        EXPECT_EQ(rows.count(row), 1u) << row;
    EXPECT_GT(threads.size(), 1u);
    EXPECT_LE(threads.size(), 4u);
    EXPECT_FALSE(threads.count(std::this_thread::get_id()));
    // No rows: nothing runs, and nothing waits.
    T_Row_Workers none(0, 4, [](std::size_t) { ADD_FAILURE(); });
    none.Wait();
}

TEST(RowWorkers, StaysWithinReachOfTheReaderAndStartsNothingOnceStopped)
{
    std::atomic<std::size_t> started{0};
    T_Row_Workers workers(
        10, 4, [&](std::size_t) { ++started; }, 2);
    ASSERT_TRUE(Eventually([&] { return started == 2; }));
    std::this_thread::sleep_for(20ms);
    EXPECT_EQ(started, 2u); // rows 0 and 1 wait for their reader
    workers.Release(0);
    ASSERT_TRUE(Eventually([&] { return started == 3; }));
    workers.Release(3);
    ASSERT_TRUE(Eventually([&] { return started == 6; }));
    workers.Stop();
    workers.Release(9);
    workers.Wait();
    EXPECT_EQ(started, 6u);
}

TEST(RowWorkers, UrgentRowsStartFirstWithinReachOfTheReader)
{
    // One worker, so that the start order is the order rows are measured in.
    const std::set<std::size_t> urgent = {3, 5, 9};
    std::vector<std::size_t> order;
    const auto run = [&](std::size_t Ahead) {
        order.clear();
        Run_Rows_In_Order<std::size_t>(
            12, 1,
            [&](std::size_t row, const std::function<void(std::size_t &&)>& put) {
                order.push_back(row);
                put(std::size_t(row));
            },
            [](std::size_t&&) {}, Ahead, [&](std::size_t row) { return urgent.count(row) > 0; });
    };
    run(100); // every row within reach
    EXPECT_EQ(order, (std::vector<std::size_t>{3, 5, 9, 0, 1, 2, 4, 6, 7, 8, 10, 11}));
    // Four rows ahead of the reader at most: row 3 is within reach from the
    // start, row 9 only once rows up to 5 are taken; no row is measured
    // twice or left out.
    run(4);
    ASSERT_EQ(order.size(), 12u);
    EXPECT_EQ(std::set<std::size_t>(order.begin(), order.end()).size(), 12u);
    EXPECT_EQ(order[0], 3u);
    const auto at = [&](std::size_t row) { return std::find(order.begin(), order.end(), row); };
    EXPECT_LT(at(5), at(9));
    EXPECT_LT(at(0), at(5));
}

TEST(RowsInOrder, TakesItemsInTheRowsOrderWhateverOrderTheyEndIn)
{
    // Row 0 ends last: everything after it waits for it.
    std::atomic<int> ended{0};
    std::vector<std::string> taken;
    Run_Rows_In_Order<std::string>(
        6, 4,
        [&](std::size_t row, const std::function<void(std::string &&)>& put) {
            if (row == 0)
                Eventually([&] { return ended >= 3; });
            put(std::to_string(row) + "a");
            if (row % 2 == 0)
                put(std::to_string(row) + "b");
            ++ended;
        },
        [&](std::string&& item) { taken.push_back(item); });
    EXPECT_EQ(taken,
              (std::vector<std::string>{"0a", "0b", "1a", "2a", "2b", "3a", "4a", "4b", "5a"}));
}

TEST(RowsInOrder, AFailedRowIsRaisedOnTheCallersThreadAfterTheRowsBeforeIt)
{
    std::vector<std::size_t> taken;
    EXPECT_THROW(Run_Rows_In_Order<std::size_t>(
                     50, 3,
                     [](std::size_t row, const std::function<void(std::size_t &&)>& put) {
                         if (row == 7)
                             throw std::runtime_error("row 7");
                         put(std::size_t(row));
                     },
                     [&](std::size_t&& row) { taken.push_back(row); }),
                 std::runtime_error);
    EXPECT_EQ(taken, (std::vector<std::size_t>{0, 1, 2, 3, 4, 5, 6}));
}

} // namespace
