// Classification of a pair of files and the launch of the matching comparison.
#pragma once

#include "vocabulary/document_kinds.h"
#include "vocabulary/file_names.h"
#include "session/pair_kinds.h"
#include "app/pair_request.h"

#include <functional>
#include <string>

// True when the name is a regular file the user may read, or the null device
// (a version that does not exist); otherwise shows why not (not found, a
// folder, a pipe or device, permission denied) with the name and returns
// false. Nothing opens the file to find out.
bool Check_File_Exists(const std::string& name);

// The windows that the launcher opens; the user interface installs them.
struct T_Launch_Hooks {
    // Each returns false when it ended on an error message.
    std::function<bool(const std::string& left, const std::string& left_caption,
                       const std::string& right, const std::string& right_caption,
                       T_Converter_Kind converter_kind, T_Paged_Kind paged_kind)>
        Show_Diff_Form;
    std::function<void()> Show_About;
    std::function<bool(const std::string& left, const std::string& right)> Word_Diff;
    // Where the application that exports paged drawings is a stand-in that
    // cannot read some of their formats (LibreOffice for Visio: no DWG), the
    // reason a drawing of that kind is refused before anything starts;
    // empty when it can be read. Unset: every drawing goes to its exporter.
    std::function<std::string(const std::string& drawing)> Paged_Refusal;
    // The panes' captions; empty: "Base version" and the modified file's name.
    std::string Left_Title;
    std::string Right_Title;
    // A version-control client runs the program as its viewer (see
    // Runs_As_Version_Control_Viewer): a refused format shows no About box.
    bool Version_Control_Viewer = false;
    // Used by Run_Diff_Sequence, optional: told the user's names of a pair
    // whose comparison window is about to open; asked, once the window has
    // closed, what it wants opened next; told every pair that was shown.
    std::function<void(const std::string& left, const std::string& right)> Pair_Opening;
    std::function<T_Pair_Request()> Take_Pair_Request;
    std::function<void(const std::string& left, const std::string& right)> Remember_Pair;
    // Optional: given, before each window opens, what to run once that
    // window is on the screen (it remembers the pair then); a pair whose
    // window never came up is remembered when it closes instead.
    std::function<void(std::function<void()> Up)> Window_Up;
    // Optional: asked once a window has closed whether it still showed a
    // version it could not read (a damaged picture): the pair was then not
    // compared, and a version-control client must not go on as if it was.
    std::function<bool()> Version_Unread;
};

// How a launch ended.
enum class T_Diff_Result {
    Shown,       // the comparison was shown and the user closed it
    Failed,      // it ended on an error message, or showed a version it could not read
    Unsupported, // the file is of a kind that is not compared
};

// Checks both files, classifies the pair by the right file (by the left one
// when the right is the null device) and starts the comparison; returns when
// it has finished or was refused.
T_Diff_Result Run_Diff(const std::string& left, const std::string& right,
                       const T_Launch_Hooks& hooks);
