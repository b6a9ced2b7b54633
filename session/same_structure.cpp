#include "session/same_structure.h"

#include "imaging/picture_structure.h"
#include "vocabulary/file_names.h"

#include <memory>

namespace {

bool Named_For(T_Picture_Structure::T_Format Format, const std::string& File)
{
    const std::string extension = File_Extension(File);
    switch (Format) {
    case T_Picture_Structure::T_Format::Png:
        return extension == "png";
    case T_Picture_Structure::T_Format::Jpeg:
        return extension == "jpg" || extension == "jpeg" || extension == "jpe" ||
               extension == "jfif";
    case T_Picture_Structure::T_Format::None:
        break;
    }
    return false;
}

} // namespace

void Mark_Identical(T_Pair_Findings& Pair, int Width, int Height, T_Bytes_Check Checked)
{
    Pair.Result = T_Verdict::Identical;
    Pair.Checked = Checked;
    Pair.Old_Width = Pair.New_Width = Width;
    Pair.Old_Height = Pair.New_Height = Height;
    auto none = std::make_shared<T_Difference>();
    none->Width = none->Base_Width = none->Modified_Width = Width;
    none->Height = none->Base_Height = none->Modified_Height = Height;
    Pair.Difference = std::move(none);
}

std::optional<T_Pair_Findings> Identical_By_Structure(const std::string& File,
                                                      const T_Pair_Findings& Names)
{
    const T_Picture_Structure structure = Check_Picture_Structure(File);
    if (!structure.Sound || !Named_For(structure.Format, File))
        return std::nullopt;
    T_Pair_Findings pair = Names;
    Mark_Identical(pair, structure.Width, structure.Height, T_Bytes_Check::Structure);
    return pair;
}
