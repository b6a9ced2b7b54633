#include "viewer/export_name.h"

std::string Suggested_Export_Name(const std::string& Modified_File, int Page)
{
    if (Page < 0)
        return Modified_File + "_compared.png";
    return Modified_File + ".sheet-" + std::to_string(Page + 1) + ".compared.png";
}
