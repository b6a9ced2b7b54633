// Every call into Qt's PDF module made by this program runs on one thread,
// the document worker. The module draws, reads text and measures pages
// under one lock for the whole process, so calls made from several threads
// only wait for each other there, in no particular order; the worker runs
// them one at a time in the order of what they are for: the page pair on
// screen first, then the text of that pair, then the pairing of the pages,
// then the rest (pages drawn ahead, reports). The window's own thread never
// calls in: it asks a thread of its own, which waits here instead.
#pragma once

#include <atomic>
#include <functional>
#include <type_traits>

// What a call is for, most urgent first.
enum class T_Document_Priority {
    Visible_Pair = 0, // the pages and the region shown in the window
    Visible_Text = 1, // the change list's text of the pages shown
    Pairing = 2,      // the small drawings that pair the pages
    Rest = 3,         // pages drawn ahead, comparisons without a window
};

// For as long as it lives, the calls this thread makes into the documents
// run at Priority; a call not started yet when Cancel becomes true is not
// made at all (it throws T_Document_Call_Dropped). Scopes nest; without one a
// call runs at Rest and is never dropped.
class T_Document_Call_Scope {
public:
    explicit T_Document_Call_Scope(T_Document_Priority Priority,
                                   const std::atomic<bool>* Cancel = nullptr);
    ~T_Document_Call_Scope();
    T_Document_Call_Scope(const T_Document_Call_Scope&) = delete;
    T_Document_Call_Scope& operator=(const T_Document_Call_Scope&) = delete;

private:
    T_Document_Priority Previous_Priority_;
    const std::atomic<bool>* Previous_Cancel_;
};

// The priority this thread's calls run at: for work that hands a part of
// itself to threads of its own, which start at Rest.
T_Document_Priority Document_Call_Priority();

// A call that was no longer wanted when its turn came.
struct T_Document_Call_Dropped {};

// Runs Call on the document worker at this thread's priority and waits for
// it; on the worker itself it runs at once. What Call throws is thrown here.
void Run_On_Document_Worker(const std::function<void()>& Call);

// The same for a call with a result.
template <class T_Call> auto On_Document_Worker(T_Call&& Call) -> decltype(Call())
{
    using T_Result = decltype(Call());
    if constexpr (std::is_void_v<T_Result>) {
        Run_On_Document_Worker(Call);
    } else {
        T_Result result{};
        Run_On_Document_Worker([&] { result = Call(); });
        return result;
    }
}

// How many calls wait for the worker now (diagnostics and tests).
int Document_Calls_Waiting();
