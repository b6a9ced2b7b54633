#include "app/gui/word_comparison.h"

#include "vocabulary/U_Msg.h"
#include "automation/u_ms_word_compare.h"

#include <exception>

bool Show_Word_Diff(const std::string& base_file, const std::string& modified_file)
{
    try {
        const T_Work_Result result = Word_Diff(base_file, modified_file);
        if (!result.Done() && !result.Message.empty())
            Show_Msg(result.Message);
        return result.Done();
    } catch (const std::exception& failure) {
        // No event loop may run yet to report it, so it is reported here.
        Show_Exception(failure.what());
        return false;
    }
}
