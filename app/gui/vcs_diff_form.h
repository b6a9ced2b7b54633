// The main window that holds one comparison.
#pragma once

#include <string>

// Creates the main window for the pair and shows it maximized and modally;
// returns when it has been closed.
void Show_Diff_Form(const std::string& left, const std::string& left_caption,
                    const std::string& right, const std::string& right_caption,
                    unsigned char converter_kind, unsigned char paged_kind);
