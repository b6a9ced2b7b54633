// Conversion of inputs to PNG and the making of compared images with the
// converter.
//
// Every converter run goes through Run_Batch and counts as successful
// exactly when its output file exists afterwards; the converter's exit code
// and what it prints decide nothing.
#pragma once

#include "engine/U_ShellOp.h"
#include "engine/batch_dialect.h"
#include "engine/converter_inputs.h"
#include "vocabulary/document_kinds.h"
#include "engine/work_result.h"

#include <string>

// Converts the right, then the left input to PNG in one batch run, waiting
// under the watch. Done: both names now name the converted files. Otherwise
// the names stay and the result says why (a picture declared larger than the
// panes show, an input that cannot be prepared, or cap_Image_Convert_Fail),
// or that the run was stopped. A side named by the null device (a version
// that does not exist) has nothing to convert.
T_Work_Result Convert_Pair(T_Converter_Kind converter_kind, std::string& right_name,
                           std::string& left_name, T_Run_Watch* watch = nullptr);
// The same with a kind for each side: a side of kind None is read as it is
// and keeps its name (an SVG base against a PNG modified version).
T_Work_Result Convert_Pair(T_Converter_Kind right_kind, std::string& right_name,
                           T_Converter_Kind left_kind, std::string& left_name,
                           T_Run_Watch* watch = nullptr);

// One compare run of two inputs, waiting under the watch: Done with the
// compared image, named after `left_image`; Failed with
// cap_Image_Compare_Fail when an input cannot be prepared or the converter
// wrote nothing; Stopped when the watch stopped it.
T_Work_Result Run_Compare(const T_Compare_Input& left, const T_Compare_Input& right,
                          const std::string& left_image, bool trim, int shave,
                          T_Run_Watch* watch = nullptr);

// One conversion: a fresh output name in Temp_Dir (an old file of that name
// is deleted) and the command line that writes it, for this system. The
// converter reads the input under a private name; an SVG is read as a copy
// whose references reach only files in its own folder. False with the
// reason in `error` when the input cannot be prepared.
bool Make_Convert_Command(T_Converter_Kind converter_kind, const std::string& input,
                          std::string& output, std::string& command, std::string& error);

// Refuses an input of a conversion whose header declares a picture larger
// than the panes show (Max_Picture_Pixels), before the converter spends
// minutes and gigabytes on it. False with the message for the user.
bool Check_Declared_Size(T_Converter_Kind converter_kind, const std::string& input,
                         std::string& message);

// The largest shave value that leaves something of a picture of this size:
// max(1, min(W, H) / 2 - 1).
int Shave_Limit(int width, int height);

// --- The pieces of the command lines, pure text for tests of every dialect.

// " -shave NxN -trim " with trim on, " " with trim off.
std::string Trim_Part(bool trim, int shave);

// The cache key of a trim setting: 0 with trim off, the shave value with
// trim on, and -1 for trim on with shave 0, which trims and so must not
// share the entry of trim off.
int Shave_Key(bool trim, int shave);

// The compare command line for one dialect. Each input is the private name
// the converter reads and its format (Converter_Read_Argument).
std::string Compare_Command_Line(const T_Batch_Dialect& dialect, const std::string& converter,
                                 bool trim, int shave, const T_Compare_Input& left,
                                 const T_Compare_Input& right, const std::string& output);

// The conversion command line for one dialect; `format` without ":".
std::string Convert_Command_Line(const T_Batch_Dialect& dialect, const std::string& converter,
                                 const std::string& format, const std::string& input,
                                 const std::string& output);

// An output name in Temp_Dir: a fresh base name, the file name part of
// `source` (shortened so the whole name stays within Max_File_Name_Bytes)
// and `ending`. An old file of that name is deleted.
std::string Output_Name(const std::string& source, const std::string& ending);
