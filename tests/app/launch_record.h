// A launcher's windows stood in for: what it would have opened, and with
// which files and captions.
#pragma once

#include "app/u_diff_launcher.h"

#include <string>
#include <vector>

// Records what the launcher opened instead of opening windows.
struct Launch_Record {
    std::vector<std::string> Calls;
    std::string Left, Right;
    int Converter = -1, Paged = -1;
    bool Result = true; // what the windows answer: false when they ended on an error
    T_Launch_Hooks Hooks()
    {
        T_Launch_Hooks hooks;
        hooks.Show_Diff_Form = [this](const std::string& left, const std::string& left_caption,
                                      const std::string& right, const std::string& right_caption,
                                      T_Converter_Kind converter, T_Paged_Kind paged) {
            Calls.push_back("diff:" + left_caption + "|" + right_caption);
            Left = left;
            Right = right;
            Converter = static_cast<int>(converter);
            Paged = static_cast<int>(paged);
            return Result;
        };
        hooks.Show_About = [this] { Calls.push_back("about"); };
        hooks.Word_Diff = [this](const std::string& left, const std::string& right) {
            Calls.push_back("word");
            Left = left;
            Right = right;
            return Result;
        };
        return hooks;
    }
};
