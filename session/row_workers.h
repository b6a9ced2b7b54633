// The rows of a list (the pairs of two folders) worked through on several
// threads at once. Rows are started in their order, each by the first
// worker free, so that the first rows are done first; rows marked urgent
// start before the others within the rows the reader lets run ahead.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <limits>
#include <mutex>
#include <thread>
#include <vector>

// One worker per processor the process may use (at least one): what --jobs
// and the folder list use unless told otherwise.
unsigned Default_Workers();

class T_Row_Workers {
public:
    using T_Work = std::function<void(std::size_t Row)>;
    // Whether a row is to start before the rows around it (it takes long);
    // asked once per row, under the workers' lock: it must be quick.
    using T_Urgent = std::function<bool(std::size_t Row)>;
    static constexpr std::size_t Unlimited = std::numeric_limits<std::size_t>::max();

    // Starts Workers threads (no more than there are rows) that call Work
    // for each row from 0 to Rows - 1. Each worker thread enters an
    // automation apartment of its own: drawings and office documents are
    // exported through automation servers, which belong to the thread that
    // entered them. A row is only started while it lies fewer than Ahead
    // rows past the first row not yet Released, which bounds what a reader
    // that takes the results in order has to hold. Of those rows the
    // urgent ones start first, in their order (so that the long rows do not
    // all come last and leave one worker alone at the end).
    T_Row_Workers(std::size_t Rows, unsigned Workers, T_Work Work, std::size_t Ahead = Unlimited,
                  T_Urgent Urgent = {});
    // Stops and waits for the workers.
    ~T_Row_Workers();
    T_Row_Workers(const T_Row_Workers&) = delete;
    T_Row_Workers& operator=(const T_Row_Workers&) = delete;

    // No row is started any more; the rows under way run to their end.
    void Stop();
    // Waits until every worker has ended (all rows done, or stopped).
    void Wait();
    // The rows before Row and Row itself are taken by their reader: rows
    // further on may start.
    void Release(std::size_t Row);

private:
    void Run_Worker();
    // The next row to work on; Rows_ when there is none left (or stopped).
    std::size_t Next_Row();

    const std::size_t Rows_;
    const std::size_t Ahead_;
    T_Work Work_;
    T_Urgent Urgent_;
    std::mutex Lock_;
    std::condition_variable Changed_;
    std::size_t Next_ = 0;           // the first row not started
    std::vector<bool> Started_;      // rows started ahead of Next_ (urgent ones)
    std::size_t Urgent_Checked_ = 0; // rows before this one are known not urgent or started
    std::size_t Released_ = 0;       // rows before this one are taken
    bool Stopped_ = false;
    std::vector<std::thread> Threads_;
};
