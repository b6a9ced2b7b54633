// What the converter is given to read, and under which names.
//
// The converter interprets parts of a file name: a leading "xxx:" names a
// coder, a trailing "[...]" selects frames or a size, "%" sequences and a
// leading "@" expand to other files. A user's name must never reach it, so
// every input is read under a name the program made in its private folder,
// with the format named explicitly and the first picture selected.
#pragma once

#include "engine/batch_dialect.h"

#include <string>

class T_Page_Store;

// One side of a comparison as the converter reads it.
struct T_Compare_Input {
    std::string File;   // the file whose picture the pane shows
    std::string Format; // its format in the converter's words ("png", "jpeg", ...)
    // The pages of the document File is a page of, whose file may not be
    // written yet; null for any other file.
    T_Page_Store* Pages = nullptr;
};

// The converter's word for a format that the panes decoded (Qt's format
// names: "png", "jpeg", "gif", "bmp", "tiff"), for the formats that the
// converter reads exactly as the panes show them. Empty for every other
// format: the caller then compares the pane's own picture, written as PNG.
std::string Converter_Format_Word(const std::string& decoded_format);

// The converter's word for the format of `file` as the panes decoded it, or
// empty when the converter would not read this file as the pane shows it:
// a format without a word, or a CMYK JPEG (the converter keeps its inks,
// which it cannot compare with a picture of screen colours).
std::string Converter_Word_For_File(const std::string& file, const std::string& decoded_format);

// A name in the private folder that reads as `file`: a link to it (or a
// copy where the system has no links), made once per file and process. A
// page of `pages` still in memory is written first.
// Empty when it cannot be made.
std::string Private_Input_Name(const std::string& file, T_Page_Store* pages = nullptr);

// One input argument of a converter line: the format, ":", and the quoted
// name with "[0]", so that only the first picture (frame, page, composite)
// is read. Without a format the converter recognises the content itself.
std::string Converter_Read_Argument(const T_Batch_Dialect& dialect, const std::string& format,
                                    const std::string& private_name);
