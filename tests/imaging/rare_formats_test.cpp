// The program's own image handlers (the rarer formats and the metafiles),
// and how Load_Picture chooses a reader for a file.
#include "tests/imaging/decoder_test_support.h"
#include "vocabulary/file_names.h"
#include "imaging/image_format_registry.h"

#include <QImageReader>

#include <cstring>

using namespace test;

namespace {

TEST(RareFormats, PatternSamplesLoad)
{
    // Animator palettes have 6-bit components, so grey 128 comes back as 125.
    for (auto [name, tolerance] :
         {std::pair{"pattern.rla", 0}, {"pattern.cel", 0}, {"pattern.pic", 3}})
        EXPECT_TRUE(Matches_Reference(Load_Ok(Sample_Path(name)), tolerance)) << name;
    Scratch_Dir dir;
    QImage rla = Load_Bytes_Ok(dir, Sample("pattern.rla"), "x.rpf");
    EXPECT_EQ(rla.pixelColor(3, 3).alpha(), 200); // the matte channel is the transparency
    EXPECT_TRUE(rla.hasAlphaChannel());
}

TEST(RareFormats, PaintShopProFirstLayer)
{
    // Format version 3 with raw channels and version 5 with run-length
    // channels; both carry a mask that hides the last pixel.
    for (const char* name : {"pattern_v3.psp", "pattern.psp"}) {
        QImage image = Load_Ok(Sample_Path(name));
        EXPECT_TRUE(Matches_Reference(image, 0)) << name;
        EXPECT_EQ(image.pixelColor(6, 4).alpha(), 0) << name;
        EXPECT_EQ(image.pixelColor(5, 4).alpha(), 255) << name;
    }
}

TEST(RareFormats, PaintShopProBrokenChannelsAreRefused)
{
    QImage image;
    std::string error;
    // A layer of 8000 x 8000 pixels whose first channel claims as many bytes
    // from 40 packed ones: refused before 64 MB are set aside for it.
    Bytes psp = Sample("pattern.psp");
    for (int i = 0; i < 4; ++i)
        psp[132 + i] = psp[136 + i] = "\x40\x1F\0\0"[i]; // right and bottom: 8000
    for (int i = 0; i < 4; ++i)
        psp[264 + i] = "\0\x90\xD0\x03"[i]; // 64,000,000 bytes unpacked
    EXPECT_FALSE(Decode(psp, T_Image_Decoder::Psp, image, error));
    EXPECT_NE(error.find("larger than its data"), std::string::npos) << error;
    // The last channel cut to two bytes at the very end of the file, the
    // layer bank and the layer shortened to match: its header is not read
    // past the end (which a sanitizer build would report).
    psp = Sample("pattern.psp");
    psp.resize(456);
    psp[98] = 0x62, psp[99] = 0x01;   // the bank: 354 bytes
    psp[108] = 0x58, psp[109] = 0x01; // the layer: 344 bytes
    psp[450] = 2, psp[451] = 0;       // the mask channel: 2 bytes
    EXPECT_TRUE(Clean_Outcome(Decode(psp, T_Image_Decoder::Psp, image, error), image, error));
}

TEST(RareFormats, HaloPictureTakesThePaletteBesideIt)
{
    Scratch_Dir dir;
    Write_File(dir / "picture.cut", As_Text(Sample("pattern.cut")));
    // Without its palette: the indexes as grey levels.
    EXPECT_TRUE(Color_At(Load_Ok(dir / "picture.cut"), 2, 1, 4, 4, 4));
    Write_File(dir / "picture.pal", As_Text(Sample("pattern.pal")));
    EXPECT_TRUE(Matches_Reference(Load_Ok(dir / "picture.cut"), 0));
}

TEST(RareFormats, PhotoCdBasePicture)
{
    // The base picture of 768 x 512 pixels lies at 0x30000: pairs of luma lines,
    // each followed by a half-width line of each chroma channel.
    Bytes pcd(0x30000 + 768 * 512 * 3 / 2, 0);
    std::memcpy(pcd.data() + 0x800, "PCD_IPI", 7);
    for (int pair = 0; pair < 256; ++pair) {
        std::uint8_t* block = pcd.data() + 0x30000 + pair * 768 * 3;
        std::memset(block, pair < 128 ? 188 : 0, 768 * 2); // white above, black below
        std::memset(block + 768 * 2, 156, 384);            // neutral chroma
        std::memset(block + 768 * 2 + 384, 137, 384);
    }
    Scratch_Dir dir;
    QImage image = Load_Bytes_Ok(dir, pcd, "disc"); // recognised by content
    ASSERT_EQ(image.size(), QSize(768, 512));
    EXPECT_TRUE(Color_At(image, 10, 10, 255, 255, 255));
    EXPECT_TRUE(Color_At(image, 10, 500, 0, 0, 0));
    // A portrait picture is stored turned; the orientation byte turns it upright.
    pcd[0x0E02] = 1;
    EXPECT_EQ(Load_Bytes_Ok(dir, pcd, "x.pcd").size(), QSize(512, 768));
    // A disc image cut before the base picture's end is refused.
    pcd.resize(0x30000 + 1000);
    Write_File(dir / "cut.pcd", As_Text(pcd));
    EXPECT_EQ(Load_Picture(dir / "cut.pcd").Result, T_Picture_Load_Result::Unreadable);
}

Bytes Dos_Eps(const Bytes& tiff, const Bytes& wmf)
{
    const std::string postscript = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 7 5\n";
    Bytes eps;
    Put32(eps, 0xC6D3D0C5);
    Put32(eps, 30), Put32(eps, static_cast<std::uint32_t>(postscript.size()));
    std::uint32_t wmf_at = wmf.empty() ? 0 : 30 + static_cast<std::uint32_t>(postscript.size());
    Put32(eps, wmf_at), Put32(eps, static_cast<std::uint32_t>(wmf.size()));
    std::uint32_t tiff_at =
        tiff.empty() ? 0 : 30 + static_cast<std::uint32_t>(postscript.size() + wmf.size());
    Put32(eps, tiff_at), Put32(eps, static_cast<std::uint32_t>(tiff.size()));
    Put16(eps, 0xFFFF);
    eps.insert(eps.end(), postscript.begin(), postscript.end());
    eps.insert(eps.end(), wmf.begin(), wmf.end());
    eps.insert(eps.end(), tiff.begin(), tiff.end());
    return eps;
}

TEST(RareFormats, EpsShowsItsPreview)
{
    Scratch_Dir dir;
    std::string format;
    Write_File(dir / "tiff.eps", As_Text(Dos_Eps(Sample("lzw.tif"), {})));
    EXPECT_TRUE(Matches_Reference(Load_Ok(dir / "tiff.eps", {}, &format), 0));
    EXPECT_EQ(format, "eps");
    EXPECT_EQ(Load_Bytes_Ok(dir, Dos_Eps({}, Sample("drawing.wmf")), "wmf.eps").width(), 96);

    const std::string text = "%!PS-Adobe-3.0 EPSF-3.0\nshowpage\n";
    Write_File(dir / "bare.eps", As_Text(Dos_Eps({}, {})));
    Write_File(dir / "text.eps", text);
    for (const char* name : {"bare.eps", "text.eps"}) {
        T_Loaded_Picture picture = Load_Picture(dir / name);
        EXPECT_EQ(picture.Result, T_Picture_Load_Result::Unreadable) << name;
        EXPECT_NE(picture.Reason.find("preview"), std::string::npos) << picture.Reason;
    }
    // A preview said to lie past the end of the file.
    Bytes eps = Dos_Eps(Sample("raw.tif"), {});
    eps.resize(eps.size() - 100);
    Write_File(dir / "cut.eps", As_Text(eps));
    EXPECT_EQ(Load_Picture(dir / "cut.eps").Result, T_Picture_Load_Result::Unreadable);
}

// Every cut point and every byte set to a few values: a clear failure or a
// picture, never a crash or a failure without a reason.
TEST(RareFormats, TruncatedOrCorruptFailsCleanly)
{
    const std::pair<const char*, T_Image_Decoder> samples[] = {
        {"raw.tga", T_Image_Decoder::Targa},        {"rle.tga", T_Image_Decoder::Targa},
        {"rgb24.pcx", T_Image_Decoder::Pcx},        {"palette8.pcx", T_Image_Decoder::Pcx},
        {"rgb.psd", T_Image_Decoder::Psd},          {"verbatim.sgi", T_Image_Decoder::Sgi},
        {"rle.sgi", T_Image_Decoder::Sgi},          {"pattern.rla", T_Image_Decoder::Rla},
        {"pattern.cut", T_Image_Decoder::Cut},      {"pattern.pic", T_Image_Decoder::Autodesk},
        {"pattern.cel", T_Image_Decoder::Autodesk}, {"pattern.psp", T_Image_Decoder::Psp},
        {"pattern_v3.psp", T_Image_Decoder::Psp},   {"drawing.wmf", T_Image_Decoder::Metafile},
        {"drawing.emf", T_Image_Decoder::Metafile}, {"rle8.bmp", T_Image_Decoder::Bitmap},
    };
    for (auto [name, decoder] : samples) {
        const Bytes data = Sample(name);
        QImage image;
        std::string error;
        for (std::size_t length = 1; length < data.size(); ++length) {
            error.clear();
            bool ok =
                Decode(Bytes(data.begin(), data.begin() + static_cast<std::ptrdiff_t>(length)),
                       decoder, image, error);
            ASSERT_TRUE(Clean_Outcome(ok, image, error)) << name << " cut at " << length;
        }
        for (std::size_t i = 0; i < data.size(); ++i)
            for (std::uint8_t value : {0x00, 0x7F, 0x80, 0xFF}) {
                Bytes bad = data;
                bad[i] = value;
                error.clear();
                bool ok = Decode(bad, decoder, image, error);
                ASSERT_TRUE(Clean_Outcome(ok, image, error))
                    << name << " byte " << i << " = " << int(value);
            }
    }
}

// ----------------------------------------------------------------- metafiles

TEST(Metafiles, ShapesAreDrawn)
{
    // A placeable metafile of 100 x 60 units at 100 per inch: a red rectangle
    // (10..40, 10..50), a blue ellipse (55..95, 10..50), a green line at y = 5.
    std::string format;
    QImage wmf = Load_Ok(Sample_Path("drawing.wmf"), {}, &format);
    EXPECT_EQ(format, "metafile");
    ASSERT_EQ(wmf.size(), QSize(96, 58));
    EXPECT_TRUE(Color_At(wmf, 24, 29, 255, 0, 0));
    EXPECT_TRUE(Color_At(wmf, 72, 29, 0, 0, 255));
    EXPECT_TRUE(Color_At(wmf, 48, 5, 0, 255, 0));
    EXPECT_TRUE(Color_At(wmf, 48, 29, 255, 255, 255));
    EXPECT_TRUE(Color_At(wmf, 55, 12, 255, 255, 255)); // outside the ellipse, inside its box

    // An enhanced metafile of 96 x 48 pixels: a green square (10..40) and a
    // blue triangle filled from a path (50,40), (90,40), (70,5).
    QImage emf = Load_Ok(Sample_Path("drawing.emf"));
    ASSERT_EQ(emf.size(), QSize(96, 48));
    EXPECT_TRUE(Color_At(emf, 25, 25, 0, 255, 0));
    EXPECT_TRUE(Color_At(emf, 70, 30, 0, 0, 255));
    EXPECT_TRUE(Color_At(emf, 55, 10, 255, 255, 255));
    EXPECT_TRUE(Color_At(emf, 5, 45, 255, 255, 255));
}

// Records appended to the 96 x 48 header of the enhanced metafile sample.
class T_Emf {
public:
    T_Emf() : Data(Sample("drawing.emf")) { Data.resize(88); }
    T_Emf& Record(std::uint32_t type, std::initializer_list<std::uint32_t> values,
                  const Bytes& tail = {})
    {
        Put32(Data, type),
            Put32(Data, static_cast<std::uint32_t>(8 + 4 * values.size() + tail.size()));
        for (std::uint32_t v : values)
            Put32(Data, v);
        Data.insert(Data.end(), tail.begin(), tail.end());
        return *this;
    }
    Bytes Data;
};

TEST(Metafiles, ClippingArcsAndTextAreDrawn)
{
    const std::uint32_t red = 0x0000FF, blue = 0xFF0000;
    Bytes face;
    for (char c : std::string("DejaVu Sans"))
        Put16(face, static_cast<unsigned char>(c));
    face.resize(64, 0);
    Bytes text; // "WWW" and its advances
    for (int i = 0; i < 3; ++i)
        Put16(text, 'W');
    Put16(text, 0);
    for (int i = 0; i < 3; ++i)
        Put32(text, 12);
    T_Emf emf;
    emf.Record(37, {0x80000008}) // no outline
        .Record(39, {1, 0, red, 0})
        .Record(37, {1})            // red brush
        .Record(30, {0, 0, 48, 48}) // clip to the left half
        .Record(43, {0, 0, 96, 48}) // a rectangle over everything
        .Record(75, {0, 5})         // clipping reset
        .Record(39, {2, 0, blue, 0})
        .Record(37, {2})                            // blue brush
        .Record(47, {48, 0, 96, 48, 96, 24, 72, 0}) // pie: the upper right quarter
        .Record(82, {3, static_cast<std::uint32_t>(-16), 0, 0, 0, 700, 0, 0}, face)
        .Record(37, {3})
        .Record(84, {0, 0, 96, 48, 1, 0, 0, 52, 30, 3, 76, 0, 0, 0, 96, 48, 84}, text);
    Scratch_Dir dir;
    QImage image = Load_Bytes_Ok(dir, emf.Data, "x.emf");
    ASSERT_EQ(image.size(), QSize(96, 48));
    EXPECT_TRUE(Color_At(image, 10, 24, 255, 0, 0));
    EXPECT_TRUE(Color_At(image, 60, 27, 255, 255, 255)); // clipped away
    EXPECT_TRUE(Color_At(image, 84, 14, 0, 0, 255));
    EXPECT_TRUE(Color_At(image, 60, 10, 255, 255, 255)); // the pie's other quarters
    EXPECT_TRUE(Color_At(image, 84, 27, 255, 255, 255));
    int dark = 0;
    for (int y = 30; y < 48; ++y)
        for (int x = 50; x < 96; ++x)
            dark += image.pixelColor(x, y).lightness() < 100;
    EXPECT_GT(dark, 20) << "the text is missing";
}

// A Windows metafile of 40 x 20 units, drawn 1:1, with records of 16-bit
// parameters appended.
class T_Wmf {
public:
    T_Wmf()
    {
        Record(0x020B, {0, 0}); // window origin and extent, y first
        Record(0x020C, {20, 40});
    }
    T_Wmf& Record(unsigned function, std::initializer_list<unsigned> words, const Bytes& tail = {})
    {
        Put32(Records, static_cast<std::uint32_t>(3 + words.size() + (tail.size() + 1) / 2));
        Put16(Records, function);
        for (unsigned w : words)
            Put16(Records, w);
        Records.insert(Records.end(), tail.begin(), tail.end());
        if (tail.size() % 2)
            Records.push_back(0);
        return *this;
    }
    Bytes File() const
    {
        Bytes file;
        Put16(file, 1), Put16(file, 9), Put16(file, 0x0300);
        Put32(file, static_cast<std::uint32_t>((18 + Records.size()) / 2 + 3));
        Put16(file, 0), Put32(file, 0), Put16(file, 0);
        file.insert(file.end(), Records.begin(), Records.end());
        Put32(file, 3), Put16(file, 0);
        return file;
    }
    Bytes Records;
};

// A packed bitmap of `width` x `height` pixels with a 40-byte header.
Bytes Dib(int width, int height, int bits, int compression, std::uint32_t image_size,
          const Bytes& colours_and_pixels)
{
    Bytes dib;
    Put32(dib, 40), Put32(dib, static_cast<std::uint32_t>(width));
    Put32(dib, static_cast<std::uint32_t>(height));
    Put16(dib, 1), Put16(dib, static_cast<unsigned>(bits));
    Put32(dib, static_cast<std::uint32_t>(compression)), Put32(dib, image_size);
    Put32(dib, 0), Put32(dib, 0), Put32(dib, bits == 8 ? 2 : 0), Put32(dib, 0);
    dib.insert(dib.end(), colours_and_pixels.begin(), colours_and_pixels.end());
    return dib;
}

TEST(Metafiles, EmbeddedBitmapsShowTheirOwnPixels)
{
    // 2 x 2 pixels, bottom row first: red, green; blue, white.
    const Bytes rows = {0, 0, 255, 0, 255, 0, 0, 0, 255, 0, 0, 255, 255, 255, 0, 0};
    // Stretched to 10 x 10 at the origin; the bitmap states its image size
    // and the record has two more bytes after it.
    Bytes padded = Dib(2, 2, 24, 0, 16, rows);
    padded.insert(padded.end(), {0xEE, 0xEE});
    // At (12, 0) as it is, but with its top row missing from the record.
    const Bytes cut = Dib(2, 2, 24, 0, 0, Bytes(rows.begin(), rows.begin() + 8));
    // Run-length, 4 x 1 of colours blue (0) and red (1): red, a delta that
    // skips two pixels, red, end; stretched to 8 x 2 at (20, 0).
    const Bytes rle =
        Dib(4, 1, 8, 1, 0, {255, 0, 0, 0, 0, 0, 255, 0, 1, 1, 0, 2, 2, 0, 1, 1, 0, 1});
    T_Wmf wmf;
    wmf.Record(0x0F43, {0x0020, 0x00CC, 0, 2, 2, 0, 0, 10, 10, 0, 0}, padded) // StretchDIB
        .Record(0x0940, {0x0020, 0x00CC, 0, 0, 2, 2, 0, 12}, cut)             // DIBBitBlt
        .Record(0x0F43, {0x0020, 0x00CC, 0, 1, 4, 0, 0, 2, 8, 0, 20}, rle);
    Scratch_Dir dir;
    QImage image = Load_Bytes_Ok(dir, wmf.File(), "x.wmf");
    ASSERT_EQ(image.size(), QSize(40, 20));
    EXPECT_TRUE(Color_At(image, 2, 2, 0, 0, 255));
    EXPECT_TRUE(Color_At(image, 7, 2, 255, 255, 255));
    EXPECT_TRUE(Color_At(image, 2, 7, 255, 0, 0));
    EXPECT_TRUE(Color_At(image, 7, 7, 0, 255, 0));
    EXPECT_TRUE(Color_At(image, 12, 0, 0, 0, 0)); // the missing row: black
    EXPECT_TRUE(Color_At(image, 13, 1, 0, 255, 0));
    const int rle_row[4] = {255, 0, 0, 255}; // red where painted, colour 0 where skipped
    for (int x = 0; x < 4; ++x)
        EXPECT_TRUE(Color_At(image, 21 + 2 * x, 1, rle_row[x], 0, 255 - rle_row[x])) << x;
}

TEST(Metafiles, MetafileThatNeverEndsItsShapesStops)
{
    // Thousands of polygons that each cover the whole picture: the drawing is
    // refused once its work budget (here a small one) is spent.
    Bytes big = Sample("drawing.emf");
    big.resize(88);
    Bytes polygon;
    Put32(polygon, 3), Put32(polygon, 8 + 16 + 4 + 8 * 200); // EMR_POLYGON with 200 points
    for (int i = 0; i < 4; ++i)
        Put32(polygon, 0);
    Put32(polygon, 200);
    for (int i = 0; i < 200; ++i)
        Put32(polygon, i % 2 ? 0 : 96), Put32(polygon, i * 48 / 200);
    for (int i = 0; i < 2000; ++i)
        big.insert(big.end(), polygon.begin(), polygon.end());
    QImage image;
    std::string error;
    T_Decode_Limits limits;
    limits.Max_Draw_Work = 1'000'000;
    EXPECT_FALSE(Decode(big, T_Image_Decoder::Metafile, image, error, limits));
    EXPECT_NE(error.find("too complex"), std::string::npos) << error;
    EXPECT_TRUE(Decode(big, T_Image_Decoder::Metafile, image, error)) << error;
}

// ----------------------------------------------------------- choosing a reader

TEST(ReaderChoice, EveryRegisteredExtensionHasAReader)
{
    const QList<QByteArray> available = QImageReader::supportedImageFormats();
    for (const auto& format : Image_Format_Registry()) {
        ASSERT_FALSE(format.Readers.empty()) << format.Extension;
        bool readable = false;
        for (const std::string& reader : format.Readers)
            readable = readable || available.contains(QByteArray::fromStdString(reader));
        EXPECT_TRUE(readable) << format.Extension;
    }
    // The program's own formats never pass for those the converter reads itself.
    for (int i = static_cast<int>(T_Image_Decoder::Metafile);
         i <= static_cast<int>(T_Image_Decoder::Bitmap); ++i) {
        const std::string name = Format_Of_Decoder(static_cast<T_Image_Decoder>(i));
        EXPECT_TRUE(available.contains(QByteArray::fromStdString(name))) << name;
        EXPECT_EQ(Decoder_For_Format(name), static_cast<T_Image_Decoder>(i));
        for (const char* common : {"png", "jpeg", "jpg", "gif", "bmp"})
            EXPECT_NE(name, common);
    }
    EXPECT_EQ(Readers_For_Extension("TGA"), (std::vector<std::string>{"targa", "tga"}));
    EXPECT_TRUE(Readers_For_Extension("svg").empty());
    EXPECT_EQ(File_Extension("/data.old/readme"), "");
    EXPECT_EQ(File_Extension("/pics/plan.WIN"), "win");
    EXPECT_EQ(File_Extension("pack.tar.gz"), "gz");
}

TEST(ReaderChoice, ContentWinsOverAWrongExtension)
{
    Scratch_Dir dir;
    Write_File(dir / "plan.win", As_Text(Sample("rgb8.png"))); // a Targa extension
    Write_File(dir / "x.fax", As_Text(Sample("rgb24.bmp")));   // a TIFF extension
    Write_File(dir / "scan.pcx", As_Text(Sample("g4.fax")));   // a PCX extension
    Write_File(dir / "photo.jpg", As_Text(Sample("rgb.psd"))); // a JPEG extension
    std::string format;
    EXPECT_TRUE(Matches_Reference(Load_Ok(dir / "plan.win", {}, &format), 0));
    EXPECT_EQ(format, VARNOLT_REFERENCE_DECODERS ? "libpng" : "png");
    EXPECT_TRUE(Matches_Reference(Load_Ok(dir / "x.fax", {}, &format), 0));
    EXPECT_EQ(format, "winbmp");
    EXPECT_EQ(Load_Ok(dir / "scan.pcx", dir / "other.psd").width(), 10);
    EXPECT_TRUE(Matches_Reference(Load_Ok(dir / "photo.jpg"), 0));
}

TEST(ReaderChoice, HintThenOwnExtension)
{
    Scratch_Dir dir;
    const std::string tga = As_Text(Sample("rle.tga"));
    // Targa has no signature: a base file without extension loads by the
    // other document's format, given as the hint.
    Write_File(dir / "base", tga);
    EXPECT_EQ(Load_Picture(dir / "base").Result, T_Picture_Load_Result::Unreadable);
    EXPECT_TRUE(Matches_Reference(Load_Ok(dir / "base", dir / "modified.tga"), 0));
    // A hint of another format does not stop the file's own extension.
    Write_File(dir / "a.tga", tga);
    EXPECT_TRUE(Matches_Reference(Load_Ok(dir / "a.tga", dir / "b.pcx"), 0));
}

TEST(ReaderChoice, FailuresSayWhy)
{
    Scratch_Dir dir;
    auto reason = [](const std::string& path) {
        T_Loaded_Picture picture = Load_Picture(path);
        EXPECT_EQ(picture.Result, T_Picture_Load_Result::Unreadable) << path;
        EXPECT_TRUE(picture.Image.isNull()) << path;
        return picture.Reason;
    };
    EXPECT_NE(reason(dir / "missing.png").find("missing.png"), std::string::npos);
    Write_File(dir / "empty.png", "");
    EXPECT_NE(reason(dir / "empty.png").find("empty"), std::string::npos);
    Write_File(dir / "notes.txt", "just some text, not a picture");
    EXPECT_NE(reason(dir / "notes.txt").find("not recognised"), std::string::npos);
    // Broken files: the reason of the reader that recognised them.
    Bytes png = Sample("rgb8.png");
    png.resize(40);
    Write_File(dir / "cut.png", As_Text(png));
    EXPECT_NE(reason(dir / "cut.png").find("PNG"), std::string::npos);
    Bytes psd = Sample("rgb.psd");
    psd.resize(60);
    Write_File(dir / "cut.psd", As_Text(psd));
    EXPECT_NE(reason(dir / "cut.psd").find("Photoshop"), std::string::npos)
        << reason(dir / "cut.psd");
}

} // namespace
