#include "imaging/u_image_load.h"

#include "imaging/drawn_page.h"
#include "vocabulary/file_names.h"
#include "imaging/image_format_registry.h"
#include "imaging/image_decoders.h"
#include "imaging/gif_completeness.h"
#include "imaging/jpeg_completeness.h"

#include <QByteArray>
#include <QFile>
#include <QImageReader>
#include <QtPlugin>

#include <algorithm>
#include <cstdlib>
#include <vector>

// The program's own image formats, linked in as a static plugin.
Q_IMPORT_PLUGIN(T_Varnolt_Image_Plugin)

bool Configure_Image_Limits()
{
    qunsetenv("QT_IMAGEIO_MAXALLOC");
    QImageReader::setAllocationLimit(Image_Allocation_Limit_MB);
    return QImageReader::allocationLimit() == Image_Allocation_Limit_MB;
}

namespace {

// The formats to try for a file, in order, among those that have a reader on
// this machine (see Load_Picture).
std::vector<QByteArray> Formats_To_Try(const QString& File, const std::string& File_Name,
                                       const std::string& Format_Hint)
{
    const QList<QByteArray> available = QImageReader::supportedImageFormats();
    std::vector<QByteArray> formats;
    auto add = [&](const QByteArray& format) {
        if (!format.isEmpty() && available.contains(format) &&
            std::find(formats.begin(), formats.end(), format) == formats.end())
            formats.push_back(format);
    };
    auto add_extension = [&](const std::string& path) {
        for (const std::string& reader : Readers_For_Extension(File_Extension(path)))
            add(QByteArray::fromStdString(reader));
    };
    auto add_content = [&] {
        QFile device(File);
        if (!device.open(QIODevice::ReadOnly))
            return;
        QImageReader reader(&device);
        reader.setDecideFormatFromContent(true);
        const QByteArray found = reader.format().toLower();
        // Qt's Targa reader shifts a file with an image-ID field: the
        // program's own reads it first, on every path a file takes.
        if (found == "tga")
            add("targa");
        add(found);
    };
    // A file with the signature of one of the program's own formats goes to
    // its handler alone: these signatures are specific, and a broken file
    // must not end up with a reader that shows it wrongly (Qt's bitmap reader
    // leaves the pixels that run-length data skips undefined, and shows a
    // run-length bitmap cut short as if it were whole).
    {
        QFile device(File);
        const T_Image_Decoder own = device.open(QIODevice::ReadOnly) ? Detect_Image_Decoder(&device)
                                                                     : T_Image_Decoder::None;
        if (own != T_Image_Decoder::None) {
            add(QByteArray::fromStdString(Format_Of_Decoder(own)));
            return formats;
        }
    }
    if (!Format_Hint.empty()) {
        add_content();
        add_extension(Format_Hint);
        add_extension(File_Name);
    } else {
        add_extension(File_Name);
        add_content();
    }
    return formats;
}

// Why a picture that a reader decoded is no picture of the file: readers of
// JPEG and GIF files cut short make up the missing part and report success.
std::string Cut_Short_Reason(const QByteArray& Format, const std::string& File_Name)
{
    if ((Format == "jpeg" && Jpeg_Cut_Short(File_Name)) ||
        (Format == "gif" && Gif_Cut_Short(File_Name)))
        return "The " + Format.toUpper().toStdString() +
               " file is cut short: it ends before the end of its picture, whose missing part "
               "a reader would make up.";
    return {};
}

// True when Qt's allocation limit, not the data, is what stopped a reader.
bool Over_Allocation_Limit(const QSize& Size)
{
    return Size.isValid() && QImageReader::allocationLimit() > 0 &&
           std::int64_t{Size.width()} * Size.height() * 4 >
               std::int64_t{QImageReader::allocationLimit()} * 1024 * 1024;
}

} // namespace

