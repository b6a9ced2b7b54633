// The pages of two drawings paired for comparison: by the identifiers their
// application gives them (for LibreOffice, the page names) first, and the
// pages left over by what they show, so that a page renamed between two
// revisions ("Page-1" to "Ground floor") still meets its counterpart.
#pragma once

#include "differences/content_pairing.h"
#include "session/u_diff_session.h"

#include <atomic>
#include <optional>
#include <string>
#include <vector>

// For each left page of the opened pair, its counterpart on the right, -1
// for none. The pages left over are exported (those already exported are
// reused) to be compared by their pictures with the same rule as PDF pages;
// a page that cannot be exported stays alone.
std::vector<int> Pair_Drawing_Pages(T_Diff_Session& Session);

// The pairing by the pages' identifiers alone, as the opened pair has it
// without exporting a page: which pages moved is known, what they show is
// not (every match Unknown, also for pages without a namesake, which may yet
// pair by what they show).
T_Content_Pairing Pair_Drawing_Pages_By_Name(const T_Diff_Session& Session);

// True when a page on each side has no namesake on the other: only then can
// pairing by what the pages show pair more than the names do.
bool Drawing_Pages_Left_Over(const T_Diff_Session& Session);

// The same pairing, with every page exported so that each pair is judged
// (the same or changed) and the pages that moved are known, as the page
// tabs show them. Nothing once Stop is set (checked between pages).
std::optional<T_Content_Pairing> Judge_Drawing_Pages(T_Diff_Session& Session,
                                                     const std::atomic<bool>& Stop);

// Judge_Drawing_Pages on a session of its own: its own exporter (for an
// office, an application of its own) opens the two files, so that a window
// showing the same pair goes on using its exporter meanwhile. Made for a
// worker thread, which it enters into the exporter's automation apartment.
// Its pages are named after its own copy of Left_File, apart from the
// window's, and go with that session. Nothing when the pair cannot be
// opened or Stop is set.
std::optional<T_Content_Pairing> Pair_Drawing_Pages_Apart(const std::string& Left_File,
                                                          const std::string& Right_File,
                                                          T_Paged_Kind Kind,
                                                          const T_Exporter_Factory& Make_Exporter,
                                                          const std::atomic<bool>& Stop);
