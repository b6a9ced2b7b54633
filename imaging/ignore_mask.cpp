#include "imaging/ignore_mask.h"

#include "platform/os_platform.h"
#include "imaging/u_image_load.h"

#include <QImage>

bool Load_Ignore_Mask(const std::string& Path, T_Ignore_Areas& Areas, std::string& Error)
{
    // Checked before anything opens it: a pipe would wait for a writer
    // forever. The picture is then read as the compared ones are, within
    // the same size limits.
    if (os::Check_Input_File(Path) != os::T_File_Check::Regular) {
        Error = "the mask " + Path + " is not a file that can be read";
        return false;
    }
    const T_Loaded_Picture read = Load_Picture(Path);
    if (read.Result != T_Picture_Load_Result::Loaded) {
        Error = "cannot read the mask " + Path +
                (read.Reason.empty() ? std::string() : " (" + read.Reason + ")");
        return false;
    }
    const QImage picture = read.Image.convertToFormat(QImage::Format_ARGB32);
    auto mask = std::make_shared<T_Ignore_Mask>();
    mask->Name = Path;
    mask->Width = picture.width();
    mask->Height = picture.height();
    mask->Ignored.resize(std::size_t(mask->Width) * std::size_t(mask->Height));
    bool any_transparent = false;
    for (int y = 0; y < picture.height(); ++y) {
        const auto* row = reinterpret_cast<const QRgb*>(picture.constScanLine(y));
        std::uint8_t* flags = mask->Ignored.data() + std::size_t(y) * std::size_t(mask->Width);
        for (int x = 0; x < picture.width(); ++x) {
            flags[x] = qAlpha(row[x]) != 0;
            any_transparent = any_transparent || flags[x] == 0;
        }
    }
    if (!any_transparent) {
        Error = "the mask " + Path +
                " has no transparent pixel: it would leave out the whole picture (the pixels "
                "to compare must be fully transparent)";
        return false;
    }
    Areas.Mask = std::move(mask);
    return true;
}
