// The line protocol between the program and its office helper, and the file
// URLs the helper hands to the office. Plain C++, shared by both sides.
//
// Every request and every answer is one line of fields separated by a tab.
// A field escapes "\" as "\\", tab as "\t", line feed as "\n" and carriage
// return as "\r", so any file name or page name travels unchanged.
//
//   helper, once started:  READY <office process group>   or  ERR <text>
//   OPEN <file>                 -> OK <document>
//   COUNT <document>            -> OK <pages>
//   NAME <document> <page>      -> OK <name>            (pages from 0)
//   SHAPES <document> <page>    -> OK <shapes on the page>
//   EXPORT <document> <page> <png file>  -> OK <width> <height>
//   EXPORTPDF <document> <pdf file>      -> OK <pages>   (the whole drawing
//                                  as one PDF, a page for every drawing page
//                                  at its own size)
//   CLOSE <document>            -> OK
//   QUIT                        -> OK, then the helper ends; "OK LEFT" when
//                                  its office shows a comparison (or a shown
//                                  document) and stays
//
// A helper started with --visible (document comparison) also takes
//   OPENTEXT <file>             -> OK <document>
//   COMPARE <base> <revised>    -> OK <changes marked> then the place of
//                                  each change marked outside the body
//                                  ("header of section 2", "footnote 1")
//   SHOWTEXT <file>             -> OK <document> <window title>  (the file
//                                  alone, read-only, in a window of its own)
//   ACTIVATE                    -> OK   (the comparison's window to the front)
//
// A headless helper also takes
//   TEXTCHANGES <base file> <revised file>
//       -> OK <insertions> <deletions> <format changes> then, for the first
//          Max_Listed_Changes changes, <kind> <place> <text> each (kind as
//          Change_Kind_Word gives it; place "" in the body, else where the
//          change is: "footnote 2"; text the change's first line, or "")
//
// Any request may be answered by ERR and a text for the user instead.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace office_protocol {

// Widest and tallest page picture the helper writes, in pixels: the limit of
// the image panes.
constexpr int Max_Page_Pixels = 16384;
// Resolution of exported pages, so that a thin line stays visible.
constexpr int Export_Dpi = 150;

inline std::string Escape(const std::string& field)
{
    std::string out;
    out.reserve(field.size());
    for (char c : field) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// One line (without its line feed) made of fields.
inline std::string Join(const std::vector<std::string>& fields)
{
    std::string line;
    for (size_t i = 0; i < fields.size(); ++i) {
        if (i)
            line += '\t';
        line += Escape(fields[i]);
    }
    return line;
}

// The fields of one line. An unknown escape keeps the escaped character; a
// lone "\" at the end is kept as it is.
inline std::vector<std::string> Split(const std::string& line)
{
    std::vector<std::string> fields(1);
    for (size_t i = 0; i < line.size(); ++i) {
        char c = line[i];
        if (c == '\t') {
            fields.emplace_back();
        } else if (c == '\\' && i + 1 < line.size()) {
            char next = line[++i];
            fields.back() += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : next;
        } else {
            fields.back() += c;
        }
    }
    return fields;
}

// A "file://" URL for an absolute POSIX name: every byte other than the
// unreserved characters and "/" is percent-encoded, so blanks, quotes, "%",
// "#", "?" and UTF-8 letters name the file itself. "" for a relative name.
inline std::string File_Url(const std::string& absolute_name)
{
    if (absolute_name.empty() || absolute_name[0] != '/')
        return {};
    static const char hex[] = "0123456789ABCDEF";
    std::string url = "file://";
    for (unsigned char c : absolute_name) {
        bool plain = (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
                     c == '-' || c == '.' || c == '_' || c == '~' || c == '/';
        if (plain) {
            url += static_cast<char>(c);
        } else {
            url += '%';
            url += hex[c >> 4];
            url += hex[c & 15];
        }
    }
    return url;
}

// The import filter of a drawing by its extension (any case): the office's
// own detection would open an unreadable ".vsd" as a text page instead of
// refusing it. "" for an extension the helper does not open.
inline std::string Drawing_Filter(const std::string& file_name)
{
    size_t dot = file_name.find_last_of("./");
    if (dot == std::string::npos || file_name[dot] != '.')
        return {};
    std::string ext = file_name.substr(dot + 1);
    for (char& c : ext)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (ext == "vsd" || ext == "vdx" || ext == "vsdx" || ext == "vsdm")
        return "Visio Document";
    if (ext == "dxf")
        return "DXF - AutoCAD Interchange";
    return {};
}

// How many changes a TEXTCHANGES answer lists one by one; it counts all.
constexpr int Max_Listed_Changes = 20;

// What a change the office's document comparison marks amounts to, by its
// redline type: "insertion", "deletion" or, for every change of attributes,
// paragraph or table format, "format".
inline const char* Change_Kind_Word(const std::string& redline_type)
{
    if (redline_type == "Insert" || redline_type == "TableRowInsert" ||
        redline_type == "TableCellInsert")
        return "insertion";
    if (redline_type == "Delete" || redline_type == "TableRowDelete" ||
        redline_type == "TableCellDelete")
        return "deletion";
    return "format";
}

// The pixel size of a page of `width` x `height` hundredths of a millimetre
// at Export_Dpi, scaled down together so that neither side passes
// Max_Page_Pixels. {0, 0} for a page without area.
struct Pixel_Size {
    int Width = 0;
    int Height = 0;
};
inline Pixel_Size Page_Pixels(long long width_mm100, long long height_mm100)
{
    if (width_mm100 <= 0 || height_mm100 <= 0)
        return {};
    double w = static_cast<double>(width_mm100) * Export_Dpi / 2540.0;
    double h = static_cast<double>(height_mm100) * Export_Dpi / 2540.0;
    double longest = w > h ? w : h;
    if (longest > Max_Page_Pixels) {
        w = w * Max_Page_Pixels / longest;
        h = h * Max_Page_Pixels / longest;
    }
    auto round = [](double v) {
        int pixels = static_cast<int>(v + 0.5);
        return pixels < 1 ? 1 : pixels > Max_Page_Pixels ? Max_Page_Pixels : pixels;
    };
    return {round(w), round(h)};
}

} // namespace office_protocol
