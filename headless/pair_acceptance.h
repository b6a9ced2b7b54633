// Whether a pair passes: identical pairs always do; with limits on the
// changed pixels or their share, a changed pair within them does too, and a
// file on one side only unless that is to fail as well. Without any limit a
// pair passes only when identical, as the exit status always said.
#pragma once

#include "command_line/command_options.h"
#include "session/compared_pair.h"

#include <string>

struct T_Acceptance_Rules {
    long long Max_Changed_Pixels = -1; // -1: no limit
    double Max_Changed_Share = -1;     // in percent; -1: no limit
    bool Fail_On_Missing = false;
    bool Limits = false; // any of the above was asked for

    static T_Acceptance_Rules From(const T_Command_Options& Options);
};

struct T_Acceptance {
    bool Accepted = false;
    // Why, in a few words: "identical", "within thresholds", "changed pixels
    // 1234 > 100", "only in new"...
    std::string Reason;
};

T_Acceptance Judge_Acceptance(const T_Pair_Findings& Pair, const T_Acceptance_Rules& Rules);
