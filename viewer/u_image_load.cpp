#include "u_image_load.h"

#include "image_decoders.h"
#include "image_format_registry.h"

#include <QByteArray>
#include <QImageReader>

#include <cstdlib>
#include <map>

bool Configure_Image_Limits()
{
    ::unsetenv("QT_IMAGEIO_MAXALLOC");
    QImageReader::setAllocationLimit(Image_Allocation_Limit_MB);
    return QImageReader::allocationLimit() == Image_Allocation_Limit_MB;
}

QByteArray Qt_Format_For_Extension(const std::string& Extension)
{
    // The registered extensions name formats by their old file-name variants;
    // Qt's decoders go by one name per format.
    static const std::map<std::string, QByteArray> aliases = {
        {"rle", "bmp"},  {"dib", "bmp"},  {"jfif", "jpeg"}, {"jpg", "jpeg"}, {"jpe", "jpeg"},
        {"win", "tga"},  {"vst", "tga"},  {"vda", "tga"},   {"icb", "tga"},  {"tif", "tiff"},
        {"fax", "tiff"}, {"pcc", "pcx"},  {"scr", "pcx"},   {"sgi", "rgb"},  {"rgba", "rgb"},
        {"bw", "rgb"},   {"pdd", "psd"},
    };
    const std::string ext = Normalized_Extension(Extension);
    if (ext.empty())
        return {};
    const auto alias = aliases.find(ext);
    const QByteArray format = alias != aliases.end() ? alias->second : QByteArray::fromStdString(ext);
    return QImageReader::supportedImageFormats().contains(format) ? format : QByteArray();
}


T_Loaded_Picture Load_Picture(const std::string& File_Name, const std::string& Format_Hint)
{
    // The limit must hold before Qt first consults it; a caller that forgot
    // to set it up still gets it here.
    static const bool limits_configured = Configure_Image_Limits();
    (void)limits_configured;

    const QString file = QString::fromStdString(File_Name);
    QImageReader reader;
    if (!Format_Hint.empty()) {
        QByteArray format = QImageReader::imageFormat(file);
        if (format.isEmpty())
            format = Qt_Format_For_Extension(Extension_Of(Format_Hint));
        if (!format.isEmpty()) {
            reader.setFormat(format);
            reader.setAutoDetectImageFormat(false);
        }
    }
    reader.setFileName(file);

    T_Loaded_Picture picture;
    picture.Stored_Size = reader.size();
    const QSize size = picture.Stored_Size;
    if (size.isValid() && std::int64_t{size.width()} * size.height() > Max_Picture_Pixels) {
        picture.Result = T_Picture_Load_Result::Too_Large;
        return picture;
    }
    if (reader.read(&picture.Image)) {
        picture.Result = T_Picture_Load_Result::Loaded;
        picture.Qt_Format = reader.format().toLower().toStdString();
        return picture;
    }
    picture.Image = QImage();
    // A decoder that reports no size in advance can still hit Qt's
    // allocation limit; its size is known once the header was read.
    const QSize late = picture.Stored_Size.isValid() ? picture.Stored_Size : reader.size();
    if (late.isValid() &&
        std::int64_t{late.width()} * late.height() * 4 >
            std::int64_t{QImageReader::allocationLimit()} * 1024 * 1024 &&
        QImageReader::allocationLimit() > 0) {
        picture.Stored_Size = late;
        picture.Result = T_Picture_Load_Result::Too_Large;
        return picture;
    }
    // Qt has no decoder for the format on this machine, or its decoder gave
    // up: the program's own decoders know every registered format.
    T_Raster raster;
    if (Decode_Image_File(File_Name, Format_Hint, raster, picture.Reason)) {
        picture.Image = To_QImage(std::move(raster));
        picture.Reason.clear();
        picture.Result = T_Picture_Load_Result::Loaded;
        return picture;
    }
    picture.Result = T_Picture_Load_Result::Unreadable;
    return picture;
}

QImage To_QImage(T_Raster&& Raster)
{
    // The QImage takes over the decoded pixels instead of copying them: a
    // large drawing is then held once, not twice, while it is shown.
    auto* pixels = new std::vector<std::uint8_t>(std::move(Raster.Pixels));
    return QImage(
        pixels->data(), Raster.Width, Raster.Height, Raster.Width * 4,
        Raster.Has_Alpha ? QImage::Format_RGBA8888 : QImage::Format_RGBX8888,
        [](void* owned) { delete static_cast<std::vector<std::uint8_t>*>(owned); }, pixels);
}
