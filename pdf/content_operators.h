// The operators of a PDF content stream counted without parsing their
// operands into objects: a page of tens of millions of operators is counted
// in a few seconds, a small fraction of the time it takes to draw.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>

struct T_Content_Operators {
    std::uint64_t Operators = 0;
    // How often each XObject is drawn, by the name just before its Do as a
    // resource dictionary keys it ("/Im1", escapes such as #20 resolved).
    std::map<std::string, std::uint64_t> Drawn;
};

// The operators of Content, a content stream's decoded bytes. Strings,
// comments and an inline image's data hold no operators, whatever bytes
// they contain.
T_Content_Operators Count_Content_Operators(std::string_view Content);
