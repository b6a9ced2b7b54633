// The one form of background work: the latest request wins, a cancelled or
// superseded request never delivers, a receiver that is gone receives
// nothing, and a failure reaches the caller instead of a result.
#include "session/latest_task.h"

#include <QObject>
#include <QTest>
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// Work that runs until it is cancelled or released, then answers Value.
auto Held_Work(const std::shared_ptr<std::atomic<bool>>& Release, int Value)
{
    return [Release, Value](const T_Cancel_Flag& Cancel) {
        while (!Release->load() && !Cancel.Cancelled())
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        return Value;
    };
}

// Lets queued deliveries run, long enough for any that would come.
void Settle() { QTest::qWait(100); }

TEST(Latest_Task, OnlyTheLatestRequestDeliversOnTheReceiversThread)
{
    QObject receiver;
    std::vector<int> delivered;
    std::thread::id delivered_on;
    T_Latest_Task<int> task(&receiver, [&](int Value) {
        delivered.push_back(Value);
        delivered_on = std::this_thread::get_id();
    });
    auto release = std::make_shared<std::atomic<bool>>(false);
    task.Start(Held_Work(release, 1));
    task.Start(Held_Work(release, 2));
    EXPECT_TRUE(task.Busy());
    *release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !task.Busy(); }, 5000));
    Settle();
    EXPECT_EQ(delivered, std::vector<int>{2});
    EXPECT_EQ(delivered_on, std::this_thread::get_id());
}

TEST(Latest_Task, ACancelledRequestNeverDelivers)
{
    QObject receiver;
    int delivered = 0;
    T_Latest_Task<int> task(&receiver, [&](int) { ++delivered; });
    // Cancelled while it runs, and cancelled after it has answered but
    // before the answer was taken from the queue.
    auto release = std::make_shared<std::atomic<bool>>(false);
    task.Start(Held_Work(release, 1));
    task.Cancel();
    EXPECT_FALSE(task.Busy());
    Settle();
    task.Start([](const T_Cancel_Flag&) { return 2; });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    task.Cancel();
    Settle();
    EXPECT_EQ(delivered, 0);
}

TEST(Latest_Task, NothingReachesAReceiverOrATaskThatIsGone)
{
    int delivered = 0;
    auto release = std::make_shared<std::atomic<bool>>(false);
    {
        auto receiver = std::make_unique<QObject>();
        T_Latest_Task<int> task(receiver.get(), [&](int) { ++delivered; });
        task.Start([release](const T_Cancel_Flag&) {
            while (!release->load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            return 1;
        });
        receiver.reset();
        *release = true;
        Settle();
    }
    {
        // The task ends with its answer still queued.
        QObject receiver;
        auto task = std::make_unique<T_Latest_Task<int>>(&receiver, [&](int) { ++delivered; });
        task->Start([](const T_Cancel_Flag&) { return 1; });
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        task.reset();
        Settle();
    }
    EXPECT_EQ(delivered, 0);
}

TEST(Latest_Task, AFailureReachesTheCallerInsteadOfAResult)
{
    QObject receiver;
    std::string reason;
    bool delivered = false;
    T_Latest_Task<int> task(
        &receiver, [&](int) { delivered = true; },
        [&](const std::string& Reason) { reason = Reason; });
    task.Start([](const T_Cancel_Flag&) -> int { throw std::runtime_error("page 3 is damaged"); });
    ASSERT_TRUE(QTest::qWaitFor([&] { return !task.Busy(); }, 5000));
    EXPECT_EQ(reason, "page 3 is damaged");
    EXPECT_FALSE(delivered);
}

} // namespace
