#include "session/pair_input.h"

#include "platform/os_platform.h"

namespace {

T_Input_Side Side_Of(const std::string& Path)
{
    T_Input_Side side;
    side.Path = Path;
    side.Readable = Path;
    if (side.Missing()) {
        side.Picture = {T_Picture_Side_Kind::Missing, T_Converter_Kind::None};
        side.Picture_Known = true;
        return side;
    }
    side.Readable = Readable_Name(Path);
    side.Kind = Classify_File(Path, side.Converter, side.Paged);
    side.Text_Document = Is_Text_Document(Path);
    return side;
}

} // namespace

bool T_Input_Side::Missing() const { return os::Is_Null_Device(Path); }

T_Pair_Input Pair_Input_Of(const std::string& Old, const std::string& New)
{
    return {Side_Of(Old), Side_Of(New)};
}

void Read_Picture_Sides(T_Pair_Input& Input, const T_Start_Reader& Read)
{
    for (T_Input_Side* side : {&Input.Old, &Input.New}) {
        if (side->Picture_Known)
            continue;
        const std::string start = Read ? Read(side->Readable, Picture_Start_Bytes)
                                       : File_Start(side->Readable, Picture_Start_Bytes);
        // The user's name gives the extension: a link may have lost it.
        side->Picture = Picture_Side_Of(side->Path, start);
        side->Picture_Known = true;
    }
}
