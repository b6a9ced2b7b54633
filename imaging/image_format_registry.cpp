#include "imaging/image_format_registry.h"

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
    // Qt reads bitmaps, icons, JPEG, GIF, PNG and TIFF (with its image
    // formats plugin); the program's own image handlers read the rest under
    // these names (see image_decoders.h), and bitmaps, PNG and TIFF where
    // their content is recognised (see u_image_load.h). Qt's Targa reader
    // takes only uncompressed true-colour files and shifts those with an
    // image-ID field, so the program's own reader comes first.
    const std::vector<std::string> targa_readers{"targa", "tga"};
    // {extension, own description (empty: the group's), group, readers}
    std::vector<T_Image_Format> registry = {
        {"bmp", "", bitmaps, {"bmp"}},
        {"ico", "", "Windows icons", {"ico"}},
        {"wmf", "", metafiles, {"metafile"}},
        {"emf", "Windows enhanced meta files", metafiles, {"metafile"}},
        {"jfif", "JFIF images", jpegs, {"jpeg"}},
        {"jpg", "JPG images", jpegs, {"jpeg"}},
        {"jpe", "JPE images", jpegs, {"jpeg"}},
        {"jpeg", "JPEG images", jpegs, {"jpeg"}},
        {"rle", "Run length encoded Windows bitmaps", bitmaps, {"bmp"}},
        {"dib", "Device independent Windows bitmaps", bitmaps, {"bmp"}},
        {"win", "", targa, targa_readers},
        {"vst", "", targa, targa_readers},
        {"vda", "", targa, targa_readers},
        {"tga", "", targa, targa_readers},
        {"icb", "", targa, targa_readers},
        {"tiff", "Macintosh TIFF images", tiff, {"tiff"}},
        {"tif", "PC TIF images", tiff, {"tiff"}},
        {"fax", "GFI fax images", tiff, {"tiff"}},
        {"eps", "", "Encapsulated Postscript images", {"eps"}},
        {"pcx", "", pcx, {"pcx"}},
        {"pcc", "", pcx, {"pcx"}},
        {"scr", "Word 5.x screen capture images", pcx, {"pcx"}},
        {"rpf", "", alias, {"rla"}},
        {"rla", "", alias, {"rla"}},
        {"sgi", "SGI true color images", sgi, {"sgi"}},
        {"rgba", "SGI true color images with alpha", sgi, {"sgi"}},
        {"rgb", "SGI true color images", sgi, {"sgi"}},
        {"bw", "SGI black/white images", sgi, {"sgi"}},
        {"psd", "", photoshop, {"psd"}},
        {"pdd", "", photoshop, {"psd"}},
        {"cel", "", autodesk, {"autodesk"}},
        {"pic", "", autodesk, {"autodesk"}},
        {"pcd", "", "Kodak Photo-CD images", {"pcd"}},
        {"gif", "", "CompuServe images", {"gif"}},
        {"cut", "", "Dr. Halo images", {"cut"}},
        {"psp", "", "Paintshop Pro images", {"psp"}},
        {"png", "", "Portable network graphic images", {"png"}},
    };
    for (auto& format : registry)
        if (format.Description.empty())
            format.Description = format.Group;
    return registry;
}

// The extension lower-cased in A to Z only, without a leading dot.
std::string Normalized_Extension(const std::string& extension)
{
    std::string text = !extension.empty() && extension[0] == '.' ? extension.substr(1) : extension;
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

} // namespace

const std::vector<T_Image_Format>& Image_Format_Registry()
{
    static const std::vector<T_Image_Format> registry = Build_Registry();
    return registry;
}

std::vector<std::string> Readers_For_Extension(const std::string& extension)
{
    const std::string wanted = Normalized_Extension(extension);
    for (const auto& format : Image_Format_Registry())
        if (format.Extension == wanted)
            return format.Readers;
    return {};
}

bool Is_Registered_Image_Extension(const std::string& extension)
{
    return !Readers_For_Extension(extension).empty();
}
