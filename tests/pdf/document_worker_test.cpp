// The document worker: calls run one at a time on its thread, the most
// urgent first, and a call no longer wanted when its turn comes is dropped.
#include "pdf/document_worker.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

// Holds the worker busy until it goes, so that calls queue up behind it.
class Busy_Worker {
public:
    Busy_Worker()
        : Holder_([this] {
              Run_On_Document_Worker([this] {
                  std::unique_lock<std::mutex> lock(Lock_);
                  Started_ = true;
                  Changed_.notify_all();
                  Changed_.wait(lock, [this] { return Released_; });
              });
          })
    {
        std::unique_lock<std::mutex> lock(Lock_);
        Changed_.wait(lock, [this] { return Started_; });
    }
    ~Busy_Worker()
    {
        Release();
        Holder_.join();
    }
    void Release()
    {
        std::lock_guard<std::mutex> lock(Lock_);
        Released_ = true;
        Changed_.notify_all();
    }

private:
    std::mutex Lock_;
    std::condition_variable Changed_;
    bool Started_ = false;
    bool Released_ = false;
    std::thread Holder_;
};

void Wait_Until_Queued(int Calls)
{
    while (Document_Calls_Waiting() < Calls)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

} // namespace

TEST(Document_Worker, RunsTheWaitingCallsMostUrgentFirstAndDropsAtOnceThoseNoLongerWanted)
{
    std::mutex order_lock;
    std::vector<std::string> order;
    std::atomic<bool> overtaken{false};
    std::atomic<bool> dropped{false};
    std::vector<std::thread> callers;
    {
        Busy_Worker busy;
        auto call = [&](T_Document_Priority priority, std::string name,
                        const std::atomic<bool>* cancel) {
            callers.emplace_back([&, priority, name, cancel] {
                const T_Document_Call_Scope scope(priority, cancel);
                try {
                    Run_On_Document_Worker([&] {
                        std::lock_guard<std::mutex> lock(order_lock);
                        order.push_back(name);
                    });
                } catch (const T_Document_Call_Dropped&) {
                    dropped = true;
                }
            });
        };
        call(T_Document_Priority::Rest, "rest", nullptr);
        Wait_Until_Queued(1);
        call(T_Document_Priority::Pairing, "pairing", nullptr);
        Wait_Until_Queued(2);
        call(T_Document_Priority::Visible_Pair, "overtaken page", &overtaken);
        Wait_Until_Queued(3);
        call(T_Document_Priority::Visible_Text, "text", nullptr);
        Wait_Until_Queued(4);
        call(T_Document_Priority::Visible_Pair, "page", nullptr);
        Wait_Until_Queued(5);
        // No longer wanted: it leaves the queue at once, while the worker
        // is still busy.
        overtaken = true;
        while (!dropped)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(Document_Calls_Waiting(), 4);
    }
    for (std::thread& caller : callers)
        caller.join();
    EXPECT_EQ(order, (std::vector<std::string>{"page", "text", "pairing", "rest"}));
    EXPECT_TRUE(dropped);
}

TEST(Document_Worker, ACallMadeOnTheWorkerRunsAtOnceAndFailuresReachTheCaller)
{
    int nested = 0;
    Run_On_Document_Worker([&] { Run_On_Document_Worker([&] { nested = 1; }); });
    EXPECT_EQ(nested, 1);
    EXPECT_EQ(On_Document_Worker([] { return 42; }), 42);
    EXPECT_THROW(Run_On_Document_Worker([] { throw std::runtime_error("damaged"); }),
                 std::runtime_error);
}
