#include "u_ms_word_compare.h"

#include "U_Msg.h"
#include "u_temp_files.h"

#include <filesystem>

void Word_Diff(const std::string& base_file, const std::string& modified_file)
{
    // No automation server for Word exists on this system yet: the base copy
    // is made as for a real comparison, then Word is reported missing.
    std::string base = base_file;
    Copy_Base_To_Temp(base, std::filesystem::path(modified_file).filename().string());
    Show_Msg(Get_Msg(cap_MSWord_Not_Found));
}
