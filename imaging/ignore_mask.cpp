#include "ignore_mask.h"

#include <QImage>
#include <QImageReader>

bool Load_Ignore_Mask(const std::string& Path, T_Ignore_Areas& Areas, std::string& Error)
{
    QImageReader reader(QString::fromStdString(Path));
    const QImage read = reader.read();
    if (read.isNull()) {
        Error = "cannot read the mask " + Path + " (" + reader.errorString().toStdString() + ")";
        return false;
    }
    const QImage picture = read.convertToFormat(QImage::Format_ARGB32);
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
