#include "u_image_compare.h"

#include "U_Msg.h"
#include "U_ShellOp.h"
#include "os_platform.h"
#include "u_program_paths.h"
#include "u_temp_files.h"

#include <algorithm>

namespace {

bool Is_Separator(char c)
{
    // Windows accepts both slashes; elsewhere a backslash is an ordinary
    // character of a name.
    return c == os::Path_Separator() || (os::Path_Separator() == '\\' && c == '/');
}

// The converter expands "%d", "%o", "%x" (with optional digits) and "%%" in
// an output name. A "%" that would start such a sequence is written as "%%",
// which the converter turns back into one "%", so the file lands under the
// name the program looks for. Other "%" are left as they are.
std::string Converter_Output_Name(const std::string& name)
{
    std::string escaped;
    for (size_t i = 0; i < name.size(); ++i) {
        escaped += name[i];
        if (name[i] != '%' || i + 1 == name.size())
            continue;
        char next = name[i + 1];
        if ((next >= '0' && next <= '9') || next == 'd' || next == 'o' || next == 'x' ||
            next == '%' || next == '[')
            escaped += '%';
    }
    return escaped;
}

// Written in front of the converter on POSIX systems: the converter reads
// the program's own policy.xml beside it, not only the system's. A portable
// converter on Windows reads the file beside itself unasked.
std::string Converter_Environment(const T_Batch_Dialect& dialect, const std::string& converter)
{
    if (&dialect == &Windows_Batch_Dialect())
        return "";
    size_t cut = converter.size();
    while (cut > 0 && !Is_Separator(converter[cut - 1]))
        --cut;
    std::string folder = converter.substr(0, cut);
    return "MAGICK_CONFIGURE_PATH=" + dialect.Quote(folder.empty() ? "." : folder) + " ";
}

std::string Converter_Start(const T_Batch_Dialect& dialect, const std::string& converter)
{
    return dialect.Echo_Off() + Converter_Environment(dialect, converter) +
           dialect.Quote(converter) + " ";
}

} // namespace

std::string Converter_Format(unsigned char converter_kind)
{
    switch (converter_kind) {
    case 1:
        return "svg";
    case 2:
        return "j2k";
    case 3:
        return "ppm";
    default:
        return "";
    }
}

std::string File_Name_Part(const std::string& path)
{
    size_t cut = path.size();
    while (cut > 0 && !Is_Separator(path[cut - 1]))
        --cut;
    return path.substr(cut);
}

std::string Compare_Prefix(unsigned char converter_kind, const std::string& right_image)
{
    std::string format = Converter_Format(converter_kind);
    if (format.empty()) {
        std::string name = File_Name_Part(right_image);
        size_t dot = name.rfind('.');
        if (dot != std::string::npos)
            format = name.substr(dot + 1);
    }
    return format.empty() ? "" : format + ":";
}

std::string Trim_Part(bool trim, int shave)
{
    if (!trim)
        return " ";
    std::string n = std::to_string(std::max(shave, 0));
    return " -shave " + n + "x" + n + " -trim ";
}

int Shave_Key(bool trim, int shave)
{
    if (!trim)
        return 0;
    shave = std::max(shave, 0);
    return shave == 0 ? -1 : shave;
}

std::string Compare_Command_Line(const T_Batch_Dialect& dialect, const std::string& converter,
                                 bool trim, int shave, const std::string& prefix,
                                 const std::string& left, const std::string& right,
                                 const std::string& output)
{
    return Converter_Start(dialect, converter) + Trim_Part(trim, shave) + "-compare " + prefix +
           dialect.Quote(left) + " " + prefix + dialect.Quote(right) + " " +
           dialect.Quote(Converter_Output_Name(output));
}

std::string Convert_Command_Line(const T_Batch_Dialect& dialect, const std::string& converter,
                                 const std::string& prefix, const std::string& input,
                                 const std::string& output)
{
    std::string format = prefix.empty() ? "" : prefix + ":";
    return Converter_Start(dialect, converter) + format + dialect.Quote(input) + " " +
           dialect.Quote(Converter_Output_Name(output));
}

void Compare_Images(T_Compare_Source& frame)
{
    bool trim = frame.Trim_Checked();
    int shave = frame.Shave_Value();
    int key = Shave_Key(trim, shave);
    bool paged = frame.PagedKind() != 0;
    int left_page = paged ? frame.LeftPage() : 0;
    int right_page = paged ? frame.RightPage() : 0;

    T_Compare_Files_Cash& cache = frame.CompareCache();
    std::string compared;
    cache.Get_Compared_File(key, left_page, right_page, compared);
    if (compared.empty()) {
        std::string left = frame.LeftImage();
        std::string right = frame.RightImage();
        Randomize_Temp_Names();
        std::string output = Temp_Path(File_Name_Part(left) + ".compared.png");
        if (os::File_Exists(output))
            os::Delete_File(output);
        std::string command = Compare_Command_Line(
            Native_Dialect(), ConverterPath(), trim, shave,
            Compare_Prefix(frame.ConverterKind(), right), left, right, output);
        std::string captured, error;
        Run_Batch(command, "", "", captured, error);
        if (os::File_Exists(output)) {
            cache.Add_Compared_File(output, key, left_page, right_page);
            compared = output;
        }
    }
    if (compared.empty()) {
        // A run stopped because the window is closing has nobody to tell.
        if (!Last_Run_Stopped())
            Show_Msg(Get_Msg(cap_Image_Compare_Fail));
        return;
    }
    frame.Show_Compared(compared);
}

void Make_Convert_Command(unsigned char converter_kind, const std::string& input,
                          std::string& output, std::string& command)
{
    output = Temp_Path(File_Name_Part(input) + ".converted.png");
    if (os::File_Exists(output))
        os::Delete_File(output);
    command = Convert_Command_Line(Native_Dialect(), ConverterPath(),
                                   Converter_Format(converter_kind), input, output);
}

bool Convert_Pair(T_Compare_Source& frame, std::string& right_name, std::string& left_name)
{
    Randomize_Temp_Names();
    std::string right_output, right_command, left_output, left_command;
    Make_Convert_Command(frame.ConverterKind(), right_name, right_output, right_command);
    Make_Convert_Command(frame.ConverterKind(), left_name, left_output, left_command);
    const T_Batch_Dialect& dialect = Native_Dialect();
    std::string text = right_command + dialect.Line_Break() + dialect.Line_Break() + left_command;
    std::string captured, error;
    Run_Batch(text, "", "", captured, error);
    if (os::File_Exists(right_output) && os::File_Exists(left_output)) {
        right_name = right_output;
        left_name = left_output;
        return true;
    }
    if (!Last_Run_Stopped())
        Show_Msg(Get_Msg(cap_Image_Convert_Fail));
    return false;
}

bool Open_Paged_Document(const std::string& file_name, int& doc_index, T_Compare_Source& frame)
{
    std::string error_text;
    int code = frame.Open_Doc(file_name, doc_index, error_text);
    if (code == 0)
        return true;
    if (code == 1 || code == 2) {
        std::string gap = "\r\n\r\n";
        Show_Msg(Get_Msg(code == 1 ? cap_File_Not_Found : cap_Cant_Open_File) + gap + file_name +
                 gap + error_text);
    }
    return false;
}

int Shave_Limit(int width, int height) { return std::max(1, std::min(width, height) / 2 - 1); }

void Set_Shave_Limit(T_Compare_Source& frame)
{
    frame.Set_Shave_Max(Shave_Limit(frame.Left_Picture_Width(), frame.Left_Picture_Height()));
}
