#include "imaging/drawn_page.h"

#include <QImageWriter>
#include <QSaveFile>

namespace {

// Qt's PNG writer maps a quality q to zlib level (100 - q) * 9 / 91: 89 is
// level 1, which writes a drawing about as fast as level 0 (no compression)
// at a small part of its size, and well faster than the default level.
constexpr int Page_Png_Quality = 89;

class T_Drawn_Page final : public T_Page_Picture {
public:
    explicit T_Drawn_Page(const QImage& Picture) : Picture_(Picture) {}

    std::size_t Bytes() const override { return std::size_t(Picture_.sizeInBytes()); }
    bool Write(const std::string& File, std::string& Error) const override
    {
        return Write_Page_Png(Picture_, File, &Error);
    }
    const QImage& Picture() const { return Picture_; }

private:
    const QImage Picture_;
};

} // namespace

T_Page_Picture_Ptr Drawn_Page(const QImage& Picture)
{
    return std::make_shared<const T_Drawn_Page>(Picture);
}

QImage Drawn_Page_Image(const T_Page_Picture_Ptr& Page)
{
    const auto* drawn = dynamic_cast<const T_Drawn_Page*>(Page.get());
    return drawn ? drawn->Picture() : QImage();
}

QImage Page_In_Memory(const T_Page_Store* Pages, const std::string& File)
{
    if (!Pages)
        return {};
    return Drawn_Page_Image(Pages->Picture(Pages->Page_Named(File)));
}

bool Write_Page_Png(const QImage& Picture, const std::string& File, std::string* Error)
{
    QSaveFile file(QString::fromStdString(File));
    QString failure;
    if (!file.open(QIODevice::WriteOnly))
        failure = file.errorString();
    else {
        QImageWriter writer(&file, "png");
        writer.setQuality(Page_Png_Quality);
        if (!writer.write(Picture))
            failure = writer.errorString();
        else if (!file.commit())
            failure = file.errorString();
    }
    if (failure.isEmpty())
        return true;
    file.cancelWriting();
    if (Error)
        *Error = "Cannot write \"" + File + "\": " + failure.toStdString();
    return false;
}
