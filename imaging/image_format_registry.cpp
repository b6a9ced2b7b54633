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
    // {extension, own description (empty: the group's), group}
    const char* rows[][3] = {
        {"bmp", "", bitmaps},
        {"ico", "", "Windows icons"},
        {"wmf", "", metafiles},
        {"emf", "Windows enhanced meta files", metafiles},
        {"jfif", "JFIF images", jpegs},
        {"jpg", "JPG images", jpegs},
        {"jpe", "JPE images", jpegs},
        {"jpeg", "JPEG images", jpegs},
        {"rle", "Run length encoded Windows bitmaps", bitmaps},
        {"dib", "Device independant Windows bitmaps", bitmaps},
        {"win", "", targa},
        {"vst", "", targa},
        {"vda", "", targa},
        {"tga", "", targa},
        {"icb", "", targa},
        {"tiff", "Macintosh TIFF images", tiff},
        {"tif", "PC TIF images", tiff},
        {"fax", "GFI fax images", tiff},
        {"eps", "", "Encapsulated Postscript images"},
        {"pcx", "", pcx},
        {"pcc", "", pcx},
        {"scr", "Word 5.x screen capture images", pcx},
        {"rpf", "", alias},
        {"rla", "", alias},
        {"sgi", "SGI true color images", sgi},
        {"rgba", "SGI true color images with alpha", sgi},
        {"rgb", "SGI true color images", sgi},
        {"bw", "SGI black/white images", sgi},
        {"psd", "", photoshop},
        {"pdd", "", photoshop},
        {"cel", "", autodesk},
        {"pic", "", autodesk},
        {"pcd", "", "Kodak Photo-CD images"},
        {"gif", "", "CompuServe images"},
        {"cut", "", "Dr. Halo images"},
        {"psp", "", "Paintshop Pro images"},
        {"png", "", "Portable network graphic images"},
    };
    std::vector<T_Image_Format> registry;
    for (const auto& row : rows)
        registry.push_back({row[0], row[1][0] ? row[1] : row[2], row[2]});
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
