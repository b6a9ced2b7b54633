#include "engine/u_image_compare.h"

#include "vocabulary/U_Msg.h"
#include "engine/U_ShellOp.h"
#include "engine/declared_size.h"
#include "engine/file_name_fit.h"
#include "vocabulary/file_names.h"
#include "platform/os_platform.h"
#include "vocabulary/picture_limit.h"
#include "engine/svg_references.h"
#include "engine/u_program_paths.h"
#include "engine/u_temp_files.h"

#include <algorithm>

namespace {

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
// the program's own policy.xml beside it, not only the system's. On Windows
// the program's environment names that folder (Set_Converter_Path).
std::string Converter_Environment(const T_Batch_Dialect& dialect, const std::string& converter)
{
    if (&dialect == &Windows_Batch_Dialect())
        return "";
    std::string folder = File_Folder(converter);
    return "MAGICK_CONFIGURE_PATH=" + dialect.Quote(folder.empty() ? "." : folder) + " ";
}

std::string Converter_Start(const T_Batch_Dialect& dialect, const std::string& converter)
{
    return dialect.Echo_Off() + Converter_Environment(dialect, converter) +
           dialect.Quote(converter) + " ";
}

} // namespace

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
                                 bool trim, int shave, const T_Compare_Input& left,
                                 const T_Compare_Input& right, const std::string& output)
{
    return Converter_Start(dialect, converter) + Trim_Part(trim, shave) + "-compare " +
           Converter_Read_Argument(dialect, left.Format, left.File) + " " +
           Converter_Read_Argument(dialect, right.Format, right.File) + " " +
           dialect.Quote(Converter_Output_Name(output));
}

std::string Convert_Command_Line(const T_Batch_Dialect& dialect, const std::string& converter,
                                 const std::string& format, const std::string& input,
                                 const std::string& output)
{
    return Converter_Start(dialect, converter) + Converter_Read_Argument(dialect, format, input) +
           " " + dialect.Quote(Converter_Output_Name(output));
}

std::string Output_Name(const std::string& source, const std::string& ending)
{
    // The base name is at most "tempfile_#_" and two 10-digit numbers.
    constexpr std::size_t base_name_bytes = 11 + 10 + 1 + 10;
    std::string output =
        Temp_Path(Fit_File_Name(File_Name_Part(source),
                                Max_File_Name_Bytes - base_name_bytes - ending.size()) +
                  ending);
    if (os::File_Exists(output))
        os::Delete_File(output);
    return output;
}

T_Work_Result Run_Compare(const T_Compare_Input& left, const T_Compare_Input& right,
                          const std::string& left_image, bool trim, int shave, T_Run_Watch* watch)
{
    Randomize_Temp_Names();
    // The converter reads each side under a private name.
    T_Compare_Input private_left{Private_Input_Name(left.File, left.Pages), left.Format};
    T_Compare_Input private_right{Private_Input_Name(right.File, right.Pages), right.Format};
    if (left.File.empty() || right.File.empty() || private_left.File.empty() ||
        private_right.File.empty())
        return T_Work_Result::Failure(Get_Msg(cap_Image_Compare_Fail));
    std::string output = Output_Name(left_image, ".compared.png");
    std::string command = Compare_Command_Line(Native_Dialect(), ConverterPath(), trim, shave,
                                               private_left, private_right, output);
    std::string captured, error;
    Run_Batch(command, "", "", captured, error, watch);
    if (os::File_Exists(output))
        return T_Work_Result::Made(output);
    // A run stopped by the user or by the window closing has nobody to tell.
    if (watch && watch->Stopped)
        return T_Work_Result::Stop();
    return T_Work_Result::Failure(Get_Msg(cap_Image_Compare_Fail));
}

bool Check_Declared_Size(T_Converter_Kind converter_kind, const std::string& input,
                         std::string& message)
{
    long long width = 0, height = 0;
    std::string unreadable;
    // A header that cannot be read is left to the converter, which then
    // fails the conversion with its usual message.
    if (!Read_Declared_Size(input, Converter_Format(converter_kind), width, height, unreadable) ||
        Picture_Fits(width, height))
        return true;
    message = Get_Msg(cap_Image_Too_Large) + "\r\nFile: " + input +
              "\r\nSize: " + std::to_string(width) + " x " + std::to_string(height) +
              " pixels (at most " + std::to_string(Max_Picture_Pixels) + " pixels can be shown)";
    return false;
}

bool Make_Convert_Command(T_Converter_Kind converter_kind, const std::string& input,
                          std::string& output, std::string& command, std::string& error)
{
    std::string readable;
    if (converter_kind == T_Converter_Kind::Svg) {
        std::vector<std::string> refused;
        readable = Temp_Path(".svg");
        if (!Write_Safe_Svg(input, readable, Temp_Path, refused, error)) {
            error = input + "\r\n" + error;
            return false;
        }
    } else {
        readable = Private_Input_Name(input);
        if (readable.empty()) {
            error = "Can't prepare \"" + input + "\" for the converter.";
            return false;
        }
    }
    output = Output_Name(input, ".converted.png");
    command = Convert_Command_Line(Native_Dialect(), ConverterPath(),
                                   Converter_Format(converter_kind), readable, output);
    return true;
}

T_Work_Result Convert_Pair(T_Converter_Kind kind, std::string& right_name, std::string& left_name,
                           T_Run_Watch* watch)
{
    return Convert_Pair(kind, right_name, kind, left_name, watch);
}

T_Work_Result Convert_Pair(T_Converter_Kind right_kind, std::string& right_name,
                           T_Converter_Kind left_kind, std::string& left_name, T_Run_Watch* watch)
{
    // A null device stands for a version that does not exist, and a side
    // without a kind is read as it is: nothing to convert there.
    bool right_converts = right_kind != T_Converter_Kind::None && !os::Is_Null_Device(right_name);
    bool left_converts = left_kind != T_Converter_Kind::None && !os::Is_Null_Device(left_name);
    std::string message;
    if ((right_converts && !Check_Declared_Size(right_kind, right_name, message)) ||
        (left_converts && !Check_Declared_Size(left_kind, left_name, message)))
        return T_Work_Result::Failure(message);
    if (!right_converts && !left_converts)
        return T_Work_Result::Made({});
    Randomize_Temp_Names();
    std::string right_output = right_name, right_command, left_output = left_name, left_command;
    std::string error;
    if ((right_converts &&
         !Make_Convert_Command(right_kind, right_name, right_output, right_command, error)) ||
        (left_converts &&
         !Make_Convert_Command(left_kind, left_name, left_output, left_command, error)))
        return T_Work_Result::Failure(Get_Msg(cap_Image_Convert_Fail) + "\r\n\r\n" + error);
    const T_Batch_Dialect& dialect = Native_Dialect();
    std::string text = right_command;
    if (right_converts && left_converts)
        text += dialect.Line_Break() + dialect.Line_Break();
    text += left_command;
    std::string captured;
    Run_Batch(text, "", "", captured, error, watch);
    if ((!right_converts || os::File_Exists(right_output)) &&
        (!left_converts || os::File_Exists(left_output))) {
        right_name = right_output;
        left_name = left_output;
        return T_Work_Result::Made({});
    }
    if (watch && watch->Stopped)
        return T_Work_Result::Stop();
    return T_Work_Result::Failure(Get_Msg(cap_Image_Convert_Fail));
}

int Shave_Limit(int width, int height) { return std::max(1, std::min(width, height) / 2 - 1); }
