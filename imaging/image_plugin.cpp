// The image plugin that registers the program's own formats with Qt's image
// readers: by their names (image_plugin.json: the reader names of the format
// registry and the extensions that only these formats use) and by their
// signatures. It is linked statically into the program.
#include "imaging/image_decoders.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QImageIOPlugin>
#include <QVariant>

#include <climits>

namespace {

// The content of the Dr. Halo palette beside a picture ("x.pal" for "x.cut"),
// or empty when there is none. A palette is at most a few kilobytes.
std::string Side_Palette(const QIODevice* device)
{
    const auto* file = qobject_cast<const QFile*>(device);
    if (!file || file->fileName().isEmpty())
        return {};
    const QFileInfo info(file->fileName());
    const QString base = info.path() + QLatin1Char('/') + info.completeBaseName();
    for (const char* extension : {".pal", ".PAL", ".Pal"}) {
        QFile palette(base + QLatin1String(extension));
        if (palette.open(QIODevice::ReadOnly))
            return palette.read(65536).toStdString();
    }
    return {};
}

// Reads one picture with the decoder of a format (or of the signature the
// content has) from the whole content of the device.
class T_Image_Handler : public QImageIOHandler {
public:
    explicit T_Image_Handler(T_Image_Decoder Decoder) : Decoder_(Decoder) {}

    // The device holds a picture of this handler's format: one of the
    // program's signatures, or any content when the format was named
    // (formats without a signature are read by their name alone).
    bool canRead() const override
    {
        const T_Image_Decoder found = Detect_Image_Decoder(device());
        if (found != T_Image_Decoder::None)
            const_cast<T_Image_Handler*>(this)->setFormat(
                QByteArray::fromStdString(Format_Of_Decoder(found)));
        return found != T_Image_Decoder::None ||
               (Decoder_ != T_Image_Decoder::None && device() && device()->isReadable());
    }

    bool read(QImage* Image) override
    {
        std::string error = "The file cannot be read.";
        QImage picture;
        if (Load() && Decode_Picture(Data_, Decoder_, Palette_, {}, picture, error)) {
            *Image = picture;
            return true;
        }
        if (device())
            device()->setProperty(Image_Error_Property, QString::fromStdString(error));
        return false;
    }

    bool supportsOption(ImageOption Option) const override { return Option == Size; }

    // The size the header declares, read without decoding the picture: with
    // no pixels allowed, a decoder stops right after the header.
    QVariant option(ImageOption Option) const override
    {
        if (Option != Size || !Load())
            return {};
        T_Declared_Size declared;
        T_Decode_Limits probe;
        probe.Max_Pixels = 0;
        probe.Declared = &declared;
        QImage none;
        std::string ignored;
        Decode_Picture(Data_, Decoder_, Palette_, probe, none, ignored);
        if (!declared.Known || declared.Width > INT_MAX || declared.Height > INT_MAX)
            return {};
        return QSize(static_cast<int>(declared.Width), static_cast<int>(declared.Height));
    }

private:
    // Reads the device's content once; false when it cannot be read or is
    // larger than any picture within the limits needs (2 GiB).
    bool Load() const
    {
        QIODevice* source = device();
        const qint64 most = qint64{1} << 31;
        if (!Loaded_ && source && source->isReadable() &&
            (source->isSequential() || source->size() <= most)) {
            Loaded_ = true;
            // Asking for no more than the file holds: Qt reserves what is asked.
            Data_ = source->read(source->isSequential() ? most : source->size() - source->pos());
            Palette_ = Decoder_ == T_Image_Decoder::Cut ? Side_Palette(source) : std::string();
        }
        return Loaded_;
    }

    T_Image_Decoder Decoder_;
    mutable QByteArray Data_;
    mutable std::string Palette_;
    mutable bool Loaded_ = false;
};

} // namespace

class T_Varnolt_Image_Plugin : public QImageIOPlugin {
    Q_OBJECT
    Q_PLUGIN_METADATA(IID QImageIOHandlerFactoryInterface_iid FILE "image_plugin.json")

public:
    Capabilities capabilities(QIODevice* Device, const QByteArray& Format) const override
    {
        const T_Image_Decoder decoder = Format.isEmpty()
                                            ? Detect_Image_Decoder(Device)
                                            : Decoder_For_Format(Format.toLower().toStdString());
        return decoder != T_Image_Decoder::None ? CanRead : Capabilities();
    }

    QImageIOHandler* create(QIODevice* Device, const QByteArray& Format) const override
    {
        T_Image_Decoder decoder = Decoder_For_Format(Format.toLower().toStdString());
        if (decoder == T_Image_Decoder::None)
            decoder = Detect_Image_Decoder(Device);
        auto* handler = new T_Image_Handler(decoder);
        handler->setDevice(Device);
        handler->setFormat(QByteArray::fromStdString(Format_Of_Decoder(decoder)));
        return handler;
    }
};

#include "image_plugin.moc"
