#include "pdf/document_worker.h"

#include <condition_variable>
#include <exception>
#include <mutex>
#include <queue>
#include <thread>
#include <vector>

namespace {

thread_local T_Document_Priority Thread_Priority = T_Document_Priority::Rest;
thread_local const std::atomic<bool>* Thread_Cancel = nullptr;

struct T_Call {
    T_Document_Priority Priority;
    unsigned long long Order; // first come, first served within a priority
    const std::function<void()>* Work;
    const std::atomic<bool>* Cancel;
    // Set by the worker; the caller waits for Done.
    std::exception_ptr* Failure;
    bool* Done;
};

struct T_Later {
    bool operator()(const T_Call& A, const T_Call& B) const
    {
        if (A.Priority != B.Priority)
            return A.Priority > B.Priority;
        return A.Order > B.Order;
    }
};

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
        std::exception_ptr failure;
        bool done = false;
        std::unique_lock<std::mutex> lock(Lock_);
        Queue_.push({Thread_Priority, Next_Order_++, &Work, Thread_Cancel, &failure, &done});
        Wake_.notify_all();
        Finished_.wait(lock, [&] { return done; });
        lock.unlock();
        if (failure)
            std::rethrow_exception(failure);
    }

    int Waiting() const
    {
        std::lock_guard<std::mutex> lock(Lock_);
        return static_cast<int>(Queue_.size());
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
            T_Call call = Queue_.top();
            Queue_.pop();
            lock.unlock();
            try {
                if (call.Cancel && call.Cancel->load())
                    throw T_Document_Call_Dropped{};
                (*call.Work)();
            } catch (...) {
                *call.Failure = std::current_exception();
            }
            lock.lock();
            *call.Done = true;
            Finished_.notify_all();
        }
    }

    mutable std::mutex Lock_;
    std::condition_variable Wake_;
    std::condition_variable Finished_;
    std::priority_queue<T_Call, std::vector<T_Call>, T_Later> Queue_;
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
