#include "differences/ignore_areas.h"

#include "platform/os_platform.h"

#include <charconv>
#include <filesystem>
#include <fstream>

namespace {

std::string Trimmed(const std::string& Text)
{
    const auto first = Text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    return Text.substr(first, Text.find_last_not_of(" \t\r") + 1 - first);
}

// A whole number, the whole text; false otherwise (also beyond an int).
bool Parse_Whole(const std::string& Text, int& Value)
{
    const std::string number = Trimmed(Text);
    const char *begin = number.data(), *end = begin + number.size();
    if (begin != end && *begin == '+')
        ++begin;
    const auto [stop, error] = std::from_chars(begin, end, Value);
    return !number.empty() && error == std::errc() && stop == end;
}

} // namespace

bool T_Ignore_Areas::Ignores(std::int64_t X, std::int64_t Y) const
{
    for (const T_Ignore_Rectangle& rectangle : Rectangles)
        if (X >= rectangle.Left && Y >= rectangle.Top &&
            X < std::int64_t{rectangle.Left} + rectangle.Width &&
            Y < std::int64_t{rectangle.Top} + rectangle.Height)
            return true;
    return Mask && X >= 0 && Y >= 0 && X < Mask->Width && Y < Mask->Height &&
           Mask->Ignored[std::size_t(Y) * std::size_t(Mask->Width) + std::size_t(X)] != 0;
}

std::string T_Ignore_Areas::Mask_Mismatch(int Base_Width, int Base_Height) const
{
    if (!Mask || (Mask->Width == Base_Width && Mask->Height == Base_Height))
        return {};
    return "the mask " + Mask->Name + " is " + std::to_string(Mask->Width) + " x " +
           std::to_string(Mask->Height) + " pixels, the picture " + std::to_string(Base_Width) +
           " x " + std::to_string(Base_Height) + ": a mask must have the picture's size";
}

bool Parse_Ignore_Rectangle(const std::string& Text, T_Ignore_Rectangle& Rectangle,
                            std::string& Error)
{
    std::vector<std::string> fields(1);
    for (char c : Text)
        if (c == ',')
            fields.emplace_back();
        else
            fields.back() += c;
    int values[4];
    bool whole = fields.size() == 4;
    for (std::size_t i = 0; whole && i < 4; ++i)
        whole = Parse_Whole(fields[i], values[i]);
    if (!whole) {
        Error = "an ignored rectangle is X,Y,WIDTH,HEIGHT in whole pixels, not \"" + Text + "\"";
        return false;
    }
    if (values[2] < 1 || values[3] < 1) {
        Error = "an ignored rectangle needs a width and a height of at least 1 pixel, not \"" +
                Text + "\"";
        return false;
    }
    Rectangle = {values[0], values[1], values[2], values[3]};
    return true;
}

// Why a name cannot be read as an ignore file, found without opening it (a
// pipe would wait for a writer forever); empty when it can.
std::string Unreadable_Reason(const std::string& Path)
{
    switch (os::Check_Input_File(Path)) {
    case os::T_File_Check::Regular:
        return {};
    case os::T_File_Check::Missing:
        return "the ignore file " + Path + " does not exist";
    case os::T_File_Check::Folder:
        return "the ignore file " + Path + " is a folder";
    case os::T_File_Check::Not_Regular:
        return "the ignore file " + Path + " is not a regular file";
    case os::T_File_Check::No_Permission:
        break;
    }
    return "the ignore file " + Path + " may not be read";
}

bool Load_Ignore_File(const std::string& Path, T_Ignore_Areas& Areas, std::string& Error)
{
    // Every changed pixel is looked up in every rectangle: far more than a
    // person or a script would list means a wrong file, not a slow run.
    constexpr std::size_t Most_Rectangles = 10000;
    if (Error = Unreadable_Reason(Path); !Error.empty())
        return false;
    // The name is UTF-8 on every system (a Windows name too).
    std::ifstream file(std::filesystem::path(std::u8string(Path.begin(), Path.end())));
    if (!file) {
        Error = "cannot read the ignore file " + Path;
        return false;
    }
    std::vector<T_Ignore_Rectangle> found;
    int number = 0;
    for (std::string line; std::getline(file, line);) {
        ++number;
        const std::string text = Trimmed(line.substr(0, line.find('#')));
        if (text.empty())
            continue;
        T_Ignore_Rectangle rectangle;
        if (!Parse_Ignore_Rectangle(text, rectangle, Error)) {
            Error = Path + ", line " + std::to_string(number) + ": " + Error;
            return false;
        }
        found.push_back(rectangle);
        if (found.size() > Most_Rectangles) {
            Error = Path + ": more than " + std::to_string(Most_Rectangles) +
                    " ignored rectangles; use a mask (--mask) for areas of that many parts";
            return false;
        }
    }
    if (file.bad()) {
        Error = "cannot read the ignore file " + Path;
        return false;
    }
    Areas.Rectangles.insert(Areas.Rectangles.end(), found.begin(), found.end());
    return true;
}
