#include "u_diff_launcher.h"

#include "U_Msg.h"
#include "image_format_registry.h"
#include "os_platform.h"
#include "u_image_compare.h"
#include "u_temp_files.h"

const T_Converter_Input Converter_Input_Table[4] = {
    {"svg", 1},
    {"j2k", 2},
    {"jp2", 2},
    {"ppm", 3},
};

std::string File_Extension(const std::string& name)
{
    auto start = name.find_last_of("\\/:");
    start = start == std::string::npos ? 0 : start + 1;
    auto dot = name.rfind('.');
    if (dot == std::string::npos || dot < start)
        return {};
    return Normalized_Extension(name.substr(dot));
}

T_Diff_Kind Classify_File(const std::string& name, unsigned char& ConverterKind,
                          unsigned char& PagedKind)
{
    ConverterKind = 0;
    PagedKind = 0;
    std::string ext = File_Extension(name);
    if (ext.empty())
        return dk_Unsupported;
    if (ext == "doc" || ext == "docx")
        return dk_Word;
    if (ext == "vsd" || ext == "vdw" || ext == "vdx" || ext == "dwg" || ext == "dxf") {
        PagedKind = 1;
        return dk_Paged;
    }
    if (ext == "cdw") {
        PagedKind = 2;
        return dk_Paged;
    }
    if (Is_Registered_Image_Extension(ext))
        return dk_Image;
    for (const auto& row : Converter_Input_Table) {
        if (ext == row.Extension) {
            ConverterKind = row.ConverterKind;
            return dk_Convert;
        }
    }
    return dk_Unsupported;
}

bool Check_File_Exists(const std::string& name)
{
    if (os::File_Exists(name))
        return true;
    Show_Error(Get_Msg(cap_File_Not_Found) + "\r\n" + name);
    return false;
}


void Run_Diff(const std::string& left_name, const std::string& right_name,
              const T_Launch_Hooks& hooks)
{
    if (!Check_File_Exists(left_name) || !Check_File_Exists(right_name))
        return;
    std::string left = os::Full_Path_Name(left_name);
    std::string right = os::Full_Path_Name(right_name);
    unsigned char converter_kind = 0, paged_kind = 0;
    switch (Classify_File(right, converter_kind, paged_kind)) {
    case dk_Word:
        hooks.Word_Diff(left, right);
        break;
    case dk_Paged:
        // The page images are named after the left file: working on a copy
        // in the temporary folder keeps them out of the user's folder.
        Copy_Base_To_Temp(left, File_Name_Part(right));
        hooks.Show_Diff_Form(left, "Base version", right, "", 0, paged_kind);
        break;
    case dk_Image:
    case dk_Convert:
        hooks.Show_Diff_Form(left, "Base version", right, "", converter_kind, 0);
        break;
    case dk_Unsupported:
        Show_Msg("File format is not supported!");
        hooks.Show_About();
        break;
    }
}
