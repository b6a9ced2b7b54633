#include "session/pair_kinds.h"

#include "vocabulary/file_names.h"
#include "imaging/image_format_registry.h"
#include "platform/os_platform.h"
#include "engine/u_temp_files.h"
#include "vocabulary/utf8_text.h"

#include <algorithm>
#include <cctype>
#include <fstream>
#include <string_view>

T_Diff_Kind Classify_File(const std::string& name, T_Converter_Kind& ConverterKind,
                          T_Paged_Kind& PagedKind)
{
    ConverterKind = T_Converter_Kind::None;
    PagedKind = T_Paged_Kind::None;
    std::string ext = File_Extension(name);
    if (ext.empty())
        return dk_Unsupported;
    if (ext == "doc" || ext == "docx")
        return dk_Word;
    if (ext == "vsd" || ext == "vdw" || ext == "vdx" || ext == "vsdx" || ext == "vsdm" ||
        ext == "dwg" || ext == "dxf") {
        PagedKind = T_Paged_Kind::Visio;
        return dk_Paged;
    }
    if (ext == "cdw") {
        PagedKind = T_Paged_Kind::Kompas;
        return dk_Paged;
    }
    if (ext == "pdf") {
        PagedKind = T_Paged_Kind::Pdf;
        return dk_Paged;
    }
    if (Is_Registered_Image_Extension(ext))
        return dk_Image;
    ConverterKind = Converter_Kind_For_Extension(ext);
    return ConverterKind != T_Converter_Kind::None ? dk_Convert : dk_Unsupported;
}

bool Is_Text_Document(const std::string& name)
{
    const std::string ext = File_Extension(name);
    return ext == "doc" || ext == "docx" || ext == "docm" || ext == "odt" || ext == "fodt" ||
           ext == "rtf";
}

std::string File_Start(const std::string& file, std::size_t bytes)
{
    std::ifstream in(os::Utf8_Path(file), std::ios::binary);
    std::string start(bytes, '\0');
    in.read(start.data(), static_cast<std::streamsize>(bytes));
    start.resize(static_cast<std::size_t>(std::max<std::streamsize>(in.gcount(), 0)));
    return start;
}

namespace {

bool Starts_With(std::string_view text, std::string_view prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

// An XML or SVG text whose first kilobytes hold an <svg> element.
bool Looks_Like_Svg(std::string_view start)
{
    if (Starts_With(start, "\xEF\xBB\xBF"))
        start.remove_prefix(3);
    while (!start.empty() && std::isspace(static_cast<unsigned char>(start.front())))
        start.remove_prefix(1);
    if (!Starts_With(start, "<"))
        return false;
    std::string lower(start);
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return lower.find("<svg") != std::string::npos;
}

// P1 to P6 and a blank: the portable bitmap, greymap and pixmap formats.
bool Looks_Like_Anymap(std::string_view start)
{
    return start.size() >= 3 && start[0] == 'P' && start[1] >= '1' && start[1] <= '6' &&
           std::isspace(static_cast<unsigned char>(start[2]));
}

bool Looks_Like_Raster(std::string_view start)
{
    using namespace std::string_view_literals;
    for (std::string_view signature :
         {"\x89PNG\r\n\x1A\n"sv, "\xFF\xD8\xFF"sv, "GIF87a"sv, "GIF89a"sv, "II*\0"sv, "MM\0*"sv})
        if (Starts_With(start, signature))
            return true;
    return false;
}

} // namespace

T_Picture_Side Picture_Side_Of(const std::string& file)
{
    if (os::Is_Null_Device(file))
        return {T_Picture_Side_Kind::Missing, T_Converter_Kind::None};
    return Picture_Side_Of(file, File_Start(file, Picture_Start_Bytes));
}

T_Picture_Side Picture_Side_Of(const std::string& file, const std::string& start)
{
    using namespace std::string_view_literals;
    if (os::Is_Null_Device(file))
        return {T_Picture_Side_Kind::Missing, T_Converter_Kind::None};
    if (Starts_With(start, "%PDF-"))
        return {T_Picture_Side_Kind::Pdf_Page, T_Converter_Kind::None};
    if (Starts_With(start, "\0\0\0\x0CjP  \r\n\x87\n"sv) ||
        Starts_With(start, "\xFF\x4F\xFF\x51"sv))
        return {T_Picture_Side_Kind::Converted, T_Converter_Kind::J2k};
    if (Looks_Like_Anymap(start))
        return {T_Picture_Side_Kind::Converted, T_Converter_Kind::Ppm};
    if (Looks_Like_Svg(start))
        return {T_Picture_Side_Kind::Converted, T_Converter_Kind::Svg};
    if (Looks_Like_Raster(start))
        return {T_Picture_Side_Kind::Decoded, T_Converter_Kind::None};
    const std::string extension = File_Extension(file);
    if (extension == "pdf")
        return {T_Picture_Side_Kind::Pdf_Page, T_Converter_Kind::None};
    if (T_Converter_Kind kind = Converter_Kind_For_Extension(extension);
        kind != T_Converter_Kind::None)
        return {T_Picture_Side_Kind::Converted, kind};
    return {T_Picture_Side_Kind::Decoded, T_Converter_Kind::None};
}

T_Msg_Id File_Check_Message(os::T_File_Check Check)
{
    switch (Check) {
    case os::T_File_Check::Folder:
        return cap_File_Is_Folder;
    case os::T_File_Check::Not_Regular:
        return cap_File_Not_Regular;
    case os::T_File_Check::No_Permission:
        return cap_File_Not_Readable;
    case os::T_File_Check::Regular:
    case os::T_File_Check::Missing:
        break;
    }
    return cap_File_Not_Found;
}

std::string Readable_Name(const std::string& File)
{
    if (Is_Valid_Utf8(File))
        return File;
    const std::string extension = File_Extension(File);
    const std::string link = Temp_Path(Is_Valid_Utf8(extension) ? "." + extension : "");
    return os::Link_Or_Copy(File, link) ? link : File;
}
