#include "vocabulary/document_kinds.h"

// "jp2" is read by the same coder as "j2k".
const T_Converter_Input Converter_Input_Table[4] = {
    {"svg", T_Converter_Kind::Svg},
    {"j2k", T_Converter_Kind::J2k},
    {"jp2", T_Converter_Kind::J2k},
    {"ppm", T_Converter_Kind::Ppm},
};

T_Converter_Kind Converter_Kind_For_Extension(const std::string& extension)
{
    for (const T_Converter_Input& row : Converter_Input_Table)
        if (extension == row.Extension)
            return row.Kind;
    return T_Converter_Kind::None;
}

std::string Converter_Format(T_Converter_Kind kind)
{
    switch (kind) {
    case T_Converter_Kind::Svg:
        return "svg";
    case T_Converter_Kind::J2k:
        return "j2k";
    case T_Converter_Kind::Ppm:
        return "ppm";
    case T_Converter_Kind::None:
        break;
    }
    return "";
}
