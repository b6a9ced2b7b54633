#include "image_format_registry.h"

namespace {

std::vector<T_Image_Format> Build_Registry()
{
    const char* bitmaps = "Windows bitmaps";
    const char* metafiles = "Windows metafiles";
    const char* jpegs = "JPG images";
    const char* targa = "Truevision images";
    const char* tiff = "Tagged image file format images";
    const char* pcx = "ZSoft Paintbrush images";
    const char* alias = "Alias/Wavefront images";
    const char* sgi = "SGI images";
    const char* photoshop = "Photoshop images";
    const char* autodesk = "Autodesk images";
    // {extension, own description (empty: the group's), group, decoder}
    struct T_Row {
        const char* Extension;
        const char* Own;
        const char* Group;
        T_Image_Decoder Decoder;
    };
    const T_Row rows[] = {
        {"bmp", "", bitmaps, T_Image_Decoder::Bmp},
        {"ico", "", "Windows icons", T_Image_Decoder::Ico},
        {"wmf", "", metafiles, T_Image_Decoder::Metafile},
        {"emf", "Windows enhanced meta files", metafiles, T_Image_Decoder::Metafile},
        {"jfif", "JFIF images", jpegs, T_Image_Decoder::Jpeg},
        {"jpg", "JPG images", jpegs, T_Image_Decoder::Jpeg},
        {"jpe", "JPE images", jpegs, T_Image_Decoder::Jpeg},
        {"jpeg", "JPEG images", jpegs, T_Image_Decoder::Jpeg},
        {"rle", "Run length encoded Windows bitmaps", bitmaps, T_Image_Decoder::Bmp},
        {"dib", "Device independant Windows bitmaps", bitmaps, T_Image_Decoder::Bmp},
        {"win", "", targa, T_Image_Decoder::Targa},
        {"vst", "", targa, T_Image_Decoder::Targa},
        {"vda", "", targa, T_Image_Decoder::Targa},
        {"tga", "", targa, T_Image_Decoder::Targa},
        {"icb", "", targa, T_Image_Decoder::Targa},
        {"tiff", "Macintosh TIFF images", tiff, T_Image_Decoder::Tiff},
        {"tif", "PC TIF images", tiff, T_Image_Decoder::Tiff},
        {"fax", "GFI fax images", tiff, T_Image_Decoder::Tiff},
        {"eps", "", "Encapsulated Postscript images", T_Image_Decoder::Eps},
        {"pcx", "", pcx, T_Image_Decoder::Pcx},
        {"pcc", "", pcx, T_Image_Decoder::Pcx},
        {"scr", "Word 5.x screen capture images", pcx, T_Image_Decoder::Pcx},
        {"rpf", "", alias, T_Image_Decoder::Rla},
        {"rla", "", alias, T_Image_Decoder::Rla},
        {"sgi", "SGI true color images", sgi, T_Image_Decoder::Sgi},
        {"rgba", "SGI true color images with alpha", sgi, T_Image_Decoder::Sgi},
        {"rgb", "SGI true color images", sgi, T_Image_Decoder::Sgi},
        {"bw", "SGI black/white images", sgi, T_Image_Decoder::Sgi},
        {"psd", "", photoshop, T_Image_Decoder::Psd},
        {"pdd", "", photoshop, T_Image_Decoder::Psd},
        {"cel", "", autodesk, T_Image_Decoder::Autodesk},
        {"pic", "", autodesk, T_Image_Decoder::Autodesk},
        {"pcd", "", "Kodak Photo-CD images", T_Image_Decoder::Pcd},
        {"gif", "", "CompuServe images", T_Image_Decoder::Gif},
        {"cut", "", "Dr. Halo images", T_Image_Decoder::Cut},
        {"psp", "", "Paintshop Pro images", T_Image_Decoder::Psp},
        {"png", "", "Portable network graphic images", T_Image_Decoder::Png},
    };
    std::vector<T_Image_Format> registry;
    for (const auto& row : rows)
        registry.push_back({row.Extension, row.Own[0] ? row.Own : row.Group, row.Group, row.Decoder});
    return registry;
}

} // namespace

const std::vector<T_Image_Format>& Image_Format_Registry()
{
    static const std::vector<T_Image_Format> registry = Build_Registry();
    return registry;
}

std::string Normalized_Extension(const std::string& extension)
{
    std::string text = !extension.empty() && extension[0] == '.' ? extension.substr(1) : extension;
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

bool Is_Registered_Image_Extension(const std::string& extension)
{
    std::string wanted = Normalized_Extension(extension);
    for (const auto& format : Image_Format_Registry())
        if (format.Extension == wanted)
            return !wanted.empty();
    return false;
}
