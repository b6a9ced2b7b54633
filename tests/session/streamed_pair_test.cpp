// A pair of pictures compared while the files are read, as the comparison
// without a window does when no picture of the differences is asked for:
// the same verdict, count and regions as decoding both whole, and damaged
// or other files still judged by the whole comparison.
#include "pdf/document_exporters.h"
#include "session/pair_pipeline.h"
#include "tests/test_support.h"
#include "engine/u_temp_files.h"

#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

#include <fstream>
#include <iterator>

namespace {

QImage Sheet(int Wall_X)
{
    QImage image(400, 300, QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(Qt::black, 3));
    painter.drawRect(20, 20, 360, 260);
    painter.drawLine(Wall_X, 20, Wall_X, 200);
    painter.drawText(40, 260, QStringLiteral("Ground floor"));
    return image;
}

class Streamed_Pair : public ::testing::Test {
protected:
    void SetUp() override
    {
        Prepare_Temp_Folder();
        Settings.Make_Exporter = Create_Document_Exporter;
    }
    std::string Saved(const QImage& Picture, const std::string& Name)
    {
        const std::string path = dir / Name;
        EXPECT_TRUE(Picture.save(QString::fromStdString(path)));
        return path;
    }
    // The pair as the window compares it, and as the comparison without a
    // picture of the differences does.
    std::pair<T_Compared_Pair, T_Compared_Pair> Both_Ways(const std::string& Old,
                                                          const std::string& New)
    {
        std::pair<T_Compared_Pair, T_Compared_Pair> pairs;
        for (bool keep : {true, false}) {
            Settings.Keep_Modified_Picture = keep;
            Settings.On_Pair = [&](const T_Compared_Pair& pair) {
                (keep ? pairs.first : pairs.second) = pair;
            };
            Compare_Pair(Old, New, Old, New, Settings);
        }
        return pairs;
    }

    test::Private_Tmpdir tmp;
    test::Scratch_Dir dir;
    T_Pair_Settings Settings;
};

} // namespace

TEST_F(Streamed_Pair, PngAndJpegPairsGetTheVerdictAndCountOfTheWholeComparison)
{
#ifndef VARNOLT_REFERENCE_DECODERS
    GTEST_SKIP() << "files are read row by row only through libpng and libjpeg";
#endif
    for (const char* ending : {".png", ".jpg"}) {
        for (int new_wall : {150, 210}) {
            const std::string old_file = Saved(Sheet(150), std::string("old") + ending);
            const std::string new_file = Saved(Sheet(new_wall), std::string("new") + ending);
            const auto [whole, streamed] = Both_Ways(old_file, new_file);
            ASSERT_TRUE(whole.Difference && streamed.Difference) << ending;
            EXPECT_EQ(streamed.Result,
                      new_wall == 150 ? T_Verdict::Identical : T_Verdict::Different);
            EXPECT_EQ(streamed.Result, whole.Result);
            EXPECT_EQ(streamed.Difference->Changed_Pixels, whole.Difference->Changed_Pixels);
            EXPECT_EQ(streamed.Difference->Regions.size(), whole.Difference->Regions.size());
            EXPECT_EQ(streamed.New_Width, 400);
            EXPECT_EQ(streamed.Old_Height, 300);
            // Nothing holds the decoded picture: it was never there whole.
            EXPECT_TRUE(streamed.Modified.isNull());
        }
    }
}

TEST_F(Streamed_Pair, ADamagedOrOtherFileIsJudgedByTheWholeComparison)
{
    const std::string good = Saved(Sheet(150), "good.png");
    std::ifstream in(good, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    const std::string cut = dir / "cut.png";
    std::ofstream(cut, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size() / 2));
    const auto [whole, streamed] = Both_Ways(good, cut);
    EXPECT_EQ(whole.Result, T_Verdict::Error);
    EXPECT_EQ(streamed.Result, T_Verdict::Error);
    EXPECT_EQ(streamed.Error, whole.Error);

    const std::string bmp = Saved(Sheet(210), "other.bmp");
    const auto [bmp_whole, bmp_streamed] = Both_Ways(good, bmp);
    ASSERT_TRUE(bmp_whole.Difference && bmp_streamed.Difference);
    EXPECT_EQ(bmp_streamed.Difference->Changed_Pixels, bmp_whole.Difference->Changed_Pixels);
    EXPECT_EQ(bmp_streamed.Result, T_Verdict::Different);
    // Decoded whole, and let go all the same: nothing asked to keep it.
    EXPECT_TRUE(bmp_streamed.Modified.isNull());
}
