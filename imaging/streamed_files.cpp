#include "imaging/streamed_files.h"

#include "imaging/picture_rows.h"

std::optional<T_Difference> Compare_Files_Streamed(const std::string& Old, const std::string& New,
                                                   const T_Difference_Options& Options,
                                                   T_Stream_Threads Threads)
{
    const std::unique_ptr<T_Row_Source> Old_Rows = Open_Picture_Rows(Old);
    if (!Old_Rows)
        return std::nullopt;
    const std::unique_ptr<T_Row_Source> New_Rows = Open_Picture_Rows(New);
    if (!New_Rows)
        return std::nullopt;
    return Compare_Streamed(*Old_Rows, *New_Rows, Options, Threads);
}
