// What changed in the parts of a text document that lie outside its body
// (headers and footers, footnotes, text boxes, comments) from one version
// to the other. Plain C++: the parts' texts as read from the office.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

struct T_Part_Text {
    // Parts compare with the parts of their group only: one header with
    // the same header of the other version, the footnotes in their order.
    std::string Group;
    // Where the part stands, for the user: "header of section 2",
    // "footnote 3".
    std::string Place;
    std::string Text; // UTF-8
    // The office's own document comparison marks the changes inside it
    // (a text box): it is no change of its own here.
    bool Office_Compares = false;
};

struct T_Part_Change {
    bool Inserted = false; // else deleted
    // The part changed: of the revised parts when inserted, else of the base.
    std::size_t Part = 0;
};

// The changes from Base's parts to Revised's, group by group in the order
// they first appear: within a group, the parts that the other version does
// not have with the same text, in their order (a longest common
// subsequence keeps the rest). A part whose text changed is deleted and
// inserted, as the office counts a replaced word; empty parts, and those
// the office compares itself, are none.
std::vector<T_Part_Change> Part_Changes(const std::vector<T_Part_Text>& Base,
                                        const std::vector<T_Part_Text>& Revised);
