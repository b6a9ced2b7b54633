#include "command_line/command_line.h"

#include "platform/os_platform.h"

namespace {

bool Is_Separator(char c) { return static_cast<unsigned char>(c) <= ' '; }

} // namespace

std::vector<std::string> Split_Command_Line(const std::string& command_line)
{
    std::vector<std::string> arguments;
    const char* p = command_line.c_str();
    for (;;) {
        for (;;) {
            while (*p && Is_Separator(*p))
                ++p;
            if (p[0] == '"' && p[1] == '"')
                p += 2;
            else
                break;
        }
        if (!*p)
            break;
        std::string argument;
        while (*p && !Is_Separator(*p)) {
            if (*p == '"') {
                ++p;
                while (*p && *p != '"')
                    argument += *p++;
                if (*p)
                    ++p;
            } else {
                argument += *p++;
            }
        }
        arguments.push_back(argument);
    }
    return arguments;
}

T_File_Pair File_Pair_From_Arguments(const std::vector<std::string>& arguments)
{
    std::vector<std::string> names;
    for (size_t i = 1; i < arguments.size() && names.size() < 2; ++i)
        if (!arguments[i].empty())
            names.push_back(arguments[i]);
    names.resize(2);
    return {names[0], names[1]};
}

std::vector<std::string> Program_Arguments(int argc, char** argv)
{
    std::string line = os::Native_Command_Line();
    if (!line.empty())
        return Split_Command_Line(line);
    return std::vector<std::string>(argv, argv + argc);
}
