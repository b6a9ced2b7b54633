#include "headless/png_file.h"

#include "headless/quick_png.h"
#include "platform/os_platform.h"

#include <QBuffer>
#include <QImageWriter>

#include <filesystem>

namespace fs = std::filesystem;

std::string Save_Png(const QImage& Picture, const std::string& Path, bool Compressed)
{
    // A folder, a socket or a link to nothing is no place for a picture; a
    // device or a pipe is written in place (never replaced by a file).
    // A link to a device (/dev/stdout) is that device; a link to a file
    // would be replaced by the picture, not followed.
    std::error_code error;
    const fs::file_status status = fs::status(os::Utf8_Path(Path), error);
    const bool device = fs::is_character_file(status) || fs::is_fifo(status);
    if (const fs::file_status own = fs::symlink_status(os::Utf8_Path(Path), error);
        fs::exists(own) && !fs::is_regular_file(own) && !device)
        return "it is not a regular file";
    // Encoded in memory first: the file's own errors (a full disk) then
    // come from the file, in the system's words.
    std::string png;
    if (Compressed) {
        png = Quick_Png(Picture);
        if (png.empty())
            return "the picture could not be encoded";
    } else {
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "png");
        if (!writer.write(Picture))
            return writer.errorString().toStdString();
        png = bytes.toStdString();
    }
    std::string why;
    if (!os::Write_File_Whole(Path, png, why))
        return why;
    return {};
}
