// Comparison of Word documents by Word itself.
#pragma once

#include <string>

// Compares the two documents in Word and reports every failure itself.
void Word_Diff(const std::string& base_file, const std::string& modified_file);
