#include "engine/vcs_diff_frame_const.h"

#include "platform/os_platform.h"

int T_Compare_Files_Cash::Find(std::int32_t shave, std::int32_t left_page,
                               std::int32_t right_page) const
{
    for (size_t i = 0; i < Items.size(); ++i) {
        const auto& item = Items[i];
        if (item.Shave == shave && item.LeftPage == left_page && item.RightPage == right_page)
            return static_cast<int>(i);
    }
    return -1;
}

void T_Compare_Files_Cash::Get_Compared_File(std::int32_t shave, std::int32_t left_page,
                                             std::int32_t right_page, std::string& file_name) const
{
    file_name.clear();
    int at = Find(shave, left_page, right_page);
    if (at >= 0 && os::File_Exists(Items[static_cast<size_t>(at)].ComparedFile))
        file_name = Items[static_cast<size_t>(at)].ComparedFile;
}

void T_Compare_Files_Cash::Add_Compared_File(const std::string& file_name, std::int32_t shave,
                                             std::int32_t left_page, std::int32_t right_page)
{
    if (Find(shave, left_page, right_page) < 0)
        Items.push_back({left_page, right_page, file_name, shave});
}
