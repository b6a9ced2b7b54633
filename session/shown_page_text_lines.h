// The window's pages' text lines: the two documents' text layers, kept
// while the window shows them, and the step that joins the changes of the
// pages shown by the lines of their text, as the comparison without a
// window does.
#pragma once

#include "session/difference_task.h"

#include <memory>
#include <string>

class T_Shown_Page_Text_Lines {
public:
    T_Shown_Page_Text_Lines();
    ~T_Shown_Page_Text_Lines();

    // Joins the changes of page Old_Page of Old_File and New_Page of
    // New_File by their text lines; the modified page lies at (Offset_X,
    // Offset_Y) in the base's pixels unless an alignment placed it. The
    // step reads the text on the thread it runs on, and may outlive this.
    T_Settle_Differences For_Pages(const std::string& Old_File, int Old_Page,
                                   const std::string& New_File, int New_Page, int Offset_X,
                                   int Offset_Y) const;

private:
    struct T_Layers;
    std::shared_ptr<T_Layers> Layers_;
};
