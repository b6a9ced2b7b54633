// What became of the annotations in a change region: which were removed,
// added, or carry another text ("stamp APPROVED removed", "form field Name
// "Ann Lee" -> "Bo Chen"").
#pragma once

#include "differences/picture_alignment.h"
#include "pdf/pdf_region_text.h"

#include <string>
#include <vector>

// The changes, joined by "; ", of the annotations that meet In_Old on the
// old page or In_New on the new one (each in its page's pixels); empty when
// those are the same on both sides. An annotation is the same when its kind,
// name and text are, and its box lies within a few pixels of where it was.
std::string Annotation_Changes(const std::vector<T_Page_Annotation>& Old, const T_Rectangle& In_Old,
                               const std::vector<T_Page_Annotation>& New,
                               const T_Rectangle& In_New);
