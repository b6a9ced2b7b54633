#include "tests/test_support.h"
#include "imaging/u_image_load.h"
#include "viewer/vcs_view_image_frame.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QProcess>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace {

std::uint32_t Crc32(const std::string& bytes)
{
    std::uint32_t crc = 0xFFFFFFFFu;
    for (unsigned char c : bytes) {
        crc ^= c;
        for (int k = 0; k < 8; ++k)
            crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
    }
    return ~crc;
}

std::string Be32(std::uint32_t v) { return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)}; }

std::string Chunk(const std::string& type, const std::string& data)
{
    return Be32(std::uint32_t(data.size())) + type + data + Be32(Crc32(type + data));
}

// A small but well-formed PNG whose header claims a size: the pixel data is
// one short compressed row.
std::string Png_Claiming(std::uint32_t width, std::uint32_t height)
{
    const std::string header = Be32(width) + Be32(height) + std::string("\x08\x06\x00\x00\x00", 5);
    const QByteArray packed = qCompress(QByteArray(64, '\0')).mid(4); // drop Qt's length prefix
    return std::string("\x89PNG\r\n\x1a\n", 8) + Chunk("IHDR", header) +
           Chunk("IDAT", packed.toStdString()) + Chunk("IEND", "");
}

// 9000 x 8000 needs 288 MB at 32 bits per pixel, over Qt's default limit.
// Kept at one bit per pixel, so the test stays light.
std::string Make_Large_Png(const test::Scratch_Dir& dir)
{
    QImage image(9000, 8000, QImage::Format_Mono);
    image.fill(0);
    const std::string path = dir / "large.png";
    EXPECT_TRUE(image.save(QString::fromStdString(path), "PNG"));
    return path;
}

} // namespace

TEST(Image_Limits, APictureBeyondTheLimitIsNamedWithItsSizeInsteadOfShown)
{
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    const std::string path = dir / "huge.png";
    test::Write_File(path, Png_Claiming(20000, 20000));

    TView_Image_Frame pane;
    EXPECT_FALSE(pane.Load_File(path));
    ASSERT_EQ(messages.Messages.size(), 1u);
    const std::string& text = messages.Messages[0].Text;
    EXPECT_EQ(text.rfind(Get_Msg(cap_Image_Too_Large), 0), 0u) << text;
    EXPECT_NE(text.find(path), std::string::npos) << text;
    EXPECT_NE(text.find("20000 x 20000"), std::string::npos) << text;
    EXPECT_EQ(pane.Picture_Width(), 0);
    EXPECT_TRUE(pane.Image1->Message().contains(QStringLiteral("20000 x 20000")));
}

TEST(Image_Limits, PicturesOverQtsDefaultLimitLoad)
{
    test::Scratch_Dir dir;
    test::Msg_Recorder messages;
    const std::string path = Make_Large_Png(dir);
    ASSERT_TRUE(Configure_Image_Limits());
    EXPECT_GE(std::int64_t{QImageReader::allocationLimit()} * 1024 * 1024,
              std::int64_t{16384} * 16384 * 4);

    TView_Image_Frame pane;
    EXPECT_TRUE(pane.Load_File(path));
    EXPECT_EQ(pane.Picture_Width(), 9000);
    EXPECT_EQ(pane.Picture_Height(), 8000);
    EXPECT_TRUE(messages.Messages.empty());
}

// QT_IMAGEIO_MAXALLOC would override the program's limit. Qt reads it once per
// process, so the check runs in a child process of this test program.
TEST(Image_Limits, TheEnvironmentCannotLowerTheLimit)
{
    const QByteArray child_file = qgetenv("VARNOLT_LIMIT_CHILD_FILE");
    if (!child_file.isEmpty()) {
        EXPECT_TRUE(Configure_Image_Limits());
        EXPECT_EQ(Load_Picture(child_file.toStdString()).Result, T_Picture_Load_Result::Loaded);
        return;
    }
    test::Scratch_Dir dir;
    const std::string path = Make_Large_Png(dir);
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_IMAGEIO_MAXALLOC"), QStringLiteral("1"));
    env.insert(QStringLiteral("VARNOLT_LIMIT_CHILD_FILE"), QString::fromStdString(path));
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    child.setProcessEnvironment(env);
    child.setProcessChannelMode(QProcess::MergedChannels);
    child.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--gtest_filter=Image_Limits.TheEnvironmentCannotLowerTheLimit")});
    ASSERT_TRUE(child.waitForFinished(120000));
    EXPECT_EQ(child.exitCode(), 0) << child.readAll().toStdString();
}

// Every group of the registry loads through Load_Picture: Qt's readers and
// the program's image plugin, also when the base file's name hides its format.
TEST(Image_Load, EveryRegisteredGroupLoadsInAPane)
{
    const std::string data = std::string(VARNOLT_TEST_DATA) + "/imaging/";
    for (const char* name :
         {"rle.tga", "palette8.pcx", "rgb.psd", "rle.sgi", "pattern.rla", "pattern.cut",
          "pattern.cel", "drawing.emf", "drawing.wmf", "pattern.psp", "lzw.tif", "g4.fax"}) {
        T_Loaded_Picture picture = Load_Picture(data + name);
        EXPECT_EQ(picture.Result, T_Picture_Load_Result::Loaded) << name << ": " << picture.Reason;
        EXPECT_GT(picture.Image.width(), 0) << name;
        // The converter reads png, jpeg, gif and bmp files itself; a picture
        // that one of the program's handlers decoded must not pass for one.
        for (const char* common : {"", "png", "jpeg", "jpg", "gif", "bmp"})
            EXPECT_NE(picture.Qt_Format, common) << name;
    }
    test::Scratch_Dir dir;
    std::filesystem::copy_file(data + "rle.tga", dir / "plan.win");
    EXPECT_EQ(Load_Picture(dir / "plan.win", "x.pcx").Result, T_Picture_Load_Result::Loaded);

    test::Write_File(dir / "broken.tga",
                     std::string("\0\0\x0a\0\0\0\0\0\0\0\0\0\x40\0\x40\0\x18\0", 18));
    T_Loaded_Picture broken = Load_Picture(dir / "broken.tga");
    EXPECT_EQ(broken.Result, T_Picture_Load_Result::Unreadable);
    EXPECT_FALSE(broken.Reason.empty());
}

// Two panes decode at the same time: each load is independent, with the same
// result as alone.
TEST(Image_Load, TwoThreadsLoadAtOnce)
{
    const std::string data = std::string(VARNOLT_TEST_DATA) + "/imaging/";
    const std::vector<std::string> names = {"rle.tga",  "drawing.emf", "rgb.psd",     "lzw.tif",
                                            "rgb8.png", "pattern.psp", "drawing.wmf", "rle8.bmp"};
    std::vector<QImage> alone;
    for (const std::string& name : names)
        alone.push_back(Load_Picture(data + name).Image);
    std::atomic<int> mismatches{0};
    auto work = [&](std::size_t offset) {
        for (int round = 0; round < 20; ++round)
            for (std::size_t i = 0; i < names.size(); ++i) {
                const std::size_t k = (i + offset) % names.size();
                T_Loaded_Picture picture = Load_Picture(data + names[k]);
                if (picture.Result != T_Picture_Load_Result::Loaded || picture.Image != alone[k])
                    ++mismatches;
            }
    };
    std::thread left(work, 0), right(work, names.size() / 2);
    left.join();
    right.join();
    EXPECT_EQ(mismatches.load(), 0);
}
