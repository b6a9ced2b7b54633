// What the folder list's columns and summary make of the outcomes that the
// real folders of the list's own test do not produce.
#include "session/folder_comparison.h"

#include <gtest/gtest.h>

TEST(FolderColumns, DocumentsHaveNoShareAndErrorsKeepTheirReason)
{
    const T_Folder_Row both{"sub/plan.pdf", true, true};
    T_Pair_Outcome outcome;
    outcome.Verdict = T_Verdict::Different;
    outcome.Changed_Pixels = 1234567;
    outcome.Compared_Pictures = 3;
    outcome.Changed_Share = 0.02; // the last page's alone
    EXPECT_EQ(Folder_Columns(both, outcome).Changed_Pixels, "1,234,567");
    EXPECT_EQ(Folder_Columns(both, outcome).Share, "");
    // A change too small for two decimals does not read as no change.
    outcome.Compared_Pictures = 1;
    outcome.Changed_Share = 1e-7;
    EXPECT_EQ(Folder_Columns(both, outcome).Share, "< 0.01 %");
    // Present on both sides, yet one-sided after comparing: it changed.
    outcome.Verdict = T_Verdict::Only_Old;
    EXPECT_EQ(Folder_Columns(both, outcome).Verdict, "changed");
    outcome = {};
    outcome.Verdict = T_Verdict::Error;
    outcome.Error = "old/sub/plan.pdf: Corrupted document";
    EXPECT_EQ(Folder_Columns(both, outcome).Verdict, "error");
    EXPECT_EQ(Folder_Columns(both, outcome).Reason, outcome.Error);
}

TEST(FolderSummary, CountsErrorsLastAndSpellsOneFile)
{
    using C = T_Folder_Change;
    EXPECT_EQ(Folder_Summary({C::Error, C::Changed, C::Error}), "3 files: 1 changed, 2 errors");
    EXPECT_EQ(Folder_Summary({C::Identical}), "1 file: 1 identical");
}
