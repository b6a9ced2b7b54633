// Comparison of Word documents by Word itself: both files are opened
// read-only and Word's own document comparison presents the result. A
// document whose other version does not exist is shown alone, read-only.
#pragma once

#include "automation/u_ole_automation.h"
#include "engine/work_result.h"

#include <string>

// Result codes of MS_Word_Compare.
enum : unsigned char {
    Word_Compared = 1,           // Word runs, visible, with the comparison
    Word_No_Base_File = 2,       // Word was not started
    Word_No_Modified_File = 3,   // Word was not started
    Word_Cant_Open_Base = 4,     // Word told to quit; Error_Text is Word's message
    Word_Cant_Open_Modified = 5, // base document closed, Word told to quit
    Word_Not_Found = 6,          // the application object could not be created
    Word_Compare_Failed = 7,     // Word told to quit; Error_Text is Word's message
    Word_Shown = 8,              // Word runs, visible, with the one document (MS_Word_Show)
};

// Opens one file read-only in the Word application object, invisibly
// unless Visible. True with Doc set; false with Word's message in Error_Text.
bool Open_Word_Doc(T_Dispatch& Word_App, const std::string& File_Name, T_Variant& Doc,
                   std::string& Error_Text, bool Visible = false);

// Has Word compare the modified document with the base document and leaves
// Word running with the result. Returns one of the codes above.
unsigned char MS_Word_Compare(const std::string& Base_File, const std::string& Modified_File,
                              std::string& Error_Text);

// Has Word show one document read-only, and leaves Word running with it.
// Returns Word_Shown, or Word_No_Base_File, Word_Not_Found or
// Word_Cant_Open_Base (Word told to quit; Error_Text is Word's message).
unsigned char MS_Word_Show(const std::string& File, std::string& Error_Text);

// Compares a read-only copy of the base file with the modified file in Word;
// where one of them is the null device (a version that does not exist) the
// other is shown alone, read-only, from a copy in the private temporary
// folder, so that the user's file is never opened for writing.
// Failed with the message for the user; an error of Word without a result
// code is thrown (T_Automation_Error) for the application to report.
T_Work_Result Word_Diff(const std::string& base_file, const std::string& modified_file);
