// The differences of the two pictures shown, computed on another thread
// whenever the pictures or the settings change; a newer request supersedes
// an older one, and the interface never waits.
#pragma once

#include "differences/picture_alignment.h"
#include "differences/picture_difference.h"

#include <QImage>

#include <atomic>
#include <functional>
#include <future>
#include <memory>

class QObject;

class T_Difference_Task {
public:
    // The differences with the alignment they were found under (Off: the
    // pictures compared as they are).
    using T_Ready = std::function<void(std::shared_ptr<const T_Aligned_Difference> Result)>;

    // Ready runs on the thread of Context (the user interface) with each
    // request's result that was not superseded first.
    T_Difference_Task(QObject* Context, T_Ready Ready);
    // Stops the work under way and waits for it (a few rows).
    ~T_Difference_Task();
    T_Difference_Task(const T_Difference_Task&) = delete;
    T_Difference_Task& operator=(const T_Difference_Task&) = delete;

    void Request(const QImage& Base, const QImage& Modified, T_Align_Mode Mode,
                 const T_Difference_Options& Options);
    // True while a request has not been answered.
    bool Busy() const { return Pending > 0; }

private:
    void Stop_Running();

    QObject* Context_;
    T_Ready Ready_;
    std::shared_ptr<std::atomic<bool>> Cancel;
    std::future<void> Running;
    int Pending = 0;
    unsigned Generation = 0;
};
