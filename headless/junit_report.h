// The reports of a run as JUnit XML, which CI servers show as test results:
// one test case per record (each page pair of two documents its own case),
// a failure for a pair not accepted, an error for one that could not be
// compared, and a skipped case for a file on one side only that passed.
#pragma once

#include "headless/report_records.h"

#include <string>
#include <vector>

// Seconds: the run's whole time. Names that are not valid UTF-8 or hold
// characters XML cannot carry are written with replacement characters.
std::string Junit_Xml(const std::vector<T_Report_Record>& Records, double Seconds);
