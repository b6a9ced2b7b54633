#include "session/row_workers.h"

#include "automation/u_ole_automation.h"
#include "platform/os_platform.h"

#include <algorithm>

// The processors the process may use, not all the machine has: under
// taskset or a CI runner's CPU set more workers only take turns.
unsigned Default_Workers() { return os::Usable_Processors(); }

T_Row_Workers::T_Row_Workers(std::size_t Rows, unsigned Workers, T_Work Work, std::size_t Ahead,
                             T_Urgent Urgent)
    : Rows_(Rows), Ahead_(std::max<std::size_t>(Ahead, 1)), Work_(std::move(Work)),
      Urgent_(std::move(Urgent)), Started_(Urgent_ ? Rows : 0, false)
{
    const std::size_t count = std::min<std::size_t>(std::max(Workers, 1u), Rows);
    for (std::size_t worker = 0; worker < count; ++worker)
        Threads_.emplace_back([this] { Run_Worker(); });
}

T_Row_Workers::~T_Row_Workers()
{
    Stop();
    Wait();
}

void T_Row_Workers::Stop()
{
    const std::lock_guard lock(Lock_);
    Stopped_ = true;
    Changed_.notify_all();
}

void T_Row_Workers::Wait()
{
    for (std::thread& thread : Threads_)
        if (thread.joinable())
            thread.join();
}

void T_Row_Workers::Release(std::size_t Row)
{
    const std::lock_guard lock(Lock_);
    Released_ = std::max(Released_, Row + 1);
    Changed_.notify_all();
}

std::size_t T_Row_Workers::Next_Row()
{
    std::unique_lock lock(Lock_);
    // The reader takes rows in order, and the row it waits for was started
    // before any row waiting here: the wait ends.
    Changed_.wait(lock, [this] {
        return Stopped_ || Next_ >= Rows_ || Next_ < Released_ || Next_ - Released_ < Ahead_;
    });
    if (Stopped_ || Next_ >= Rows_)
        return Rows_;
    if (!Urgent_)
        return Next_++;
    // The first urgent row not started within the rows allowed to run,
    // else the first row not started. Each row is asked about once.
    const std::size_t end = Released_ + Ahead_ < Released_ ? Rows_ // no limit
                                                           : std::min(Rows_, Released_ + Ahead_);
    std::size_t row = std::max(Urgent_Checked_, Next_);
    for (; row < end; ++row)
        if (!Started_[row] && Urgent_(row))
            break;
    Urgent_Checked_ = row < end ? row + 1 : row;
    if (row >= end)
        row = Next_;
    Started_[row] = true;
    while (Next_ < Rows_ && Started_[Next_])
        ++Next_;
    return row;
}

void T_Row_Workers::Run_Worker()
{
    T_Automation_Apartment apartment;
    for (std::size_t row = Next_Row(); row < Rows_; row = Next_Row())
        Work_(row);
}
