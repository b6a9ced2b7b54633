// What kind of comparison a pair of files makes, and how each side of a pair
// of pictures reaches a decoded picture.
#pragma once

#include "vocabulary/U_Msg.h"
#include "vocabulary/document_kinds.h"
#include "platform/os_platform.h"

#include <cstddef>
#include <string>

enum T_Diff_Kind { dk_Word, dk_Paged, dk_Image, dk_Convert, dk_Unsupported };

// Decides by the name's last extension; sets both kinds (None when unused).
T_Diff_Kind Classify_File(const std::string& name, T_Converter_Kind& ConverterKind,
                          T_Paged_Kind& PagedKind);

// Whether the name is of a document that Writer's document comparison
// takes: Word (.doc, .docx, .docm), Writer (.odt, .fodt) or RTF.
bool Is_Text_Document(const std::string& name);

// How one side of a pair of pictures is prepared. The pair's route follows
// the modified file, but each side is read as what it is: an SVG base against
// a PNG modified version is converted, the PNG is decoded.
enum class T_Picture_Side_Kind {
    Missing,   // the null device: this version does not exist
    Decoded,   // a picture the program's readers decode (with the other side's name as hint)
    Converted, // converted to PNG by the converter first (SVG, JPEG 2000, PPM)
    Pdf_Page,  // the page of a one-page PDF document, drawn in the program
};

struct T_Picture_Side {
    T_Picture_Side_Kind Kind = T_Picture_Side_Kind::Decoded;
    T_Converter_Kind Converter = T_Converter_Kind::None; // for Converted
};

// Judges a side by the signature at the start of its content first (a PDF,
// a JPEG 2000 file or codestream, a portable anymap, an SVG document, or one
// of the common raster formats), then by its extension; a file neither tells
// anything about is left to the picture readers.
T_Picture_Side Picture_Side_Of(const std::string& file);
// The same from a start of the file already read (Picture_Start_Bytes of
// it, or all of a shorter file); the name gives the extension.
T_Picture_Side Picture_Side_Of(const std::string& file, const std::string& start);

// How much of a file's start tells its kind: an SVG's <svg> element comes
// after an XML declaration, comments and a document type.
inline constexpr std::size_t Picture_Start_Bytes = 4096;

// The first bytes of a file; empty when it cannot be read.
std::string File_Start(const std::string& file, std::size_t bytes);

// Why a name is no file that can be compared (not found, a folder, a pipe or
// device, permission denied).
T_Msg_Id File_Check_Message(os::T_File_Check Check);

// The name to read a file by: the file's own name, or, for a POSIX name that
// is not UTF-8 (which Qt cannot spell), a link to it in the private folder.
std::string Readable_Name(const std::string& File);