T_Loaded_Picture Load_Picture(const std::string& File_Name, const std::string& Format_Hint)
{
    // The limit must hold before Qt first consults it; a caller that forgot
    // to set it up still gets it here.
    static const bool limits_configured = Configure_Image_Limits();
    (void)limits_configured;

    T_Loaded_Picture picture;
    const QString file = QString::fromStdString(File_Name);
    {
        QFile device(file);
        if (!device.open(QIODevice::ReadOnly)) {
            picture.Reason = "Cannot open \"" + File_Name + "\".";
            return picture;
        }
        if (device.size() == 0) {
            picture.Reason = "The file \"" + File_Name + "\" is empty.";
            return picture;
        }
    }
    const std::vector<QByteArray> formats = Formats_To_Try(file, File_Name, Format_Hint);
    if (formats.empty()) {
        picture.Reason = "The picture's format is not recognised.";
        return picture;
    }
    // Each reader gets the file afresh. The reason reported is the first
    // that one of the program's handlers gave, else the first of Qt's
    // (whose readers say little more than that they failed).
    std::string qt_reason;
    for (const QByteArray& format : formats) {
        QFile device(file);
        if (!device.open(QIODevice::ReadOnly))
            break;
        QImageReader reader(&device, format);
        reader.setAutoDetectImageFormat(false);
        // Shown as viewers show it: turned or mirrored as its header says
        // (a camera's EXIF orientation).
        reader.setAutoTransform(true);
        const QSize size = reader.size();
        if (size.isValid()) {
            picture.Stored_Size = size;
            if (!Picture_Fits(size.width(), size.height())) {
                picture.Result = T_Picture_Load_Result::Too_Large;
                return picture;
            }
        }
        // Qt's readers draw into the picture they are given when its size
        // and layout fit, and some leave pixels they never decode as they
        // find them: a cleared picture makes those pixels defined
        // (transparent black), the same on every run.
        QImage image;
        if (const QImage::Format layout = reader.imageFormat();
            size.isValid() && layout != QImage::Format_Invalid) {
            image = QImage(size, layout);
            image.fill(0);
        }
        if (reader.read(&image)) {
            if (const std::string cut = Cut_Short_Reason(format, File_Name); !cut.empty()) {
                picture.Reason = cut;
                return picture;
            }
            picture.Result = T_Picture_Load_Result::Loaded;
            picture.Image = std::move(image);
            picture.Qt_Format = format.toStdString();
            picture.Oriented = reader.transformation() != QImageIOHandler::TransformationNone;
            picture.Reason.clear();
            return picture;
        }
        // A reader that reports no size in advance can still hit Qt's
        // allocation limit; its size is known once the header was read.
        const QSize late = size.isValid() ? size : reader.size();
        if (Over_Allocation_Limit(late)) {
            picture.Stored_Size = late;
            picture.Result = T_Picture_Load_Result::Too_Large;
            return picture;
        }
        const QVariant own = device.property(Image_Error_Property);
        if (own.isValid() && picture.Reason.empty())
            picture.Reason = own.toString().toStdString();
        else if (!own.isValid() && qt_reason.empty())
            qt_reason = "The " + format.toUpper().toStdString() +
                        " reader failed: " + reader.errorString().toStdString();
    }
    if (picture.Reason.empty())
        picture.Reason = qt_reason;
    return picture;
}

T_Loaded_Picture Load_Drawn_Or_Decoded(const T_Page_Store* Pages, const std::string& File_Name,
                                       const std::string& Format_Hint)
{
    const QImage drawn = Page_In_Memory(Pages, File_Name);
    if (drawn.isNull())
        return Load_Picture(File_Name, Format_Hint);
    T_Loaded_Picture picture;
    picture.Result = T_Picture_Load_Result::Loaded;
    picture.Image = drawn;
    picture.Stored_Size = drawn.size();
    picture.Qt_Format = "png"; // what the file holds, for the converter
    return picture;
}
