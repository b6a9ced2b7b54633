// The report's page: one self-contained HTML file (its style and script
// inline, nothing fetched) with the summary, the table of pairs and, for
// each changed pair, its pictures side by side, under a slider and
// blinking, the change regions outlined.
#pragma once

#include "headless/html_report_data.h"

#include <string>

// Text safe inside an element and inside a quoted attribute: & < > " '
// replaced by references, and each byte that is not part of valid UTF-8
// written as \xNN (the page declares UTF-8).
std::string Html_Escape(const std::string& Text);

std::string Html_Report_Page(const T_Html_Report& Report);

// The page's style sheet and script (html_report_assets.cpp).
extern const char* const Html_Report_Style;
extern const char* const Html_Report_Script;
