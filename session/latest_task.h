// Background work in one form: a request runs on a thread of its own, the
// latest request wins (starting one cancels the one before), and its result
// or its failure reaches the receiver on the receiver's thread, only while
// the receiver lives and only if nothing newer was asked since. The caller
// never waits for superseded work: it only learns that it was cancelled.
// The destructor cancels and waits, so no work outlives what it reads.
#pragma once

#include <QMetaObject>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <chrono>
#include <exception>
#include <functional>
#include <future>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

// What a piece of work polls to learn that it is no longer wanted.
class T_Cancel_Flag {
public:
    bool Cancelled() const { return Flag_.load(std::memory_order_relaxed); }
    // For the work that takes an atomic flag of its own.
    const std::atomic<bool>& Flag() const { return Flag_; }
    void Cancel() { Flag_ = true; }

private:
    std::atomic<bool> Flag_{false};
};

template <class T_Result> class T_Latest_Task {
public:
    using T_Work = std::function<T_Result(const T_Cancel_Flag& Cancel)>;
    using T_Delivered = std::function<void(T_Result Result)>;
    using T_Failed = std::function<void(const std::string& Reason)>;

    // Delivered and Failed run on Receiver's thread.
    T_Latest_Task(QObject* Receiver, T_Delivered Delivered, T_Failed Failed = {})
        : Receiver_(Receiver), State_(std::make_shared<T_State>())
    {
        State_->Delivered = std::move(Delivered);
        State_->Failed = std::move(Failed);
    }
    ~T_Latest_Task()
    {
        Cancel();
        for (auto& running : Running_)
            running.wait();
    }
    T_Latest_Task(const T_Latest_Task&) = delete;
    T_Latest_Task& operator=(const T_Latest_Task&) = delete;

    // Cancels the request under way (without waiting for it) and starts Work.
    void Start(T_Work Work)
    {
        Cancel();
        Forget_Finished();
        auto cancel = std::make_shared<T_Cancel_Flag>();
        unsigned generation = 0;
        {
            std::lock_guard<std::mutex> lock(State_->Lock);
            generation = ++State_->Generation;
            State_->Current_Cancel = cancel;
            State_->Busy = true;
        }
        Running_.push_back(
            std::async(std::launch::async, [state = State_, cancel, generation,
                                            receiver = Receiver_, work = std::move(Work)] {
                Run(state, *cancel, generation, receiver, work);
            }));
    }

    // Nothing of the request under way will be delivered.
    void Cancel()
    {
        std::lock_guard<std::mutex> lock(State_->Lock);
        ++State_->Generation;
        State_->Busy = false;
        if (State_->Current_Cancel)
            State_->Current_Cancel->Cancel();
        State_->Current_Cancel.reset();
    }

    // True from Start until its result or failure is delivered or cancelled.
    bool Busy() const
    {
        std::lock_guard<std::mutex> lock(State_->Lock);
        return State_->Busy;
    }

private:
    struct T_State {
        mutable std::mutex Lock;
        unsigned Generation = 0;
        bool Busy = false;
        std::shared_ptr<T_Cancel_Flag> Current_Cancel;
        T_Delivered Delivered;
        T_Failed Failed;
        bool Current(unsigned generation) const
        {
            std::lock_guard<std::mutex> lock(Lock);
            return generation == Generation;
        }
    };

    static void Run(const std::shared_ptr<T_State>& State, const T_Cancel_Flag& Cancel,
                    unsigned Generation, const QPointer<QObject>& Receiver, const T_Work& Work)
    {
        std::shared_ptr<T_Result> result;
        std::string failure;
        try {
            result = std::make_shared<T_Result>(Work(Cancel));
        } catch (const std::exception& error) {
            failure = error.what();
        } catch (...) {
            failure = "The work failed for an unknown reason.";
        }
        if (Cancel.Cancelled() || !State->Current(Generation) || !Receiver)
            return;
        QMetaObject::invokeMethod(
            Receiver.data(),
            [State, Generation, result, failure] {
                // The task itself may have been destroyed, or asked again,
                // while this waited in the receiver's queue.
                {
                    std::lock_guard<std::mutex> lock(State->Lock);
                    if (Generation != State->Generation)
                        return;
                    State->Busy = false;
                }
                if (result)
                    State->Delivered(std::move(*result));
                else if (State->Failed)
                    State->Failed(failure);
            },
            Qt::QueuedConnection);
    }

    void Forget_Finished()
    {
        std::erase_if(Running_, [](const std::future<void>& running) {
            return running.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
        });
    }

    QPointer<QObject> Receiver_;
    std::shared_ptr<T_State> State_;
    std::vector<std::future<void>> Running_;
};
