// Pairing the pages of two documents by what they show, in the background:
// the window is up with pages paired by position or name, and the pairing
// arrives when every page has been drawn once.
#pragma once

#include "differences/content_pairing.h"
#include "session/latest_task.h"

#include <atomic>
#include <functional>
#include <optional>
#include <string>

class QObject;

class T_Page_Pairing_Task {
public:
    using T_Ready = std::function<void(T_Content_Pairing Pairing)>;
    // Draws the pages and pairs them; returns nothing once Stop is set or
    // when the documents cannot be read. Runs on the task's thread.
    using T_Work = std::function<std::optional<T_Content_Pairing>(const std::atomic<bool>& Stop)>;

    // Starts Work at once; Ready runs on the thread of Context (the user
    // interface) with what it came to, not at all when the task ends first
    // or Work comes to nothing.
    T_Page_Pairing_Task(QObject* Context, T_Work Work, T_Ready Ready);
    // Ending the task asks the worker to stop and waits for it: at most one
    // page, and for drawings the start or the closing of the office that
    // exports them.

private:
    T_Latest_Task<std::optional<T_Content_Pairing>> Task_;
};

// The work of pairing two PDFs' pages: both drawn at once, on two cores.
T_Page_Pairing_Task::T_Work Pdf_Pairing_Work(std::string Left_File, std::string Right_File);
