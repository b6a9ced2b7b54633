// The changes outside a document's body: parts compare within their group,
// a changed part is deleted and inserted, and a part put in among others
// leaves the others unchanged.
#include "office/part_changes.h"

#include <gtest/gtest.h>

namespace {

// Each change as "+place" or "-place".
std::vector<std::string> Changed(const std::vector<T_Part_Text>& Base,
                                 const std::vector<T_Part_Text>& Revised)
{
    std::vector<std::string> changed;
    for (const T_Part_Change& change : Part_Changes(Base, Revised))
        changed.push_back((change.Inserted ? "+" : "-") +
                          (change.Inserted ? Revised : Base)[change.Part].Place);
    return changed;
}

} // namespace

TEST(Part_Changes, AChangedHeaderIsDeletedAndInsertedAndOthersStayAlone)
{
    const std::vector<T_Part_Text> base{{"header of section 1", "header of section 1", "Title A"},
                                        {"header of section 2", "header of section 2", "Appendix"},
                                        {"footer of section 1", "footer of section 1", "Page"}};
    std::vector<T_Part_Text> revised = base;
    revised[1].Text = "Appendix B";
    EXPECT_EQ(Changed(base, revised),
              (std::vector<std::string>{"-header of section 2", "+header of section 2"}));
    EXPECT_TRUE(Changed(base, base).empty());
    // A header switched off, and one switched on empty: the text went, and
    // an empty part is no change.
    revised = {base[0], base[2], {"header of section 3", "header of section 3", ""}};
    EXPECT_EQ(Changed(base, revised), (std::vector<std::string>{"-header of section 2"}));
}

TEST(Part_Changes, ANoteInsertedAmongOthersLeavesTheOthersUnchanged)
{
    const std::vector<T_Part_Text> base{{"footnote", "footnote 1", "First source."},
                                        {"footnote", "footnote 2", "Second source."},
                                        {"comment", "comment 1", "Check this."}};
    const std::vector<T_Part_Text> revised{{"footnote", "footnote 1", "First source."},
                                           {"footnote", "footnote 2", "A new source."},
                                           {"footnote", "footnote 3", "Second source."},
                                           {"comment", "comment 1", "Checked."}};
    EXPECT_EQ(Changed(base, revised),
              (std::vector<std::string>{"+footnote 2", "-comment 1", "+comment 1"}));
    // A footnote's text never compares with a comment's.
    EXPECT_EQ(Changed({{"footnote", "footnote 1", "Same words."}},
                      {{"text box", "text box 1", "Same words."}}),
              (std::vector<std::string>{"-footnote 1", "+text box 1"}));
}
