// Pairing the pages of two PDFs by what they show, in the background: the
// window is up with pages paired by position, and the pairing arrives when
// every page has been drawn once.
#pragma once

#include "content_pairing.h"

#include <atomic>
#include <functional>
#include <string>
#include <thread>

class QObject;

class T_Page_Pairing_Task {
public:
    using T_Ready = std::function<void(T_Content_Pairing Pairing)>;

    // Starts at once; Ready runs on the thread of Context (the user
    // interface), not at all when the task ends first or a file cannot be
    // read.
    T_Page_Pairing_Task(QObject* Context, std::string Left_File, std::string Right_File,
                        T_Ready Ready);
    // Asks the worker to stop and waits for it (at most one page).
    ~T_Page_Pairing_Task();
    T_Page_Pairing_Task(const T_Page_Pairing_Task&) = delete;
    T_Page_Pairing_Task& operator=(const T_Page_Pairing_Task&) = delete;

private:
    void Run(QObject* Context, const std::string& Left_File, const std::string& Right_File,
             const T_Ready& Ready);

    std::atomic<bool> Stop{false};
    std::thread Worker;
};
