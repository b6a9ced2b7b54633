// The texts of a text document's headers and footers, which the office's
// document comparison leaves out: a changed title block in a header would
// otherwise compare as no change at all.
#pragma once

#include <com/sun/star/lang/XComponent.hpp>

#include <map>
#include <string>
#include <vector>

// Each header and footer text by where it stands ("Header of Default Page
// Style", "Footer (left pages) of Index"), UTF-8; only those switched on.
using T_Margin_Texts = std::map<std::string, std::string>;

T_Margin_Texts
Margin_Texts(const com::sun::star::uno::Reference<com::sun::star::lang::XComponent>& Document);

struct T_Margin_Change {
    bool Inserted; // else deleted
    std::string Text;
};

// The changes from one document's margin texts to another's: a text that
// changed is deleted and inserted, as the office counts a replaced word.
std::vector<T_Margin_Change> Margin_Changes(const T_Margin_Texts& Base,
                                            const T_Margin_Texts& Revised);
