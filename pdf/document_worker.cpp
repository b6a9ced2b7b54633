#include "pdf/document_worker.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <exception>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace {

thread_local T_Document_Priority Thread_Priority = T_Document_Priority::Rest;
thread_local const std::atomic<bool>* Thread_Cancel = nullptr;

// A call waiting for its turn or under way. The caller's state is shared:
// a caller that gave up on a call not started yet leaves, and the worker
// then skips it without touching what the caller held.
struct T_Call {
    T_Document_Priority Priority;
    unsigned long long Order; // first come, first served within a priority
    const std::function<void()>* Work;
    std::exception_ptr Failure;
    bool Started = false;
    bool Done = false;
    bool Abandoned = false;
};

struct T_Later {
    bool operator()(const std::shared_ptr<T_Call>& A, const std::shared_ptr<T_Call>& B) const
    {
        if (A->Priority != B->Priority)
            return A->Priority > B->Priority;
        return A->Order > B->Order;
    }
};

// How often a waiting caller looks whether its call is still wanted.
constexpr std::chrono::milliseconds Cancel_Poll(5);

// The worker is made on first use and lives as long as the process: callers
// wait for each of their calls, so nothing is queued when the process ends,
// and a thread left waiting for work holds nothing.
class T_Worker {
public:
    static T_Worker& Get()
    {
        static T_Worker* worker = new T_Worker;
        return *worker;
    }

    bool On_Worker() const { return std::this_thread::get_id() == Thread_Id_; }

    void Run(const std::function<void()>& Work)
    {
        const std::atomic<bool>* cancel = Thread_Cancel;
        auto call = std::make_shared<T_Call>(T_Call{Thread_Priority, 0, &Work});
        std::unique_lock<std::mutex> lock(Lock_);
        call->Order = Next_Order_++;
        Queue_.push(call);
        ++Waiting_;
        Wake_.notify_all();
        for (;;) {
            if (Finished_.wait_for(lock, Cancel_Poll, [&] { return call->Done; }))
                break;
            // Dropped as soon as it is no longer wanted, not when its turn
            // comes: its turn may be behind much more urgent work.
            if (cancel && cancel->load() && !call->Started) {
                call->Abandoned = true;
                --Waiting_;
                throw T_Document_Call_Dropped{};
            }
        }
        lock.unlock();
        if (call->Failure)
            std::rethrow_exception(call->Failure);
    }

    int Waiting() const
    {
        std::lock_guard<std::mutex> lock(Lock_);
        return Waiting_;
    }

private:
    T_Worker()
    {
        std::thread thread([this] { Serve(); });
        Thread_Id_ = thread.get_id();
        thread.detach();
    }

    void Serve()
    {
        std::unique_lock<std::mutex> lock(Lock_);
        for (;;) {
            Wake_.wait(lock, [this] { return !Queue_.empty(); });
            std::shared_ptr<T_Call> call = Queue_.top();
            Queue_.pop();
            if (call->Abandoned)
                continue;
            call->Started = true;
            --Waiting_;
            lock.unlock();
            try {
                (*call->Work)();
            } catch (...) {
                call->Failure = std::current_exception();
            }
            lock.lock();
            call->Done = true;
            Finished_.notify_all();
        }
    }

    mutable std::mutex Lock_;
    std::condition_variable Wake_;
    std::condition_variable Finished_;
    std::priority_queue<std::shared_ptr<T_Call>, std::vector<std::shared_ptr<T_Call>>, T_Later>
        Queue_;
    int Waiting_ = 0; // queued and not abandoned
    unsigned long long Next_Order_ = 0;
    std::thread::id Thread_Id_;
};

} // namespace

T_Document_Call_Scope::T_Document_Call_Scope(T_Document_Priority Priority,
                                             const std::atomic<bool>* Cancel)
    : Previous_Priority_(Thread_Priority), Previous_Cancel_(Thread_Cancel)
{
    Thread_Priority = Priority;
    Thread_Cancel = Cancel;
}

T_Document_Call_Scope::~T_Document_Call_Scope()
{
    Thread_Priority = Previous_Priority_;
    Thread_Cancel = Previous_Cancel_;
}

T_Document_Priority Document_Call_Priority() { return Thread_Priority; }

void Run_On_Document_Worker(const std::function<void()>& Call)
{
    T_Worker& worker = T_Worker::Get();
    if (worker.On_Worker()) {
        Call();
        return;
    }
    worker.Run(Call);
}

int Document_Calls_Waiting() { return T_Worker::Get().Waiting(); }
