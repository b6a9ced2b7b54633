// What a comparison window asks to open once it has closed.
#pragma once

#include <string>

// What a closed comparison window asked to open next.
struct T_Pair_Request {
    enum class T_Kind {
        None,   // nothing: the window was closed for good
        Swap,   // the same pair, base and modified exchanged
        Reload, // the same pair, read again from disk
        Open,   // the pair Left, Right (the panes' default captions)
    };
    T_Kind Kind = T_Kind::None;
    std::string Left;
    std::string Right;
};
