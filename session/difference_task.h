// The differences of the two pictures shown, computed on another thread
// whenever the pictures or the settings change; a newer request supersedes
// an older one, and the interface never waits.
#pragma once

#include "differences/picture_alignment.h"
#include "differences/picture_difference.h"
#include "session/latest_task.h"

#include <QImage>

#include <functional>
#include <memory>

class QObject;

// A last step on a pair's differences before they are shared, given the
// alignment they were found under (null when none was asked for): a page
// pair's changes joined by the lines of its text.
using T_Settle_Differences =
    std::function<void(T_Difference& Difference, const T_Alignment* Alignment)>;

class T_Difference_Task {
public:
    // The differences with the alignment they were found under (Off: the
    // pictures compared as they are).
    using T_Ready = std::function<void(std::shared_ptr<const T_Aligned_Difference> Result)>;

    // Ready runs on the thread of Context (the user interface) with each
    // request's result that was not superseded first.
    T_Difference_Task(QObject* Context, T_Ready Ready);

    // Settle, when given, runs on the differences found, on the task's thread.
    void Request(const QImage& Base, const QImage& Modified, T_Align_Mode Mode,
                 const T_Difference_Options& Options, T_Settle_Differences Settle = {});
    // True while a request has not been answered.
    bool Busy() const { return Task_.Busy(); }

private:
    using T_Answer = std::shared_ptr<const T_Aligned_Difference>;
    T_Latest_Task<T_Answer> Task_;
};
