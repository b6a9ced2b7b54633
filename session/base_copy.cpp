#include "session/base_copy.h"

#include "engine/file_name_fit.h"
#include "engine/u_temp_files.h"
#include "platform/os_platform.h"
#include "vocabulary/file_names.h"

namespace {

std::string Replace_All(std::string Text, const std::string& From, const std::string& To)
{
    if (From.empty())
        return Text;
    for (std::size_t at = Text.find(From); at != std::string::npos;
         at = Text.find(From, at + To.size()))
        Text.replace(at, From.size(), To);
    return Text;
}

} // namespace

std::string Page_Name_Stem(const std::string& File)
{
    constexpr std::size_t page_ending_bytes = 24; // "_l_page_", ten digits, ".png"
    return Fit_File_Name(File_Name_Part(File), Max_File_Name_Bytes - page_ending_bytes);
}

T_Base_Copy::T_Base_Copy(const std::string& Base, const std::string& Modified)
    : Users_Name_(Base), File_(Base)
{
    Folder_ = Make_Private_Subfolder();
    if (Folder_.empty() || os::Is_Null_Device(Base))
        return;
    const std::string& name = os::Is_Null_Device(Modified) ? Base : Modified;
    const std::string copy = Folder_ + Page_Name_Stem(name);
    if (os::Copy_File_Replace(Base, copy) && os::Set_Read_Only(copy))
        File_ = os::Full_Path_Name(copy);
}

T_Base_Copy::~T_Base_Copy()
{
    if (!Folder_.empty())
        Remove_Private_Subfolder(Folder_);
}

std::string T_Base_Copy::In_Users_Names(const std::string& Message) const
{
    return File_ == Users_Name_ ? Message : Replace_All(Message, File_, Users_Name_);
}
