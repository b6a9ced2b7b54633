#include "command_line/git_diff_arguments.h"

#include "platform/os_platform.h"

#include <algorithm>

namespace {

// git's object names are abbreviated to seven characters in its own output.
constexpr std::size_t Short_Hex_Length = 7;

bool Is_All_Zeros(const std::string& hex)
{
    return !hex.empty() && std::all_of(hex.begin(), hex.end(), [](char c) { return c == '0'; });
}

// A version only in the working tree has the null object name. git also
// hands over the working tree's own file (by its path) where that file holds
// a version it has as an object, say the staged one in "git diff --cached";
// the object name says which version that is, so it is the caption.
std::string Version_Caption(const std::string& path, const std::string& file,
                            const std::string& hex)
{
    if (os::Is_Null_Device(file))
        return path + " (missing)";
    if (Is_All_Zeros(hex))
        return path + " (working tree)";
    return path + " (" + hex.substr(0, Short_Hex_Length) + ")";
}

} // namespace

bool Is_Git_Diff_Argument_Count(std::size_t Count) { return Count == 7 || Count == 9; }

T_Git_Diff_Pair Git_Diff_Pair(const std::vector<std::string>& Arguments)
{
    const std::string& old_path = Arguments.at(0);
    // A rename names the new path after the seven; the new version is
    // captioned with it.
    const std::string& new_path = Arguments.size() >= 9 ? Arguments.at(7) : old_path;
    T_Git_Diff_Pair pair;
    pair.Left = Arguments.at(1);
    pair.Right = Arguments.at(4);
    pair.Left_Title = Version_Caption(old_path, pair.Left, Arguments.at(2));
    pair.Right_Title = Version_Caption(new_path, pair.Right, Arguments.at(5));
    return pair;
}
