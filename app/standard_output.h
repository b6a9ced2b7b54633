// Whether what the program printed reached its standard output: a report
// lost on a full disk or a device that takes nothing must not end as if it
// had been written, least of all as "identical".
#pragma once

// Code, once everything printed so far is out; 2, with the reason on
// standard error, when it could not be written.
int Code_After_Output(int Code);
