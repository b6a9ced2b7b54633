// One comparison after another in the same place: the window asks for the
// next pair (its two versions swapped, the same files read again, or
// another pair), closes, and the pair is classified and opened as one named
// on the command line would be.
#pragma once

#include "app/pair_request.h"
#include "app/u_diff_launcher.h"

#include <string>

// A pair as the user named it, with the titles its panes carry (empty: the
// default captions).
struct T_Named_Pair {
    std::string Left;
    std::string Right;
    std::string Left_Title;
    std::string Right_Title;

    bool operator==(const T_Named_Pair&) const = default;
};

// The pair that Request opens after Current; Current itself for None.
T_Named_Pair Requested_Pair(const T_Named_Pair& Current, const T_Pair_Request& Request);

// Runs Run_Diff for the pair, and again for every pair the window asks for
// when it closes (Hooks.Take_Pair_Request). A requested pair that shows no
// comparison window (refused, of another kind, or handed to Word) has said
// why by then; the last pair shown opens again, so that the window the user
// worked in does not vanish. Every pair that opened a comparison window is
// passed to Hooks.Remember_Pair, except in a version-control client's run.
// Returns how the last launch ended.
T_Diff_Result Run_Diff_Sequence(const std::string& Left, const std::string& Right,
                                const T_Launch_Hooks& Hooks);
