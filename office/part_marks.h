// The changes outside a document's body marked in the comparison the user
// sees, as the office marks those of the body: a part's revised text as
// inserted, the base's text as deleted before it, each change with the
// part's place as its comment, so that the office's list of changes names
// where it is ("header of section 2").
#pragma once

#include "office/document_parts.h"

#include <com/sun/star/frame/XModel.hpp>

#include <string>
#include <vector>

// Marks in Comparison (an untitled copy of the revised document, whose
// parts are Revised) the changes from Base's parts, and names the office's
// own marks inside parts. Answers the places of the changes so marked and
// named; a part the office refuses to mark is left out.
std::vector<std::string>
Mark_Part_Changes(const com::sun::star::uno::Reference<com::sun::star::frame::XModel>& Comparison,
                  const std::vector<T_Document_Part>& Base,
                  const std::vector<T_Document_Part>& Revised);
