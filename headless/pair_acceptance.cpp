#include "headless/pair_acceptance.h"

#include <cstdio>

namespace {

std::string Number(double Value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.6g", Value);
    return text;
}

// A changed pair of pictures against the limits.
T_Acceptance Judge_Changes(const T_Difference& Difference, const T_Acceptance_Rules& Rules)
{
    const std::size_t pixels = Difference.Changed_Pixels;
    if (Rules.Max_Changed_Pixels >= 0 && pixels > std::size_t(Rules.Max_Changed_Pixels))
        return {false, "changed pixels " + std::to_string(pixels) + " > " +
                           std::to_string(Rules.Max_Changed_Pixels)};
    const double percent = Difference.Changed_Share() * 100;
    // A share given exactly (50 of 10,000 pixels for 0.5) passes however the
    // division rounds.
    if (Rules.Max_Changed_Share >= 0 && percent > Rules.Max_Changed_Share * (1 + 1e-12))
        return {false, "changed share " + Number(percent) + " % > " +
                           Number(Rules.Max_Changed_Share) + " %"};
    if (Rules.Max_Changed_Pixels < 0 && Rules.Max_Changed_Share < 0)
        return {false, "different"};
    return {true, "within thresholds"};
}

} // namespace

T_Acceptance_Rules T_Acceptance_Rules::From(const T_Command_Options& Options)
{
    T_Acceptance_Rules rules;
    rules.Max_Changed_Pixels = Options.Max_Changed_Pixels;
    rules.Max_Changed_Share = Options.Max_Changed_Share;
    rules.Fail_On_Missing = Options.Fail_On_Missing;
    rules.Limits = Has_Acceptance_Limits(Options);
    return rules;
}

T_Acceptance Judge_Acceptance(const T_Pair_Findings& Pair, const T_Acceptance_Rules& Rules)
{
    switch (Pair.Result) {
    case T_Verdict::Identical:
        return {true, "identical"};
    case T_Verdict::Error:
        return {false, "error"};
    case T_Verdict::Only_Old:
    case T_Verdict::Only_New: {
        const std::string side = Pair.Result == T_Verdict::Only_Old ? "only in old" : "only in new";
        // A page gone from a document, or added, changes the document.
        if (!Pair.Old_Page.empty() || !Pair.New_Page.empty())
            return {false, "page " + side};
        return {Rules.Limits && !Rules.Fail_On_Missing, side};
    }
    case T_Verdict::Different:
        break;
    }
    // A sheet put elsewhere changes the document, however few pixels did.
    if (Pair.Moved)
        return {false, "moved from page " + std::to_string(Pair.Old_Page_Number) + " to page " +
                           std::to_string(Pair.New_Page_Number)};
    if (!Pair.Difference)
        return {false, "contents differ"};
    return Judge_Changes(*Pair.Difference, Rules);
}
